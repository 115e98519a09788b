// Win32Dialogs: dialog templates written into memory (DLGTEMPLATE followed by
// its DLGITEMTEMPLATEs, every item DWORD-aligned, texts in UTF-16) and shown
// with DialogBoxIndirectParamW. Control identifiers are the modal results,
// so a button press ends the dialog with its own result; Escape and the
// close box send IDCANCEL, which is mrCancel.
#include "platform/forms/win32/Win32Dialogs.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace velmorak {

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

// Builds a dialog template word by word.
class TTemplate {
 public:
  TTemplate(const std::wstring& caption, short cx, short cy) {
    const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Dword(style);
    Dword(0);  // extended style
    FCountAt = FWords.size();
    Word(0);  // item count, filled as items are added
    Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0), Word(0);  // no menu, the standard dialog class
    Text(caption);
    Word(9);
    Text(L"Segoe UI");
  }

  // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
  void Item(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy,
            const std::wstring& text) {
    if (FWords.size() % 2) Word(0);  // DWORD alignment
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)),
        Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF), Word(classAtom);
    Text(text);
    Word(0);  // no creation data
    ++FWords[FCountAt];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FWords.data()); }

 private:
  void Word(WORD w) { FWords.push_back(w); }
  void Dword(DWORD d) { Word(LOWORD(d)), Word(HIWORD(d)); }
  void Text(const std::wstring& s) {
    for (wchar_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  std::vector<WORD> FWords;
  std::size_t FCountAt = 0;
};

constexpr WORD kEditId = 100;

struct TInputState {
  std::wstring Value;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      if (auto* state = reinterpret_cast<TInputState*>(lParam)) {
        SetDlgItemTextW(dialog, kEditId, state->Value.c_str());
        SendDlgItemMessageW(dialog, kEditId, EM_SETSEL, 0, -1);
      }
      return TRUE;
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (id == kEditId) return FALSE;
      if (auto* state = reinterpret_cast<TInputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
          state && id == mrOk) {
        const int n = GetWindowTextLengthW(GetDlgItem(dialog, kEditId));
        std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
        GetDlgItemTextW(dialog, kEditId, text.data(), n + 1);
        text.resize(static_cast<std::size_t>(n));
        state->Value = text;
      }
      EndDialog(dialog, id);
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, mrCancel);
      return TRUE;
  }
  return FALSE;
}

const wchar_t* ButtonText(TMsgDlgBtn b) {
  switch (b) {
    case mbYes:
      return L"&Yes";
    case mbNo:
      return L"&No";
    case mbOK:
      return L"OK";
    case mbCancel:
      return L"Cancel";
    case mbAbort:
      return L"&Abort";
    case mbRetry:
      return L"&Retry";
    case mbIgnore:
      return L"&Ignore";
    case mbAll:
      return L"&All";
    case mbNoToAll:
      return L"N&o to All";
    case mbYesToAll:
      return L"Yes to &All";
    case mbHelp:
      return L"&Help";
  }
  return L"";
}

}  // namespace

int TWin32Dialogs::MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                              TMsgDlgButtons Buttons) {
  std::vector<TMsgDlgBtn> buttons;
  for (TMsgDlgBtn b :
       {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp})
    if (Buttons & b) buttons.push_back(b);
  if (buttons.empty()) buttons.push_back(mbOK);

  const std::wstring text = Wide(Msg);
  const short lines = static_cast<short>(1 + std::count(text.begin(), text.end(), L'\n') + text.size() / 70);
  const short buttonWidth = 54, gap = 4;
  const short rowWidth = static_cast<short>(buttons.size() * (buttonWidth + gap) - gap);
  const short width = std::max<short>(280, static_cast<short>(rowWidth + 20));
  const short textHeight = static_cast<short>(10 * lines);
  const short height = static_cast<short>(textHeight + 44);

  TTemplate t(Wide(Caption), width, height);
  t.Item(0x0082, 0xFFFF, SS_LEFT | SS_NOPREFIX, 10, 10, static_cast<short>(width - 20), textHeight, text);
  short x = static_cast<short>((width - rowWidth) / 2);
  bool first = true;
  for (TMsgDlgBtn b : buttons) {
    t.Item(0x0080, static_cast<WORD>(ModalResultOf(b)),
           WS_TABSTOP | (first ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x, static_cast<short>(textHeight + 20),
           buttonWidth, 14, ButtonText(b));
    x = static_cast<short>(x + buttonWidth + gap);
    first = false;
  }
  (void)DlgType;
  MessageBeep(MB_ICONQUESTION);
  const INT_PTR r =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), GetActiveWindow(), DialogProc, 0);
  return r <= 0 ? mrCancel : static_cast<int>(r);
}

bool TWin32Dialogs::InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  TTemplate t(Wide(Caption), 240, 72);
  t.Item(0x0082, 0xFFFF, SS_LEFT | SS_NOPREFIX, 10, 8, 220, 10, Wide(Prompt));
  t.Item(0x0081, kEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 22, 220, 13, L"");
  t.Item(0x0080, mrOk, WS_TABSTOP | BS_DEFPUSHBUTTON, 120, 48, 52, 14, L"OK");
  t.Item(0x0080, mrCancel, WS_TABSTOP | BS_PUSHBUTTON, 178, 48, 52, 14, L"Cancel");
  TInputState state{Wide(Value)};
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), GetActiveWindow(), DialogProc,
                                            reinterpret_cast<LPARAM>(&state));
  if (r != mrOk) return false;
  Value = Narrow(state.Value);
  return true;
}

}  // namespace velmorak

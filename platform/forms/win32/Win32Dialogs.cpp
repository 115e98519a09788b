// Win32Dialogs: the real dialogs.
//
// A message whose buttons the system message box has (OK, OK/Cancel, Yes/No,
// Yes/No/Cancel, Abort/Retry/Ignore, Retry/Cancel) is the system message box
// itself, with the icon of its kind and the buttons captioned in French as
// they open (a hook on the box's activation). Any other set — the archive's
// overwrite question with "No to All" and "Yes to All" — and the two input
// dialogs are dialog boxes built from an in-memory template (DLGTEMPLATE
// followed by its DLGITEMTEMPLATEs, every item DWORD-aligned, texts in
// UTF-16) and laid out in pixels when they open, in the system's message
// font, like the system's own boxes. Control identifiers of buttons are the
// modal results, which are also the system's IDOK..IDNO, so a button press
// ends the dialog with its own result; Escape and the close box send
// IDCANCEL, which is mrCancel.
#include "platform/forms/win32/Win32Dialogs.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/classes/SysUtils.h"

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

void Wipe(std::wstring& s) {
  if (!s.empty()) SecureZero(s.data(), s.size() * sizeof(wchar_t));
  s.clear();
}

// The window the dialogs belong to: the active window of this thread.
HWND Owner() {
  HWND owner = GetActiveWindow();
  return owner && IsWindowVisible(owner) ? owner : nullptr;
}

// Builds a dialog template word by word. Positions are left to the dialog
// procedure, which lays the items out in pixels.
class TTemplate {
 public:
  explicit TTemplate(const std::wstring& caption) {
    const DWORD style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Dword(style);
    Dword(0);  // extended style
    FCountAt = FWords.size();
    Word(0);  // item count, filled as items are added
    Word(0), Word(0), Word(200), Word(100);
    Word(0), Word(0);  // no menu, the standard dialog class
    Text(caption);
    Word(8);
    Text(L"MS Shell Dlg");
  }

  // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
  void Item(WORD classAtom, WORD id, DWORD style, const std::wstring& text) {
    if (FWords.size() % 2) Word(0);  // DWORD alignment
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(0), Word(0), Word(10), Word(10);
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

constexpr WORD kTextId = 90, kIconId = 91, kPromptId = 92;
constexpr WORD kEditId = 100;  // the input query's edit
// The login form's controls, named as the form names them.
constexpr WORD kDatabaseLabelId = 101, kPasswordLabelId = 102, kDatabaseEditId = 103, kPasswordEditId = 104;
constexpr int kLoginPanelX = 8, kLoginPanelY = 8, kLoginPanelH = 75;

enum class TDialogKind { Message, Input, Login };

struct TDialogState {
  TDialogKind Kind = TDialogKind::Message;
  TMsgDlgType DlgType = TMsgDlgType::mtCustom;
  std::vector<TMsgDlgBtn> Buttons;
  std::wstring Text;   // the message, or the input query's prompt
  std::wstring Value;  // the input's text; the login's file name
  std::wstring Typed;  // what the user typed, read back on OK
  HFONT Font = nullptr;
};

// The system's message font, as its own message boxes use it.
HFONT MessageFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }();
  return font;
}

SIZE TextExtent(HWND dialog, HFONT font, const std::wstring& text, int maxWidth, UINT flags) {
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | flags);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  return {r.right - r.left, r.bottom - r.top};
}

void Place(HWND dialog, WORD id, int x, int y, int w, int h) {
  if (HWND item = GetDlgItem(dialog, id)) MoveWindow(item, x, y, w, h, FALSE);
}

// Gives the dialog this client size and centres it on its owner (on the
// screen when it has none).
void SizeAndCentre(HWND dialog, int clientW, int clientH, bool onScreen) {
  RECT r{0, 0, clientW, clientH};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT area;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (onScreen || !owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

LPCWSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return IDI_WARNING;
    case TMsgDlgType::mtError:
      return IDI_ERROR;
    case TMsgDlgType::mtInformation:
      return IDI_INFORMATION;
    case TMsgDlgType::mtConfirmation:
      return IDI_QUESTION;
    case TMsgDlgType::mtCustom:
      break;
  }
  return nullptr;
}

// The installer speaks French: the buttons say so.
const wchar_t* ButtonText(TMsgDlgBtn b) {
  switch (b) {
    case mbYes:
      return L"&Oui";
    case mbNo:
      return L"&Non";
    case mbOK:
      return L"OK";
    case mbCancel:
      return L"Annuler";
    case mbAbort:
      return L"&Abandonner";
    case mbRetry:
      return L"&Réessayer";
    case mbIgnore:
      return L"&Ignorer";
    case mbAll:
      return L"&Tous";
    case mbNoToAll:
      return L"Non à t&out";
    case mbYesToAll:
      return L"Oui à &tout";
    case mbHelp:
      return L"&Aide";
  }
  return L"";
}

constexpr int kMargin = 12, kButtonH = 23, kButtonGap = 6, kMinButtonW = 75;

// A row of buttons, centred under the content, ending at the dialog's bottom.
int LayoutButtons(HWND dialog, const std::vector<TMsgDlgBtn>& buttons, int contentW, int top) {
  std::vector<int> widths;
  int row = 0;
  for (TMsgDlgBtn b : buttons) {
    const int w = std::max(
        kMinButtonW,
        static_cast<int>(TextExtent(dialog, MessageFont(), ButtonText(b), 400, DT_SINGLELINE).cx) + 20);
    widths.push_back(w);
    row += w + kButtonGap;
  }
  row -= kButtonGap;
  const int clientW = std::max(contentW, row + 2 * kMargin);
  int x = (clientW - row) / 2;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    Place(dialog, static_cast<WORD>(ModalResultOf(buttons[i])), x, top, widths[i], kButtonH);
    x += widths[i] + kButtonGap;
  }
  return clientW;
}

void LayoutMessage(HWND dialog, TDialogState& s) {
  int x = kMargin, iconH = 0;
  if (LPCWSTR icon = IconOf(s.DlgType)) {
    SendDlgItemMessageW(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
    Place(dialog, kIconId, kMargin, kMargin + 2, 32, 32);
    x += 32 + kMargin;
    iconH = 32 + 2;
  } else {
    ShowWindow(GetDlgItem(dialog, kIconId), SW_HIDE);
  }
  const SIZE text =
      TextExtent(dialog, MessageFont(), s.Text, 420, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  const int textTop = kMargin + std::max(0, (iconH - static_cast<int>(text.cy)) / 2 + 2);
  Place(dialog, kTextId, x, textTop, text.cx + 2, text.cy);
  const int contentBottom = std::max(textTop + static_cast<int>(text.cy), kMargin + iconH);
  const int buttonsTop = contentBottom + 18;
  const int clientW = LayoutButtons(dialog, s.Buttons, x + text.cx + 2 + 2 * kMargin, buttonsTop);
  SizeAndCentre(dialog, clientW, buttonsTop + kButtonH + kMargin, false);
  SendDlgItemMessageW(dialog, static_cast<WORD>(ModalResultOf(s.Buttons.front())), BM_SETSTYLE,
                      BS_DEFPUSHBUTTON, TRUE);
  SetFocus(GetDlgItem(dialog, static_cast<WORD>(ModalResultOf(s.Buttons.front()))));
}

void LayoutInput(HWND dialog, TDialogState& s) {
  constexpr int kWidth = 320;
  const SIZE prompt = TextExtent(dialog, MessageFont(), s.Text, kWidth, DT_WORDBREAK | DT_NOPREFIX);
  Place(dialog, kPromptId, kMargin, kMargin, kWidth, prompt.cy);
  const int editTop = kMargin + static_cast<int>(prompt.cy) + 6;
  Place(dialog, kEditId, kMargin, editTop, kWidth, 21);
  const int buttonsTop = editTop + 21 + 16;
  const int clientW = kWidth + 2 * kMargin;
  Place(dialog, mrOk, clientW - kMargin - 2 * kMinButtonW - kButtonGap, buttonsTop, kMinButtonW, kButtonH);
  Place(dialog, mrCancel, clientW - kMargin - kMinButtonW, buttonsTop, kMinButtonW, kButtonH);
  SizeAndCentre(dialog, clientW, buttonsTop + kButtonH + kMargin, false);
  SetDlgItemTextW(dialog, kEditId, s.Value.c_str());
  SendDlgItemMessageW(dialog, kEditId, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, kEditId));
}

// The login form: 281 x 154 pixels outside, not scaled, centred on the
// screen. BackPanel (8, 8), client width - 16 wide, 75 high, holds the two
// labels at x 12 and the two edits at x 86, panel client width - 98 wide, 21
// high; OK at (109, 94) and Cancel at (191, 94).
void LayoutLogin(HWND dialog, TDialogState& s) {
  constexpr int kOuterW = 281, kOuterH = 154, kPanelX = kLoginPanelX, kPanelY = kLoginPanelY;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int clientW = kOuterW - (frame.right - frame.left), clientH = kOuterH - (frame.bottom - frame.top);
  const int panelW = clientW - 16;
  const int panelClientW = panelW - 2;  // inside the two-pixel bevel's inner edge
  const int editW = panelClientW - 98;
  const int labelH = static_cast<int>(TextExtent(dialog, MessageFont(), L"Database:", 100, DT_SINGLELINE).cy);
  Place(dialog, kDatabaseLabelId, kPanelX + 12, kPanelY + 15, 72, labelH);
  Place(dialog, kPasswordLabelId, kPanelX + 12, kPanelY + 45, 72, labelH);
  Place(dialog, kDatabaseEditId, kPanelX + 86, kPanelY + 12, editW, 21);
  Place(dialog, kPasswordEditId, kPanelX + 86, kPanelY + 42, editW, 21);
  Place(dialog, mrOk, 109, 94, 75, 25);
  Place(dialog, mrCancel, 191, 94, 75, 25);
  SizeAndCentre(dialog, clientW, std::max(clientH, 94 + 25 + 8), true);
  SetDlgItemTextW(dialog, kDatabaseEditId, s.Value.c_str());
  SendDlgItemMessageW(dialog, kPasswordEditId, EM_SETPASSWORDCHAR, L'*', 0);
  SetFocus(GetDlgItem(dialog, kPasswordEditId));
}

std::wstring ItemText(HWND dialog, WORD id) {
  const int n = GetWindowTextLengthW(GetDlgItem(dialog, id));
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GetDlgItemTextW(dialog, id, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<TDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<TDialogState*>(lParam);
      for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT))
        SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
      switch (state->Kind) {
        case TDialogKind::Message:
          LayoutMessage(dialog, *state);
          break;
        case TDialogKind::Input:
          LayoutInput(dialog, *state);
          break;
        case TDialogKind::Login:
          LayoutLogin(dialog, *state);
          break;
      }
      return FALSE;  // the focus is set
    }
    case WM_PAINT:
      if (state && state->Kind == TDialogKind::Login) {
        // BackPanel: a raised inner and lowered outer bevel.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        RECT client;
        GetClientRect(dialog, &client);
        RECT panel{kLoginPanelX, kLoginPanelY, client.right - kLoginPanelX, kLoginPanelY + kLoginPanelH};
        DrawEdge(dc, &panel, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT);
        EndPaint(dialog, &ps);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (HIWORD(wParam) != BN_CLICKED || id >= kEditId) return FALSE;
      if (state && id == mrOk) {
        if (state->Kind == TDialogKind::Input) state->Typed = ItemText(dialog, kEditId);
        if (state->Kind == TDialogKind::Login) {
          state->Typed = ItemText(dialog, kPasswordEditId);
          // The edit's own copy of the password goes too.
          SetDlgItemTextW(dialog, kPasswordEditId, L"");
        }
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

INT_PTR Run(const TTemplate& t, TDialogState& state) {
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), Owner(), DialogProc,
                                 reinterpret_cast<LPARAM>(&state));
}

// French captions for the system message box's buttons, set as it opens.
HHOOK gBoxHook = nullptr;
LRESULT CALLBACK BoxHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wp);
    for (TMsgDlgBtn b : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore})
      if (HWND button = GetDlgItem(box, static_cast<int>(ModalResultOf(b))))
        SetWindowTextW(button, ButtonText(b));
    UnhookWindowsHookEx(gBoxHook);
    gBoxHook = nullptr;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// The system box's flags for a button set it has; 0 when it has none.
UINT SystemButtons(TMsgDlgButtons buttons) {
  static const std::pair<TMsgDlgButtons, UINT> sets[] = {
      {mbOK, MB_OK},
      {mbOK | mbCancel, MB_OKCANCEL},
      {mbYes | mbNo, MB_YESNO},
      {mbYes | mbNo | mbCancel, MB_YESNOCANCEL},
      {mbAbort | mbRetry | mbIgnore, MB_ABORTRETRYIGNORE},
      {mbRetry | mbCancel, MB_RETRYCANCEL},
  };
  for (auto& [set, flags] : sets)
    if (buttons == set) return flags | 0x80000000u;  // high bit: "found", MB_OK being 0
  return 0;
}

UINT SystemIcon(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return MB_ICONWARNING;
    case TMsgDlgType::mtError:
      return MB_ICONERROR;
    case TMsgDlgType::mtInformation:
      return MB_ICONINFORMATION;
    case TMsgDlgType::mtConfirmation:
      return MB_ICONQUESTION;
    case TMsgDlgType::mtCustom:
      break;
  }
  return 0;
}

}  // namespace

int TWin32Dialogs::MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                              TMsgDlgButtons Buttons) {
  if (Buttons == 0) Buttons = mbOK;
  if (const UINT system = SystemButtons(Buttons)) {
    gBoxHook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    const int result =
        MessageBoxW(Owner(), Wide(Msg).c_str(), Wide(Caption).c_str(),
                    (system & ~0x80000000u) | SystemIcon(DlgType) | MB_TASKMODAL | MB_SETFOREGROUND);
    if (gBoxHook) UnhookWindowsHookEx(gBoxHook), gBoxHook = nullptr;
    // The system's IDOK..IDNO are the modal results; anything else is a dismissal.
    return result >= mrOk && result <= mrNo ? result : mrCancel;
  }
  TDialogState state;
  state.Kind = TDialogKind::Message;
  state.DlgType = DlgType;
  state.Text = Wide(Msg);
  for (TMsgDlgBtn b :
       {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp})
    if (Buttons & b) state.Buttons.push_back(b);
  TTemplate t(Wide(Caption));
  t.Item(0x0082, kIconId, SS_ICON, L"");
  t.Item(0x0082, kTextId, SS_LEFT | SS_NOPREFIX, state.Text);
  for (TMsgDlgBtn b : state.Buttons)
    t.Item(0x0080, static_cast<WORD>(ModalResultOf(b)), WS_TABSTOP | BS_PUSHBUTTON, ButtonText(b));
  MessageBeep(SystemIcon(DlgType));
  const INT_PTR r = Run(t, state);
  return r <= 0 ? mrCancel : static_cast<int>(r);
}

bool TWin32Dialogs::InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  TDialogState state;
  state.Kind = TDialogKind::Input;
  state.Text = Wide(Prompt);
  state.Value = Wide(Value);
  TTemplate t(Wide(Caption));
  t.Item(0x0082, kPromptId, SS_LEFT | SS_NOPREFIX, state.Text);
  t.Item(0x0081, kEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"");
  t.Item(0x0080, mrOk, WS_TABSTOP | BS_DEFPUSHBUTTON, L"OK");
  t.Item(0x0080, mrCancel, WS_TABSTOP | BS_PUSHBUTTON, ButtonText(mbCancel));
  const INT_PTR r = Run(t, state);
  if (r != mrOk) return false;
  Value = Narrow(state.Typed);
  Wipe(state.Typed);
  return true;
}

bool TWin32Dialogs::DatabaseLogin(const std::string& DatabaseName, std::string& Password) {
  TDialogState state;
  state.Kind = TDialogKind::Login;
  state.Value = Wide(DatabaseName);
  // Tab order: the password first; the file name is read-only and no tab stop.
  TTemplate t(L"Database Login");
  t.Item(0x0081, kPasswordEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, L"");
  t.Item(0x0080, mrOk, WS_TABSTOP | BS_DEFPUSHBUTTON, L"&OK");
  t.Item(0x0080, mrCancel, WS_TABSTOP | BS_PUSHBUTTON, L"&Cancel");
  t.Item(0x0082, kDatabaseLabelId, SS_LEFT, L"Database:");
  t.Item(0x0082, kPasswordLabelId, SS_LEFT, L"Password:");
  t.Item(0x0081, kDatabaseEditId, WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, L"");
  const INT_PTR r = Run(t, state);
  if (r != mrOk) return false;
  std::string typed = Narrow(state.Typed);
  Wipe(state.Typed);
  Password = typed;
  if (!typed.empty()) SecureZero(typed.data(), typed.size());
  return true;
}

}  // namespace velmorak

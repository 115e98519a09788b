// Win32Peers: windows for the controls, the host window procedure that paints
// the drawn controls and routes child notifications, and the subclassed
// standard controls (edit, button, combo box) that report what the user does.
#include "platform/forms/win32/Win32Peers.h"

#include <windowsx.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/ShellCtrls.h"

namespace velmorak::win32 {

HINSTANCE Instance = nullptr;

namespace {

constexpr const wchar_t* kHostClass = L"VelmorakWindow";
constexpr const wchar_t* kPeerProp = L"VelmorakPeer";
constexpr const wchar_t* kNameProp = L"VelmorakControl";

void Dispatch(const std::function<void()>& handler) {
  if (Application)
    Application->Dispatch(handler);
  else
    handler();
}

// Tooltip windows, one per top-level window, made on first use.
std::map<HWND, HWND>& Tooltips() {
  static std::map<HWND, HWND> tips;
  return tips;
}

HWND TooltipFor(HWND topLevel) {
  HWND& tip = Tooltips()[topLevel];
  if (tip && IsWindow(tip)) return tip;
  DWORD style = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;
  if (Application && Application->HintsAsBalloons) style |= TTS_BALLOON;
  tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, topLevel, nullptr, Instance, nullptr);
  if (tip) {
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 320);
    if (Application)
      SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(GdiHFont(Application->HintFont)), 0);
  }
  return tip;
}

// Paints the drawn children of Parent (offset by X, Y in the host), recursing
// into group boxes; edits get their frame painted here, around their window.
void PaintChildren(Gdiplus::Graphics& g, TWinControl& parent, int x, int y) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (!c->Visible()) continue;
    const int cx = x + c->Left(), cy = y + c->Top();
    if (auto* box = dynamic_cast<TGroupBox*>(c)) {
      if (!box->Transparent()) {
        Gdiplus::SolidBrush fill(ToGdiColor(box->Color()));
        g.FillRectangle(&fill, cx, cy, box->Width(), box->Height());
      }
      PaintGroupBox(g, *box, cx, cy);
      PaintChildren(g, *box, cx, cy);
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
      auto* peer = static_cast<TPeer*>(edit->Peer());
      PaintEditFrame(g, *edit, cx, cy, peer && (peer->Hot || edit->Focused()));
    } else if (auto* label = dynamic_cast<TLabel*>(c)) {
      PaintLabel(g, *label, cx, cy);
    } else if (auto* image = dynamic_cast<TImage*>(c)) {
      PaintImage(g, *image, cx, cy);
    } else if (auto* sep = dynamic_cast<TSeparator*>(c)) {
      PaintSeparator(g, *sep, cx, cy);
    } else if (auto* bar = dynamic_cast<TProgressBar*>(c)) {
      PaintProgressBar(g, *bar, cx, cy);
    } else if (auto* chooser = dynamic_cast<TShellFolderChooser*>(c)) {
      Gdiplus::Pen pen(Gdiplus::Color(255, 0x84, 0xC0, 0xFF));
      g.DrawRectangle(&pen, cx - 1, cy - 1, chooser->Width() + 1, chooser->Height() + 1);
    }
  }
}

// The drawn control under a point of the host, deepest first.
TControl* HitTest(TWinControl& parent, int x, int y, int px, int py) {
  for (int i = parent.ControlCount() - 1; i >= 0; --i) {
    TControl* c = parent.Controls(i);
    if (!c->Visible() || (c->IsWindowed() && !dynamic_cast<TGraphicContainer*>(c))) continue;
    const int cx = x + c->Left(), cy = y + c->Top();
    if (px < cx || py < cy || px >= cx + c->Width() || py >= cy + c->Height()) continue;
    if (auto* box = dynamic_cast<TGroupBox*>(c))
      if (TControl* inner = HitTest(*box, cx, cy, px, py)) return inner;
    return c;
  }
  return nullptr;
}

void FocusActiveControl(TControl& top) {
  // The showing page's active control gets the focus back on activation.
  auto* w = dynamic_cast<TWinControl*>(&top);
  if (!w) return;
  for (int i = 0; i < w->ControlCount(); ++i) {
    TControl* c = w->Controls(i);
    if (auto* f = dynamic_cast<TForm*>(c);
        f && f->Showing() && f->ActiveControl() && f->ActiveControl()->Peer()) {
      f->ActiveControl()->SetFocus();
      return;
    }
    if (c->IsWindowed()) FocusActiveControl(*c);
  }
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* peer = PeerOf(hwnd);
  if (!peer) return DefWindowProcW(hwnd, msg, wp, lp);
  auto* control = dynamic_cast<TWinControl*>(&peer->Control);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      if (rc.right > 0 && rc.bottom > 0) {
        Gdiplus::Bitmap buffer(rc.right, rc.bottom, PixelFormat32bppPARGB);
        {
          Gdiplus::Graphics g(&buffer);
          PrepareGraphics(g);
          Gdiplus::SolidBrush back(ToGdiColor(control->Color()));
          g.FillRectangle(&back, 0, 0, rc.right, rc.bottom);
          PaintChildren(g, *control, 0, 0);
        }
        Gdiplus::Graphics screen(dc);
        screen.DrawImage(&buffer, 0, 0, rc.right, rc.bottom);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (lp) {
        if (TPeer* child = PeerOf(reinterpret_cast<HWND>(lp))) {
          const WORD code = HIWORD(wp);
          Dispatch([child, code] { child->Command(code); });
          return 0;
        }
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (TPeer* child = PeerOf(item->hwndItem))
        if (child->DrawItem(*item)) return TRUE;
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      if (TPeer* child = PeerOf(reinterpret_cast<HWND>(lp)))
        if (HBRUSH b = child->CtlColor(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(b);
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd && LOWORD(lp) == HTCLIENT) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(hwnd, &pt);
        if (auto* label = dynamic_cast<TLabel*>(HitTest(*control, 0, 0, pt.x, pt.y));
            label && label->IsLink) {
          SetCursor(LoadCursor(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONUP:
      if (TControl* hit = HitTest(*control, 0, 0, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)))
        Dispatch([hit] { hit->Click(); });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) FocusActiveControl(*control);
      break;
    case WM_CLOSE:
      // The close box goes through the form's own Close, with its question.
      if (auto* form = dynamic_cast<TForm*>(control)) {
        Dispatch([form] { form->Close(); });
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ChildSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* peer = reinterpret_cast<TPeer*>(ref);
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!peer->Hot) {
        peer->Hot = true;
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&tme);
        peer->Changed(TChange::Style);
      }
      break;
    case WM_MOUSELEAVE:
      peer->Hot = false;
      peer->Changed(TChange::Style);
      break;
    case WM_SETFOCUS:
      if (auto* w = dynamic_cast<TWinControl*>(&peer->Control)) w->FocusedByUser();
      peer->Changed(TChange::Style);
      break;
    case WM_KILLFOCUS:
      if (auto* num = dynamic_cast<TNumEdit*>(&peer->Control)) {
        const int n = GetWindowTextLengthW(hwnd);
        std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
        GetWindowTextW(hwnd, text.data(), n + 1);
        text.resize(static_cast<std::size_t>(n));
        Dispatch([num, t = Narrow(text)] { num->CommitUserText(t); });
      }
      peer->Changed(TChange::Style);
      break;
    case WM_CHAR:
      if (wp == VK_RETURN) {
        if (auto* edit = dynamic_cast<TEdit*>(&peer->Control)) {
          Dispatch([edit] { edit->KeyPressEnter(); });
          return 0;
        }
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ChildSubclass, 0);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// --- the peers of each kind ---------------------------------------------

class THostPeer : public TPeer {
 public:
  using TPeer::TPeer;
  void Create() override {
    auto* form = dynamic_cast<TForm*>(&Control);
    if (form && !form->Parent()) {
      const bool dialog = form->BorderStyle() == TFormBorderStyle::bsDialog;
      const DWORD style =
          WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (dialog ? 0 : WS_MINIMIZEBOX);
      const DWORD ex = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW | (dialog ? WS_EX_DLGMODALFRAME : 0);
      RECT r{0, 0, form->ClientWidth(), form->ClientHeight()};
      AdjustWindowRectEx(&r, style, FALSE, ex);
      const std::wstring caption = Widen(form->Caption());
      Handle = CreateWindowExW(ex, kHostClass, caption.c_str(), style, form->Left(), form->Top(),
                               r.right - r.left, r.bottom - r.top, nullptr, nullptr, Instance, nullptr);
      SetPropW(Handle, kPeerProp, this);
      if (form->Visible()) ShowWindow(Handle, SW_SHOW);
    } else {
      CreateChild(kHostClass, WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
    }
  }
  void Changed(TChange What) override {
    auto* form = dynamic_cast<TForm*>(&Control);
    if (form && !form->Parent() && Handle) {
      if (What == TChange::Bounds) {
        SetWindowPos(Handle, nullptr, form->Left(), form->Top(), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
      }
      if (What == TChange::Text) {
        SetWindowTextW(Handle, Widen(form->Caption()).c_str());
        return;
      }
      if (What == TChange::Visible) {
        ShowWindow(Handle, form->Visible() ? SW_SHOW : SW_HIDE);
        if (form->Visible()) {
          SetForegroundWindow(Handle);
          UpdateWindow(Handle);
        }
        return;
      }
    }
    if (form && form->Parent() && Handle && What == TChange::Visible) {
      TPeer::Changed(What);
      // A page made visible gives the focus to the control its OnShow chose.
      if (form->Visible() && form->ActiveControl() && form->ActiveControl()->Peer())
        form->ActiveControl()->Peer()->SetFocus();
      return;
    }
    TPeer::Changed(What);
  }
};

class TEditPeer : public TPeer {
 public:
  using TPeer::TPeer;
  void Create() override {
    auto& edit = static_cast<TEdit&>(Control);
    CreateChild(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, 0);
    SetWindowSubclass(Handle, ChildSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(Handle, EM_LIMITTEXT, edit.MaxLength() > 0 ? edit.MaxLength() : 0, 0);
    SetWindowTextW(Handle, Widen(edit.Text()).c_str());
    UpdateTooltip();
  }
  void Command(WORD Code) override {
    if (Code != EN_CHANGE || FSetting) return;
    auto& edit = static_cast<TEdit&>(Control);
    const std::string text = WindowText();
    if (text != edit.Text()) edit.ReplaceTextByUser(text);
  }
  HBRUSH CtlColor(HDC Dc) override {
    SetBkColor(Dc, ToColorRef(Control.Color()));
    SetTextColor(Dc, ToColorRef(Control.Font().Color));
    return CachedBrush(Control.Color());
  }
  void Changed(TChange What) override {
    if (What == TChange::Text && Handle) {
      const std::string& text = static_cast<TEdit&>(Control).Text();
      if (text != WindowText()) {
        FSetting = true;
        SetWindowTextW(Handle, Widen(text).c_str());
        FSetting = false;
      }
      return;
    }
    if (What == TChange::Style && Handle)
      SendMessageW(Handle, EM_LIMITTEXT, static_cast<TEdit&>(Control).MaxLength(), 0);
    TPeer::Changed(What);
  }

 protected:
  std::string WindowText() {
    const int n = GetWindowTextLengthW(Handle);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(Handle, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(n));
    return Narrow(text);
  }
  bool FSetting = false;
};

class TMemoPeer : public TPeer {
 public:
  using TPeer::TPeer;
  void Create() override {
    auto& memo = static_cast<TMemo&>(Control);
    CreateChild(L"EDIT",
                WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | (memo.ReadOnly ? ES_READONLY : 0) |
                    (memo.VerticalScrollBar ? WS_VSCROLL : 0),
                0);
    SendMessageW(Handle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(8, 8));
    SetWindowTextW(Handle, Widen(memo.Text()).c_str());
    if (memo.ReadOnly) FitFont(memo);
  }
  // A read-only memo shows a fixed text whose lines were broken by hand for
  // the designed font. Where the system's face is wider (Wine's Tahoma is),
  // a line would wrap and leave a word alone on a row before the designed
  // break: the font then steps down a pixel at a time, to no less than
  // three quarters of its size, until the widest line fits.
  void FitFont(TMemo& memo) {
    RECT client;
    GetClientRect(Handle, &client);
    const int room = client.right - client.left - 16 - 4;
    HDC dc = GetDC(Handle);
    TFont font = memo.Font();
    for (; font.Height > memo.Font().Height * 3 / 4; --font.Height) {
      HGDIOBJ old = SelectObject(dc, GdiHFont(font));
      int widest = 0;
      for (const std::string& line : memo.Lines()) {
        const std::wstring text = Widen(line);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
      }
      SelectObject(dc, old);
      if (widest <= room) break;
    }
    ReleaseDC(Handle, dc);
    if (font.Height != memo.Font().Height)
      SendMessageW(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(GdiHFont(font)), TRUE);
  }
  HBRUSH CtlColor(HDC Dc) override {
    SetBkColor(Dc, RGB(255, 255, 255));
    SetTextColor(Dc, RGB(0x20, 0x20, 0x20));
    return CachedBrush(clWhite);
  }
  void Changed(TChange What) override {
    if (What == TChange::Lines && Handle) {
      SetWindowTextW(Handle, Widen(static_cast<TMemo&>(Control).Text()).c_str());
      return;
    }
    TPeer::Changed(What);
  }
};

class TButtonPeer : public TPeer {
 public:
  using TPeer::TPeer;
  void Create() override {
    CreateChild(L"BUTTON", WS_TABSTOP | BS_OWNERDRAW, 0);
    SetWindowSubclass(Handle, ChildSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
    UpdateTooltip();
  }
  void Command(WORD Code) override {
    if (Code == BN_CLICKED) Control.Click();
  }
  bool DrawItem(const DRAWITEMSTRUCT& Item) override {
    PaintSkinButton(Item.hDC, static_cast<TSkinButton&>(Control), Item.rcItem, Item.itemState & ODS_SELECTED,
                    Hot, Item.itemState & ODS_FOCUS);
    return true;
  }
  void Changed(TChange What) override {
    if (Handle && (What == TChange::Picture || What == TChange::Style || What == TChange::Font)) {
      InvalidateRect(Handle, nullptr, FALSE);
      return;
    }
    TPeer::Changed(What);
  }
};

class TChooserPeer : public TPeer {
 public:
  using TPeer::TPeer;
  void Create() override {
    CreateChild(L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 260);
    SetWindowSubclass(Handle, ChildSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(Handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Control.Height() - 6);
    Fill();
  }
  // The namespace from the desktop down: the desktop folder, then every drive;
  // the last entry opens the shell's folder browser for any other folder.
  void Fill() {
    SendMessageW(Handle, CB_RESETCONTENT, 0, 0);
    FPaths.clear();
    wchar_t desktop[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop) == S_OK) Add(desktop);
    wchar_t drives[512];
    const DWORD n = GetLogicalDriveStringsW(511, drives);
    for (const wchar_t* d = drives; n && n < 511 && *d; d += wcslen(d) + 1) Add(d);
    SendMessageW(Handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Parcourir..."));
    const std::wstring current = Widen(static_cast<TShellFolderChooser&>(Control).Text());
    Select(current);
  }
  void Add(const std::wstring& path) {
    FPaths.push_back(path);
    SendMessageW(Handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  void Select(const std::wstring& path) {
    int index = -1;
    for (std::size_t i = 0; i < FPaths.size(); ++i)
      if (_wcsicmp(FPaths[i].c_str(), path.c_str()) == 0) index = static_cast<int>(i);
    if (index < 0 && !path.empty()) {
      FPaths.insert(FPaths.end(), path);
      index = static_cast<int>(
          SendMessageW(Handle, CB_INSERTSTRING, FPaths.size() - 1, reinterpret_cast<LPARAM>(path.c_str())));
    }
    SendMessageW(Handle, CB_SETCURSEL, index, 0);
  }
  void Command(WORD Code) override {
    if (Code != CBN_SELCHANGE) return;
    auto& chooser = static_cast<TShellFolderChooser&>(Control);
    const int index = static_cast<int>(SendMessageW(Handle, CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    if (static_cast<std::size_t>(index) < FPaths.size()) {
      chooser.ChooseFolder(Narrow(FPaths[static_cast<std::size_t>(index)]));
      return;
    }
    // "Parcourir...": the shell's own browser, rooted at the desktop.
    BROWSEINFOW bi{};
    bi.hwndOwner = TopLevelOf(Control);
    bi.lpszTitle = L"Choisissez le dossier d'installation :";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    std::wstring chosen;
    if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
      wchar_t path[MAX_PATH];
      if (SHGetPathFromIDListW(pidl, path)) chosen = path;
      CoTaskMemFree(pidl);
    }
    if (chosen.empty()) {
      Select(Widen(chooser.Text()));
      return;
    }
    chooser.ChooseFolder(Narrow(chosen));
    Select(Widen(chooser.Text()));
  }
  HBRUSH CtlColor(HDC Dc) override {
    SetBkColor(Dc, RGB(255, 255, 255));
    return CachedBrush(clWhite);
  }
  void Changed(TChange What) override {
    if (What == TChange::Text && Handle) {
      Select(Widen(static_cast<TShellFolderChooser&>(Control).Text()));
      return;
    }
    TPeer::Changed(What);
  }

 private:
  std::vector<std::wstring> FPaths;
};

// Drawn controls: a change repaints their part of the host.
class TDrawnPeer : public TPeer {
 public:
  using TPeer::TPeer;
};

std::unique_ptr<TPeer> MakePeer(TControl& c) {
  if (dynamic_cast<TForm*>(&c) || dynamic_cast<TPanel*>(&c)) return std::make_unique<THostPeer>(c);
  if (dynamic_cast<TEdit*>(&c)) return std::make_unique<TEditPeer>(c);
  if (dynamic_cast<TMemo*>(&c)) return std::make_unique<TMemoPeer>(c);
  if (dynamic_cast<TSkinButton*>(&c)) return std::make_unique<TButtonPeer>(c);
  if (dynamic_cast<TShellFolderChooser*>(&c)) return std::make_unique<TChooserPeer>(c);
  return std::make_unique<TDrawnPeer>(c);
}

}  // namespace

TPeer* PeerOf(HWND Window) {
  return Window ? static_cast<TPeer*>(GetPropW(Window, kPeerProp)) : nullptr;
}

TPeer::~TPeer() {
  if (Handle && IsWindow(Handle)) {
    RemovePropW(Handle, kPeerProp);
    if (ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropW(Handle, kNameProp))))
      GlobalDeleteAtom(atom);
    DestroyWindow(Handle);
  } else {
    InvalidateOnHost();
  }
}

void TPeer::SetFocus() {
  if (Handle) ::SetFocus(Handle);
}

void TPeer::InvalidateOnHost() {
  int x = 0, y = 0;
  HWND host = Control.Parent() ? HostOf(Control, x, y) : nullptr;
  if (!host) return;
  RECT r{x - 2, y - 2, x + Control.Width() + 2, y + Control.Height() + 2};
  InvalidateRect(host, &r, FALSE);
}

void TPeer::Changed(TChange What) {
  if (!Handle) {
    InvalidateOnHost();
    return;
  }
  switch (What) {
    case TChange::Bounds: {
      int x = 0, y = 0;
      HostOf(Control, x, y);
      const bool framed = dynamic_cast<TEdit*>(&Control);
      if (framed)
        MoveWindow(Handle, x + 4, y + 3, Control.Width() - 8, Control.Height() - 5, TRUE);
      else
        MoveWindow(Handle, x, y, Control.Width(), Control.Height(), TRUE);
      InvalidateOnHost();
      break;
    }
    case TChange::Visible:
      ShowWindow(Handle, Control.Visible() ? SW_SHOWNA : SW_HIDE);
      InvalidateOnHost();
      break;
    case TChange::Enabled:
      EnableWindow(Handle, Control.Enabled());
      InvalidateRect(Handle, nullptr, FALSE);
      break;
    case TChange::Text:
      SetWindowTextW(Handle, Widen(Control.Caption()).c_str());
      InvalidateRect(Handle, nullptr, FALSE);
      break;
    case TChange::Font:
      SendMessageW(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(GdiHFont(Control.Font())), TRUE);
      break;
    default:
      InvalidateRect(Handle, nullptr, FALSE);
      InvalidateOnHost();
      break;
  }
}

void TPeer::CreateChild(const wchar_t* ClassName, DWORD Style, DWORD ExStyle, int HeightOverride) {
  int x = 0, y = 0;
  HWND host = HostOf(Control, x, y);
  const bool framed = dynamic_cast<TEdit*>(&Control);
  int w = Control.Width(), h = HeightOverride ? HeightOverride : Control.Height();
  if (framed) x += 4, y += 3, w -= 8, h -= 5;
  const std::wstring text = Widen(Control.Caption());
  Handle = CreateWindowExW(ExStyle, ClassName, text.c_str(),
                           WS_CHILD | WS_CLIPSIBLINGS | Style | (Control.Visible() ? WS_VISIBLE : 0) |
                               (Control.Enabled() ? 0 : WS_DISABLED),
                           x, y, w, h, host, nullptr, Instance, nullptr);
  SetPropW(Handle, kPeerProp, this);
  if (!Control.Name().empty())
    SetPropW(Handle, kNameProp,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomW(Widen(Control.Name()).c_str()))));
  SendMessageW(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(GdiHFont(Control.Font())), FALSE);
  if (auto* edit = dynamic_cast<TEdit*>(&Control); edit && !dynamic_cast<TMemo*>(&Control))
    SendMessageW(Handle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

void TPeer::UpdateTooltip() {
  if (!Control.ShowHint() || Control.Hint().empty() || !Handle) return;
  HWND top = TopLevelOf(Control);
  HWND tip = top ? TooltipFor(top) : nullptr;
  if (!tip) return;
  FTipText = Widen(Control.Hint());
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(Handle);
  ti.uId = reinterpret_cast<UINT_PTR>(Handle);
  ti.lpszText = FTipText.data();
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

HWND HostOf(TControl& Control, int& X, int& Y) {
  X = Control.Left(), Y = Control.Top();
  for (TWinControl* p = Control.Parent(); p; p = p->Parent()) {
    if (p->IsWindowed()) {
      auto* peer = static_cast<TPeer*>(p->Peer());
      return peer ? peer->Handle : nullptr;
    }
    X += p->Left(), Y += p->Top();
  }
  return nullptr;
}

HWND TopLevelOf(TControl& Control) {
  TControl* top = &Control;
  while (top->Parent()) top = top->Parent();
  auto* peer = static_cast<TPeer*>(top->Peer());
  return peer ? peer->Handle : nullptr;
}

void RealizeTree(TControl& Control) {
  if (!Control.Peer()) {
    std::unique_ptr<TPeer> peer = MakePeer(Control);
    TPeer* raw = peer.get();
    Control.SetPeer(std::move(peer));
    raw->Create();
    if (!raw->Handle) raw->Changed(TChange::Visible);
  }
  if (auto* w = dynamic_cast<TWinControl*>(&Control))
    for (int i = 0; i < w->ControlCount(); ++i) RealizeTree(*w->Controls(i));
}

void RegisterWindowClasses() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HostProc;
  wc.hInstance = Instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(Instance, L"MAINICON");
  wc.lpszClassName = kHostClass;
  RegisterClassExW(&wc);
}

}  // namespace velmorak::win32

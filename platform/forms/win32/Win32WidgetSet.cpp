// Win32WidgetSet: the real-window backend — realising controls, the event
// loop with keyboard navigation, timers on a message-only window, the shell,
// the real dialogs (it makes the Win32 dialog backend the one in use for as
// long as it lives), and the splash window, which is a
// layered window redrawn with UpdateLayeredWindow on every change: that call
// puts the picture on the screen at once, with no message loop running.
#include "platform/forms/win32/Win32WidgetSet.h"

#include <map>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/Splash.h"
#include "platform/forms/win32/Win32Dialogs.h"
#include "platform/forms/win32/Win32Peers.h"

namespace velmorak {

namespace {

using namespace win32;

constexpr const wchar_t* kTimerClass = L"VelmorakTimers";
constexpr const wchar_t* kSplashClass = L"VelmorakSplash";

class TWin32WidgetSet;
TWin32WidgetSet* gInstance = nullptr;

struct TSplashWindow {
  HWND Handle = nullptr;
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ OldBitmap = nullptr;
  void* Bits = nullptr;
  int Width = 0, Height = 0;
  bool Shown = false;
};

class TWin32WidgetSet : public TWidgetSet {
 public:
  TWin32WidgetSet() {
    gInstance = this;
    SetDialogBackend(&FDialogs);
    Instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&FGdiplusToken, &input, nullptr);
    RegisterWindowClasses();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TimerProc;
    wc.hInstance = Instance;
    wc.lpszClassName = kTimerClass;
    RegisterClassExW(&wc);
    FTimerWindow =
        CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance, nullptr);

    WNDCLASSEXW sc{};
    sc.cbSize = sizeof sc;
    sc.lpfnWndProc = DefWindowProcW;
    sc.hInstance = Instance;
    sc.hCursor = LoadCursor(nullptr, IDC_APPSTARTING);
    sc.lpszClassName = kSplashClass;
    RegisterClassExW(&sc);
  }
  ~TWin32WidgetSet() override {
    for (auto& [splash, window] : FSplashes) DestroySplashWindow(window);
    if (FTimerWindow) DestroyWindow(FTimerWindow);
    gInstance = nullptr;
    if (&DialogBackend() == &FDialogs) SetDialogBackend(nullptr);
    // GDI+ objects cached by the painter live until the process ends; GDI+
    // stays up for them.
  }

  void Realize(TControl& Control) override { RealizeTree(Control); }

  int TextWidth(const TFont& Font, const std::string& Text) override { return MeasureTextWidth(Font, Text); }

  void Sleep(unsigned Milliseconds) override { ::Sleep(Milliseconds); }
  std::uint64_t TickCount() override { return GetTickCount64(); }

  int StartTimer(unsigned Interval, std::function<void()> OnTimer) override {
    const int id = FNextTimer++;
    FTimers[id] = std::move(OnTimer);
    SetTimer(FTimerWindow, static_cast<UINT_PTR>(id), Interval, nullptr);
    return id;
  }
  void StopTimer(int Id) override {
    KillTimer(FTimerWindow, static_cast<UINT_PTR>(Id));
    FTimers.erase(Id);
  }

  void RunLoop() override {
    HandOverFocus();
    MSG msg;
    while (!(Application && Application->Terminated()) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && Tab(GetKeyState(VK_SHIFT) >= 0)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  int ScreenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }
  int ScreenHeight() override { return GetSystemMetrics(SM_CYSCREEN); }
  std::string ThousandSeparator() override {
    wchar_t sep[8] = L" ";
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, 8) <= 0) return " ";
    return Narrow(sep);
  }

  void ShellOpen(TForm* Owner, const std::string& Target) override {
    HWND owner = Owner ? TopLevelOf(*Owner) : nullptr;
    ShellExecuteW(owner, L"open", Widen(Target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  void SplashShow(TSplash& Splash) override {
    TSplashWindow& w = FSplashes[&Splash];
    if (w.Handle) return;
    w.Width = Splash.Width, w.Height = Splash.Height;
    const int x = (ScreenWidth() - w.Width) / 2, y = (ScreenHeight() - w.Height) / 2;
    w.Handle = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | (Splash.StayOnTop ? WS_EX_TOPMOST : 0),
                               kSplashClass, L"Software VELMORAK Installer", WS_POPUP, x, y, w.Width,
                               w.Height, nullptr, nullptr, Instance, nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w.Width;
    bi.bmiHeader.biHeight = -w.Height;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    w.Dc = CreateCompatibleDC(nullptr);
    w.Bitmap = CreateDIBSection(w.Dc, &bi, DIB_RGB_COLORS, &w.Bits, nullptr, 0);
    w.OldBitmap = SelectObject(w.Dc, w.Bitmap);
  }

  void SplashPaint(TSplash& Splash) override {
    auto it = FSplashes.find(&Splash);
    if (it == FSplashes.end() || !it->second.Handle) return;
    TSplashWindow& w = it->second;
    Render(Splash, w);
    if (!w.Shown) {
      // Fade in, then stay at the designed opacity.
      ShowWindow(w.Handle, SW_SHOWNOACTIVATE);
      w.Shown = true;
      if (Splash.Fade)
        for (int step = 1; step <= 8; ++step) {
          Present(w, static_cast<BYTE>(Splash.Opacity * step / 8));
          ::Sleep(15);
        }
    }
    Present(w, static_cast<BYTE>(Splash.Opacity));
  }

  void SplashClose(TSplash& Splash) override {
    auto it = FSplashes.find(&Splash);
    if (it == FSplashes.end()) return;
    if (Splash.Fade && it->second.Shown)
      for (int step = 7; step >= 0; --step) {
        Present(it->second, static_cast<BYTE>(Splash.Opacity * step / 8));
        ::Sleep(15);
      }
    DestroySplashWindow(it->second);
    FSplashes.erase(it);
    // The splash hands the focus to its form once the loop runs (20 ms).
    FFocusForm = Splash.FocusForm();
  }

 private:
  static LRESULT CALLBACK TimerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && gInstance) {
      auto it = gInstance->FTimers.find(static_cast<int>(wp));
      if (it != gInstance->FTimers.end()) {
        std::function<void()> handler = it->second;
        handler();
      }
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  void HandOverFocus() {
    if (!FFocusForm) return;
    TForm* form = FFocusForm;
    FFocusForm = nullptr;
    int* id = new int(0);
    *id = StartTimer(20, [this, form, id] {
      StopTimer(*id);
      delete id;
      if (HWND h = TopLevelOf(*form)) SetForegroundWindow(h), SetActiveWindow(h);
    });
  }

  // Moves the focus with Tab within the form holding the focused control.
  bool Tab(bool forward) {
    TPeer* peer = PeerOf(GetFocus());
    auto* control = peer ? dynamic_cast<TWinControl*>(&peer->Control) : nullptr;
    TForm* form = control ? control->ParentForm() : nullptr;
    if (!form) return false;
    Application->Dispatch([&] { form->SelectNext(control, forward); });
    return true;
  }

  void Present(TSplashWindow& w, BYTE alpha) {
    POINT src{0, 0};
    SIZE size{w.Width, w.Height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    UpdateLayeredWindow(w.Handle, nullptr, nullptr, &size, w.Dc, &src, 0, &blend, ULW_ALPHA);
  }

  static void DestroySplashWindow(TSplashWindow& w) {
    if (w.Dc) SelectObject(w.Dc, w.OldBitmap), DeleteDC(w.Dc), w.Dc = nullptr;
    if (w.Bitmap) DeleteObject(w.Bitmap), w.Bitmap = nullptr;
    if (w.Handle) DestroyWindow(w.Handle), w.Handle = nullptr;
  }

  static void DrawLine(Gdiplus::Graphics& g, const TSplashTextLine& line, int defaultX, int defaultY) {
    const int x = line.Location == TSplashLocation::plCustom ? line.X : defaultX;
    const int y = line.Location == TSplashLocation::plCustom ? line.Y : defaultY;
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    const std::wstring text = Widen(line.Text);
    const Gdiplus::RectF rect(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 2000, 200);
    // A soft shadow keeps light text readable on any background.
    Gdiplus::SolidBrush shadow(Gdiplus::Color(110, 0, 0, 0));
    PaintText(g, text, line.Font, Gdiplus::RectF(rect.X + 1.5f, rect.Y + 1.5f, rect.Width, rect.Height),
              format, shadow);
    DrawGradientText(g, text, line.Font, rect, line.GradientFrom, line.GradientTo, format);
  }

  static void Render(TSplash& s, TSplashWindow& w) {
    Gdiplus::Bitmap canvas(w.Width, w.Height, w.Width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(w.Bits));
    Gdiplus::Graphics g(&canvas);
    PrepareGraphics(g);
    if (s.AntiAlias) g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    if (Gdiplus::Bitmap* back = LoadPicture(s.Background.Resource()))
      g.DrawImage(back, 0, 0, w.Width, w.Height);
    else {
      Gdiplus::SolidBrush fill(Gdiplus::Color(255, 0x10, 0x2A, 0x4A));
      g.FillRectangle(&fill, 0, 0, w.Width, w.Height);
    }
    DrawLine(g, s.AppName, 20, 10);
    DrawLine(g, s.AppVersion, 20, 50);

    const TSplashProgressBar& p = s.ProgressBar;
    if (p.Visible) {
      Gdiplus::SolidBrush trough(Gdiplus::Color(150, 0x08, 0x18, 0x2C));
      g.FillRectangle(&trough, p.Left, p.Top, p.Width, p.Height);
      const double range = p.Max - p.Min;
      const double done = range > 0 ? std::clamp((p.Position - p.Min) / range, 0.0, 1.0) : 0.0;
      const int fill = static_cast<int>((p.Width - 2) * done + 0.5);
      if (fill > 0) {
        Gdiplus::LinearGradientBrush bar(Gdiplus::Point(p.Left, 0), Gdiplus::Point(p.Left + p.Width, 0),
                                         ToGdiColor(p.FillFrom), ToGdiColor(p.FillTo));
        g.FillRectangle(&bar, p.Left + 1, p.Top + 1, fill, p.Height - 2);
        Gdiplus::SolidBrush gloss(Gdiplus::Color(60, 255, 255, 255));
        g.FillRectangle(&gloss, p.Left + 1, p.Top + 1, fill, (p.Height - 2) / 2);
      }
      Gdiplus::Pen border(ToGdiColor(p.BorderColor));
      g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
      g.DrawRectangle(&border, p.Left, p.Top, p.Width - 1, p.Height - 1);
      g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    }
    RenderLines(g, s);
  }

  // The HTML lines, each on its own row; when they do not all fit in the
  // list rectangle the newest rows stay in view.
  static void RenderLines(Gdiplus::Graphics& g, TSplash& s) {
    const TRect& r = s.ListRect;
    struct Row {
      std::vector<THtmlRun> runs;
      int height;
    };
    std::vector<Row> rows;
    for (int i = 0; i < s.ItemCount(); ++i) {
      Row row{ParseHtmlLine(s.Item(i).HTMLText()), 0};
      for (const THtmlRun& run : row.runs) {
        if (run.Kind == THtmlRun::TKind::Image) {
          const TPicture* pic = s.Pictures ? s.Pictures->Find(run.Text) : nullptr;
          row.height = std::max(row.height, pic ? pic->Height() : 0);
        } else if (run.Kind == THtmlRun::TKind::Text) {
          const int px = run.FontSize ? TFont::PointsToPixels(run.FontSize) : s.ListFont.Height;
          row.height = std::max(row.height, px * 5 / 4);
        }
      }
      rows.push_back(std::move(row));
    }
    std::size_t first = 0;
    int total = 0;
    for (const Row& row : rows) total += row.height + 4;
    while (first + 1 < rows.size() && total > r.Height()) total -= rows[first++].height + 4;

    g.SetClip(Gdiplus::Rect(r.Left, r.Top, r.Width(), r.Height()));
    int y = r.Top;
    for (std::size_t i = first; i < rows.size(); ++i) {
      Gdiplus::REAL x = static_cast<Gdiplus::REAL>(r.Left);
      for (const THtmlRun& run : rows[i].runs) {
        if (run.Kind == THtmlRun::TKind::Image) {
          const TPicture* pic = s.Pictures ? s.Pictures->Find(run.Text) : nullptr;
          Gdiplus::Bitmap* bmp = pic ? LoadPicture(pic->Resource()) : nullptr;
          if (bmp) {
            const int top = y + (rows[i].height - pic->Height()) / 2;
            g.DrawImage(bmp, static_cast<int>(x), top, pic->Width(), pic->Height());
            x += static_cast<Gdiplus::REAL>(pic->Width() + 8);
          }
        } else if (run.Kind == THtmlRun::TKind::Text) {
          TFont f = s.ListFont;
          if (run.FontSize) f.Height = TFont::PointsToPixels(run.FontSize);
          Gdiplus::Font* font = GdiFont(f);
          const std::wstring text = Widen(run.Text);
          Gdiplus::RectF box;
          g.MeasureString(text.c_str(), -1, font, Gdiplus::PointF(x, 0), &box);
          const Gdiplus::REAL top = static_cast<Gdiplus::REAL>(y) + (rows[i].height - box.Height) / 2;
          Gdiplus::SolidBrush halo(Gdiplus::Color(170, 255, 255, 255));
          g.DrawString(text.c_str(), -1, font, Gdiplus::PointF(x + 1, top + 1), &halo);
          Gdiplus::SolidBrush ink(ToGdiColor(run.Color == clNone ? clBlack : run.Color));
          g.DrawString(text.c_str(), -1, font, Gdiplus::PointF(x, top), &ink);
          x += box.Width;
        }
      }
      y += rows[i].height + 4;
    }
    g.ResetClip();
  }

  TWin32Dialogs FDialogs;
  ULONG_PTR FGdiplusToken = 0;
  HWND FTimerWindow = nullptr;
  int FNextTimer = 1;
  std::map<int, std::function<void()>> FTimers;
  std::map<TSplash*, TSplashWindow> FSplashes;
  TForm* FFocusForm = nullptr;
};

}  // namespace

std::unique_ptr<TWidgetSet> CreateWin32WidgetSet() {
  return std::make_unique<TWin32WidgetSet>();
}

}  // namespace velmorak

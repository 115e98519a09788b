// wizdriver: walks through the installer as a user would and checks what a
// user sees. It starts Install.exe, waits out the splash, finds the main
// window by its caption and the controls by the name each window carries
// (the "VelmorakControl" property), clicks with the mouse, types with the
// keyboard, answers the quit question, and saves a PNG of the splash and of
// each page into the output folder.
//
//   wizdriver INSTALL.EXE OUTDIR
//
// Each check prints "ok" or "FAILED" with what it saw; the last line is
// "N passed, M failed", also written to OUTDIR\result.txt. Exit status 0 when
// nothing failed.
#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

std::wstring gOut;
FILE* gLog = nullptr;
int gPassed = 0, gFailed = 0;
DWORD gPid = 0;

void Log(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  char line[1024];
  vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  fputs(line, stdout);
  fflush(stdout);
  if (gLog) fputs(line, gLog), fflush(gLog);
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

void Check(bool ok, const std::string& what) {
  (ok ? gPassed : gFailed)++;
  Log("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < end) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

std::wstring TextOf(HWND w) {
  wchar_t buffer[1024] = L"";
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

std::wstring ClassOf(HWND w) {
  wchar_t name[128] = L"";
  GetClassNameW(w, name, 128);
  return name;
}

// Enumeration callbacks are stdcall on 32-bit Windows, which lambdas are not.
BOOL CALLBACK CollectTop(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == gPid) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

struct TNameSearch {
  const wchar_t* name;
  HWND found;
};

BOOL CALLBACK MatchName(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<TNameSearch*>(lp);
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(w, L"VelmorakControl")));
  wchar_t text[128] = L"";
  if (atom && GlobalGetAtomNameW(atom, text, 128) && wcscmp(text, s->name) == 0 && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK LongestStatic(HWND w, LPARAM lp) {
  auto* longest = reinterpret_cast<std::wstring*>(lp);
  wchar_t name[64] = L"";
  GetClassNameW(w, name, 64);
  if (wcscmp(name, L"Static") == 0) {
    wchar_t text[1024] = L"";
    SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    if (wcslen(text) > longest->size()) *longest = text;
  }
  return TRUE;
}

// Top-level windows of the installer's process.
std::vector<HWND> TopWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindTop(const std::function<bool(HWND)>& match) {
  for (HWND w : TopWindows())
    if (match(w)) return w;
  return nullptr;
}

// A control by the name it carries, among the visible descendants of Root.
HWND Control(HWND root, const wchar_t* name) {
  TNameSearch search{name, nullptr};
  EnumChildWindows(root, MatchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Click(HWND w, int dx = -1, int dy = -1) {
  RECT r;
  GetWindowRect(w, &r);
  const int x = dx >= 0 ? r.left + dx : (r.left + r.right) / 2,
            y = dy >= 0 ? r.top + dy : (r.top + r.bottom) / 2;
  SetCursorPos(x, y);
  Sleep(60);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
  Sleep(250);
  SetCursorPos(5, 5);  // away, so no hint balloon covers the next target
}

// Characters as the keyboard delivers them to the edit under the focus.
void Type(HWND edit, const std::wstring& text) {
  for (wchar_t c : text) {
    PostMessageW(edit, WM_CHAR, c, 1);
    Sleep(25);
  }
  Sleep(250);
}

// Presses a button: the same notification as a mouse click on it, which a
// disabled button ignores.
void Press(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
  Sleep(400);
}

// Clicks into an edit and types, as a user filling a field.
void Fill(HWND edit, const std::wstring& text) {
  Click(edit, 6);
  Type(edit, text);
}

// The colour on screen at a point of a window (client-relative to its frame).
COLORREF PixelAt(HWND w, int dx, int dy) {
  RECT r;
  GetWindowRect(w, &r);
  HDC dc = GetDC(nullptr);
  const COLORREF c = GetPixel(dc, r.left + dx, r.top + dy);
  ReleaseDC(nullptr, dc);
  return c;
}

bool SavePng(const RECT& r, const std::wstring& file) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  SelectObject(mem, old);
  bool ok = false;
  IWICImagingFactory* factory = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)))) {
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    const std::wstring path = gOut + L"\\" + file;
    if (SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(w, h))) {
      // Opaque pixels: the screen has no alpha worth keeping.
      auto* px = static_cast<BYTE*>(bits);
      for (int i = 0; i < w * h; ++i) px[i * 4 + 3] = 255;
      WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
      ok = SUCCEEDED(frame->SetPixelFormat(&format)) &&
           SUCCEEDED(frame->WritePixels(h, w * 4, w * h * 4, static_cast<BYTE*>(bits))) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    factory->Release();
  }
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  Log("       screenshot %s\n", Narrow(file).c_str());
  return ok;
}

void Shot(HWND w, const wchar_t* file) {
  RECT r;
  GetWindowRect(w, &r);
  Sleep(300);  // let the last paint land
  Check(SavePng(r, file), "saved " + Narrow(file));
}

bool IsPink(COLORREF c) {
  return GetRValue(c) == 0xFF && GetGValue(c) == 0xF0 && GetBValue(c) == 0xF0;
}
bool IsGreen(COLORREF c) {
  return GetRValue(c) == 0xE6 && GetGValue(c) == 0xFF && GetBValue(c) == 0xE6;
}

std::string Hex(COLORREF c) {
  char s[16];
  snprintf(s, sizeof s, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return s;
}

HWND QuitBox() {
  return FindTop(
      [](HWND w) { return ClassOf(w) == L"#32770" && IsWindowVisible(w) && TextOf(w) == L"Confirmation"; });
}

// Text of the message box's static text.
std::wstring BoxText(HWND box) {
  std::wstring text;
  EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: wizdriver INSTALL.EXE OUTDIR\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  gOut = argv[2];
  CreateDirectoryW(gOut.c_str(), nullptr);
  gLog = _wfopen((gOut + L"\\driver.log").c_str(), L"w");

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
  if (!CreateProcessW(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    Log("FAILED cannot start the installer (error %lu)\n", GetLastError());
    return 1;
  }
  gPid = pi.dwProcessId;
  const ULONGLONG started = GetTickCount64();

  // The splash: centred, on top, while the main window is being made.
  HWND splash = nullptr;
  Check(WaitFor(
            [&] {
              return (splash = FindTop(
                          [](HWND w) { return ClassOf(w) == L"VelmorakSplash" && IsWindowVisible(w); }));
            },
            30000),
        "the splash appears");
  if (splash) {
    RECT r;
    GetWindowRect(splash, &r);
    Check(r.right - r.left == 601 && r.bottom - r.top == 371, "the splash is 601 x 371");
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    Check(r.left == (sw - 601) / 2 && r.top == (sh - 371) / 2, "the splash is centred on the screen");
    Sleep(4500);  // a few lines into the sequence
    Shot(splash, L"01-splash.png");
  }

  const wchar_t* caption = L"Software VELMORAK Installer v  3.6";
  HWND main = nullptr;
  Check(WaitFor(
            [&] {
              return (main = FindTop([&](HWND w) { return IsWindowVisible(w) && TextOf(w) == caption; }));
            },
            40000),
        "the main window appears with its caption");
  if (!main) {
    TerminateProcess(pi.hProcess, 1);
    Log("%d passed, %d failed\n", gPassed, gFailed + 1);
    return 1;
  }
  const ULONGLONG splashMs = GetTickCount64() - started;
  Check(splashMs >= 9000, "the splash sequence took " + std::to_string(splashMs) + " ms (at least 9 s)");
  Check(WaitFor(
            [] {
              return !FindTop([](HWND w) { return ClassOf(w) == L"VelmorakSplash" && IsWindowVisible(w); });
            },
            3000),
        "the splash has closed");
  RECT mr;
  GetWindowRect(main, &mr);
  const int expectLeft = (GetSystemMetrics(SM_CXSCREEN) + 1) / 2 - 400;
  Check(mr.left == expectLeft || mr.left == GetSystemMetrics(SM_CXSCREEN) / 2 - 400,
        "the main window is placed at left " + std::to_string(mr.left));
  Sleep(500);

  HWND next = Control(main, L"Btn_Next"), previous = Control(main, L"Btn_Previous"),
       quit = Control(main, L"Btn_Quit");
  Check(next && previous && quit, "the three buttons are there");
  if (!next || !previous || !quit) return 1;
  auto page = [&](const wchar_t* control) { return Control(main, control) != nullptr; };
  Check(TextOf(next) == L"&Suivant" && IsWindowEnabled(next), "welcome: Suivant enabled");
  Check(!IsWindowEnabled(previous), "welcome: Précédent disabled");
  Check(TextOf(quit) == L"&Quitter", "welcome: Quitter");
  Shot(main, L"02-welcome.png");

  Press(next);
  Check(WaitFor([&] { return page(L"Memo_Contrat"); }, 3000), "Suivant opens the agreement");
  Check(IsWindowEnabled(previous), "agreement: Précédent enabled");
  {
    const std::wstring text = TextOf(Control(main, L"Memo_Contrat"));
    Check(text.find(L"Contrat d'utilisation des produits de Software VELMORAK") == 0 &&
              text.find(L"mise à jour de contrat d'utilisation.") != std::wstring::npos &&
              text.find(L"http://www.velmorak.example/") != std::wstring::npos,
          "agreement: the text, accents and web site");
  }
  Shot(main, L"03-contrat.png");

  Press(previous);
  Check(WaitFor([&] { return !page(L"Memo_Contrat") && !IsWindowEnabled(previous); }, 3000),
        "Précédent goes back to the welcome page");
  Press(next);
  Check(WaitFor([&] { return page(L"Memo_Contrat"); }, 3000), "forward to the agreement again");
  Press(next);
  Check(WaitFor([&] { return page(L"Edit_Societe"); }, 3000), "Suivant opens the company details page");
  Check(TextOf(next) == L"&Installer" && !IsWindowEnabled(next), "details: Installer, disabled on entry");
  HWND societe = Control(main, L"Edit_Societe"), activite = Control(main, L"Edit_Activite"),
       adresse = Control(main, L"Edit_Adresse"), tel = Control(main, L"Edit_Tel"),
       path = Control(main, L"Combo_Path");
  Check(societe && activite && adresse && tel && path, "details: the required inputs are there");
  if (!societe || !activite || !adresse || !tel || !path) return 1;
  Check(WaitFor([&] { return IsPink(PixelAt(societe, 300, 10)); }, 3000),
        "details: Société starts pink (" + Hex(PixelAt(societe, 300, 10)) + ")");
  Shot(main, L"04-params-empty.png");

  Fill(societe, L"SARL Atlas Négoce");
  Check(TextOf(societe) == L"SARL Atlas Négoce", "typed the company, accents included");
  Check(WaitFor([&] { return IsGreen(PixelAt(societe, 300, 10)); }, 3000),
        "Société turns green (" + Hex(PixelAt(societe, 300, 10)) + ")");
  Fill(activite, L"Distribution");
  Fill(adresse, L"12 rue des Oliviers");
  Fill(tel, L"02155667");
  Check(!IsWindowEnabled(next), "8-character telephone: Installer stays disabled");
  Check(WaitFor([&] { return IsPink(PixelAt(tel, 150, 10)); }, 3000),
        "8-character telephone stays pink (" + Hex(PixelAt(tel, 150, 10)) + ")");
  // The chooser: the first drive in its drop-down.
  {
    const int count = static_cast<int>(SendMessageW(path, CB_GETCOUNT, 0, 0));
    int drive = -1;
    for (int i = 0; i < count && drive < 0; ++i) {
      wchar_t item[MAX_PATH] = L"";
      if (SendMessageW(path, CB_GETLBTEXTLEN, i, 0) < MAX_PATH)
        SendMessageW(path, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      if (wcslen(item) == 3 && item[1] == L':') drive = i;
    }
    Check(drive >= 0, "the chooser lists the drives");
    SendMessageW(path, CB_SETCURSEL, drive, 0);
    PostMessageW(GetParent(path), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(path), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(path));
    Sleep(300);
    const std::wstring chosen = TextOf(path);
    Check(chosen.size() == 3 && chosen[2] == L'\\', "the chooser shows the drive root " + Narrow(chosen));
  }
  Check(!IsWindowEnabled(next), "folder chosen, telephone still short: disabled");
  Fill(tel, L"8");
  Check(WaitFor([&] { return IsWindowEnabled(next); }, 2000), "ninth telephone character: Installer enabled");
  Check(WaitFor([&] { return IsGreen(PixelAt(tel, 150, 10)); }, 3000), "the telephone turns green");
  Fill(Control(main, L"Edit_Fax"), L"021 55 66 79");
  Fill(Control(main, L"Edit_Email"), L"contact@atlas.example");
  Fill(Control(main, L"Edit_AI"), L"123456789012345");
  Check(TextOf(Control(main, L"Edit_AI")) == L"12345678901", "Article d'imposition stops at 11 characters");
  Fill(Control(main, L"Edit_CapitalS"), L"1500000");
  Click(Control(main, L"Edit_NIS"), 6);
  Shot(main, L"05-params-filled.png");

  // Clearing the company disables the button at once.
  SendMessageW(societe, EM_SETSEL, 0, -1);
  Click(societe, 6);
  SendMessageW(societe, EM_SETSEL, 0, -1);
  PostMessageW(societe, WM_KEYDOWN, VK_DELETE, 1);
  PostMessageW(societe, WM_KEYUP, VK_DELETE, 1);
  Sleep(200);
  Check(TextOf(societe).empty() && !IsWindowEnabled(next), "clearing Société disables Installer");
  Check(WaitFor([&] { return IsPink(PixelAt(societe, 300, 10)); }, 3000), "Société is pink again");
  Fill(societe, L"SARL Atlas");
  Check(IsWindowEnabled(next), "typing it again enables Installer");

  // The quit question: No through the close box, then Yes through Quitter.
  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND box = nullptr;
  Check(WaitFor([&] { return (box = QuitBox()); }, 5000), "the close box asks the quit question");
  if (box) {
    Check(BoxText(box) == L"Etes vous sur de vouloir quitter l'assistant d'installation ?",
          "the question's text");
    HWND no = GetDlgItem(box, IDNO), yes = GetDlgItem(box, IDYES);
    Check(no && yes && TextOf(yes) == L"&Oui" && TextOf(no) == L"&Non", "the buttons read Oui and Non");
    Shot(box, L"06-quit-question.png");
    Press(no);
    Check(WaitFor([] { return !QuitBox(); }, 3000), "Non closes the question");
  }
  Check(IsWindowVisible(main) && TextOf(Control(main, L"Edit_Societe")) == L"SARL Atlas" &&
            IsWindowEnabled(next),
        "after Non the page and its inputs are as they were");
  Press(quit);
  Check(WaitFor([&] { return (box = QuitBox()); }, 5000), "Quitter asks the quit question");
  if (box) Press(GetDlgItem(box, IDYES));
  const bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  Check(ended && code == 0, "Oui ends the installer with status 0");
  if (!ended) TerminateProcess(pi.hProcess, 1);

  Log("%d passed, %d failed\n", gPassed, gFailed);
  if (FILE* f = _wfopen((gOut + L"\\result.txt").c_str(), L"w")) {
    fprintf(f, "%d passed, %d failed\n", gPassed, gFailed);
    fclose(f);
  }
  return gFailed ? 1 : 0;
}

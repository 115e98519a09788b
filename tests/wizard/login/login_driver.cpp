// login_driver: drives login_probe as a person would. For each scenario it
// starts the probe, waits for the "Database Login" box, checks the file name
// it shows (read-only) and the masked password edit, types a password and
// presses OK or Cancel, then reads the probe's exit status. The box is saved
// as a PNG for people to look at. Prints one line per check and ends with
// "N passed, M failed"; exit status 0 when nothing failed.
//   login_driver PROBE FILE OUTDIR
#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

int gPassed = 0, gFailed = 0;
FILE* gLog = nullptr;  // OUTDIR\driver.log: a Wine desktop keeps standard output to itself

template <class... A>
void Log(const char* format, A... args) {
  for (FILE* f : {stdout, gLog})
    if (f) std::fprintf(f, format, args...), std::fflush(f);
}

void Check(bool ok, const std::string& what) {
  Log("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
  (ok ? gPassed : gFailed)++;
}

std::string Narrow(const std::wstring& wide) {
  std::string out(wide.size() * 3 + 1, '\0');
  out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(),
                                                          static_cast<int>(out.size()), nullptr, nullptr)));
  if (!out.empty()) out.pop_back();
  return out;
}

// A control's text as its own window procedure gives it: GetWindowText does
// not ask a control of another process.
std::wstring TextOf(HWND w) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied);
  return buffer;
}

// The controls of the box, by the identifiers the dialog gives them.
constexpr int kDatabaseEditId = 103, kPasswordEditId = 104;

HWND WaitForBox(HANDLE process) {
  for (int i = 0; i < 200; ++i) {
    HWND box = FindWindowW(L"#32770", L"Database Login");
    if (box && IsWindowVisible(box)) {
      Sleep(300);  // let it paint
      return box;
    }
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

bool SavePng(HWND w, const std::wstring& path) {
  RECT r;
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  SelectObject(mem, old);
  auto* px = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i) px[i * 4 + 3] = 255;
  bool ok = false;
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
      SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)))
    ok = SUCCEEDED(frame->WritePixels(height, width * 4, width * height * 4, px)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  if (frame) frame->Release();
  if (encoder) encoder->Release();
  if (stream) stream->Release();
  if (factory) factory->Release();
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

// Types Text into an edit, character by character, as the keyboard would.
void Type(HWND edit, const std::wstring& text) {
  SetFocus(edit);
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

struct TScenario {
  const char* Name;
  const wchar_t* Password;
  int Button;  // IDOK or IDCANCEL
  DWORD Status;
  const char* Outcome;
  const wchar_t* Shot;  // saved screenshot, or null
};

void Run(const std::wstring& probe, const std::wstring& file, const std::wstring& out, const TScenario& s) {
  Log("-- %s\n", s.Name);
  std::wstring command = L"\"" + probe + L"\" \"" + file + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    Check(false, "the probe starts");
    return;
  }
  HWND box = WaitForBox(pi.hProcess);
  Check(box != nullptr, "the \"Database Login\" box comes up");
  if (box) {
    HWND database = GetDlgItem(box, kDatabaseEditId), password = GetDlgItem(box, kPasswordEditId);
    const std::wstring shown = database ? TextOf(database) : L"";
    Check(shown == file, "it shows the file name (" + Narrow(shown) + ")");
    Check(database && (GetWindowLongW(database, GWL_STYLE) & ES_READONLY), "the file name is read-only");
    Check(password && (GetWindowLongW(password, GWL_STYLE) & ES_PASSWORD) &&
              SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0) == L'*',
          "the password is masked with *");
    Check(TextOf(GetDlgItem(box, IDOK)) == L"&OK" && TextOf(GetDlgItem(box, IDCANCEL)) == L"&Cancel",
          "the buttons read OK and Cancel");
    if (password) Type(password, s.Password);
    Sleep(200);
    if (s.Shot) Check(SavePng(box, out + L"\\" + s.Shot), "screenshot saved");
    PostMessageW(GetDlgItem(box, s.Button), BM_CLICK, 0, 0);
  }
  const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  DWORD status = 99;
  GetExitCodeProcess(pi.hProcess, &status);
  if (!ended) TerminateProcess(pi.hProcess, 98);
  Check(ended && status == s.Status, std::string("the program goes on: ") + s.Outcome);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: login_driver PROBE FILE OUTDIR\n");
    return 2;
  }
  gLog = _wfopen((std::wstring(argv[3]) + L"\\driver.log").c_str(), L"w");
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const TScenario scenarios[] = {
      {"OK with the right password", L"wexor", IDOK, 0, "the table opened", L"login-box.png"},
      {"OK with a wrong password", L"nope", IDOK, 4, "refused with Access denied", nullptr},
      {"Cancel", L"wexor", IDCANCEL, 3, "the silent abort, nothing shown", nullptr},
  };
  for (const TScenario& s : scenarios) Run(argv[1], argv[2], argv[3], s);
  Log("%d passed, %d failed\n", gPassed, gFailed);
  if (gLog) std::fclose(gLog);
  return gFailed == 0 ? 0 : 1;
}

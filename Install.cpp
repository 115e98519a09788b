// Install: the program entry of the installer. It puts the real windows in
// place of the headless backend and runs the program for its command line:
// the wizard when there is no argument, the unattended installation with
// /SILENT or /VERYSILENT (installation/Unattended.h). The run ends when the
// main window closes, after a Yes to the quit question, or when the
// unattended installation is done; the exit code says how it went.
#include <windows.h>

#include <string>

#include "database/ZvDBSession.h"
#include "installation/Unattended.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/win32/Win32WidgetSet.h"
#include "platform/os/Shell.h"

namespace {

// The text after the program's name, in UTF-8. The name is a quoted text or
// runs to the first blank, as Windows writes it.
std::string ArgumentsText() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  const int n = WideCharToMultiByte(CP_UTF8, 0, p, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, p, -1, s.data(), n, nullptr, nullptr);
  s.resize(s.size() - 1);
  return s;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  velmorak::SetWidgetSet(velmorak::CreateWin32WidgetSet());
  velmorak::os::InitializeShell();
  // Should the configuration database ever ask for its password, the user
  // sees the login box; the unattended run takes the hook away.
  velmorak::SetZvLoginHook(velmorak::ZvDBLoginDialog);
  const int status = velmorak::RunProgram(velmorak::SplitArguments(ArgumentsText()));
  // The forms and their windows go before the backend that made them.
  velmorak::DestroyApplication();
  velmorak::SetWidgetSet(nullptr);
  return status;
}

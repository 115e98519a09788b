// Install: the program entry of the installer. It puts the real windows in
// place of the headless backend and runs the wizard; the run ends when the
// main window closes, after a Yes to the quit question.
#include <windows.h>

#include "platform/forms/Forms.h"
#include "platform/forms/win32/Win32WidgetSet.h"
#include "wizard/Program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  velmorak::SetWidgetSet(velmorak::CreateWin32WidgetSet());
  const int status = velmorak::RunWizard();
  // The forms and their windows go before the backend that made them.
  velmorak::DestroyApplication();
  velmorak::SetWidgetSet(nullptr);
  return status;
}

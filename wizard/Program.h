// Program: the run of the wizard, shared by the program entry (Install.cpp,
// on the real windows) and the tests (on the headless backend): initialise
// the application, title it, create the main window and the four pages in
// order (only the main window is shown), and run the event loop until the
// main window closes.
#pragma once

namespace velmorak {

inline constexpr const char* ApplicationTitle = "Software VELMORAK Installer";

// Creates the application object when there is none. Returns the exit code.
int RunWizard();

}  // namespace velmorak

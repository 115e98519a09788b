// InstallLog: the installation's log file, asked for with /LOG. UTF-8 with
// CR LF line ends, created or overwritten when opened. Each line holds the
// local date and time, the step and its result ("OK" or the reason, in the
// procedure's own words); warnings are what the wizard passes over in
// silence. The last line is "Fin de l'installation, code de sortie N".
#pragma once

#include <string>

#include "platform/os/FileSystem.h"

namespace velmorak {

class TInstallLog {
 public:
  TInstallLog() = default;
  ~TInstallLog();
  TInstallLog(const TInstallLog&) = delete;
  TInstallLog& operator=(const TInstallLog&) = delete;

  // Creates (or truncates) the file. False when it cannot be created.
  bool Open(const std::string& FileName);
  bool IsOpen() const { return FHandle != os::InvalidHandle; }
  void Close();

  // "2017-12-01 10:30:00  Step : Result"
  void Step(const std::string& Step, const std::string& Result);
  // "2017-12-01 10:30:00  Avertissement : Text"
  void Warning(const std::string& Text);
  // The last line, exactly "Fin de l'installation, code de sortie N"; the
  // file is closed after it.
  void Finish(int ExitCode);

 private:
  void Write(const std::string& Line);
  os::THandle FHandle = os::InvalidHandle;
};

// The program's log when /LOG was given, for whichever host runs the
// installation; nullptr otherwise. Not owned.
extern TInstallLog* InstallLog;

}  // namespace velmorak

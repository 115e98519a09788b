// InstallLog: lines stamped with the installation clock, written at once so
// a log survives whatever ends the program.
#include "installation/InstallLog.h"

#include <cstdio>

#include "installation/Installation.h"

namespace velmorak {

TInstallLog* InstallLog = nullptr;

TInstallLog::~TInstallLog() {
  Close();
}

bool TInstallLog::Open(const std::string& FileName) {
  Close();
  FHandle = os::FileCreate(FileName);
  return IsOpen();
}

void TInstallLog::Close() {
  if (IsOpen()) os::FileClose(FHandle);
  FHandle = os::InvalidHandle;
}

void TInstallLog::Write(const std::string& Line) {
  if (!IsOpen()) return;
  const TInstallClockValue t = InstallNow();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d  ", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second);
  const std::string text = stamp + Line + "\r\n";
  os::FileWrite(FHandle, text.data(), static_cast<std::int64_t>(text.size()));
}

void TInstallLog::Step(const std::string& Step, const std::string& Result) {
  Write(Step + " : " + Result);
}

void TInstallLog::Warning(const std::string& Text) {
  Write("Avertissement : " + Text);
}

void TInstallLog::Finish(int ExitCode) {
  if (!IsOpen()) return;
  const std::string text = "Fin de l'installation, code de sortie " + std::to_string(ExitCode) + "\r\n";
  os::FileWrite(FHandle, text.data(), static_cast<std::int64_t>(text.size()));
  Close();
}

}  // namespace velmorak

// Helpers of the cursor tests, on top of the storage tests' helpers: the
// small table most cases use and a byte-1 holder that stands for another
// writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include "DbTestSupport.h"
#include "database/ZvDB.h"
#include "platform/classes/FormatSettings.h"

namespace velmorak::dbtest {

// "Id" autoinc (primary), "Name" string 20 (unique index "ByName"),
// "Amount" integer.
inline TZvCreateTable SmallTable(const std::string& name) {
  return {name,
          {Fld("Id", ftAutoInc), Fld("Name", ftString, 20), Fld("Amount", ftInteger)},
          {Idx("PK", {0}, kPrimary), Idx("ByName", {1}, kUnique)}};
}

// The product's configuration tables as the installer writes them: Config,
// Settings and Societe (the layout the wizard declares), enciphered with the
// table password "wexor". Config stores "DDMP" as a number, so the text the
// installer hands it is parsed, and "Install_Date" as a date.
inline std::vector<TZvCreateTable> InstallerTables() {
  return {
      {"Config",
       {Fld("ID", ftAutoInc), Fld("DDMP", ftSmallint), Fld("Exercice", ftString, 4),
        Fld("App_Path", ftString, 120), Fld("Prn_PdfPath", ftString, 120), Fld("Save_Path", ftString, 120),
        Fld("Install_Date", ftDate), Fld("Install_Time", ftDateTime)},
       {Idx("ID", {0}, kPrimary)}},
      {"Settings",
       {Fld("ID", ftAutoInc), Fld("Theme", ftString, 20), Fld("Sound", ftBoolean)},
       {Idx("ID", {0}, kPrimary)}},
      {"Societe",
       {Fld("ID", ftAutoInc), Fld("Societe", ftString, 40), Fld("Activite", ftString, 100),
        Fld("Adresse", ftString, 80), Fld("Email", ftString, 60), Fld("CBank", ftString, 50),
        Fld("URL", ftString, 40), Fld("Tel", ftString, 30), Fld("Fax", ftString, 30), Fld("RC", ftString, 20),
        Fld("MF", ftString, 15), Fld("AI", ftString, 11), Fld("NIF", ftString, 15), Fld("NIS", ftString, 15),
        Fld("CapitalS", ftFloat), Fld("Logo", ftGraphic)},
       {Idx("ID", {0}, kPrimary)}},
  };
}

inline TZvCreateOptions InstallerOptions() {
  TZvCreateOptions opt;
  opt.EncryptName = "Blowfish";
  opt.Password = "wexor";
  return opt;
}

// The text forms the cursor tests write values in: dd/mm/yyyy, hh:nn:ss,
// '.' as the decimal separator, "True"/"False".
inline TFormatSettings TestFormats() {
  TFormatSettings f = DefaultFormatSettings();
  f.DecimalSeparator = '.';
  f.ThousandSeparator = ',';
  f.DateSeparator = '/';
  f.TimeSeparator = ':';
  f.ShortDateFormat = "dd/mm/yyyy";
  f.LongTimeFormat = "hh:nn:ss";
  f.DateTimeSeparator = ' ';
  f.TrueBoolStr = "True";
  f.FalseBoolStr = "False";
  return f;
}

// Holds the writers' byte of a database file through a handle of its own,
// as another process would.
class ByteLockHolder {
 public:
  explicit ByteLockHolder(const std::string& path)
      : FHandle(os::FileOpen(path, os::fmOpenReadWrite | os::fmShareDenyNone)) {
    Locked = os::FileLockRange(FHandle, zvfmt::kLockByteOffset, 1);
  }
  ~ByteLockHolder() {
    if (Locked) os::FileUnlockRange(FHandle, zvfmt::kLockByteOffset, 1);
    os::FileClose(FHandle);
  }
  void Release() {
    if (Locked) os::FileUnlockRange(FHandle, zvfmt::kLockByteOffset, 1);
    Locked = false;
  }
  bool Locked = false;

 private:
  os::THandle FHandle;
};

// Starts a helper program; returns a process handle to wait on, -1 on failure.
inline std::intptr_t StartProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
#ifdef _WIN32
  return _spawnv(_P_NOWAIT, argv[0], argv.data());
#else
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
#endif
}

// The exit status of a started program.
inline int WaitProcess(std::intptr_t process) {
#ifdef _WIN32
  int status = -1;
  _cwait(&status, process, _WAIT_CHILD);
  return status;
#else
  int status = 0;
  waitpid(static_cast<pid_t>(process), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace velmorak::dbtest

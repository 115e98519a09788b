// Helpers of the cursor tests, on top of the storage tests' helpers: the
// small table most cases use and a byte-1 holder that stands for another
// writer.
#pragma once

#include <string>

#include "DbTestSupport.h"
#include "database/ZvDB.h"

namespace velmorak::dbtest {

// "Id" autoinc (primary), "Name" string 20 (unique index "ByName"),
// "Amount" integer.
inline TZvCreateTable SmallTable(const std::string& name) {
  return {name,
          {Fld("Id", ftAutoInc), Fld("Name", ftString, 20), Fld("Amount", ftInteger)},
          {Idx("PK", {0}, kPrimary), Idx("ByName", {1}, kUnique)}};
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

}  // namespace velmorak::dbtest

// ZvDBFileDatabase: the smallest database object storage can work under — one
// file, its file object and one table storage object per table, the password
// and the lock settings — for the tools, tests and benchmarks that use table
// storage without sessions or cursors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "database/ZvDBFileIO.h"
#include "database/ZvDBTableIO.h"

namespace velmorak {

class TZvFileDatabase : public TZvCustomDatabase {
 public:
  explicit TZvFileDatabase(TComponent* AOwner = nullptr) : TZvCustomDatabase(AOwner) {}
  ~TZvFileDatabase() override;
  const char* ClassName() const override { return "TZvFileDatabase"; }

  // Opens the file and creates the table storage objects (not loaded).
  // A failed open leaves the object closed.
  void Open(const std::string& FileName, bool ReadOnly = false);
  void Close();
  bool Connected() const { return FFileIO != nullptr; }

  // False for a wrong password on an enciphered file.
  bool SetPassword(const std::string& Password);
  // The table storage of that name (case-insensitive), or null.
  TZvTableIO* FindTableIO(const std::string& TableName) const;
  int TableCount() const { return static_cast<int>(FTables.size()); }
  TZvTableIO* TableIO(int i) const { return FTables.at(static_cast<std::size_t>(i)).get(); }

  TZvDBFileIO* GetFileIO() const override { return FFileIO.get(); }
  int GetLockRetryCount() const override { return LockRetryCount; }
  int GetLockWaitTime() const override { return LockWaitTime; }
  TZvDBMediumType GetMediumType() const override { return MediumType; }
  bool GetExclusive() const override { return Exclusive; }

  TZvDBMediumType MediumType = mtDisk;
  bool Exclusive = false;
  int LockRetryCount = 20;
  int LockWaitTime = 100;

 private:
  std::unique_ptr<TZvDBFileIO> FFileIO;
  std::vector<std::unique_ptr<TZvTableIO>> FTables;
};

}  // namespace velmorak

// ZvDBDatabase: the database object. A TZvDatabase stands for one database
// file: it opens and closes the file object, checks the password, keeps the
// list of tables (TableDefs) and one table storage object per table, and
// tracks the cursors that use it. It belongs to a session (ZvDBSession.h),
// which also creates temporary ones on demand for cursors whose DatabaseName
// is a file path.
//
// States:
//
//   DISCONNECTED --Open / Connected := true [BeforeConnect, DoConnect,
//                  cursors told, AfterConnect]--> CONNECTED (CanAccess true
//                  when the file is not enciphered or the password fits)
//   CONNECTED    --Close / Connected := false [BeforeDisconnect, cursors
//                  told, DoDisconnect, AfterDisconnect]--> DISCONNECTED
//
// DoDisconnect closes the registered cursors first (last first), while the
// file they read is still there, then the file; it forgets the password, so a
// password is set again after every reconnection. A temporary database is
// never freed from inside its own disconnection or destruction.
//
// Errors are EDatabaseError, "Name: message" for a named component;
// temporary databases have no name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/ZvDBFileIO.h"
#include "database/ZvDBSession.h"
#include "database/ZvDBTableIO.h"
#include "platform/classes/StringList.h"

namespace velmorak {

// What a database needs of the cursors registered with it; the engine's
// dataset family implements it. Anything else given to RegisterDataSet is
// ignored.
class TZvDataSetLink {
 public:
  virtual ~TZvDataSetLink() = default;
  // Closes the cursor (used by CloseDataSets and DoDisconnect).
  virtual void CloseDataSet() = 0;
  // The database connected or is about to disconnect.
  virtual void DatabaseConnectionChanged(bool /*Connected*/) {}
  virtual TZvDBMediumType LinkMediumType() const { return mtDisk; }
  // The database's MediumType changed: cursors that have one follow it.
  virtual void DatabaseMediumTypeChanged(TZvDBMediumType /*Value*/) {}
  // The automatic session naming hands its name to the owner's cursors.
  virtual const std::string& LinkSessionName() const = 0;
  virtual void SetLinkSessionName(const std::string& Value) = 0;
};

// The database's flush timer runs on a timer the program provides (the
// class library's timer, virtual in tests): the engine asks the installed
// factory for one when AutoFlush is turned on. With no factory installed the
// timer never ticks, and writes reach the disk when the file closes.
class TZvTimer {
 public:
  virtual ~TZvTimer() = default;
  // Ticks every Interval milliseconds until Stop (or destruction).
  virtual void Start(unsigned Interval, std::function<void()> OnTick) = 0;
  virtual void Stop() = 0;
};
using TZvTimerFactory = std::function<std::unique_ptr<TZvTimer>()>;
// Installs Factory (empty: none) and returns the previous one.
TZvTimerFactory SetZvTimerFactory(TZvTimerFactory Factory);

struct TZvTableDef {
  std::string Name;
  int TableNo = 0;  // position in the file's table directory
};

class TZvTableDefs {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const TZvTableDef& Items(int i) const { return FItems.at(static_cast<std::size_t>(i)); }
  // Position of the table of that name (case-insensitive), or -1.
  int IndexOf(const std::string& Name) const;
  void Add(const std::string& Name) { FItems.push_back({Name, Count()}); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<TZvTableDef> FItems;
};

class TZvDatabase : public TZvCustomDatabase {
 public:
  // An owner that is a session: that session; otherwise DefaultSession (or
  // the owner's session with AutoSessionName on).
  explicit TZvDatabase(TComponent* AOwner = nullptr);
  // Disconnects and leaves the session.
  ~TZvDatabase() override;
  const char* ClassName() const override { return "TZvDatabase"; }

  // --- properties; setters marked (i) raise "Cannot perform this operation
  // on an open database" while connected ---
  const std::string& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value);  // (i), duplicate-name check
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value);  // (i)
  TZvDBMediumType MediumType() const { return FMediumType; }
  void SetMediumType(TZvDBMediumType Value);  // (i), copied to the cursors
  bool Connected() const { return FFileIO != nullptr; }
  void SetConnected(bool Value);
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool Value);  // (i)
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);  // (i)
  bool KeepConnection() const { return FKeepConnection; }
  // False while no cursor holds a reference disconnects.
  void SetKeepConnection(bool Value);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);  // (i), re-attaches
  bool AutoFlush() const { return FAutoFlush; }
  void SetAutoFlush(bool Value);
  int AutoFlushInterval() const { return FAutoFlushInterval; }
  void SetAutoFlushInterval(int Value);

  TNotifyEvent BeforeConnect;
  TNotifyEvent AfterConnect;
  TNotifyEvent BeforeDisconnect;
  TNotifyEvent AfterDisconnect;

  // --- other state ---
  TZvSession* Session() const { return FSession; }
  bool Temporary() const { return FTemporary; }
  int RefCount() const { return FRefCount; }
  bool CanAccess() const { return FCanAccess; }
  bool PasswordSet() const { return FPasswordSet; }
  const TZvTableDefs& TableDefs() const { return FTableDefs; }
  // The file name opened: FileName, or DatabaseName when FileName is empty.
  const std::string& PhysicalFileName() const { return FFileName.empty() ? FDatabaseName : FFileName; }

  // --- virtual operations ---
  virtual void DoConnect();
  virtual void DoDisconnect();
  // Makes sure the password fits, asking through the login hook when none
  // was set: Cancel is the silent abort (EAbort); still refused: "Access
  // denied".
  virtual void CheckCanAccess();
  // "Cannot modify a read-only database" for ReadOnly or a read-only file.
  virtual void CheckCanModify();
  virtual TObject* DataSets(int Index) const;
  virtual int DataSetCount() const { return static_cast<int>(FDataSets.size()); }
  virtual void RegisterDataSet(TObject* DataSet);
  virtual void UnregisterDataSet(TObject* DataSet);

  // --- operations ---
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }
  // Remembers Password (and checks it at once when connected). The text is
  // wiped when replaced, cleared or freed.
  void SetPassword(const std::string& Password);
  bool EncryptEnabled() const;
  bool CompressEnabled() const;
  bool CrcCheckEnabled() const;
  void GetTableNames(TStrings& List) const;
  // The table storage object of that table (case-insensitive), or null.
  TZvTableIO* FindTableIO(const std::string& TableName) const;
  void CloseDataSets();
  void Flush();
  // The flush timer's work: flush when the file has unflushed writes.
  void FlushTimerTick();
  bool FlushTimerRunning() const { return FTimer != nullptr; }
  // Counts the writes of all cursors on one table of this database, so that
  // a cursor can tell whether its record list is still a copy of storage's.
  std::uint64_t& CursorWriteCount(const TZvTableIO* Table) { return FCursorWrites[Table]; }

  // --- what storage asks ---
  TZvDBFileIO* GetFileIO() const override { return FFileIO.get(); }
  int GetLockRetryCount() const override;
  int GetLockWaitTime() const override;
  TZvDBMediumType GetMediumType() const override { return FMediumType; }
  bool GetExclusive() const override { return FExclusive; }

  [[noreturn]] void Error(const std::string& Message) const;

 private:
  friend class TZvSession;
  void CheckInactive() const;
  void CheckDuplicateName(const std::string& Name);
  void AttachToSession(TZvSession* Target);
  void ClearPassword();
  void AddRef() { ++FRefCount; }
  // While the database disconnects or is destroyed it is not freed by the
  // cursors it closes.
  bool Freeable() const { return !FDestroying && !FDisconnecting; }

  std::string FDatabaseName;
  std::string FFileName;
  std::string FSessionName;
  TZvDBMediumType FMediumType = mtDisk;
  bool FExclusive = false;
  bool FReadOnly = false;
  bool FKeepConnection = false;
  bool FAutoFlush = false;
  int FAutoFlushInterval = 60000;

  TZvSession* FSession = nullptr;
  bool FTemporary = false;
  int FRefCount = 0;
  bool FCanAccess = false;
  std::string FPassword;
  bool FPasswordSet = false;
  bool FDestroying = false;
  bool FDisconnecting = false;
  std::unique_ptr<TZvDBFileIO> FFileIO;
  std::vector<TObject*> FDataSets;
  TZvTableDefs FTableDefs;
  std::vector<std::unique_ptr<TZvTableIO>> FTables;
  std::unordered_map<const TZvTableIO*, std::uint64_t> FCursorWrites;
  std::unique_ptr<TZvTimer> FTimer;
  void RestartTimer();
};

}  // namespace velmorak

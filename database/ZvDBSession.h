// ZvDBSession: the sessions of the database engine. A session groups database
// objects by name and creates a temporary database object on demand, so that a
// table cursor whose DatabaseName is the path of a file works without any
// database component. TZvSessionList is the process-wide list of sessions; it
// is created at first use with one session named "Default" (DefaultSession).
//
// The session lock is one process-wide lock that every session uses: it guards
// activation, the automatic session names and OpenDatabase. It is re-entrant
// for the thread that holds it; LockSession/UnlockSession nest it.
//
// Session states:
//
//   INACTIVE --SetActive(true) / LockSession / a database connecting--> ACTIVE
//            [OnStartup; "Session name missing" when unnamed; DefaultSession
//             is activated too]
//   ACTIVE   --SetActive(false)--> INACTIVE [databases, last first: temporary
//             ones freed, the others disconnected]
//
// The login hook: when a cursor opens an enciphered file and no password was
// set, the engine asks the hook the program installed (Install.exe: the Win32
// login box; tests: a lambda or the headless dialog; zvdb: a console prompt).
// Without a hook the engine behaves as if Cancel were pressed.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/SyncObjs.h"

namespace velmorak {

class TZvDatabase;
class TZvSession;
class TZvSessionList;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Asks for the password of the database file FileName (shown read-only).
// OK: true, Password receives the text typed. Cancel: false. The engine wipes
// Password after use.
using TZvLoginHook = std::function<bool(const std::string& FileName, std::string& Password)>;
// Installs Hook (an empty one removes it) and returns the previous one.
TZvLoginHook SetZvLoginHook(TZvLoginHook Hook);
// Runs the hook: false when none is installed or the user cancelled.
bool ZvLoginPrompt(const std::string& FileName, std::string& Password);

// The process-wide list of sessions, created at first use.
TZvSessionList& Sessions();
// The session named "Default", created with the list.
TZvSession* DefaultSession();

class TZvSessionList {
 public:
  TZvSessionList();
  ~TZvSessionList();
  TZvSessionList(const TZvSessionList&) = delete;
  TZvSessionList& operator=(const TZvSessionList&) = delete;

  TZvSession* DefaultSession() const { return FDefault; }
  // An empty Name: DefaultSession. Otherwise the session of that SessionName
  // (case-insensitive), or null.
  TZvSession* FindSession(const std::string& Name) const;
  // As FindSession; "Invalid session name %s" when there is none.
  TZvSession* SessionByName(const std::string& Name) const;
  int Count() const;
  TZvSession* Sessions(int Index) const;

  // The one session lock of the process.
  TCriticalSection& SessionLock() { return FSessionLock; }

 private:
  friend class TZvSession;
  void Add(TZvSession* Session);
  void Remove(TZvSession* Session);
  // Under the session lock: the lowest free auto-name slot, now taken.
  int TakeSlot();
  void ReleaseSlot(int Slot);

  mutable std::mutex FListGuard;
  std::vector<TZvSession*> FSessions;
  std::vector<bool> FSlots;
  TCriticalSection FSessionLock;
  TZvSession* FDefault = nullptr;
  std::unique_ptr<TZvSession> FOwnedDefault;
};

class TZvSession : public TComponent {
 public:
  // Raises "Cannot add a session to the form or data-module while session
  // '%s' has AutoSessionName enabled" when AOwner holds such a session.
  explicit TZvSession(TComponent* AOwner);
  // Deactivates (temporary databases freed, the others disconnected); the
  // databases still attached move to DefaultSession with no SessionName.
  ~TZvSession() override;
  const char* ClassName() const override { return "TZvSession"; }

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  bool AutoSessionName() const { return FAutoSessionName; }
  void SetAutoSessionName(bool Value);
  bool KeepConnections() const { return FKeepConnections; }
  void SetKeepConnections(bool Value) { FKeepConnections = Value; }
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);
  bool SQLHourGlass() const { return FSQLHourGlass; }
  void SetSQLHourGlass(bool Value) { FSQLHourGlass = Value; }
  // Negative values become 0 (0 retries: wait as long as it takes).
  int LockRetryCount() const { return FLockRetryCount; }
  void SetLockRetryCount(int Value) { FLockRetryCount = Value < 0 ? 0 : Value; }
  int LockWaitTime() const { return FLockWaitTime; }
  void SetLockWaitTime(int Value) { FLockWaitTime = Value < 0 ? 0 : Value; }
  TNotifyEvent OnStartup;

  // Renaming the component re-runs the automatic naming.
  void SetName(const std::string& Value) override;

  // The first database of the session with that DatabaseName
  // (case-insensitive), or null.
  TZvDatabase* FindDatabase(const std::string& Name) const;
  // Finds or creates (temporary) and connects the database Name; AddRef
  // counts one more cursor on it. A database created here is freed again
  // when anything fails. DataSet (may be null) gives the medium type.
  TZvDatabase* OpenDatabase(const std::string& Name, TObject* DataSet, bool AddRef);
  // One cursor less; the last one disconnects a database, or frees a
  // temporary one, unless KeepConnection holds it.
  void CloseDatabase(TZvDatabase* Database);
  int DatabaseCount() const { return static_cast<int>(FDatabases.size()); }
  TZvDatabase* Databases(int Index) const { return FDatabases.at(static_cast<std::size_t>(Index)); }

  // Nested: the first lock enters the session lock and makes the session
  // active; the last unlock leaves the session lock.
  void LockSession();
  void UnlockSession();
  int LockCount() const { return FLockCount; }

 private:
  friend class TZvSessionList;
  friend class TZvDatabase;
  // The default session, made by the list itself.
  TZvSession(TZvSessionList* List, const std::string& Name);
  void AddDatabase(TZvDatabase* Database) { FDatabases.push_back(Database); }
  void RemoveDatabase(TZvDatabase* Database);
  void CheckInactive() const;
  void SetSessionNameInternal(const std::string& Value);
  void MakeAutoName();
  void PropagateSessionName();
  [[noreturn]] void Error(const std::string& Message) const;

  TZvSessionList* FList;
  bool FActive = false;
  bool FAutoSessionName = false;
  bool FKeepConnections = false;
  bool FSQLHourGlass = true;
  bool FDestroying = false;
  std::string FSessionName;
  int FLockRetryCount = 20;
  int FLockWaitTime = 100;
  int FSlot = -1;
  int FLockCount = 0;
  std::vector<TZvDatabase*> FDatabases;
};

// RAII form of LockSession/UnlockSession.
class TZvSessionLock {
 public:
  explicit TZvSessionLock(TZvSession& ASession) : FSession(ASession) { FSession.LockSession(); }
  ~TZvSessionLock() { FSession.UnlockSession(); }
  TZvSessionLock(const TZvSessionLock&) = delete;
  TZvSessionLock& operator=(const TZvSessionLock&) = delete;

 private:
  TZvSession& FSession;
};

}  // namespace velmorak

// ZvDBDatabase: connecting and disconnecting a database file, its password,
// its tables and the cursors registered with it.
#include "database/ZvDBDatabase.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <mutex>

#include "platform/classes/DBError.h"

namespace velmorak {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void Wipe(std::string& s) {
  if (!s.empty()) SecureZero(s.data(), s.size());
  s.clear();
}

// Sets a flag for the length of a scope.
class FlagScope {
 public:
  explicit FlagScope(bool& f) : FFlag(f), FOld(f) { FFlag = true; }
  ~FlagScope() { FFlag = FOld; }

 private:
  bool& FFlag;
  bool FOld;
};

std::mutex& TimerFactoryGuard() {
  static std::mutex m;
  return m;
}
TZvTimerFactory& TimerFactory() {
  static TZvTimerFactory f;
  return f;
}

}  // namespace

TZvTimerFactory SetZvTimerFactory(TZvTimerFactory Factory) {
  std::lock_guard<std::mutex> g(TimerFactoryGuard());
  TZvTimerFactory previous = std::move(TimerFactory());
  TimerFactory() = std::move(Factory);
  return previous;
}

int TZvTableDefs::IndexOf(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(FItems[static_cast<std::size_t>(i)].Name, Name)) return i;
  return -1;
}

// ---------------------------------------------------------------------------
// Life

TZvDatabase::TZvDatabase(TComponent* AOwner) : TZvCustomDatabase(AOwner) {
  TZvSession* session = dynamic_cast<TZvSession*>(AOwner);
  if (!session && AOwner)
    for (int i = 0; i < AOwner->ComponentCount() && !session; ++i) {
      auto* s = dynamic_cast<TZvSession*>(AOwner->Components(i));
      if (s && s->AutoSessionName()) session = s;
    }
  if (!session) session = DefaultSession();
  FSession = session;
  FSessionName = session->SessionName();
  session->AddDatabase(this);
}

TZvDatabase::~TZvDatabase() {
  FDestroying = true;
  FTimer.reset();
  try {
    SetConnected(false);
  } catch (...) {
    // Nothing more can be done for a file that fails to close here.
  }
  ClearPassword();
  if (FSession) FSession->RemoveDatabase(this);
}

void TZvDatabase::Error(const std::string& Message) const {
  throw EDatabaseError(ComponentErrorText(Name(), Message));
}

void TZvDatabase::CheckInactive() const {
  if (Connected()) Error(SDatabaseOpen);
}

// ---------------------------------------------------------------------------
// Properties

void TZvDatabase::CheckDuplicateName(const std::string& Name) {
  if (Name.empty() || !FSession) return;
  for (TZvDatabase* other : std::vector<TZvDatabase*>(FSession->FDatabases)) {
    if (other == this || !SameText(other->DatabaseName(), Name)) continue;
    if (other->Temporary() && other->RefCount() == 0 && other->Freeable())
      delete other;  // a leftover of an earlier cursor: it gives way
    else
      Error(Format("Duplicate database name '%s'", Name.c_str()));
  }
}

void TZvDatabase::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName) return;
  CheckInactive();
  CheckDuplicateName(Value);
  FDatabaseName = Value;
}

void TZvDatabase::SetFileName(const std::string& Value) {
  if (Value == FFileName) return;
  CheckInactive();
  FFileName = Value;
}

void TZvDatabase::SetMediumType(TZvDBMediumType Value) {
  if (Value == FMediumType) return;
  CheckInactive();
  FMediumType = Value;
  for (TObject* ds : FDataSets)
    if (auto* link = dynamic_cast<TZvDataSetLink*>(ds)) link->DatabaseMediumTypeChanged(Value);
}

void TZvDatabase::SetExclusive(bool Value) {
  CheckInactive();
  FExclusive = Value;
}

void TZvDatabase::SetReadOnly(bool Value) {
  CheckInactive();
  FReadOnly = Value;
}

void TZvDatabase::SetKeepConnection(bool Value) {
  if (Value == FKeepConnection) return;
  FKeepConnection = Value;
  if (!Value && FRefCount == 0) SetConnected(false);
}

void TZvDatabase::AttachToSession(TZvSession* Target) {
  if (Target == FSession) return;
  if (FSession) FSession->RemoveDatabase(this);
  Target->AddDatabase(this);
  FSession = Target;
  try {
    CheckDuplicateName(FDatabaseName);
  } catch (...) {
    FDatabaseName.clear();
    throw;
  }
}

void TZvDatabase::SetSessionName(const std::string& Value) {
  CheckInactive();
  if (Value == FSessionName) return;
  FSessionName = Value;
  // A session not created yet is looked up again at connection.
  if (TZvSession* target = Sessions().FindSession(Value)) AttachToSession(target);
}

void TZvDatabase::SetAutoFlush(bool Value) {
  if (Value == FAutoFlush) return;
  FAutoFlush = Value;
  RestartTimer();
}

void TZvDatabase::SetAutoFlushInterval(int Value) {
  if (Value == FAutoFlushInterval) return;
  FAutoFlushInterval = Value;
  if (FTimer) RestartTimer();
}

void TZvDatabase::RestartTimer() {
  if (!FAutoFlush) {
    if (FTimer) FTimer->Stop();
    FTimer.reset();
    return;
  }
  if (!FTimer) {
    TZvTimerFactory factory;
    {
      std::lock_guard<std::mutex> g(TimerFactoryGuard());
      factory = TimerFactory();
    }
    if (factory) FTimer = factory();
    if (!FTimer) return;
  }
  FTimer->Stop();
  FTimer->Start(static_cast<unsigned>(std::max(FAutoFlushInterval, 1)), [this] { FlushTimerTick(); });
}

int TZvDatabase::GetLockRetryCount() const {
  return FSession ? FSession->LockRetryCount() : 20;
}

int TZvDatabase::GetLockWaitTime() const {
  return FSession ? FSession->LockWaitTime() : 100;
}

// ---------------------------------------------------------------------------
// Connecting

void TZvDatabase::SetConnected(bool Value) {
  if (Value == Connected()) return;
  if (Value) {
    if (BeforeConnect) BeforeConnect(this);
    DoConnect();
    for (TObject* ds : std::vector<TObject*>(FDataSets))
      if (auto* link = dynamic_cast<TZvDataSetLink*>(ds)) link->DatabaseConnectionChanged(true);
    if (AfterConnect) AfterConnect(this);
  } else {
    if (BeforeDisconnect) BeforeDisconnect(this);
    for (TObject* ds : std::vector<TObject*>(FDataSets))
      if (auto* link = dynamic_cast<TZvDataSetLink*>(ds)) link->DatabaseConnectionChanged(false);
    DoDisconnect();
    if (AfterDisconnect) AfterDisconnect(this);
  }
}

void TZvDatabase::DoConnect() {
  if (FDatabaseName.empty() && !FTemporary) Error("Database name missing");
  TZvSession* target = Sessions().SessionByName(FSessionName);
  AttachToSession(target);
  target->SetActive(true);
  FFileIO = std::make_unique<TZvDBFileIO>(this);
  try {
    FFileIO->Open(PhysicalFileName(), FMediumType, FReadOnly, FExclusive);
    FCanAccess = !FFileIO->EncryptEnabled();
    if (!FCanAccess && FPasswordSet) FCanAccess = FFileIO->SetPassword(FPassword);
    TStringList names;
    FFileIO->GetTableNames(names);
    FTableDefs.Clear();
    FTables.clear();
    for (int i = 0; i < names.Count(); ++i) {
      FTableDefs.Add(names.Strings(i));
      auto table = std::make_unique<TZvTableIO>(this);
      table->SetTableName(names.Strings(i));
      FTables.push_back(std::move(table));
    }
  } catch (...) {
    FTables.clear();
    FTableDefs.Clear();
    FCanAccess = false;
    try {
      FFileIO->Close();
    } catch (...) {
    }
    FFileIO.reset();
    throw;
  }
}

void TZvDatabase::DoDisconnect() {
  if (!FFileIO) return;
  FlagScope guard(FDisconnecting);
  // The cursors close while their file is still there: a BeforeClose
  // handler, or a blob that loads then, still reads it.
  std::exception_ptr first;
  while (!FDataSets.empty()) {
    const std::size_t before = FDataSets.size();
    TObject* last = FDataSets.back();
    try {
      if (auto* link = dynamic_cast<TZvDataSetLink*>(last)) link->CloseDataSet();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
    if (FDataSets.size() == before && FDataSets.back() == last) FDataSets.pop_back();
  }
  FTables.clear();
  FCursorWrites.clear();
  try {
    FFileIO->Close();
  } catch (...) {
    if (!first) first = std::current_exception();
  }
  FFileIO.reset();
  FRefCount = 0;
  FCanAccess = false;
  ClearPassword();
  FTableDefs.Clear();
  if (first) std::rethrow_exception(first);
}

// ---------------------------------------------------------------------------
// Password

void TZvDatabase::ClearPassword() {
  Wipe(FPassword);
  FPasswordSet = false;
}

void TZvDatabase::SetPassword(const std::string& Password) {
  Wipe(FPassword);
  FPassword = Password;
  FPasswordSet = true;
  if (FFileIO) FCanAccess = FFileIO->SetPassword(FPassword);
}

void TZvDatabase::CheckCanAccess() {
  if (FCanAccess) return;
  if (!FFileIO) Error(SDatabaseClosed);
  if (FPasswordSet) {
    FCanAccess = FFileIO->SetPassword(FPassword);
  } else {
    std::string typed;
    const bool ok = ZvLoginPrompt(PhysicalFileName(), typed);
    if (!ok) {
      Wipe(typed);
      Abort();
    }
    SetPassword(typed);
    Wipe(typed);
  }
  if (!FCanAccess) Error("Access denied");
}

void TZvDatabase::CheckCanModify() {
  if (FReadOnly || (FFileIO && FFileIO->FileIsReadOnly())) Error("Cannot modify a read-only database");
}

// ---------------------------------------------------------------------------
// Cursors, tables, flush

TObject* TZvDatabase::DataSets(int Index) const {
  return FDataSets.at(static_cast<std::size_t>(Index));
}

void TZvDatabase::RegisterDataSet(TObject* DataSet) {
  if (!dynamic_cast<TZvDataSetLink*>(DataSet)) return;
  if (std::find(FDataSets.begin(), FDataSets.end(), DataSet) == FDataSets.end()) FDataSets.push_back(DataSet);
}

void TZvDatabase::UnregisterDataSet(TObject* DataSet) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), DataSet), FDataSets.end());
}

void TZvDatabase::CloseDataSets() {
  while (!FDataSets.empty()) {
    const std::size_t before = FDataSets.size();
    TObject* last = FDataSets.back();
    if (auto* link = dynamic_cast<TZvDataSetLink*>(last)) link->CloseDataSet();
    if (FDataSets.size() == before && FDataSets.back() == last) FDataSets.pop_back();
  }
}

bool TZvDatabase::EncryptEnabled() const {
  if (!FFileIO) Error(SDatabaseClosed);
  return FFileIO->EncryptEnabled();
}

bool TZvDatabase::CompressEnabled() const {
  if (!FFileIO) Error(SDatabaseClosed);
  return FFileIO->CompressEnabled();
}

bool TZvDatabase::CrcCheckEnabled() const {
  if (!FFileIO) Error(SDatabaseClosed);
  return FFileIO->CrcCheckEnabled();
}

void TZvDatabase::GetTableNames(TStrings& List) const {
  List.Clear();
  if (FFileIO) FFileIO->GetTableNames(List);
}

TZvTableIO* TZvDatabase::FindTableIO(const std::string& TableName) const {
  for (const auto& t : FTables)
    if (SameText(t->TableName(), TableName)) return t.get();
  return nullptr;
}

void TZvDatabase::Flush() {
  if (FFileIO && !FFileIO->IsFlushed()) FFileIO->Flush();
}

void TZvDatabase::FlushTimerTick() {
  if (FFileIO && !FFileIO->IsFlushed()) Flush();
}

}  // namespace velmorak

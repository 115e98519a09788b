// ZvDBSession: the session list, the sessions with their lock, their
// automatic names and their databases, and the login hook.
#include "database/ZvDBSession.h"

#include <algorithm>
#include <cctype>

#include "database/ZvDBDatabase.h"
#include "platform/classes/DBError.h"

namespace velmorak {

namespace {

constexpr const char* SActiveSession = "Cannot perform this operation on an active session";

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::mutex& LoginHookGuard() {
  static std::mutex m;
  return m;
}
TZvLoginHook& LoginHook() {
  static TZvLoginHook hook;
  return hook;
}

}  // namespace

TZvLoginHook SetZvLoginHook(TZvLoginHook Hook) {
  std::lock_guard<std::mutex> g(LoginHookGuard());
  TZvLoginHook previous = std::move(LoginHook());
  LoginHook() = std::move(Hook);
  return previous;
}

bool ZvLoginPrompt(const std::string& FileName, std::string& Password) {
  TZvLoginHook hook;
  {
    std::lock_guard<std::mutex> g(LoginHookGuard());
    hook = LoginHook();
  }
  return hook ? hook(FileName, Password) : false;
}

TZvSessionList& Sessions() {
  static TZvSessionList list;
  return list;
}

TZvSession* DefaultSession() {
  return Sessions().DefaultSession();
}

// ---------------------------------------------------------------------------
// TZvSessionList

TZvSessionList::TZvSessionList() {
  FOwnedDefault.reset(new TZvSession(this, "Default"));
  FDefault = FOwnedDefault.get();
}

TZvSessionList::~TZvSessionList() {
  FOwnedDefault.reset();
  FDefault = nullptr;
}

void TZvSessionList::Add(TZvSession* Session) {
  std::lock_guard<std::mutex> g(FListGuard);
  FSessions.push_back(Session);
}

void TZvSessionList::Remove(TZvSession* Session) {
  std::lock_guard<std::mutex> g(FListGuard);
  FSessions.erase(std::remove(FSessions.begin(), FSessions.end(), Session), FSessions.end());
}

int TZvSessionList::Count() const {
  std::lock_guard<std::mutex> g(FListGuard);
  return static_cast<int>(FSessions.size());
}

TZvSession* TZvSessionList::Sessions(int Index) const {
  std::lock_guard<std::mutex> g(FListGuard);
  return FSessions.at(static_cast<std::size_t>(Index));
}

TZvSession* TZvSessionList::FindSession(const std::string& Name) const {
  if (Name.empty()) return FDefault;
  std::lock_guard<std::mutex> g(FListGuard);
  for (TZvSession* s : FSessions)
    if (SameText(s->SessionName(), Name)) return s;
  return nullptr;
}

TZvSession* TZvSessionList::SessionByName(const std::string& Name) const {
  TZvSession* s = FindSession(Name);
  if (!s) throw EDatabaseError(Format("Invalid session name %s", Name.c_str()));
  return s;
}

int TZvSessionList::TakeSlot() {
  TCriticalSectionGuard g(FSessionLock);
  auto free = std::find(FSlots.begin(), FSlots.end(), false);
  const auto slot = static_cast<int>(free - FSlots.begin());
  if (free == FSlots.end())
    FSlots.push_back(true);
  else
    *free = true;
  return slot;
}

void TZvSessionList::ReleaseSlot(int Slot) {
  TCriticalSectionGuard g(FSessionLock);
  if (Slot >= 0 && Slot < static_cast<int>(FSlots.size())) FSlots[static_cast<std::size_t>(Slot)] = false;
}

// ---------------------------------------------------------------------------
// TZvSession

TZvSession::TZvSession(TComponent* AOwner) : TComponent(AOwner), FList(&velmorak::Sessions()) {
  if (AOwner)
    for (int i = 0; i < AOwner->ComponentCount(); ++i) {
      auto* other = dynamic_cast<TZvSession*>(AOwner->Components(i));
      if (other && other != this && other->AutoSessionName())
        throw EDatabaseError(
            Format("Cannot add a session to the form or data-module while session '%s' has AutoSessionName "
                   "enabled",
                   other->SessionName().c_str()));
    }
  FList->Add(this);
}

TZvSession::TZvSession(TZvSessionList* List, const std::string& Name) : TComponent(nullptr), FList(List) {
  FSessionName = Name;
  FList->Add(this);
}

TZvSession::~TZvSession() {
  FDestroying = true;
  try {
    SetActive(false);
  } catch (...) {
    // A database that cannot close cleanly is left as it is.
  }
  // Temporary databases die with their session; the others go on in
  // DefaultSession, disconnected and without a session name.
  for (std::size_t i = FDatabases.size(); i-- > 0;)
    if (i < FDatabases.size() && FDatabases[i]->Temporary()) delete FDatabases[i];
  TZvSession* fallback = FList->DefaultSession() != this ? FList->DefaultSession() : nullptr;
  for (TZvDatabase* db : std::vector<TZvDatabase*>(FDatabases)) {
    try {
      db->SetConnected(false);
    } catch (...) {
    }
    db->FSessionName.clear();
    db->FSession = fallback;
    if (fallback) fallback->AddDatabase(db);
  }
  FDatabases.clear();
  if (FSlot >= 0) FList->ReleaseSlot(FSlot);
  FList->Remove(this);
}

void TZvSession::Error(const std::string& Message) const {
  throw EDatabaseError(ComponentErrorText(Name(), Message));
}

void TZvSession::CheckInactive() const {
  if (FActive) Error(SActiveSession);
}

void TZvSession::LockSession() {
  FList->SessionLock().Enter();
  if (FLockCount++ == 0 && !FActive) {
    try {
      SetActive(true);
    } catch (...) {
      --FLockCount;
      FList->SessionLock().Leave();
      throw;
    }
  }
}

void TZvSession::UnlockSession() {
  if (FLockCount == 0) return;
  --FLockCount;
  FList->SessionLock().Leave();
}

void TZvSession::SetActive(bool Value) {
  TCriticalSectionGuard g(FList->SessionLock());
  if (Value == FActive) return;
  if (Value) {
    if (OnStartup) OnStartup(this);
    if (FSessionName.empty()) Error("Session name missing");
    if (this != FList->DefaultSession()) FList->DefaultSession()->SetActive(true);
  } else {
    for (std::size_t i = FDatabases.size(); i-- > 0;) {
      if (i >= FDatabases.size()) continue;
      TZvDatabase* db = FDatabases[i];
      if (db->Temporary())
        delete db;
      else
        db->SetConnected(false);
    }
  }
  FActive = Value;
}

void TZvSession::SetSessionName(const std::string& Value) {
  if (FAutoSessionName) Error("Cannot modify SessionName while AutoSessionName is enabled");
  SetSessionNameInternal(Value);
}

void TZvSession::SetSessionNameInternal(const std::string& Value) {
  if (Value == FSessionName) return;
  CheckInactive();
  if (!Value.empty()) {
    TZvSession* other = FList->FindSession(Value);
    if (other && other != this) Error(Format("Duplicate session name '%s'", Value.c_str()));
  }
  FSessionName = Value;
}

void TZvSession::SetAutoSessionName(bool Value) {
  if (Value == FAutoSessionName) return;
  if (Value) {
    CheckInactive();
    if (Owner())
      for (int i = 0; i < Owner()->ComponentCount(); ++i) {
        auto* other = dynamic_cast<TZvSession*>(Owner()->Components(i));
        if (other && other != this)
          Error("Cannot enable AutoSessionName property with more than one session on a form or data-module");
      }
    FSlot = FList->TakeSlot();
    try {
      MakeAutoName();
    } catch (...) {
      FList->ReleaseSlot(FSlot);
      FSlot = -1;
      throw;
    }
    FAutoSessionName = true;
    PropagateSessionName();
  } else {
    FAutoSessionName = false;
    FList->ReleaseSlot(FSlot);
    FSlot = -1;
  }
}

void TZvSession::MakeAutoName() {
  SetSessionNameInternal(Format("%s_%d", Name().c_str(), FSlot + 1));
}

void TZvSession::PropagateSessionName() {
  if (!Owner()) return;
  for (int i = 0; i < Owner()->ComponentCount(); ++i) {
    TComponent* c = Owner()->Components(i);
    if (auto* db = dynamic_cast<TZvDatabase*>(c)) {
      if (db->SessionName() != FSessionName) db->SetSessionName(FSessionName);
    } else if (auto* link = dynamic_cast<TZvDataSetLink*>(c)) {
      if (link->LinkSessionName() != FSessionName) link->SetLinkSessionName(FSessionName);
    }
  }
}

void TZvSession::SetName(const std::string& Value) {
  TComponent::SetName(Value);
  if (FAutoSessionName) {
    MakeAutoName();
    PropagateSessionName();
  }
}

void TZvSession::RemoveDatabase(TZvDatabase* Database) {
  FDatabases.erase(std::remove(FDatabases.begin(), FDatabases.end(), Database), FDatabases.end());
}

TZvDatabase* TZvSession::FindDatabase(const std::string& Name) const {
  for (TZvDatabase* db : FDatabases)
    if (SameText(db->DatabaseName(), Name)) return db;
  return nullptr;
}

TZvDatabase* TZvSession::OpenDatabase(const std::string& Name, TObject* DataSet, bool AddRef) {
  TZvSessionLock lock(*this);
  TZvDatabase* db = FindDatabase(Name);
  std::unique_ptr<TZvDatabase> created;
  if (!db) {
    created = std::make_unique<TZvDatabase>(this);
    db = created.get();
    db->FTemporary = true;
    if (auto* link = dynamic_cast<TZvDataSetLink*>(DataSet)) db->FMediumType = link->LinkMediumType();
    db->FDatabaseName = Name;
    db->FKeepConnection = FKeepConnections;
  }
  db->Open();
  if (AddRef) db->AddRef();
  (void)created.release();  // owned by this session from now on
  return db;
}

void TZvSession::CloseDatabase(TZvDatabase* Database) {
  if (!Database) return;
  if (Database->FRefCount > 0) --Database->FRefCount;
  if (Database->FRefCount != 0 || Database->KeepConnection()) return;
  if (!Database->Temporary())
    Database->SetConnected(false);
  else if (Database->Freeable())
    delete Database;
}

}  // namespace velmorak

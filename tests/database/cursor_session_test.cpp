// Sessions and database objects: temporary databases and their reference
// counts, passwords and the login hook, the session lock across threads,
// names (automatic, duplicate, missing) and the setters refused while
// connected.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "CursorTestSupport.h"

namespace velmorak {
namespace {

using namespace dbtest;

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plain = dir.File("plain.zvc");
    secret = dir.File("secret.zvc");
    ZvCreateDatabase(plain, {}, {SmallTable("T")});
    TZvCreateOptions opt;
    opt.EncryptName = "Blowfish";
    opt.Password = "wexor";
    ZvCreateDatabase(secret, opt, {SmallTable("T")});
  }
  void TearDown() override {
    SetZvLoginHook(nullptr);
    // Nothing a test made may outlive it in the default session.
    EXPECT_EQ(DefaultSession()->DatabaseCount(), 0);
  }
  TempDir dir;
  std::string plain, secret;
};

TEST_F(SessionTest, DefaultSessionAndLookups) {
  EXPECT_EQ(DefaultSession()->SessionName(), "Default");
  EXPECT_EQ(Sessions().FindSession(""), DefaultSession());
  EXPECT_EQ(Sessions().FindSession("dEfAuLt"), DefaultSession());
  EXPECT_EQ(Sessions().FindSession("Nope"), nullptr);
  EXPECT_EQ(ErrorOf([] { Sessions().SessionByName("Nope"); }), "Invalid session name Nope");

  TZvSession s(nullptr);
  s.SetName("S1");
  EXPECT_EQ(ErrorOf([&] { s.SetSessionName("default"); }), "S1: Duplicate session name 'default'");
  EXPECT_EQ(ErrorOf([&] { s.SetActive(true); }), "S1: Session name missing");
  EXPECT_FALSE(s.Active());
  s.SetSessionName("Work");
  int startups = 0;
  s.OnStartup = [&](TObject*) { ++startups; };
  s.SetActive(true);
  s.SetActive(true);
  EXPECT_EQ(startups, 1);
  EXPECT_TRUE(DefaultSession()->Active());
  EXPECT_EQ(ErrorOf([&] { s.SetSessionName("Other"); }),
            "S1: Cannot perform this operation on an active session");
  EXPECT_EQ(Sessions().SessionByName("WORK"), &s);
}

TEST_F(SessionTest, LockSettingsClampAtZero) {
  TZvSession s(nullptr);
  EXPECT_EQ(s.LockRetryCount(), 20);
  EXPECT_EQ(s.LockWaitTime(), 100);
  s.SetLockRetryCount(-5);
  s.SetLockWaitTime(-1);
  EXPECT_EQ(s.LockRetryCount(), 0);
  EXPECT_EQ(s.LockWaitTime(), 0);
}

TEST_F(SessionTest, TemporaryDatabaseSharedAndFreedByLastClose) {
  TZvSession& s = *DefaultSession();
  TZvDatabase* a = s.OpenDatabase(plain, nullptr, true);
  TZvDatabase* b = s.OpenDatabase(plain, nullptr, true);
  TZvDatabase* c = s.OpenDatabase(plain, nullptr, true);
  ASSERT_EQ(a, b);
  ASSERT_EQ(b, c);
  EXPECT_TRUE(a->Temporary());
  EXPECT_TRUE(a->Connected());
  EXPECT_TRUE(a->CanAccess());
  EXPECT_EQ(a->Name(), "");
  EXPECT_EQ(a->RefCount(), 3);
  ASSERT_EQ(a->TableDefs().Count(), 1);
  EXPECT_EQ(a->TableDefs().Items(0).Name, "T");
  EXPECT_NE(a->FindTableIO("t"), nullptr);
  s.CloseDatabase(a);
  s.CloseDatabase(a);
  EXPECT_EQ(a->RefCount(), 1);
  EXPECT_EQ(s.FindDatabase(plain), a);
  s.CloseDatabase(a);
  EXPECT_EQ(s.FindDatabase(plain), nullptr);
}

TEST_F(SessionTest, KeepConnectionsHoldsTheTemporaryDatabase) {
  TZvSession s(nullptr);
  s.SetSessionName("Keep");
  s.SetKeepConnections(true);
  TZvDatabase* db = s.OpenDatabase(plain, nullptr, true);
  EXPECT_TRUE(db->KeepConnection());
  s.CloseDatabase(db);
  ASSERT_EQ(s.FindDatabase(plain), db);
  EXPECT_TRUE(db->Connected());
  // Deactivating the session frees its temporary databases.
  s.SetActive(false);
  EXPECT_EQ(s.FindDatabase(plain), nullptr);
}

TEST_F(SessionTest, OpenDatabaseFailureFreesWhatItCreated) {
  EXPECT_EQ(ErrorOf([&] { DefaultSession()->OpenDatabase(dir.File("none.zvc"), nullptr, true); }),
            "Cannot open file " + dir.File("none.zvc"));
  EXPECT_EQ(DefaultSession()->FindDatabase(dir.File("none.zvc")), nullptr);
}

TEST_F(SessionTest, PasswordsAndTheLoginHook) {
  int asked = 0;
  std::string shown, answer = "wexor";
  bool ok = true;
  SetZvLoginHook([&](const std::string& file, std::string& password) {
    ++asked;
    shown = file;
    password = answer;
    return ok;
  });
  struct Case {
    const char* what;
    bool setBefore;
    std::string before;
    std::string typed;
    bool pressOk;
    int prompts;
    std::string error;
  };
  const Case cases[] = {
      {"right password set before", true, "wexor", "", true, 0, ""},
      {"wrong password set before: no prompt", true, "WEXOR", "", true, 0, "Access denied"},
      {"no password: prompt, OK with the right one", false, "", "wexor", true, 1, ""},
      {"no password: prompt, OK with a wrong one", false, "", "nope", true, 1, "Access denied"},
      {"no password: prompt, Cancel is the silent abort", false, "", "wexor", false, 1, "Operation aborted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    asked = 0;
    shown.clear();
    answer = c.typed;
    ok = c.pressOk;
    TZvDatabase db;
    db.SetDatabaseName(secret);
    if (c.setBefore) db.SetPassword(c.before);
    db.Open();
    bool aborted = false;
    std::string error;
    try {
      db.CheckCanAccess();
    } catch (const EAbort& e) {
      aborted = true;
      error = e.Message();
    } catch (const EDatabaseError& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(aborted, !c.pressOk);
    EXPECT_EQ(asked, c.prompts);
    if (c.prompts) {
      EXPECT_EQ(shown, secret);
    }
    EXPECT_EQ(db.CanAccess(), c.error.empty());
  }
}

TEST_F(SessionTest, NoHookInstalledIsCancel) {
  TZvDatabase db;
  db.SetDatabaseName(secret);
  db.Open();
  EXPECT_THROW(db.CheckCanAccess(), EAbort);
}

TEST_F(SessionTest, PasswordSetWhileClosedAndForgottenAtDisconnect) {
  TZvDatabase db;
  db.SetDatabaseName(secret);
  db.SetPassword("wexor");
  EXPECT_TRUE(db.PasswordSet());
  EXPECT_FALSE(db.CanAccess());
  db.Open();
  EXPECT_TRUE(db.CanAccess());
  db.Close();
  EXPECT_FALSE(db.PasswordSet());
  db.Open();
  EXPECT_FALSE(db.CanAccess());
  EXPECT_THROW(db.CheckCanAccess(), EAbort);  // asked again, and no hook: Cancel
  // Set while connected: checked at once.
  db.SetPassword("bad");
  EXPECT_FALSE(db.CanAccess());
  db.SetPassword("wexor");
  EXPECT_TRUE(db.CanAccess());
}

TEST_F(SessionTest, PlainFileAcceptsAnyPassword) {
  TZvDatabase db;
  db.SetDatabaseName(plain);
  db.SetPassword("whatever");
  db.Open();
  EXPECT_TRUE(db.CanAccess());
  EXPECT_FALSE(db.EncryptEnabled());
  db.Close();
  EXPECT_EQ(ErrorOf([&] { db.EncryptEnabled(); }), "Cannot perform this operation on a closed database");
}

TEST_F(SessionTest, DatabaseSettersRefusedWhileConnected) {
  TZvDatabase db;
  db.SetName("Db1");
  EXPECT_EQ(ErrorOf([&] { db.Open(); }), "Db1: Database name missing");
  db.SetDatabaseName("Alias");
  db.SetFileName(plain);
  db.Open();
  const std::string refused = "Db1: Cannot perform this operation on an open database";
  EXPECT_EQ(ErrorOf([&] { db.SetDatabaseName("Other"); }), refused);
  EXPECT_EQ(ErrorOf([&] { db.SetFileName(secret); }), refused);
  EXPECT_EQ(ErrorOf([&] { db.SetMediumType(mtMemory); }), refused);
  EXPECT_EQ(ErrorOf([&] { db.SetExclusive(true); }), refused);
  EXPECT_EQ(ErrorOf([&] { db.SetReadOnly(true); }), refused);
  EXPECT_EQ(ErrorOf([&] { db.SetSessionName("X"); }), refused);
  db.SetKeepConnection(true);  // allowed
  db.SetAutoFlushInterval(1000);
  EXPECT_EQ(db.DatabaseName(), "Alias");
  EXPECT_EQ(db.FileName(), plain);
  db.Close();
  db.SetReadOnly(true);
  db.Open();
  EXPECT_EQ(ErrorOf([&] { db.CheckCanModify(); }), "Db1: Cannot modify a read-only database");
}

TEST_F(SessionTest, KeepConnectionOffDisconnectsAnUnusedDatabase) {
  TZvDatabase db;
  db.SetDatabaseName(plain);
  db.SetKeepConnection(true);
  db.Open();
  db.SetKeepConnection(false);
  EXPECT_FALSE(db.Connected());
}

TEST_F(SessionTest, DuplicateDatabaseNames) {
  TZvDatabase a, b;
  a.SetDatabaseName("Main");
  b.SetName("B");
  EXPECT_EQ(ErrorOf([&] { b.SetDatabaseName("MAIN"); }), "B: Duplicate database name 'MAIN'");
  EXPECT_EQ(b.DatabaseName(), "");
  // A temporary database of that name with no cursor gives way silently.
  TZvDatabase* temp = DefaultSession()->OpenDatabase(plain, nullptr, false);
  ASSERT_EQ(temp->RefCount(), 0);
  b.SetDatabaseName(plain);
  EXPECT_EQ(DefaultSession()->FindDatabase(plain), &b);
  // One in use does not.
  TZvDatabase* used = DefaultSession()->OpenDatabase(secret, nullptr, true);
  EXPECT_EQ(ErrorOf([&] { a.SetDatabaseName(secret); }), "Duplicate database name '" + secret + "'");
  DefaultSession()->CloseDatabase(used);
}

TEST_F(SessionTest, DatabaseMovesToItsNamedSessionAtConnection) {
  TZvSession s(nullptr);
  s.SetSessionName("Named");
  TZvDatabase db;
  EXPECT_EQ(db.Session(), DefaultSession());
  db.SetSessionName("Named");
  EXPECT_EQ(db.Session(), &s);
  EXPECT_EQ(s.FindDatabase(""), &db);
  db.SetSessionName("Later");  // not there yet
  db.SetDatabaseName(plain);
  EXPECT_EQ(ErrorOf([&] { db.Open(); }), "Invalid session name Later");
  db.SetSessionName("");
  db.Open();
  EXPECT_EQ(db.Session(), DefaultSession());
}

TEST_F(SessionTest, AutoSessionNames) {
  TComponent form(nullptr);
  auto* s = new TZvSession(&form);
  s->SetName("Session1");
  auto* db = new TZvDatabase(&form);
  s->SetAutoSessionName(true);
  EXPECT_EQ(s->SessionName(), "Session1_1");
  EXPECT_EQ(db->SessionName(), "Session1_1");
  EXPECT_EQ(db->Session(), s);
  EXPECT_EQ(ErrorOf([&] { s->SetSessionName("X"); }),
            "Session1: Cannot modify SessionName while AutoSessionName is enabled");
  // A database added later takes the session too.
  auto* db2 = new TZvDatabase(&form);
  EXPECT_EQ(db2->Session(), s);
  EXPECT_EQ(db2->SessionName(), "Session1_1");
  EXPECT_EQ(ErrorOf([&] { TZvSession second(&form); }),
            "Cannot add a session to the form or data-module while session 'Session1_1' has AutoSessionName "
            "enabled");
  // The lowest free slot: a second form gets 2, and 1 again once released.
  TComponent form2(nullptr);
  auto* t = new TZvSession(&form2);
  t->SetName("Other");
  t->SetAutoSessionName(true);
  EXPECT_EQ(t->SessionName(), "Other_2");
  s->SetName("Renamed");
  EXPECT_EQ(s->SessionName(), "Renamed_1");
  EXPECT_EQ(db->SessionName(), "Renamed_1");
  s->SetAutoSessionName(false);
  TComponent form3(nullptr);
  auto* u = new TZvSession(&form3);
  u->SetName("Third");
  u->SetAutoSessionName(true);
  EXPECT_EQ(u->SessionName(), "Third_1");
  // Refusals: active, and a second session on the owner.
  u->SetAutoSessionName(false);
  u->SetActive(true);
  EXPECT_EQ(ErrorOf([&] { u->SetAutoSessionName(true); }),
            "Third: Cannot perform this operation on an active session");
  new TZvSession(&form);
  EXPECT_EQ(ErrorOf([&] { s->SetAutoSessionName(true); }),
            "Renamed: Cannot enable AutoSessionName property with more than one session on a form or "
            "data-module");
}

TEST_F(SessionTest, SessionLockIsReentrantAndHoldsOffOtherThreads) {
  TZvSession& s = *DefaultSession();
  s.LockSession();
  s.LockSession();
  EXPECT_EQ(s.LockCount(), 2);
  std::atomic<bool> opened{false};
  TZvDatabase* seen = nullptr;
  std::thread other([&] {
    seen = s.OpenDatabase(plain, nullptr, true);
    opened = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(opened);
  s.UnlockSession();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(opened);  // still nested once
  s.UnlockSession();
  other.join();
  EXPECT_TRUE(opened);
  EXPECT_EQ(s.LockCount(), 0);
  ASSERT_NE(seen, nullptr);
  s.CloseDatabase(seen);
}

TEST_F(SessionTest, FileLockUsesTheSessionsRetrySettings) {
  TZvSession s(nullptr);
  s.SetSessionName("Retry");
  TZvDatabase db;
  db.SetSessionName("Retry");
  db.SetDatabaseName(plain);
  db.Open();
  TZvTableIO* t = db.FindTableIO("T");
  ByteLockHolder other(plain);
  ASSERT_TRUE(other.Locked);
  // Set after connecting: the lock reads them each time.
  s.SetLockRetryCount(3);
  s.SetLockWaitTime(40);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { t->Open(); }), "Wait for unlock time out");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3 * 40));
  other.Release();
  t->Open();
  EXPECT_EQ(t->RecordCount(), 0);
  t->Close();
}

TEST_F(SessionTest, DestroyingASessionLeavesItsDatabasesUsable) {
  auto* s = new TZvSession(nullptr);
  s->SetSessionName("Gone");
  TZvDatabase db;
  db.SetSessionName("Gone");
  db.SetDatabaseName("Mine");
  db.SetFileName(plain);
  db.Open();
  s->OpenDatabase(secret, nullptr, true);
  delete s;
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.SessionName(), "");
  EXPECT_EQ(db.Session(), DefaultSession());
  db.Open();
  EXPECT_TRUE(db.Connected());
}

// A timer the test ticks by hand.
struct HandTimer : TZvTimer {
  static inline HandTimer* Last = nullptr;
  HandTimer() { Last = this; }
  ~HandTimer() override {
    if (Last == this) Last = nullptr;
  }
  void Start(unsigned AInterval, std::function<void()> AOnTick) override {
    Interval = AInterval;
    OnTick = std::move(AOnTick);
    Running = true;
  }
  void Stop() override { Running = false; }
  unsigned Interval = 0;
  std::function<void()> OnTick;
  bool Running = false;
};

TEST_F(SessionTest, FlushTimerFlushesUnflushedWrites) {
  SetZvTimerFactory([] { return std::make_unique<HandTimer>(); });
  TZvDatabase db;
  db.SetDatabaseName(plain);
  db.Open();
  EXPECT_FALSE(db.FlushTimerRunning());
  db.SetAutoFlush(true);
  ASSERT_NE(HandTimer::Last, nullptr);
  EXPECT_TRUE(HandTimer::Last->Running);
  EXPECT_EQ(HandTimer::Last->Interval, 60000u);
  db.SetAutoFlushInterval(500);
  EXPECT_EQ(HandTimer::Last->Interval, 500u);
  TZvTableIO* t = db.FindTableIO("T");
  t->Open();
  Row(*t).Text(1, "x").Append();
  EXPECT_FALSE(db.GetFileIO()->IsFlushed());
  HandTimer::Last->OnTick();
  EXPECT_TRUE(db.GetFileIO()->IsFlushed());
  t->Close();
  db.SetAutoFlush(false);
  EXPECT_FALSE(db.FlushTimerRunning());
  EXPECT_EQ(HandTimer::Last, nullptr);
  SetZvTimerFactory(nullptr);
}

}  // namespace
}  // namespace velmorak

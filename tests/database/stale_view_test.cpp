// Two writers on one file, each with its own view of the table: two database
// objects in this process, and two to four processes. A write from a view that
// the other writer has made stale must not undo the other's work — overwrite
// its record-tab items, write back old counts or heads, unlink records
// through a predecessor that no longer leads to them, move the autoinc counter
// back, let a duplicate key in, or write into a record the other deleted.
// After the writers are done, every record holds its last written values,
// every appended record is there once with a unique autoinc value, no deleted
// record is back, and `zvdb check` finds every chain complete and in order.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DbTestSupport.h"
#include "MixedWriter.h"
#include "tools/zvdb/ZvdbCommands.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace velmorak {
namespace {

using namespace dbtest;
using mixed::Values;

struct Expected {
  std::map<std::int32_t, Values> Final;
  std::set<std::int32_t> Deleted;
  std::vector<std::int32_t> Ids;
};

// The file against what the writers say it must hold.
void VerifyFile(const std::string& path, const std::vector<Expected>& writers) {
  std::ostringstream out, err;
  EXPECT_EQ(RunZvdb({"check", path}, out, err), 0) << out.str() << err.str();

  TZvFileDatabase db;
  db.Open(path);
  TZvTableIO* t = db.FindTableIO("T");
  t->Open();
  std::map<std::pair<int, int>, Values> found;
  std::set<std::int32_t> liveIds, allIds;
  const TRecordList& list = *t->GetList(0);
  for (std::size_t i = 0; i < list.size(); ++i) {
    mixed::Record r;
    t->ReadRecord(r.Buffers, list, static_cast<int>(i));
    EXPECT_TRUE(found.insert({{r.Worker, r.Seq}, r.Get()}).second) << r.Worker << "/" << r.Seq << " twice";
    EXPECT_TRUE(liveIds.insert(r.Id).second) << "autoinc " << r.Id << " twice";
  }
  std::size_t live = 0;
  for (std::size_t w = 0; w < writers.size(); ++w) {
    live += writers[w].Final.size();
    for (const auto& [seq, v] : writers[w].Final) {
      auto it = found.find({static_cast<int>(w), seq});
      if (it == found.end()) {
        ADD_FAILURE() << "record " << w << "/" << seq << " lost";
        continue;
      }
      EXPECT_EQ(it->second.Name, v.Name) << w << "/" << seq;
      EXPECT_EQ(it->second.Val, v.Val) << w << "/" << seq;
      EXPECT_EQ(it->second.Memo, v.Memo) << w << "/" << seq;
    }
    for (std::int32_t seq : writers[w].Deleted)
      EXPECT_EQ(found.count({static_cast<int>(w), seq}), 0u)
          << "deleted record " << w << "/" << seq << " is back";
    for (std::int32_t id : writers[w].Ids)
      EXPECT_TRUE(allIds.insert(id).second) << "autoinc " << id << " given twice";
  }
  EXPECT_EQ(found.size(), live);
  if (!allIds.empty()) {
    EXPECT_GE(t->AutoIncCounter(), *allIds.rbegin());
  }
}

Expected Of(const mixed::Writer& w) {
  return {w.Final, w.Deleted, w.Ids};
}

// Two database objects on one file, their writers taking turns in a pattern
// that leaves each one's view stale at almost every step.
TEST(StaleView, TwoDatabaseObjectsInOneProcess) {
  TempDir dir;
  const std::string path = dir.File("two.zvc");
  mixed::CreateFixture(path);
  TZvFileDatabase a, b;
  a.Open(path);
  b.Open(path);
  TZvTableIO& ta = *a.FindTableIO("T");
  TZvTableIO& tb = *b.FindTableIO("T");
  ta.Open();
  tb.Open();
  mixed::Writer wa(ta, 0), wb(tb, 1);
  std::mt19937 turns(7);
  for (int i = 0; i < 600; ++i) (turns() % 3 ? wa : wb).Step();
  ta.Close();
  tb.Close();
  a.Close();
  b.Close();
  VerifyFile(path, {Of(wa), Of(wb)});
}

// Each fault of a stale view, provoked on purpose: B changes the file, then A
// acts from the view it read before.
struct Pair {
  Pair() {
    path = dir.File("pair.zvc");
    mixed::CreateFixture(path);
    a.Open(path);
    b.Open(path);
    ta = a.FindTableIO("T");
    tb = b.FindTableIO("T");
    ta->Open();
    tb->Open();
  }
  static void Append(TZvTableIO& t, std::int32_t seq, const Values& v, std::int32_t id = 0) {
    mixed::Record r;
    r.Set(0, seq, v);
    r.Id = id;
    t.AppendRecord(r.Buffers, false, nullptr, nullptr);
  }
  static void Change(TZvTableIO& t, std::int32_t recIndex, const Values& v, std::int32_t id = 0) {
    mixed::Record r;
    r.Set(0, recIndex, v);
    r.Id = id;
    t.ModifyRecord(r.Buffers, t.PhysicalPosOfRecIndex(recIndex), nullptr, nullptr, false);
  }
  // Names in the order of index ByName, as the lists of t hold them.
  static std::vector<std::string> Names(TZvTableIO& t) {
    std::vector<std::string> out;
    const TRecordList& l = *t.GetList(2);
    for (std::size_t i = 0; i < l.size(); ++i) {
      mixed::Record r;
      t.ReadRecord(r.Buffers, l, static_cast<int>(i));
      out.push_back(r.Name);
    }
    return out;
  }
  std::string Check() {
    std::ostringstream out, err;
    RunZvdb({"check", path}, out, err);
    return out.str() + err.str();
  }
  TempDir dir;
  std::string path;
  TZvFileDatabase a, b;
  TZvTableIO* ta = nullptr;
  TZvTableIO* tb = nullptr;
};

TEST(StaleView, ChangeOrDeleteOfARecordTheOtherDeletedIsRefused) {
  for (const bool change : {true, false}) {
    Pair p;
    for (int i = 0; i < 3; ++i) Pair::Append(*p.ta, i, {"n" + std::to_string(i), i, "m"});
    p.tb->RefreshView();
    p.tb->DeleteRecord(p.tb->PhysicalPosOfRecIndex(1), false);
    p.b.Close();
    const auto before = Slurp(p.path);
    const std::string error = ErrorOf([&] {
      if (change)
        Pair::Change(*p.ta, 1, {"n1", 99, "m"});
      else
        p.ta->DeleteRecord(p.ta->PhysicalPosOfRecIndex(1), false);
    });
    EXPECT_EQ(error, "Record not found") << (change ? "change" : "delete");
    p.a.Close();
    EXPECT_EQ(Slurp(p.path), before) << "nothing written";
    EXPECT_EQ(p.Check(), "ok: 1 table(s) checked\n");
  }
}

TEST(StaleView, KeyMovedByTheOtherStaysLinked) {
  Pair p;
  for (int i = 0; i < 6; ++i) Pair::Append(*p.ta, i, {"k" + std::to_string(i), i, ""});
  p.tb->RefreshView();
  // B moves k1 to the end of ByName; A, still seeing k1 second, moves k2 to
  // the head: unlinking k2 behind k1 would cut out what B linked there.
  Pair::Change(*p.tb, 1, {"k9", 1, ""});
  Pair::Change(*p.ta, 2, {"a2", 2, ""});
  Pair::Append(*p.ta, 6, {"k5b", 6, ""});
  EXPECT_EQ(Pair::Names(*p.ta), (std::vector<std::string>{"a2", "k0", "k3", "k4", "k5", "k5b", "k9"}));
  p.a.Close();
  p.b.Close();
  EXPECT_EQ(p.Check(), "ok: 1 table(s) checked\n");
}

TEST(StaleView, AutoincCounterNeverMovesBack) {
  Pair p;
  Pair::Append(*p.ta, 0, {"x0", 0, ""});
  p.tb->RefreshView();
  Pair::Append(*p.tb, 1, {"x1", 1, ""}, 500);
  // A's counter was 1: a change storing 400 must not write it back as 400.
  Pair::Change(*p.ta, 0, {"x0", 0, ""}, 400);
  EXPECT_EQ(p.ta->AutoIncCounter(), 500);
  Pair::Append(*p.ta, 2, {"x2", 2, ""});
  mixed::Record r;
  p.ta->ReadRecord(r.Buffers, *p.ta->GetList(0), 2);
  EXPECT_EQ(r.Id, 501);
  p.a.Close();
  p.b.Close();
  EXPECT_EQ(p.Check(), "ok: 1 table(s) checked\n");
}

TEST(StaleView, UniqueKeyTakenByTheOtherIsRefused) {
  Pair p;
  for (int i = 0; i < 3; ++i) Pair::Append(*p.ta, i, {"u" + std::to_string(i), i, ""});
  p.tb->RefreshView();
  Pair::Change(*p.tb, 0, {"taken", 0, ""});
  // A still knows record 0 as "u0": only the file says "taken" is in use.
  EXPECT_EQ(ErrorOf([&] { Pair::Append(*p.ta, 3, {"taken", 3, ""}); }), "Invalid unique field value 'taken'");
  EXPECT_EQ(ErrorOf([&] { Pair::Change(*p.ta, 2, {"taken", 2, ""}); }), "Invalid unique field value 'taken'");
  // And the name record 0 gave up is free again.
  Pair::Append(*p.ta, 3, {"u0", 3, ""});
  p.a.Close();
  p.b.Close();
  EXPECT_EQ(p.Check(), "ok: 1 table(s) checked\n");
}

TEST(StaleView, RefreshViewTakesInOnlyWhatOthersWrote) {
  Pair p;
  for (int i = 0; i < 4; ++i) Pair::Append(*p.ta, i, {"r" + std::to_string(i), i, ""});
  const std::uint64_t g0 = p.ta->ViewGeneration(), c0 = p.ta->ChangeCount();
  EXPECT_FALSE(p.ta->RefreshView()) << "own writes are no change";
  EXPECT_EQ(p.ta->ChangeCount(), c0);
  Pair::Change(*p.ta, 1, {"r1", 1, ""});
  EXPECT_EQ(p.ta->ChangeCount(), c0 + 1) << "an own write changes the lists";
  EXPECT_EQ(p.ta->ViewGeneration(), g0);
  const TRecordList* list0 = p.ta->GetList(0);
  p.tb->RefreshView();
  p.tb->DeleteRecord(p.tb->PhysicalPosOfRecIndex(0), false);
  Pair::Change(*p.tb, 3, {"a3", 3, ""});
  Pair::Append(*p.tb, 4, {"r4", 4, ""});
  EXPECT_TRUE(p.ta->RefreshView());
  EXPECT_NE(p.ta->ViewGeneration(), g0);
  EXPECT_EQ(p.ta->ChangeCount(), c0 + 2);
  EXPECT_EQ(p.ta->GetList(0), list0) << "the same list object, new contents";
  EXPECT_EQ(p.ta->PhysicalPosOfRecIndex(0), -1);
  EXPECT_EQ(p.ta->RecordCount(), 5);
  EXPECT_EQ(Pair::Names(*p.ta), (std::vector<std::string>{"a3", "r1", "r2", "r4"}));
  EXPECT_FALSE(p.ta->RefreshView());
}

// A scan reads several records per lock and keeps decoded copies: a change
// through this object shows at once, another database object's at the next
// read that takes the lock again.
TEST(StaleView, ScanReadingAheadSeesOwnChangesAtOnce) {
  Pair p;
  for (int i = 0; i < 8; ++i) Pair::Append(*p.ta, i, {"s" + std::to_string(i), i, "m"});
  const TRecordList& list = *p.ta->GetList(0);
  mixed::Record r;
  p.ta->ReadRecord(r.Buffers, list, 0);
  p.ta->ReadRecord(r.Buffers, list, 1);  // sequential: the rest is read ahead
  Pair::Change(*p.ta, 2, {"s2", 222, "m"});
  p.ta->ReadRecord(r.Buffers, list, 2);
  EXPECT_EQ(r.Val, 222);
  p.tb->RefreshView();
  Pair::Change(*p.tb, 4, {"s4", 444, "m"});
  p.ta->ReadRecord(r.Buffers, list, 0);  // not sequential: locks, sees B's write
  p.ta->ReadRecord(r.Buffers, list, 4);
  EXPECT_EQ(r.Val, 444);
  EXPECT_EQ(r.Get().Memo, "m");
}

// --- processes ---------------------------------------------------------------

std::intptr_t Start(const std::vector<std::string>& args) {
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

int Wait(std::intptr_t process) {
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

Expected ReadExpected(const std::string& path) {
  Expected e;
  std::ifstream in(path);
  std::string kind;
  while (in >> kind) {
    std::int32_t n = 0;
    in >> n;
    if (kind == "L") {
      Values v;
      in >> v.Name >> v.Val >> v.Memo;
      e.Final[n] = v;
    } else if (kind == "D") {
      e.Deleted.insert(n);
    } else {
      e.Ids.push_back(n);
    }
  }
  return e;
}

TEST(StaleView, ProcessesEditingAppendingAndDeletingAtOnce) {
  constexpr int kWorkers = 3, kSteps = 700;
  TempDir dir;
  const std::string path = dir.File("mixed.zvc");
  mixed::CreateFixture(path);
  std::vector<std::intptr_t> procs;
  for (int w = 0; w < kWorkers; ++w) {
    procs.push_back(Start({ZVDB_MIXED_WORKER, path, std::to_string(w), std::to_string(kSteps),
                           dir.File("w" + std::to_string(w) + ".txt")}));
    ASSERT_NE(procs.back(), -1);
  }
  for (std::intptr_t p : procs) EXPECT_EQ(Wait(p), 0);
  std::vector<Expected> writers;
  for (int w = 0; w < kWorkers; ++w)
    writers.push_back(ReadExpected(dir.File("w" + std::to_string(w) + ".txt")));
  VerifyFile(path, writers);
}

}  // namespace
}  // namespace velmorak

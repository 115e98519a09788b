// Several processes appending to one file at once lose nothing: every record
// is there once, autoinc values are unique, and every index chain in the
// file is complete and in order.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "DbTestSupport.h"

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

// Starts the worker program; returns a process handle to wait on.
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

TEST(MultiProcess, ConcurrentAppendsLoseNothing) {
  constexpr int kWorkers = 4, kEach = 2500;
  TempDir dir;
  const std::string path = dir.File("shared.zvc");
  ZvCreateDatabase(
      path, {},
      {{"T",
        {Fld("Id", ftAutoInc), Fld("Name", ftString, 20), Fld("Worker", ftInteger), Fld("Seq", ftInteger)},
        {Idx("PK", {0}, kPrimary), Idx("ByName", {1}, kUnique), Idx("BySeq", {3, 2}, kDescending)}}});
  std::vector<std::intptr_t> procs;
  for (int w = 0; w < kWorkers; ++w) {
    procs.push_back(Start({ZVDB_APPEND_WORKER, path, std::to_string(w), std::to_string(kEach)}));
    ASSERT_NE(procs.back(), -1);
  }
  for (std::intptr_t p : procs) EXPECT_EQ(Wait(p), 0);

  TZvFileDatabase db;
  db.Open(path);
  TZvTableIO* t = db.FindTableIO("T");
  t->Open();
  const std::size_t total = kWorkers * kEach;
  ASSERT_EQ(t->RecordCount(), static_cast<std::int32_t>(total));
  EXPECT_EQ(t->AutoIncCounter(), static_cast<std::int32_t>(total));
  std::set<std::pair<int, int>> tags;
  std::set<int> ids;
  for (int L = 0; L <= 3; ++L) {
    const TRecordList& list = *t->GetList(L);
    ASSERT_EQ(list.size(), total) << "list " << L;  // every chain complete
    std::vector<std::int32_t> keys;
    for (std::size_t i = 0; i < list.size(); ++i) {
      Row r(*t);
      r.Read(list, static_cast<int>(i));
      if (L == 0) {
        tags.insert({r.GetNum<std::int32_t>(2), r.GetNum<std::int32_t>(3)});
        ids.insert(r.GetNum<std::int32_t>(0));
      }
      if (L == 1) keys.push_back(r.GetNum<std::int32_t>(0));
      if (L == 3) keys.push_back(-(r.GetNum<std::int32_t>(3) * 16 + r.GetNum<std::int32_t>(2)));
    }
    if (L == 1 || L == 3) {
      EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << "list " << L;
    }
    if (L == 2) {
      for (std::size_t i = 1; i < list.size(); ++i) {
        Row a(*t), b(*t);
        a.Read(list, static_cast<int>(i - 1));
        b.Read(list, static_cast<int>(i));
        ASSERT_LT(a.GetText(1), b.GetText(1)) << i;
      }
    }
  }
  EXPECT_EQ(tags.size(), total);
  EXPECT_EQ(ids.size(), total);
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(*ids.rbegin(), static_cast<int>(total));
}

}  // namespace
}  // namespace velmorak

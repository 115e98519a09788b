// Several processes with long-lived cursors on one file change their own
// records (unique keys included), append and delete at once. Afterwards every
// record holds its last posted values, every appended record is there once
// with its own autoinc value, no deleted record is back, and the file checks
// clean.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "CursorTestSupport.h"
#include "database/ZvDBTable.h"
#include "tools/zvdb/ZvdbCommands.h"

namespace velmorak {
namespace {

using namespace dbtest;

constexpr int kSlots = 10;  // as in cursor_worker.cpp

TEST(CursorMultiProcess, LongLivedCursorsLoseNothing) {
  constexpr int kWorkers = 3, kRounds = 30;
  TempDir dir;
  const std::string path = dir.File("shared.zvc");
  ZvCreateDatabase(path, {},
                   {{"T",
                     {Fld("Id", ftAutoInc), Fld("Name", ftString, 24), Fld("Owner", ftInteger),
                      Fld("Slot", ftInteger), Fld("Value", ftInteger)},
                     {Idx("PK", {0}, kPrimary), Idx("ByName", {1}, kUnique), Idx("ByValue", {4, 2})}}});
  {
    TZvTable t(nullptr);
    t.SetDatabaseName(path);
    t.SetTableName("T");
    t.Open();
    for (int w = 0; w < kWorkers; ++w)
      for (int s = 0; s < kSlots; ++s) {
        t.Append();
        t.FieldByName("Name")->SetValue(Format("w%d-s%d", w, s));
        t.FieldByName("Owner")->SetValue(w);
        t.FieldByName("Slot")->SetValue(s);
        t.Post();
      }
  }
  std::vector<std::intptr_t> procs;
  for (int w = 0; w < kWorkers; ++w) {
    procs.push_back(StartProcess({CURSOR_WORKER, path, std::to_string(w), std::to_string(kRounds)}));
    ASSERT_NE(procs.back(), -1);
  }
  for (std::intptr_t p : procs) EXPECT_EQ(WaitProcess(p), 0);

  // What each worker left: its seeded records with their last values, its
  // appends but those it deleted.
  std::map<std::string, int> expected;  // name -> value
  for (int w = 0; w < kWorkers; ++w) {
    for (int s = 0; s < kSlots; ++s) {
      int last = 0;
      for (int r = 1; r <= kRounds; ++r)
        if (r % kSlots == s) last = r;
      expected[last ? Format("w%d-s%d-r%d", w, s, last) : Format("w%d-s%d", w, s)] = last;
    }
    for (int r = 1; r <= kRounds; ++r)
      if (!((r + 1) % 3 == 0 && r + 1 <= kRounds)) expected[Format("w%d-a%d", w, r)] = r;
  }
  TZvTable t(nullptr);
  t.SetDatabaseName(path);
  t.SetTableName("T");
  t.SetIndexName("ByName");
  t.Open();
  std::map<std::string, int> found;
  std::set<int> ids;
  std::string previous;
  for (t.First(); !t.Eof(); t.Next()) {
    const std::string name = t.FieldByName("Name")->AsString();
    EXPECT_LT(previous, name);
    previous = name;
    EXPECT_TRUE(found.emplace(name, t.FieldByName("Value")->AsInteger()).second) << name << " twice";
    ids.insert(t.FieldByName("Id")->AsInteger());
  }
  EXPECT_EQ(found, expected);
  EXPECT_EQ(ids.size(), found.size());
  t.Close();
  std::ostringstream out, err;
  EXPECT_EQ(RunZvdb({"check", path}, out, err), 0) << out.str() << err.str();
}

}  // namespace
}  // namespace velmorak

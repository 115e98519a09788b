// MixedWriter: one writer's share of a concurrent workload on table "T" of
// the mixed-writers fixture — appends, changes (index keys included) and
// deletions of its own records, in an order drawn from a seed — and the final
// state that share must leave. The worker process and the in-process tests run
// the same script, and the checks compare the file with the state the scripts
// say, so nothing of a writer's work may be lost or come back.
//
// Table T: Id autoinc (primary), Name ftString 24 (unique), Val ftInteger
// (index ByVal, descending, not unique), Worker, Seq, Memo ftMemo.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"
#include "tools/zvdb/ZvDBCreator.h"

namespace velmorak::mixed {

constexpr int fId = 0, fName = 1, fVal = 2, fWorker = 3, fSeq = 4, fMemo = 5;

inline void CreateFixture(const std::string& path) {
  ZvCreateDatabase(path, {},
                   {{"T",
                     {{"Id", ftAutoInc, 0, 0},
                      {"Name", ftString, 24, 0},
                      {"Val", ftInteger, 0, 0},
                      {"Worker", ftInteger, 0, 0},
                      {"Seq", ftInteger, 0, 0},
                      {"Memo", ftMemo, 0, 0}},
                     {{"PK", IndexOptionBit(tiPrimary), {fId}},
                      {"ByName", IndexOptionBit(tiUnique), {fName}},
                      {"ByVal", IndexOptionBit(tiDescending), {fVal}}}}});
}

// What a record of a writer holds.
struct Values {
  std::string Name;
  std::int32_t Val = 0;
  std::string Memo;
  bool operator==(const Values&) const = default;
};

// A record buffer of table T.
struct Record {
  std::int32_t Id = 0, Val = 0, Worker = 0, Seq = 0;
  char Name[25] = {};
  TOptimBlobStream Memo;
  TFieldBuffers Buffers;

  Record() {
    Buffers.Add(&Id, ftAutoInc, 4);
    Buffers.Add(Name, ftString, 25);
    Buffers.Add(&Val, ftInteger, 4);
    Buffers.Add(&Worker, ftInteger, 4);
    Buffers.Add(&Seq, ftInteger, 4);
    Buffers.AddStream(&Memo, ftMemo);
  }
  void Set(std::int32_t w, std::int32_t s, const Values& v) {
    Id = 0;
    Worker = w;
    Seq = s;
    std::memset(Name, 0, sizeof Name);
    std::snprintf(Name, sizeof Name, "%s", v.Name.c_str());
    Val = v.Val;
    Memo.Setup(0, false, false);
    if (!v.Memo.empty()) Memo.WriteBuffer(v.Memo.data(), static_cast<std::int64_t>(v.Memo.size()));
  }
  Values Get() {
    Values v{Name, Val, {}};
    Memo.SetPosition(0);
    v.Memo.resize(static_cast<std::size_t>(Memo.Size()));
    if (!v.Memo.empty()) Memo.ReadBuffer(v.Memo.data(), static_cast<std::int64_t>(v.Memo.size()));
    return v;
  }
};

// One writer's script. Step() does the next operation on its table and
// records what it expects; Final holds its live records by sequence number,
// Deleted the sequence numbers it removed, Ids the autoinc values it got.
class Writer {
 public:
  Writer(TZvTableIO& table, int worker) : FTable(table), FWorker(worker), FRng(1000u + worker) {}

  void Step() {
    const unsigned r = FRng() % 10;
    if (r < 5 || FLive.size() < 3)
      Append();
    else if (r < 8)
      Change();
    else
      Delete();
  }

  std::map<std::int32_t, Values> Final;
  std::set<std::int32_t> Deleted;
  std::vector<std::int32_t> Ids;

 private:
  Values Make(std::int32_t seq, int version) {
    char name[25];
    std::snprintf(name, sizeof name, "w%d-%05d-%d", FWorker, seq, version);
    // A memo that grows with the version moves its blob area now and then.
    return {name, static_cast<std::int32_t>(FRng() % 500),
            std::string(static_cast<std::size_t>(10 + 30 * version), static_cast<char>('a' + FWorker))};
  }

  void Append() {
    const std::int32_t seq = FNextSeq++;
    const Values v = Make(seq, 0);
    FRecord.Set(FWorker, seq, v);
    FTable.AppendRecord(FRecord.Buffers, false, nullptr, nullptr);
    // The new record has the highest record index: the end of list 0.
    FLive[seq] = {FTable.GetList(0)->back().RecIndex, 0};
    Final[seq] = v;
    Ids.push_back(FRecord.Id);
  }

  std::map<std::int32_t, std::pair<std::int32_t, int>>::iterator Pick() {
    auto it = FLive.begin();
    std::advance(it, static_cast<long>(FRng() % FLive.size()));
    return it;
  }

  void Change() {
    auto it = Pick();
    const int version = ++it->second.second;
    const Values v = Make(it->first, version);
    FRecord.Set(FWorker, it->first, v);
    FTable.ModifyRecord(FRecord.Buffers, FTable.PhysicalPosOfRecIndex(it->second.first), nullptr, nullptr,
                        false);
    Final[it->first] = v;
  }

  void Delete() {
    auto it = Pick();
    FTable.DeleteRecord(FTable.PhysicalPosOfRecIndex(it->second.first), false);
    Final.erase(it->first);
    Deleted.insert(it->first);
    FLive.erase(it);
  }

  TZvTableIO& FTable;
  int FWorker;
  std::mt19937 FRng;
  std::int32_t FNextSeq = 0;
  std::map<std::int32_t, std::pair<std::int32_t, int>> FLive;  // seq -> (record index, version)
  Record FRecord;
};

}  // namespace velmorak::mixed

// A writer process for the cursor's multi-process test. It keeps one cursor
// open on table "T" of FILE for its whole life, as a program that keeps its
// tables open does, and for each round: changes one of its own records (its
// name, a key of the unique index, changes too), appends a record and, every
// third round, deletes the record it appended in the round before. Every
// step waits for the file lock as long as it takes.
//
//   cursor_worker FILE WORKER ROUNDS
//
// Its own records are those whose "Owner" is WORKER; seeded ones have
// "Slot" 0..kSlots-1, appended ones 1000 + the round.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "database/ZvDB.h"
#include "database/ZvDBTable.h"

using namespace velmorak;

namespace {
constexpr int kSlots = 10;

bool Seek(TZvTable& t, int owner, int slot) {
  return t.Locate("Owner;Slot", Variant::Array({Variant(owner), Variant(slot)}), {});
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: cursor_worker FILE WORKER ROUNDS\n");
    return 2;
  }
  try {
    const int worker = std::atoi(argv[2]), rounds = std::atoi(argv[3]);
    DefaultSession()->SetLockRetryCount(0);
    DefaultSession()->SetLockWaitTime(1);
    TZvTable t(nullptr);
    t.SetName("Worker");
    t.SetDatabaseName(argv[1]);
    t.SetTableName("T");
    t.SetIndexName("ByName");
    t.Open();
    for (int r = 1; r <= rounds; ++r) {
      const int slot = r % kSlots;
      if (!Seek(t, worker, slot)) throw Exception("own record " + std::to_string(slot) + " missing");
      t.Edit();
      t.FieldByName("Name")->SetValue(Format("w%d-s%d-r%d", worker, slot, r));
      t.FieldByName("Value")->SetValue(r);
      t.Post();
      t.Append();
      t.FieldByName("Name")->SetValue(Format("w%d-a%d", worker, r));
      t.FieldByName("Owner")->SetValue(worker);
      t.FieldByName("Slot")->SetValue(1000 + r);
      t.FieldByName("Value")->SetValue(r);
      t.Post();
      if (r % 3 == 0) {
        if (!Seek(t, worker, 1000 + r - 1))
          throw Exception("own append " + std::to_string(r - 1) + " missing");
        t.Delete();
      }
    }
    t.Close();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "worker: %s\n", e.what());
    return 1;
  }
}

// A writer process for the mixed-writers test: runs worker WORKER's script
// of STEPS appends, changes and deletions on table "T" of FILE, taking turns
// with the other writers through the file lock, then writes what the file
// must now hold of its records to OUT, one line each:
//
//   L SEQ NAME VAL MEMO     a live record
//   D SEQ                   a record it deleted
//   I ID                    an autoinc value it was given
//
//   database_mixed_worker FILE WORKER STEPS OUT
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "MixedWriter.h"

using namespace velmorak;

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: database_mixed_worker FILE WORKER STEPS OUT\n");
    return 2;
  }
  try {
    const int worker = std::atoi(argv[2]), steps = std::atoi(argv[3]);
    TZvFileDatabase db;
    db.LockRetryCount = 0;  // wait as long as it takes
    db.LockWaitTime = 1;
    db.Open(argv[1]);
    TZvTableIO* t = db.FindTableIO("T");
    t->Open();
    mixed::Writer w(*t, worker);
    for (int i = 0; i < steps; ++i) w.Step();
    t->Close();
    db.Close();
    std::ofstream out(argv[4]);
    for (const auto& [seq, v] : w.Final)
      out << "L " << seq << ' ' << v.Name << ' ' << v.Val << ' ' << v.Memo << '\n';
    for (std::int32_t seq : w.Deleted) out << "D " << seq << '\n';
    for (std::int32_t id : w.Ids) out << "I " << id << '\n';
    return out.good() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "worker %s: %s\n", argv[2], e.what());
    return 1;
  }
}

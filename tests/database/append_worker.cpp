// A writer process for the multi-process test: appends COUNT records to table
// "T" of FILE, each tagged with its worker number and sequence, taking turns
// with the other writers through the file lock.
//
//   database_append_worker FILE WORKER COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"

using namespace velmorak;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: database_append_worker FILE WORKER COUNT\n");
    return 2;
  }
  try {
    const std::int32_t worker = std::atoi(argv[2]), count = std::atoi(argv[3]);
    TZvFileDatabase db;
    db.LockRetryCount = 0;  // wait as long as it takes
    db.LockWaitTime = 1;
    db.Open(argv[1]);
    TZvTableIO* t = db.FindTableIO("T");
    t->Open();
    for (std::int32_t seq = 0; seq < count; ++seq) {
      std::int32_t id = 0;
      char name[21] = {};
      std::snprintf(name, sizeof name, "w%d-%05d", worker, count - seq);  // descending: keeps the head moving
      TFieldBuffers b;
      b.Add(&id, ftAutoInc, 4);
      b.Add(name, ftString, 21);
      b.Add(const_cast<std::int32_t*>(&worker), ftInteger, 4);
      b.Add(&seq, ftInteger, 4);
      t->AppendRecord(b, false, nullptr, nullptr);
    }
    t->Close();
    db.Close();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "worker: %s\n", e.what());
    return 1;
  }
}

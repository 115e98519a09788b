// Opens arbitrary bytes as a database held in memory and reads every table,
// record and blob through the engine, then appends one record to each table.
// Damaged input must end in an engine error, never in a crash, a hang or an
// allocation beyond what the input can justify.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"

using namespace velmorak;

namespace {

void Exercise(TZvTableIO& t) {
  t.Open();
  const int fields = t.FieldDefs().Count();
  std::vector<std::vector<std::uint8_t>> values(static_cast<std::size_t>(fields));
  std::vector<std::unique_ptr<TOptimBlobStream>> blobs(static_cast<std::size_t>(fields));
  TFieldBuffers buffers;
  for (int i = 0; i < fields; ++i) {
    const std::uint8_t type = t.FieldDefs().Items(i).FieldType;
    if (zvfmt::IsBlobType(type)) {
      blobs[static_cast<std::size_t>(i)] = std::make_unique<TOptimBlobStream>();
      buffers.AddStream(blobs[static_cast<std::size_t>(i)].get(), type);
    } else {
      values[static_cast<std::size_t>(i)].assign(static_cast<std::size_t>(t.FieldByteSize(i)), 0);
      buffers.Add(values[static_cast<std::size_t>(i)].data(), type, t.FieldByteSize(i));
    }
  }
  for (int L = 0; L <= t.IndexDefs().Count(); ++L) {
    const TRecordList* list = t.GetList(L);
    for (std::size_t k = 0; list && k < list->size(); ++k) {
      t.ReadRecord(buffers, *list, static_cast<int>(k));
      for (auto& b : blobs)
        if (b) b->Seek(0, TSeekOrigin::soEnd);  // loads the blob
    }
  }
  for (auto& v : values) std::fill(v.begin(), v.end(), 0);
  for (auto& b : blobs)
    if (b) {
      b->Setup(0, false, false);
      b->WriteBuffer("fuzz", 4);
    }
  t.AppendRecord(buffers, false, nullptr, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream image;
  if (size) image.WriteBuffer(data, static_cast<std::int64_t>(size));
  const std::uint32_t handle = RegisterMemoryDatabase(&image);
  try {
    TZvFileDatabase db;
    db.MediumType = mtMemory;
    db.Open(MemoryDatabaseName(handle));
    db.SetPassword("fuzz");
    for (int t = 0; t < db.TableCount(); ++t) {
      try {
        Exercise(*db.TableIO(t));
      } catch (const Exception&) {
        // A damaged table; the next one may still be sound.
      }
    }
  } catch (const Exception&) {
  }
  UnregisterMemoryDatabase(handle);
  return 0;
}

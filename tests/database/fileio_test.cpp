// The file object: open checks and their messages, media, read-only files,
// the byte-1 lock with its retry budget, flushing, and the tab walks.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DbTestSupport.h"
#include "platform/os/FileSystem.h"

namespace velmorak {
namespace {

using namespace dbtest;

std::string MakeDb(const TempDir& dir, const std::string& name = "db.zvc",
                   const std::string& version = "2.0") {
  TZvCreateOptions opt;
  opt.Version = version;
  ZvCreateDatabase(dir.File(name), opt, {{"Clients", {Fld("Nom", ftString, 10)}, {}}, {"Villes", {}, {}}});
  return dir.File(name);
}

TEST(FileIOOpen, RefusesWithTheExactMessages) {
  TempDir dir;
  const std::string good = MakeDb(dir);
  auto bytes = Slurp(good);
  auto withSignature = [&](const char* sig) {
    auto b = bytes;
    std::memcpy(b.data(), sig, 7);
    Spit(dir.File("sig.zvc"), b);
    return dir.File("sig.zvc");
  };
  struct Case {
    const char* why;
    std::string path;
    std::string message;
  } cases[] = {
      {"missing file", dir.File("none.zvc"), "Cannot open file " + dir.File("none.zvc")},
      {"wrong signature", withSignature("ZvDX\0\0\0"),
       "Database file '" + dir.File("sig.zvc") + "' is a invalid ZvDB"},
      {"version 1.00", MakeDb(dir, "v100.zvc", "1.00"), "Version 1.00 is not compatible"},
      {"version 2.1", MakeDb(dir, "v21.zvc", "2.1"), "Version of database file is too High"},
      {"version 3", MakeDb(dir, "v3.zvc", "3"), "Version of database file is too High"},
      {"version 1.5 is fine", MakeDb(dir, "v15.zvc", "1.5"), ""},
  };
  for (const Case& c : cases) {
    TZvDBFileIO io(nullptr);
    EXPECT_EQ(ErrorOf([&] { io.Open(c.path, mtDisk, false, false); }), c.message) << c.why;
  }
  Spit(dir.File("short.zvc"), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12));
  TZvDBFileIO io(nullptr);
  EXPECT_NE(ErrorOf([&] { io.Open(dir.File("short.zvc"), mtDisk, false, false); }).find("is damaged"),
            std::string::npos);
}

TEST(FileIOOpen, SecondOpenChangesNothingAndTableNamesListInOrder) {
  TempDir dir;
  const std::string path = MakeDb(dir);
  TZvDBFileIO io(nullptr);
  io.Open(path, mtDisk, false, false);
  io.Open(dir.File("other.zvc"), mtDisk, true, true);
  EXPECT_EQ(io.FileName(), path);
  EXPECT_FALSE(io.ReadOnly());
  TStringList names;
  int changes = 0;
  names.OnChange = [&](TObject*) { ++changes; };
  io.GetTableNames(names);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Strings(0), "Clients");
  EXPECT_EQ(names.Strings(1), "Villes");
  EXPECT_EQ(changes, 1);  // notifications suspended while filling
}

TEST(FileIOOpen, ReadOnlyAttributeOpensReadOnly) {
  TempDir dir;
  const std::string path = MakeDb(dir, "ro.zvc");
  ASSERT_TRUE(os::FileSetAttr(path, os::faReadOnly));
  TZvDBFileIO io(nullptr);
  io.Open(path, mtDisk, false, false);
  EXPECT_TRUE(io.FileIsReadOnly());
  std::uint8_t b = 0;
  EXPECT_THROW(io.WriteBuffer(4000, &b, 1), EWriteError);
  io.Close();
  os::FileSetAttr(path, os::faNormal);
}

TEST(FileIOMemory, NamesAndBorrowedStream) {
  TempDir dir;
  const auto image = Slurp(MakeDb(dir));
  auto* stream = new TMemoryStream;
  stream->WriteBuffer(image.data(), static_cast<std::int64_t>(image.size()));
  const std::uint32_t h = RegisterMemoryDatabase(stream);
  for (const std::string bad : {":", ":12G4", "C:\\db.zvc", ":FFFFFFF0"}) {
    TZvDBFileIO io(nullptr);
    EXPECT_EQ(ErrorOf([&] { io.Open(bad, mtMemory, false, false); }), "Invalid database name '" + bad + "'");
  }
  {
    TZvDBFileIO io(nullptr);
    std::string name = MemoryDatabaseName(h);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    io.Open(name, mtMemory, false, false);
    EXPECT_TRUE(io.IsOpen());
    EXPECT_EQ(io.TableCount(), 2);
    io.Lock();  // memory databases are never locked; must not fail
    io.Unlock();
    io.Close();
  }
  EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(image.size()));  // still alive
  UnregisterMemoryDatabase(h);
  delete stream;
}

TEST(FileIOLock, RetryBudgetAndWaitingForRelease) {
  TempDir dir;
  const std::string path = MakeDb(dir);
  // Another handle holds byte 1, as another writer would.
  const os::THandle other = os::FileOpen(path, os::fmOpenReadWrite | os::fmShareDenyNone);
  ASSERT_NE(other, os::InvalidHandle);
  ASSERT_TRUE(os::FileLockRange(other, 1, 1));

  TZvDBFileIO io(nullptr);
  io.Open(path, mtDisk, false, false);
  io.LockRetryCount = 3;
  io.LockWaitTime = 30;
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { io.Lock(); }), "Wait for unlock time out");
  const auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(waited, std::chrono::milliseconds(3 * 30 - 5));  // three waits, then the fourth failure raised
  EXPECT_FALSE(io.Locked());

  io.LockRetryCount = 0;  // without limit
  io.LockWaitTime = 10;
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    os::FileUnlockRange(other, 1, 1);
  });
  io.Lock();
  EXPECT_TRUE(io.Locked());
  releaser.join();
  // While held here, the other handle cannot take it.
  EXPECT_FALSE(os::FileLockRange(other, 1, 1));
  io.Unlock();
  EXPECT_TRUE(os::FileLockRange(other, 1, 1));
  os::FileUnlockRange(other, 1, 1);
  os::FileClose(other);
}

TEST(FileIOFlush, FlushedStateFollowsWrites) {
  TempDir dir;
  const std::string path = MakeDb(dir);
  for (bool exclusive : {false, true}) {
    TZvDBFileIO io(nullptr);
    io.Open(path, mtDisk, false, exclusive);
    EXPECT_TRUE(io.IsFlushed());
    const std::uint8_t b[3] = {1, 2, 3};
    io.Lock();
    io.WriteBuffer(io.FileSize(), b, 3);
    io.Unlock();
    EXPECT_FALSE(io.IsFlushed());
    io.Flush();
    EXPECT_TRUE(io.IsFlushed());
    io.Close();
  }
  EXPECT_EQ(Slurp(path).size(),
            static_cast<std::size_t>(zvfmt::kDataAreaOffset + 2 * zvfmt::kTableHeaderSize + 6));
}

TEST(FileIOCache, WritesReachTheFileAtUnlock) {
  TempDir dir;
  const std::string path = MakeDb(dir);
  TZvDBFileIO writer(nullptr), reader(nullptr);
  writer.Open(path, mtDisk, false, false);
  reader.Open(path, mtDisk, false, false);
  const std::int64_t end = writer.FileSize();
  const std::uint8_t data[5] = {9, 8, 7, 6, 5};
  writer.Lock();
  writer.WriteBuffer(end, data, 5);
  writer.Unlock();
  std::uint8_t back[5] = {};
  reader.Lock();
  reader.ReadBuffer(end, back, 5);
  reader.Unlock();
  EXPECT_EQ(std::memcmp(back, data, 5), 0);
}

}  // namespace
}  // namespace velmorak

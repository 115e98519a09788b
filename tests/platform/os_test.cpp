// The file-system layer, run natively and under Wine so both backends are
// held to the same contract.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/classes/Classes.h"
#include "platform/os/FileSystem.h"

namespace velmorak {
namespace {

using namespace os;

class OsTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    FDir = (std::filesystem::temp_directory_path() / (std::string("velmorak_os_") + info->name())).string();
    std::filesystem::remove_all(FDir);
    ASSERT_TRUE(ForceDirectories(FDir));
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(FDir + PathDelim() + "ro.txt", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(FDir, ec);
  }
  std::string Path(const std::string& name) const { return FDir + PathDelim() + name; }
  void Write(const std::string& name, const std::string& text) {
    TFileStream f(Path(name), TFileStream::fmCreate);
    f.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }

  std::string FDir;
};

TEST_F(OsTest, ByteLockExcludesASecondHandleOfTheSameProcess) {
  Write("db", "0123456789");
  const THandle a = FileOpen(Path("db"), fmOpenReadWrite | fmShareDenyNone);
  const THandle b = FileOpen(Path("db"), fmOpenReadWrite | fmShareDenyNone);
  ASSERT_NE(a, InvalidHandle);
  ASSERT_NE(b, InvalidHandle);
  EXPECT_TRUE(FileLockRange(a, 1, 1));
  EXPECT_FALSE(FileLockRange(b, 1, 1));  // held by a
  EXPECT_TRUE(FileLockRange(b, 2, 1));   // another byte is free
  EXPECT_TRUE(FileUnlockRange(a, 1, 1));
  EXPECT_TRUE(FileLockRange(b, 1, 1));
  FileClose(a);
  FileClose(b);
}

TEST_F(OsTest, DosDateTimeSurvivesARoundTrip) {
  Write("dated", "x");
  // 2017-12-01 14:35:58 local time: date (37<<9 | 12<<5 | 1), time (14<<11 | 35<<5 | 29).
  const std::uint32_t when = ((37u << 9 | 12u << 5 | 1u) << 16) | (14u << 11 | 35u << 5 | 29u);
  THandle h = FileOpen(Path("dated"), fmOpenReadWrite);
  ASSERT_NE(h, InvalidHandle);
  ASSERT_TRUE(FileSetDosDateTime(h, when));
  FileClose(h);
  h = FileOpen(Path("dated"), fmOpenRead);
  EXPECT_EQ(FileGetDosDateTime(h), when);
  FileClose(h);
}

TEST_F(OsTest, FoldersAttributesRenameAndDelete) {
  const std::string deep = Path("a") + PathDelim() + "b" + PathDelim() + "c";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));
  EXPECT_TRUE(FileGetAttr(deep) & faDirectory);

  Write("ro.txt", "keep");
  EXPECT_FALSE(FileGetAttr(Path("ro.txt")) & faReadOnly);
  ASSERT_TRUE(FileSetAttr(Path("ro.txt"), faReadOnly));
  EXPECT_TRUE(FileGetAttr(Path("ro.txt")) & faReadOnly);
  ASSERT_TRUE(FileSetAttr(Path("ro.txt"), 0));
  EXPECT_FALSE(FileGetAttr(Path("ro.txt")) & faReadOnly);

  Write("other.txt", "other");
  EXPECT_FALSE(FileRename(Path("ro.txt"), Path("other.txt")));  // never over an existing file
  EXPECT_TRUE(FileRename(Path("ro.txt"), Path("moved.txt")));
  EXPECT_TRUE(FileCopy(Path("moved.txt"), Path("copy.txt"), true));
  EXPECT_FALSE(FileCopy(Path("moved.txt"), Path("copy.txt"), true));
  EXPECT_TRUE(FileDelete(Path("moved.txt")));
  EXPECT_FALSE(FileExists(Path("moved.txt")));
  EXPECT_EQ(FileGetAttr(Path("moved.txt")), InvalidAttributes);
}

TEST_F(OsTest, FileStreamReportsOpenFailuresWithTheFileName) {
  try {
    TFileStream f(Path("missing.bin"), fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + Path("missing.bin") + "\". ", 0), 0u) << e.Message();
  }
}

TEST_F(OsTest, StreamsReadWriteSeekAndRefuseShortReads) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  m.SetPosition(8);
  m.WriteBuffer("Z", 1);  // past the end: the gap reads as zeros
  EXPECT_EQ(m.Size(), 9);
  EXPECT_EQ(m.Memory()[7], 0);
  m.SaveToFile(Path("m.bin"));

  TFileStream f(Path("m.bin"), fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(f.Size(), 9);
  char buf[4] = {};
  f.Seek(2, TSeekOrigin::soBeginning);
  f.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "cde");
  EXPECT_EQ(f.Position(), 5);
  EXPECT_THROW(f.ReadBuffer(buf, 5), EReadError);  // only 4 bytes remain
}

}  // namespace
}  // namespace velmorak

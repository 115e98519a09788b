// Opening archives: open modes and the side effects of Open and Close, the
// end record and comment, the rebuild when the end record cannot be found,
// prepended stubs, ZIP64, OEM names, and damaged directories.
#include "ArchiveTestUtil.h"
#include "platform/os/FileSystem.h"

namespace velmorak::test {

class CatalogueTest : public ArchiveTest {};

TEST_F(CatalogueTest, OpenLoadsEntriesAndCloseLeavesTheFileUnchanged) {
  const std::string file = Copy("basic.zip");
  const Bytes before = ReadFile(file);
  auto zip = Archiver(file);
  int opened = 0;
  zip->AfterOpen = [&](TObject* sender) { opened += sender == zip.get(); };
  zip->Open();
  EXPECT_TRUE(zip->IsOpen());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(zip->OpenMode(), 0x22);
  ASSERT_EQ(zip->ItemCount(), 3);
  EXPECT_EQ(zip->Items(0).Name, "bin/");
  EXPECT_EQ(zip->Items(1).Name, "bin/app.exe");
  EXPECT_EQ(zip->Items(1).Method(), 8);
  EXPECT_EQ(zip->Items(2).Name, "readme.txt");
  EXPECT_EQ(zip->DirManager()->StubOffset, 0);
  EXPECT_FALSE(zip->DirManager()->IsZip64);
  EXPECT_THROW(zip->Items(3), EZAException);
  zip->Close();
  EXPECT_FALSE(zip->IsOpen());
  EXPECT_EQ(zip->ItemCount(), 0);
  EXPECT_EQ(ReadFile(file), before);
}

TEST_F(CatalogueTest, MissingFileBecomesAnEmptyArchiveOnClose) {
  const std::string file = Path("missing.zvp");
  auto zip = Archiver(file);
  zip->Open();
  EXPECT_TRUE(zip->IsOpen());
  EXPECT_EQ(zip->OpenMode(), 0xFFFF);
  EXPECT_EQ(zip->ItemCount(), 0);
  zip->Close();
  Bytes expected(22, 0);
  Put32(expected, 0, 0x06054b50);
  EXPECT_EQ(ReadFile(file), expected);
  // The 22 bytes open again as an archive without items.
  zip->Open();
  EXPECT_EQ(zip->ItemCount(), 0);
  EXPECT_EQ(zip->DirManager()->StubOffset, 0);
}

TEST_F(CatalogueTest, BlankFileNameAndFilesThatAreNoArchive) {
  auto zip = Archiver(Dir + "/");
  try {
    zip->Open();
    FAIL();
  } catch (const EZAException& e) {
    EXPECT_EQ(e.Message(),
              "Archiver: File name is blank. Specify appropriate file name - Native error: 00009");
  }
  for (const std::string& content :
       {std::string(), std::string("this is not an archive at all, just text")}) {
    WriteText(Path("bad.zip"), content);
    auto bad = Archiver(Path("bad.zip"));
    try {
      bad->Open();
      FAIL() << content;
    } catch (const EZAException& e) {
      EXPECT_EQ(e.NativeError(), 35);
      EXPECT_EQ(e.Message(), "Invalid archive file. - Native error: 00035");
    }
    EXPECT_FALSE(bad->IsOpen());
    bad->Close();
    EXPECT_EQ(ReadText(Path("bad.zip")), content);  // never written to
  }
}

TEST_F(CatalogueTest, CommentAndTheRebuildWhenBytesFollowIt) {
  auto zip = Archiver(Copy("comment.zip"));
  zip->Open();
  EXPECT_EQ(zip->DirManager()->CommentText, "Package comment");
  ASSERT_EQ(zip->ItemCount(), 1);
  const TDirItem central = zip->Items(0);
  zip->Close();

  // One byte after the comment: the end record cannot be found, the local
  // headers give the catalogue, and the item still extracts.
  Bytes b = ReadFile(Fixture("comment.zip"));
  b.push_back(0);
  WriteFile(Path("appended.zip"), b);
  auto rebuilt = Archiver(Path("appended.zip"));
  rebuilt->BaseDir = Path("out");
  rebuilt->Open();
  ASSERT_EQ(rebuilt->ItemCount(), 1);
  EXPECT_EQ(rebuilt->Items(0).Name, "readme.txt");
  EXPECT_EQ(rebuilt->Items(0).Crc(), central.Crc());
  EXPECT_EQ(rebuilt->Items(0).ExternalAttributes(), 0x20u);
  EXPECT_EQ(rebuilt->DirManager()->DirectoryStart, static_cast<std::int64_t>(b.size()));
  rebuilt->ExtractMatching("*.*", 10431, "");
  EXPECT_EQ(ReadText(Path("out/readme.txt")), "hello\n");
  EXPECT_TRUE(Dialogs.Shown().empty());
}

TEST_F(CatalogueTest, RebuildTakesSizesFromDataDescriptors) {
  // Streamed output: sizes and CRC live in data descriptors only.
  Bytes b = ReadFile(Fixture("enc_stream.zip"));
  b.push_back('x');
  WriteFile(Path("stream.zip"), b);
  auto zip = Archiver(Path("stream.zip"));
  zip->Password = "secret";
  zip->BaseDir = Path("out");
  zip->Open();
  ASSERT_EQ(zip->ItemCount(), 2);
  zip->ExtractMatching();
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_EQ(ReadText(Path("out/readme.txt")), "hello\n");
  EXPECT_EQ(ReadFile(Path("out/bin/app.exe")).size(), 7890u);
}

TEST_F(CatalogueTest, StubPrependedWithAndWithoutAdjustedOffsets) {
  const Bytes original = ReadFile(Fixture("basic.zip"));
  const std::uint32_t appOffset = Get32(original, CentralEntry(original, "bin/app.exe") + 42);
  Bytes prepended(1000 + original.size(), 'S');
  std::copy(original.begin(), original.end(), prepended.begin() + 1000);
  WriteFile(Path("stub.zip"), prepended);
  auto zip = Archiver(Path("stub.zip"));
  zip->BaseDir = Path("out");
  zip->Open();
  EXPECT_EQ(zip->DirManager()->StubOffset, 1000);
  // Folder entries keep their offsets; they have no data to find.
  EXPECT_EQ(zip->Items(0).LocalHeaderOffset(), 0u);
  EXPECT_EQ(zip->Items(1).LocalHeaderOffset(), 1000u + appOffset);
  zip->ExtractMatching();
  EXPECT_EQ(ReadText(Path("out/readme.txt")), "hello\n");
  EXPECT_EQ(ReadFile(Path("out/bin/app.exe")).size(), 7890u);
  zip->Close();

  // The same stub with every offset adjusted (as zip -A does) is left alone.
  for (int n = 0;; ++n) {
    const std::size_t at = FindSig(prepended, 0x02014b50, n);
    if (at == std::string::npos) break;
    Put32(prepended, at + 42, Get32(prepended, at + 42) + 1000);
  }
  const std::size_t end = FindSig(prepended, 0x06054b50);
  Put32(prepended, end + 16, Get32(prepended, end + 16) + 1000);
  WriteFile(Path("adjusted.zip"), prepended);
  auto adjusted = Archiver(Path("adjusted.zip"));
  adjusted->Open();
  EXPECT_EQ(adjusted->DirManager()->StubOffset, 1000);
  EXPECT_EQ(adjusted->Items(1).LocalHeaderOffset(), 1000u + appOffset);
}

TEST_F(CatalogueTest, Zip64RecordsAndAMissingZip64EndRecord) {
  auto zip = Archiver(Copy("zip64.zip"));
  zip->BaseDir = Path("out");
  zip->Open();
  EXPECT_TRUE(zip->DirManager()->IsZip64);
  ASSERT_EQ(zip->ItemCount(), 2);
  const TDirItem& second = zip->Items(1);
  EXPECT_EQ(second.UncompressedSize32(), 0xFFFFFFFFu);
  EXPECT_TRUE(second.HasZip64Info);
  EXPECT_EQ(second.UncompressedSize(), 1024u);
  EXPECT_EQ(second.LocalHeaderOffset(), 98u);
  zip->ExtractMatching();
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_EQ(ReadFile(Path("out/second.bin")).size(), 1024u);
  EXPECT_EQ(ReadText(Path("out/first.txt")).substr(0, 10), "first item");
  zip->Close();

  Bytes b = ReadFile(Fixture("zip64.zip"));
  const std::size_t record = FindSig(b, 0x06064b50);
  ASSERT_NE(record, std::string::npos);
  b[record] = 'X';
  WriteFile(Path("broken64.zip"), b);
  auto broken = Archiver(Path("broken64.zip"));
  try {
    broken->Open();
    FAIL();
  } catch (const EZAException& e) {
    EXPECT_EQ(e.Message(), "Cannot find Zip64 directory end record - Native error: 00040");
  }
}

TEST_F(CatalogueTest, OemNamesAreConvertedUnlessTheOptionIsOff) {
  auto zip = Archiver(Copy("oem.zip"));
  zip->Open();
  EXPECT_EQ(zip->Items(0).Name, "caf\xE9.txt");  // OEM 0x82 -> ANSI 0xE9
  zip->Options().OEMFileNames = false;
  zip->Open();
  EXPECT_EQ(zip->Items(0).Name, "caf\x82.txt");
}

TEST_F(CatalogueTest, BackslashesInStoredNamesBecomeSlashes) {
  Bytes b = ReadFile(Fixture("basic.zip"));
  const std::size_t at = CentralEntry(b, "bin/app.exe");
  b[at + 46 + 3] = '\\';
  WriteFile(Path("backslash.zip"), b);
  auto zip = Archiver(Path("backslash.zip"));
  zip->Open();
  EXPECT_EQ(zip->Items(1).Name, "bin/app.exe");
}

TEST_F(CatalogueTest, DamagedDirectoriesFailCleanly) {
  const Bytes good = ReadFile(Fixture("basic.zip"));
  const std::size_t end = FindSig(good, 0x06054b50);
  struct Row {
    const char* what;
    std::function<void(Bytes&)> damage;
  } rows[] = {
      {"more entries than the directory holds", [&](Bytes& b) { b[end + 10] = 0xFF, b[end + 11] = 0xFF; }},
      {"directory larger than the file", [&](Bytes& b) { Put32(b, end + 12, 0x7FFFFFF0); }},
      {"negative directory size", [&](Bytes& b) { Put32(b, end + 12, 0xFFFFFF00u); }},
      {"name longer than the directory", [&](Bytes& b) { b[CentralEntry(good, "readme.txt") + 28] = 0xFF; }},
      {"extra field longer than the directory",
       [&](Bytes& b) {
         b[CentralEntry(good, "readme.txt") + 30] = 0xFF, b[CentralEntry(good, "readme.txt") + 31] = 0xFF;
       }},
  };
  for (const Row& r : rows) {
    Bytes b = good;
    r.damage(b);
    WriteFile(Path("damaged.zip"), b);
    auto zip = Archiver(Path("damaged.zip"));
    EXPECT_THROW(zip->Open(), EReadError) << r.what;
    EXPECT_FALSE(zip->IsOpen()) << r.what;
  }
}

TEST_F(CatalogueTest, ItemArrayGrowsInDoublingSteps) {
  TZADirArray a;
  a.SetCount(1);
  EXPECT_EQ(a.Capacity(), 500);
  a.SetCount(501);
  EXPECT_EQ(a.Capacity(), 1500);  // the step doubled to 1000 after the first growth
  a.SetCount(1501);
  EXPECT_EQ(a.Capacity(), 3500);
  a.SetCount(30000);
  EXPECT_EQ(a.Capacity(), 30000);
  a.SetCount(0);
  EXPECT_EQ(a.Count(), 0);
  try {
    a.Items(0);
    FAIL();
  } catch (const EZAException& e) {
    EXPECT_EQ(e.Message(), "Index out of bounds - Native error: 00001");
  }
}

}  // namespace velmorak::test

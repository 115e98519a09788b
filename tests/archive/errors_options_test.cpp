// The exception's message layout, the code table, the dialog texts, and the
// component's construction defaults and setter rules.
#include "ArchiveTestUtil.h"
#include "archive/ZAConst.h"

namespace velmorak::test {

TEST(ZAExceptionTest, MessageLayoutWithAndWithoutComponent) {
  TComponent named(nullptr), unnamed(nullptr);
  named.SetName("Archiver");
  struct Row {
    int native;
    const TComponent* component;
    std::vector<EZAException::TArg> args;
    const char* message;
    int errorCode;
  } rows[] = {
      {8,
       &named,
       {},
       "Archiver: Invalid size or check sum of file or unsupported compression format - Native error: 00008",
       4},
      {19, &named, {"C:\\x.txt"}, "Archiver: Cannot create file \"C:\\x.txt\" - Native error: 00019", 9},
      {19, &unnamed, {"x"}, "Cannot create file \"x\" - Native error: 00019", 9},
      {35, nullptr, {}, "Invalid archive file. - Native error: 00035", 18},
      {55, nullptr, {}, "Deflate64 compression method is not supported - Native error: 00055", 32},
      {34, nullptr, {7, 3}, "Invalid compressed size, rfs.size = 7, count = 3 - Native error: 00034", 17},
      {57,
       &named,
       {"../x"},
       "Archiver: Item path \"../x\" leads outside the destination folder - Native error: 00057",
       34},
      // The plain form keeps the placeholders; reserved codes give the first text.
      {20, nullptr, {}, "Cannot create directory \"%s\" - Native error: 00020", 10},
      {58, nullptr, {}, "Unknown error - Native error: 00058", -1},
      {1234, nullptr, {}, "Unknown error - Native error: 01234", 0},
  };
  for (const Row& r : rows) {
    const EZAException e(r.native, r.component, r.args);
    EXPECT_EQ(e.Message(), r.message);
    EXPECT_EQ(e.NativeError(), r.native);
    EXPECT_EQ(e.ErrorCode(), r.errorCode) << r.native;
  }
}

TEST(ZAExceptionTest, CodeTableMapsEveryNativeCodeItsMessage) {
  // Spot rows across the table: the code table is positional, so a shifted
  // row shows up in the middle or at the end.
  const std::pair<int, int> rows[] = {{0, 0},   {4, 1},   {5, 2},   {7, 1},   {10, 5},  {14, 7},  {17, 8},
                                      {23, 9},  {26, 13}, {29, 5},  {33, 12}, {36, 19}, {40, 22}, {43, 23},
                                      {45, 24}, {48, 27}, {52, 31}, {54, 6},  {56, 33}, {60, -1}};
  for (auto [native, index] : rows) EXPECT_EQ(ZAErrorCodeOf(native), index) << native;
  EXPECT_STREQ(ZALoadStr(SConfirmOverwrite), "Overwrite file \"%s\" with \"%s\"");
  EXPECT_STREQ(ZALoadStr(SPasswordTitle), "Password for \"%s\"");
  EXPECT_STREQ(ZALoadStr(SPasswordPrompt), "Enter password: ");
  EXPECT_STREQ(ZALoadStr(SProcessFileFailure), "%s. File processing error, possibly disk is full");
  EXPECT_STREQ(ZALoadStr(64800), "");
}

TEST(ZipArchiverPropertiesTest, ConstructionDefaults) {
  TZipArchiver zip(nullptr);
  EXPECT_EQ(zip.Options().SearchAttr, 10431u);
  EXPECT_EQ(zip.Options().OverwriteMode, omAlways);
  EXPECT_EQ(zip.Options().StorePath, spRelativePath);
  EXPECT_TRUE(zip.Options().Recurse && zip.Options().CreateDirs && zip.Options().ReplaceReadOnly &&
              zip.Options().SetAttributes && zip.Options().FlushBuffers && zip.Options().OEMFileNames);
  EXPECT_EQ(zip.Options().ShareMode, smShareDenyNone);
  EXPECT_EQ(zip.Zip64Mode(), zmDisabled);
  EXPECT_EQ(zip.CurrentVersion(), "2.64 ");
  EXPECT_EQ(zip.CompressionLevel(), clFastest);
  EXPECT_EQ(zip.CompressionMode(), 1);
  EXPECT_EQ(zip.SpanningMode(), smNone);
  EXPECT_TRUE(zip.SpanningOptions().AdvancedNaming);
  EXPECT_EQ(zip.SpanningOptions().VolumeSize, vsAutoDetect);
  EXPECT_FALSE(zip.ExtractCorruptedFiles);
  EXPECT_FALSE(zip.InMemory());
  EXPECT_FALSE(zip.IsOpen());
}

TEST(ZipArchiverPropertiesTest, SetterRules) {
  TZipArchiver zip(nullptr);
  zip.SetName("Archiver");
  zip.SetCompressionLevel(clNormal);
  EXPECT_EQ(zip.CompressionMode(), 6);
  zip.SetCompressionMode(7);
  EXPECT_EQ(zip.CompressionLevel(), clMax);
  zip.SetCompressionMode(2);
  EXPECT_EQ(zip.CompressionLevel(), clFastest);
  try {
    zip.SetCompressionMode(10);
    FAIL() << "mode 10 accepted";
  } catch (const EZAException& e) {
    EXPECT_EQ(e.NativeError(), 5);
    EXPECT_EQ(e.Message(),
              "Archiver: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
  }
  EXPECT_EQ(zip.CompressionMode(), 2);
  zip.SetCurrentVersion("9.99");
  EXPECT_EQ(zip.CurrentVersion(), "2.64 ");
  zip.SpanningOptions().SetCustomVolumeSize(100);
  EXPECT_EQ(zip.SpanningOptions().CustomVolumeSize(), 65536);
  zip.SpanningOptions().VolumeSize = vs1_44MB;
  EXPECT_EQ(zip.SpanningOptions().VolumeSizeOf(1), 1457664);

  // Assign copies every option but ShareMode.
  TZAOptions other;
  other.OverwriteMode = omNever;
  other.SearchAttr = 0x20;
  other.ShareMode = smShareExclusive;
  zip.SetOptions(other);
  EXPECT_EQ(zip.Options().OverwriteMode, omNever);
  EXPECT_EQ(zip.Options().SearchAttr, 0x20u);
  EXPECT_EQ(zip.Options().ShareMode, smShareDenyNone);
}

TEST(ZipArchiverPropertiesTest, SpanningModeRefusedWhileOpen) {
  TZipArchiver zip(nullptr);
  zip.SetInMemory(true);
  zip.Open();
  try {
    zip.SetSpanningMode(smSplitting);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot set spanning mode on open archive");
  }
  EXPECT_EQ(zip.SpanningMode(), smNone);
  zip.Close();
  zip.SetSpanningMode(smSplitting);
  EXPECT_EQ(zip.SpanningMode(), smSplitting);
}

}  // namespace velmorak::test

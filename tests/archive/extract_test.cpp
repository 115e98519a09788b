// Extraction: the installer's call, overwrite modes and the read-only rule,
// the failure hook and its default dialog, the password loop and its dialog,
// cancelling through progress events, hostile names and lying headers.
#include "ArchiveTestUtil.h"
#include "platform/os/FileSystem.h"

namespace velmorak::test {

class ExtractTest : public ArchiveTest {
 protected:
  std::unique_ptr<TZipArchiver> OpenFixture(const std::string& fixture, const std::string& out = "out") {
    auto zip = Archiver(Copy(fixture));
    zip->BaseDir = Path(out);
    zip->Open();
    return zip;
  }
  std::string Out(const std::string& name) const {
    std::string p = Path("out/" + name);
    for (char& c : p)
      if (c == '/' || c == '\\') c = os::PathDelim();
    return p;
  }
  std::uint32_t FileTime(const std::string& path) {
    const os::THandle h = os::FileOpen(path, os::fmOpenRead | os::fmShareDenyNone);
    const std::uint32_t t = os::FileGetDosDateTime(h);
    os::FileClose(h);
    return t;
  }
  void SetFileTime(const std::string& path, std::uint32_t dos) {
    const os::THandle h = os::FileOpen(path, os::fmOpenReadWrite | os::fmShareDenyNone);
    os::FileSetDosDateTime(h, dos);
    os::FileClose(h);
  }
  // A basic.zip whose readme.txt data byte is flipped (its CRC fails).
  std::string CorruptCopy() {
    Bytes b = ReadFile(Fixture("stored.zip"));
    const std::size_t local = FindSig(b, 0x04034b50);
    b[local + 30 + 10] ^= 0x01;  // first data byte after "readme.txt"
    WriteFile(Path("corrupt.zip"), b);
    return Path("corrupt.zip");
  }
};

TEST_F(ExtractTest, InstallerCallMakesFoldersFilesDatesWithoutDialogs) {
  auto zip = OpenFixture("basic.zip");
  std::vector<std::string> events;
  zip->OnOverallProgress = [&](TObject*, double p, TZAProcessOperation op, TZAProgressPhase ph, bool&) {
    if (ph != ppProcess)
      events.push_back("overall " + std::to_string(int(p)) + (op == poExtract ? " extract" : ""));
  };
  zip->OnFileProgress = [&](TObject*, const std::string& name, double p, TZAProcessOperation,
                            TZAProgressPhase ph, bool&) {
    if (ph != ppProcess) events.push_back(name + " " + std::to_string(int(p)));
  };
  zip->ExtractMatching("*.*", 10431, "");
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_TRUE(os::DirectoryExists(Out("bin")));
  EXPECT_EQ(ReadText(Out("readme.txt")), "hello\n");
  const std::string app = ReadText(Out("bin/app.exe"));
  ASSERT_EQ(app.size(), 7890u);
  EXPECT_EQ(app.substr(0, 20), "line 0 of the app\nli");
  const std::uint32_t dos = zip->Items(2).DosDateTime();
  EXPECT_EQ(FileTime(Out("readme.txt")), dos);
  EXPECT_EQ(zip->DoneCount(), 3);
  EXPECT_EQ(zip->SelectedCount(), 3);
  const char d = os::PathDelim();
  const std::vector<std::string> expected = {"overall 0 extract",
                                             "bin" + std::string(1, d) + " 0",
                                             "bin" + std::string(1, d) + " 100",
                                             "bin" + std::string(1, d) + "app.exe 0",
                                             "bin" + std::string(1, d) + "app.exe 100",
                                             "readme.txt 0",
                                             "readme.txt 100",
                                             "overall 100 extract"};
  EXPECT_EQ(events, expected);
  EXPECT_TRUE(zip->IsOpen());  // extraction leaves the archive open
}

TEST_F(ExtractTest, ZeroLengthItemsStoredAndDeflated) {
  auto stored = OpenFixture("stored.zip");
  stored->ExtractMatching();
  EXPECT_TRUE(os::FileExists(Out("empty.txt")));
  EXPECT_EQ(ReadFile(Out("empty.txt")).size(), 0u);
  auto deflated = OpenFixture("empty_deflated.zip");
  EXPECT_EQ(deflated->Items(0).CompressedSize(), 2u);
  deflated->ExtractMatching();
  EXPECT_TRUE(os::FileExists(Out("nothing.txt")));
  EXPECT_EQ(ReadFile(Out("nothing.txt")).size(), 0u);
  EXPECT_TRUE(Dialogs.Shown().empty());
}

TEST_F(ExtractTest, OverwriteModesAndTheReadOnlyRule) {
  const std::uint32_t itemTime = [&] {
    auto zip = OpenFixture("stored.zip");
    return zip->Items(0).DosDateTime();
  }();
  const std::uint32_t older = itemTime - (1u << 21),
                      newer = itemTime + (1u << 16);  // a month before, a day after
  struct Row {
    const char* what;
    TZAOverwriteMode mode;
    bool replaceReadOnly;
    bool readOnly;
    std::uint32_t existingTime;
    bool replaced;
  } rows[] = {
      {"always", omAlways, true, false, itemTime, true},
      {"never", omNever, true, false, older, false},
      {"if newer, existing older", omIfNewer, true, false, older, true},
      {"if newer, equal times", omIfNewer, true, false, itemTime, false},
      {"if newer, existing newer", omIfNewer, true, false, newer, false},
      {"if older, existing newer", omIfOlder, true, false, newer, true},
      {"if older, equal times", omIfOlder, true, false, itemTime, false},
      {"read-only replaced by default", omAlways, true, true, itemTime, true},
      {"read-only kept without ReplaceReadOnly", omAlways, false, true, itemTime, false},
  };
  for (const Row& r : rows) {
    std::filesystem::remove_all(Path("out"));
    std::filesystem::create_directories(Path("out"));
    WriteText(Out("readme.txt"), "old");
    SetFileTime(Out("readme.txt"), r.existingTime);
    if (r.readOnly) os::FileSetAttr(Out("readme.txt"), os::faReadOnly);
    auto zip = OpenFixture("stored.zip");
    zip->Options().OverwriteMode = r.mode;
    zip->Options().ReplaceReadOnly = r.replaceReadOnly;
    zip->ExtractMatching("readme.txt", 10431, "");
    os::FileSetAttr(Out("readme.txt"), 0);
    EXPECT_EQ(ReadText(Out("readme.txt")), r.replaced ? "hello\n" : "old") << r.what;
    EXPECT_EQ(zip->DoneCount(), 1) << r.what;  // a skipped item is no failure
  }
  EXPECT_TRUE(Dialogs.Shown().empty());
}

TEST_F(ExtractTest, PromptDialogYesNoAndNoToAll) {
  std::filesystem::create_directories(Path("out/bin"));
  WriteText(Out("readme.txt"), "old");
  WriteText(Out("bin/app.exe"), "old");
  auto zip = OpenFixture("basic.zip");
  zip->Options().OverwriteMode = omPrompt;
  Dialogs.AnswerMessage(mrNoToAll);
  zip->ExtractMatching();
  ASSERT_EQ(Dialogs.Shown().size(), 1u);  // No to All: the second file is not asked about
  const auto& shown = Dialogs.Shown()[0];
  EXPECT_EQ(shown.Text, "Overwrite file \"" + Out("bin/app.exe") + "\" with \"bin" +
                            std::string(1, os::PathDelim()) + "app.exe\"");
  EXPECT_EQ(shown.Buttons, unsigned(mbYes | mbNo | mbNoToAll | mbYesToAll));
  EXPECT_EQ(ReadText(Out("readme.txt")), "old");
  EXPECT_EQ(ReadText(Out("bin/app.exe")), "old");
  EXPECT_EQ(zip->Options().OverwriteMode, omNever);  // the answer stays in the options

  // A handler replaces the dialog and may redirect the destination.
  zip->Options().OverwriteMode = omPrompt;
  zip->OnConfirmOverwrite = [&](TObject*, const std::string&, std::string& dest, bool& confirm) {
    dest += ".new";
    confirm = true;
  };
  zip->ExtractMatching("readme.txt", 10431, "");
  EXPECT_EQ(ReadText(Out("readme.txt.new")), "hello\n");
  EXPECT_EQ(Dialogs.Shown().size(), 1u);
}

TEST_F(ExtractTest, CrcFailureGoesToTheDefaultDialogAndItsAnswers) {
  // Abort: the failure box shows the engine's message; the file is deleted
  // and the rest of the operation stops without an exception.
  auto zip = Archiver(CorruptCopy());
  zip->BaseDir = Path("out");
  zip->Open();
  Dialogs.AnswerMessage(mrAbort);
  zip->ExtractMatching();
  ASSERT_EQ(Dialogs.Shown().size(), 1u);
  EXPECT_EQ(
      Dialogs.Shown()[0].Text,
      "Archiver: Invalid size or check sum of file or unsupported compression format - Native error: 00008. "
      "File processing error, possibly disk is full");
  EXPECT_EQ(Dialogs.Shown()[0].Buttons, unsigned(mbAbort | mbRetry | mbIgnore));
  EXPECT_FALSE(os::FileExists(Out("readme.txt")));
  EXPECT_FALSE(os::FileExists(Out("empty.txt")));  // not reached after Abort

  // Retry repeats the item, Ignore goes on with the next one.
  Dialogs.Reset();
  Dialogs.AnswerMessage(mrRetry);
  Dialogs.AnswerMessage(mrIgnore);
  zip->ExtractMatching();
  EXPECT_EQ(Dialogs.Shown().size(), 2u);
  EXPECT_FALSE(os::FileExists(Out("readme.txt")));
  EXPECT_TRUE(os::FileExists(Out("empty.txt")));

  // With ExtractCorruptedFiles the damaged output stays, and no one is asked.
  Dialogs.Reset();
  zip->ExtractCorruptedFiles = true;
  zip->ExtractMatching();
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_EQ(ReadText(Out("readme.txt")), "iello\n");
}

TEST_F(ExtractTest, FailureHandlerReceivesTheExceptionAndPresetIgnore) {
  auto zip = Archiver(CorruptCopy());
  zip->BaseDir = Path("out");
  zip->Open();
  int calls = 0;
  zip->OnProcessFileFailure = [&](TObject*, const std::string& name, TZAProcessOperation op, int native,
                                  int code, const std::string& message, TZAAction& action) {
    ++calls;
    EXPECT_EQ(name, "readme.txt");
    EXPECT_EQ(op, poExtract);
    EXPECT_EQ(native, 8);
    EXPECT_EQ(code, 4);
    EXPECT_NE(message.find(" - Native error: 00008"), std::string::npos);
    EXPECT_EQ(action, fxaIgnore);
  };
  zip->ExtractMatching();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(os::FileExists(Out("empty.txt")));
}

TEST_F(ExtractTest, PasswordGivenBeforehandDecryptsEveryItem) {
  for (const char* fixture : {"enc.zip", "enc_7z.zip", "enc_stream.zip"}) {
    std::filesystem::remove_all(Path("out"));
    auto zip = OpenFixture(fixture);
    zip->Password = "secret";
    zip->ExtractMatching();
    EXPECT_TRUE(Dialogs.Shown().empty()) << fixture;
    EXPECT_EQ(ReadText(Out("readme.txt")), "hello\n") << fixture;
    EXPECT_EQ(ReadFile(Out("bin/app.exe")).size(), 7890u) << fixture;
  }
}

TEST_F(ExtractTest, PasswordDialogAsksUntilRightThenServesLaterItems) {
  auto zip = OpenFixture("enc.zip");
  ASSERT_TRUE(zip->Items(0).IsEncrypted());
  Dialogs.AnswerInput("wrong1");
  Dialogs.AnswerInput("secret");
  zip->ExtractMatching();
  // The first dialog shows the empty password, the second the failed one;
  // the right answer serves the second encrypted item without a dialog. A
  // wrong password may pass the one-byte check (1 in 256) and then fails
  // the item's CRC, which would show a failure box instead.
  ASSERT_EQ(Dialogs.Shown().size(), 2u);
  EXPECT_EQ(Dialogs.Shown()[0].Kind, THeadlessDialogs::TKind::dkInput);
  EXPECT_EQ(Dialogs.Shown()[0].Caption, "Password for \"bin/app.exe\"");
  EXPECT_EQ(Dialogs.Shown()[0].Text, "Enter password: ");
  EXPECT_EQ(Dialogs.Shown()[0].Value, "");
  EXPECT_EQ(Dialogs.Shown()[1].Value, "wrong1");
  EXPECT_EQ(zip->Password, "secret");
  EXPECT_EQ(ReadText(Out("readme.txt")), "hello\n");
  EXPECT_EQ(ReadFile(Out("bin/app.exe")).size(), 7890u);
}

TEST_F(ExtractTest, CancelledPasswordSkipsTheItemSilently) {
  auto zip = OpenFixture("enc.zip");
  Dialogs.CancelInput();
  Dialogs.AnswerInput("secret");
  zip->ExtractMatching();
  ASSERT_EQ(Dialogs.Shown().size(), 2u);  // the next encrypted item asks again
  EXPECT_EQ(Dialogs.Shown()[1].Caption, "Password for \"readme.txt\"");
  EXPECT_FALSE(os::FileExists(Out("bin/app.exe")));
  EXPECT_EQ(ReadText(Out("readme.txt")), "hello\n");
}

TEST_F(ExtractTest, CancelThroughFileProgressDeletesThePartialFile) {
  // A large deflated item in memory so that several 1 MiB blocks pass.
  TZipArchiver source(nullptr);
  std::string big;
  for (long long i = 0; big.size() < 5u * 1048576; ++i)
    big += "row " + std::to_string(i * 7919 % 100003) + "\n";
  const std::string file = Path("big.zip");
  {
    // Stored, so that 5 MiB of data means five blocks.
    Bytes zipBytes;
    auto put16 = [&](unsigned v) { zipBytes.push_back(v & 0xFF), zipBytes.push_back(v >> 8); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const std::uint32_t crc = [&] {
      std::uint32_t c = 0xFFFFFFFFu;
      for (unsigned char ch : big) {
        c ^= ch;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      return ~c;
    }();
    put32(0x04034b50), put16(10), put16(0), put16(0), put16(0), put16(0x4B81), put32(crc);
    put32(static_cast<std::uint32_t>(big.size())), put32(static_cast<std::uint32_t>(big.size())), put16(7),
        put16(0);
    zipBytes.insert(zipBytes.end(), {'b', 'i', 'g', '.', 't', 'x', 't'});
    zipBytes.insert(zipBytes.end(), big.begin(), big.end());
    const std::uint32_t dirAt = static_cast<std::uint32_t>(zipBytes.size());
    put32(0x02014b50), put16(10), put16(10), put16(0), put16(0), put16(0), put16(0x4B81), put32(crc);
    put32(static_cast<std::uint32_t>(big.size())), put32(static_cast<std::uint32_t>(big.size())), put16(7),
        put16(0);
    put16(0), put16(0), put16(0), put32(0x20), put32(0);
    zipBytes.insert(zipBytes.end(), {'b', 'i', 'g', '.', 't', 'x', 't'});
    const std::uint32_t dirSize = static_cast<std::uint32_t>(zipBytes.size()) - dirAt;
    put32(0x06054b50), put16(0), put16(0), put16(1), put16(1), put32(dirSize), put32(dirAt), put16(0);
    WriteFile(file, zipBytes);
  }
  auto zip = Archiver(file);
  zip->BaseDir = Path("out");
  zip->Open();
  std::vector<int> seen;
  zip->OnFileProgress = [&](TObject*, const std::string&, double p, TZAProcessOperation, TZAProgressPhase ph,
                            bool& cancel) {
    if (ph == ppProcess) seen.push_back(int(p));
    if (ph == ppProcess && p > 50) cancel = true;
  };
  zip->ExtractMatching();
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_FALSE(os::FileExists(Out("big.txt")));
  EXPECT_TRUE(zip->CancelRequested());
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], 0);

  // Without cancelling the same archive extracts whole.
  zip->OnFileProgress = nullptr;
  zip->ExtractMatching();
  EXPECT_EQ(ReadText(Out("big.txt")), big);
}

TEST_F(ExtractTest, Deflate64FailsWithoutTheComponentName) {
  auto zip = OpenFixture("deflate64.zip");
  ASSERT_EQ(zip->Items(0).Method(), 9);
  std::string message;
  zip->OnProcessFileFailure = [&](TObject*, const std::string&, TZAProcessOperation, int, int,
                                  const std::string& m, TZAAction&) { message = m; };
  zip->ExtractMatching();
  EXPECT_EQ(message, "Deflate64 compression method is not supported - Native error: 00055");
  EXPECT_FALSE(os::FileExists(Out("bin/app.exe")));
}

TEST_F(ExtractTest, WithoutCreateDirsEverythingLandsInTheBaseFolder) {
  std::filesystem::create_directories(Path("out"));
  auto zip = OpenFixture("basic.zip");
  zip->Options().CreateDirs = false;
  zip->ExtractMatching();
  EXPECT_TRUE(os::FileExists(Out("app.exe")));
  EXPECT_FALSE(os::DirectoryExists(Out("bin")));

  // A missing base folder is not created: every file fails with 19.
  auto missing = OpenFixture("stored.zip", "missing");
  missing->Options().CreateDirs = false;
  std::vector<int> natives;
  missing->OnProcessFileFailure = [&](TObject*, const std::string&, TZAProcessOperation, int n, int,
                                      const std::string& m, TZAAction&) {
    natives.push_back(n);
    EXPECT_NE(m.find("Archiver: Cannot create file \""), std::string::npos) << m;
  };
  missing->ExtractMatching();
  EXPECT_EQ(natives, (std::vector<int>{19, 19}));
}

TEST_F(ExtractTest, NamesLeavingTheDestinationAreRefused) {
  auto zip = OpenFixture("names.zip");
  std::vector<std::string> refused;
  zip->OnProcessFileFailure = [&](TObject*, const std::string& name, TZAProcessOperation, int native, int,
                                  const std::string& message, TZAAction&) {
    if (native == 57) {
      refused.push_back(name);
      EXPECT_NE(message.find("Archiver: Item path \""), std::string::npos);
      EXPECT_NE(message.find("\" leads outside the destination folder - Native error: 00057"),
                std::string::npos);
    } else {
      EXPECT_EQ(name, "") << message;  // the empty name: a clean failure of its own
    }
  };
  zip->ExtractMatching();
  EXPECT_EQ(refused.size(), 5u);
  EXPECT_EQ(ReadText(Out("good.txt")), "good\n");
  EXPECT_EQ(ReadText(Out("inside.txt")), "payload\n");
  EXPECT_FALSE(os::FileExists(Path("evil.txt")));
  EXPECT_FALSE(os::FileExists(Path("climb.txt")));
  EXPECT_FALSE(os::FileExists("/abs.txt"));

  // A handler that renames an item outward is refused the same way.
  zip->OnExtractFile = [](TObject*, std::string& name, std::uint32_t&, const std::string&) {
    if (name == "good.txt") name = "../escaped.txt";
  };
  zip->ExtractMatching("good.txt", 10431, "");
  EXPECT_FALSE(os::FileExists(Path("escaped.txt")));
}

TEST_F(ExtractTest, LyingSizesStopTheItem) {
  // readme.txt ("hello\n") declared 2 bytes long: decoding stops at once.
  Bytes b = ReadFile(Fixture("basic.zip"));
  Put32(b, CentralEntry(b, "bin/app.exe") + 24, 100);  // deflated: 7890 bytes declared as 100
  WriteFile(Path("lying.zip"), b);
  auto zip = Archiver(Path("lying.zip"));
  zip->BaseDir = Path("out");
  zip->Open();
  std::vector<int> natives;
  zip->OnProcessFileFailure = [&](TObject*, const std::string&, TZAProcessOperation, int n, int,
                                  const std::string&, TZAAction&) { natives.push_back(n); };
  zip->ExtractMatching();
  EXPECT_EQ(natives, (std::vector<int>{8}));
  EXPECT_FALSE(os::FileExists(Out("bin/app.exe")));
  // Kept as damaged output, it holds no more than the declared size.
  zip->ExtractCorruptedFiles = true;
  zip->ExtractMatching();
  EXPECT_LE(ReadFile(Out("bin/app.exe")).size(), 100u);
}

TEST_F(ExtractTest, DeflateStreamEndingBeforeItsPackedSizeEndsTheItem) {
  // The central directory claims 40 more packed bytes than the deflate
  // stream holds (the next local header follows): inflating stops at the
  // stream's end and the size and CRC checks accept the item.
  Bytes b = ReadFile(Fixture("basic.zip"));
  const std::size_t at = CentralEntry(b, "bin/app.exe");
  Put32(b, at + 20, Get32(b, at + 20) + 40);
  WriteFile(Path("longer.zip"), b);
  auto zip = Archiver(Path("longer.zip"));
  zip->BaseDir = Path("out");
  zip->Open();
  zip->ExtractMatching();
  EXPECT_TRUE(Dialogs.Shown().empty());
  EXPECT_EQ(ReadFile(Out("bin/app.exe")).size(), 7890u);
}

TEST_F(ExtractTest, NotOpenAndOpenUpdateBracketAreRaised) {
  TZipArchiver zip(nullptr);
  zip.SetName("Archiver");
  try {
    zip.ExtractMatching();
    FAIL();
  } catch (const EZAException& e) {
    EXPECT_EQ(e.Message(), "Archiver: Archive is not open - Native error: 00013");
  }
  auto open = OpenFixture("stored.zip");
  open->BeginUpdate();
  try {
    open->ExtractMatching();
    FAIL();
  } catch (const EZAException& e) {
    EXPECT_EQ(e.NativeError(), 26);
  }
  open->EndUpdate();
  open->ExtractMatching();
  EXPECT_TRUE(os::FileExists(Out("readme.txt")));
}

TEST_F(ExtractTest, TruncatedLocalHeaderReachesTheCaller) {
  Bytes b = ReadFile(Fixture("stored.zip"));
  const std::size_t at = CentralEntry(b, "readme.txt");
  Put32(b, at + 42, static_cast<std::uint32_t>(b.size() - 10));  // local header past the end
  Put32(b, at + 20, 0);
  WriteFile(Path("truncated.zip"), b);
  auto zip = Archiver(Path("truncated.zip"));
  zip->BaseDir = Path("out");
  zip->Open();
  EXPECT_THROW(zip->ExtractMatching("readme.txt", 10431, ""), EReadError);
  EXPECT_FALSE(os::FileExists(Out("readme.txt")));
  // The lock is released: the next operation runs.
  zip->ExtractMatching("empty.txt", 10431, "");
  EXPECT_TRUE(os::FileExists(Out("empty.txt")));
}

TEST_F(ExtractTest, TestOperationChecksWithoutWriting) {
  auto zip = Archiver(CorruptCopy());
  zip->BaseDir = Path("out");
  zip->Open();
  std::vector<int> natives;
  zip->OnProcessFileFailure = [&](TObject*, const std::string&, TZAProcessOperation op, int n, int,
                                  const std::string&, TZAAction&) {
    EXPECT_EQ(op, poTest);
    natives.push_back(n);
  };
  zip->TestMatching();
  EXPECT_EQ(natives, (std::vector<int>{8}));
  EXPECT_FALSE(os::DirectoryExists(Path("out")));
}

}  // namespace velmorak::test

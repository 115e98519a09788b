// zvp against the peers: archives made at test time by Info-ZIP zip, 7z,
// bsdtar and Python's zipfile are extracted by `zvp extract` and by Info-ZIP
// unzip, and the two trees must hold the same names, bytes and (for archives
// without extended time fields) modification times. Runs natively, where the
// peers' programs are.
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <random>

#include "ArchiveTestUtil.h"

namespace velmorak::test {

namespace {

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TEntry {
  bool IsDir;
  Bytes Data;
  fs::file_time_type Time;
};

std::map<std::string, TEntry> Tree(const std::string& root) {
  std::map<std::string, TEntry> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory())
      out[rel] = {true, {}, {}};
    else
      out[rel] = {false, ReadFile(e.path().string()), fs::last_write_time(e.path())};
  }
  return out;
}

}  // namespace

class PeersTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    for (const char* tool : {"zip", "unzip", "7z", "bsdtar", "python3"})
      if (Shell(std::string("command -v ") + tool + " >/dev/null") != 0)
        GTEST_SKIP() << tool << " is not installed";
    // A small tree of mixed content: text, random bytes, an empty file, an
    // empty folder, nested folders and a name with spaces.
    const std::string src = Path("src");
    fs::create_directories(src + "/docs/deep/er");
    fs::create_directories(src + "/empty dir");
    std::mt19937 rng(12345);
    Bytes random(200000);
    for (auto& b : random) b = static_cast<std::uint8_t>(rng());
    WriteFile(src + "/random.bin", random);
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "Kolvane ligne " + std::to_string(i) + " Gestion Commerciale\n";
    WriteText(src + "/docs/text file.txt", text);
    WriteText(src + "/docs/deep/er/small.txt", "x");
    WriteText(src + "/empty.txt", "");
    Shell("cd '" + src + "' && find . -exec touch -d '2017-12-01 10:20:31' {} +");
  }

  // Extracts archive with zvp and with unzip; returns zvp's exit status.
  int Compare(const std::string& archive, const std::string& password, bool compareTimes) {
    const std::string mine = Path("zvp-out"), theirs = Path("unzip-out");
    fs::remove_all(mine);
    fs::remove_all(theirs);
    const std::string p = password.empty() ? "" : " -p " + password;
    const std::string P = password.empty() ? "" : " -P " + password;
    const int status =
        Shell(std::string(ZVP_PATH) + " extract '" + archive + "'" + p + " -d '" + mine + "' >/dev/null");
    EXPECT_EQ(Shell("unzip -qq -o" + P + " '" + archive + "' -d '" + theirs + "'"), 0) << archive;
    const auto a = Tree(mine), b = Tree(theirs);
    EXPECT_EQ(a.size(), b.size()) << archive;
    for (const auto& [name, entry] : b) {
      auto it = a.find(name);
      if (it == a.end()) {
        ADD_FAILURE() << archive << ": zvp did not write " << name;
        continue;
      }
      EXPECT_EQ(it->second.IsDir, entry.IsDir) << name;
      EXPECT_TRUE(it->second.Data == entry.Data) << archive << ": " << name << " differs";
      if (compareTimes && !entry.IsDir) {
        EXPECT_EQ(it->second.Time, entry.Time) << archive << ": time of " << name;
      }
    }
    return status;
  }
};

TEST_F(PeersTest, InfoZipArchivesPlainEncryptedAndStreamed) {
  const std::string src = Path("src");
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -X -r ../plain.zip ."), 0);
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -X -r -P 'pa ss' ../enc.zip ."), 0);
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -X -0 -r ../stored.zip ."), 0);
  // To a pipe: sizes in data descriptors; with extended time fields.
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -r -P secret - . | cat > ../streamed.zip"), 0);
  EXPECT_EQ(Compare(Path("plain.zip"), "", true), 0);
  EXPECT_EQ(Compare(Path("enc.zip"), "'pa ss'", true), 0);
  EXPECT_EQ(Compare(Path("stored.zip"), "", true), 0);
  EXPECT_EQ(Compare(Path("streamed.zip"), "secret", false), 0);
}

TEST_F(PeersTest, ArchivesOfOtherWriters) {
  const std::string src = Path("src");
  ASSERT_EQ(Shell("cd '" + src + "' && 7z a -bd -tzip ../7z.zip . >/dev/null"), 0);
  ASSERT_EQ(Shell("cd '" + src + "' && 7z a -bd -tzip -psecret -mem=ZipCrypto ../7z-enc.zip . >/dev/null"),
            0);
  ASSERT_EQ(Shell("cd '" + src + "' && bsdtar --format zip -cf ../bsdtar.zip ."), 0);
  ASSERT_EQ(
      Shell(
          "cd '" + src +
          "' && python3 -c \"import os, zipfile\n"
          "with zipfile.ZipFile('../zip64.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
          "  for d, _, fs in os.walk('.'):\n"
          "    for f in fs:\n"
          "      p = os.path.join(d, f)\n"
          "      with open(p, 'rb') as i, z.open(zipfile.ZipInfo.from_file(p), 'w', force_zip64=True) as o:\n"
          "        o.write(i.read())\n\""),
      0);
  EXPECT_EQ(Compare(Path("7z.zip"), "", false), 0);
  EXPECT_EQ(Compare(Path("7z-enc.zip"), "secret", false), 0);
  EXPECT_EQ(Compare(Path("bsdtar.zip"), "", false), 0);
  EXPECT_EQ(Compare(Path("zip64.zip"), "", false), 0);
}

TEST_F(PeersTest, ExitStatusAndOneLineReasons) {
  const std::string src = Path("src");
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -X -r -P secret ../enc.zip ."), 0);
  const std::string zvp = ZVP_PATH;
  EXPECT_EQ(Shell(zvp + " test '" + Path("enc.zip") + "' -p secret >/dev/null"), 0);
  EXPECT_EQ(Shell(zvp + " test '" + Path("enc.zip") + "' -p wrong >/dev/null 2>&1"), 1);
  EXPECT_EQ(Shell(zvp + " list '" + Path("enc.zip") + "' >/dev/null"), 0);
  EXPECT_EQ(Shell(zvp + " list '" + Path("missing.zip") + "' >/dev/null 2>&1"), 2);
  EXPECT_FALSE(fs::exists(Path("missing.zip")));  // a tool never creates the archive
  WriteText(Path("text.zip"), "not an archive");
  EXPECT_EQ(Shell(zvp + " list '" + Path("text.zip") + "' 2>" + Path("err.txt")), 2);
  EXPECT_EQ(ReadText(Path("err.txt")),
            "zvp: " + Path("text.zip") + ": Invalid archive file. - Native error: 00035\n");
  EXPECT_EQ(Shell(zvp + " frobnicate x 2>/dev/null"), 2);
  // A flipped data byte: the item fails, the others are extracted.
  Bytes b = ReadFile(Path("enc.zip"));
  ASSERT_EQ(Shell("cd '" + src + "' && zip -q -X -r ../plain.zip ."), 0);
  b = ReadFile(Path("plain.zip"));
  const std::size_t at = CentralEntry(b, "docs/text file.txt");
  ASSERT_NE(at, std::string::npos);
  const std::size_t local = Get32(b, at + 42);
  b[local + 30 + 18 + 100] ^= 0x40;
  WriteFile(Path("flipped.zip"), b);
  EXPECT_EQ(Shell(zvp + " extract '" + Path("flipped.zip") + "' -d '" + Path("flipped") + "' >/dev/null 2>" +
                  Path("err.txt")),
            1);
  EXPECT_NE(ReadText(Path("err.txt")).find("zvp: docs/text file.txt: zvp: Invalid size or check sum"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(Path("flipped/random.bin")));
  EXPECT_FALSE(fs::exists(Path("flipped/docs/text file.txt")));
}

}  // namespace velmorak::test

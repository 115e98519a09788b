// Mask matching, the item search with its attribute filter, and the
// destination-folder confinement of item names.
#include "ArchiveTestUtil.h"
#include "archive/ZAMasks.h"
#include "archive/ZAStrFunc.h"

namespace velmorak::test {

TEST(MaskMatchTest, Table) {
  struct Row {
    const char* name;
    const char* mask;
    bool match;
  } rows[] = {
      {"README", "*.*", true},
      {"a.b.c", "*.*", true},
      {"README", "*", true},
      {"a.b.c", "*", true},
      {"README", "*.", true},
      {"a.txt", "*.", false},
      {"a.txt", "*.TXT", true},
      {"A.TXT", "*.txt", true},
      {"abc", "a?c", true},
      {"aXc", "a?c", true},
      {"ac", "a?c", false},
      {"abc", "", false},
      {"bin/x.dll", "*.dll", true},
      {"x.dll", "*.exe", false},
      {"dir.", "*.", true},
      {"\xE9t\xE9.txt", "\xC9T\xC9.TXT", true},  // é/É compare equal ignoring case in code page 1252
      {"abcd", "a*d", true},
      {"abce", "a*d", false},
      {"ab", "a*b*", true},
  };
  for (const Row& r : rows) EXPECT_EQ(MaskMatch(r.name, r.mask), r.match) << r.name << " ~ " << r.mask;
  EXPECT_TRUE(WildcardMatch("a.txt", "A.TXT", true));
  EXPECT_FALSE(WildcardMatch("a.txt", "A.TXT", false));
  // A long name against a mask with several stars still ends (and quickly).
  EXPECT_FALSE(MaskMatch(std::string(999, 'a'), "*a*a*a*b"));
}

TEST(ItemNameConfinementTest, Table) {
  struct Row {
    const char* name;
    bool inside;
  } rows[] = {
      {"a.txt", true},          {"bin/app.exe", true}, {"bin/", true},
      {"a/../b.txt", true},     {"./a.txt", true},     {"", true},
      {"../evil.txt", false},   {"/abs.txt", false},   {"\\abs.txt", false},
      {"C:/Temp/x.txt", false}, {"C:x.txt", false},    {"\\\\server\\share\\x", false},
      {"a//b", false},          {"a/../../x", false},  {"a\\..\\..\\x", false},
      {"a/.../x", true},        {"...", false},        {".. /x", false},
  };
  for (const Row& r : rows) EXPECT_EQ(ZAIsNameInsideBase(r.name), r.inside) << r.name;
}

class SearchTest : public ArchiveTest {};

TEST_F(SearchTest, MaskTriesFullPathThenFileNameAndFiltersAttributes) {
  auto zip = Archiver(Copy("basic.zip"));
  zip->Open();
  auto names = [&](const std::string& mask, std::uint32_t attr) {
    std::vector<std::string> out;
    TZAArchiveItem f;
    for (bool ok = zip->FirstMatch(mask, f, "", attr); ok; ok = zip->NextMatch(f))
      out.push_back(f.ItemPath + f.ItemName);
    return out;
  };
  EXPECT_EQ(names("*.*", 10431), (std::vector<std::string>{"bin", "bin\\app.exe", "readme.txt"}));
  EXPECT_EQ(names("*.exe", 10431), (std::vector<std::string>{"bin\\app.exe"}));
  EXPECT_EQ(names("bin\\*.exe", 10431), (std::vector<std::string>{"bin\\app.exe"}));
  // Folder entries carry the directory bit, which filter 0x20 excludes.
  EXPECT_EQ(names("*.*", 0x20), (std::vector<std::string>{"bin\\app.exe", "readme.txt"}));
  // Without recursion only the mask's own folder counts.
  zip->Options().Recurse = false;
  EXPECT_EQ(names("*.*", 10431), (std::vector<std::string>{"bin", "readme.txt"}));

  TZAArchiveItem f;
  zip->Options().Recurse = true;
  ASSERT_TRUE(zip->FirstMatch("app.exe", f, "", 10431));
  EXPECT_EQ(f.ItemName, "app.exe");
  EXPECT_EQ(f.ItemPath, "bin\\");
  EXPECT_EQ(f.UnpackedSize, 7890);
  EXPECT_LT(f.PackedSize, f.UnpackedSize);
  EXPECT_GT(f.Ratio, 50.0);
  EXPECT_FALSE(f.IsEncrypted);
  EXPECT_EQ(f.ModDate, ((2017 - 1980) << 9) | (12 << 5) | 1);
  EXPECT_EQ(f.ModTime, (10 << 11) | (20 << 5) | 15);
}

TEST_F(SearchTest, HiddenAndDirectoryBitsNeedTheFilter) {
  // Patch readme.txt's external attributes to hidden + archive (0x22).
  Bytes b = ReadFile(Fixture("basic.zip"));
  Put32(b, CentralEntry(b, "readme.txt") + 38, 0x22);
  WriteFile(Path("hidden.zip"), b);
  auto zip = Archiver(Path("hidden.zip"));
  zip->Open();
  TZAArchiveItem f;
  ASSERT_TRUE(zip->FirstMatch("*.*", f, "", 0x20));
  EXPECT_EQ(f.ItemName, "app.exe");
  EXPECT_FALSE(zip->NextMatch(f));
  ASSERT_TRUE(zip->FirstMatch("readme.txt", f, "", 10431));
  EXPECT_EQ(f.Attributes, 0x22u);
}

}  // namespace velmorak::test

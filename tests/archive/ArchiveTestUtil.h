// Helpers of the archive tests: fixture paths, a fresh folder per test,
// whole-file reads and writes, and byte surgery on archives (flip a data
// byte, prepend a stub, patch a header field) so a damaged archive is made
// from a good one in two lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/ZipArchiver.h"
#include "platform/forms/headless/HeadlessDialogs.h"

namespace velmorak::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline std::string Fixture(const std::string& name) {
  return std::string(VELMORAK_TEST_DATA) + "/archive/" + name;
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
inline std::string ReadText(const std::string& path) {
  const Bytes b = ReadFile(path);
  return std::string(b.begin(), b.end());
}
inline void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
inline void WriteText(const std::string& path, const std::string& text) {
  WriteFile(path, Bytes(text.begin(), text.end()));
}

inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
// Position of the n-th (0-based) occurrence of a four-byte signature.
inline std::size_t FindSig(const Bytes& b, std::uint32_t sig, int n = 0) {
  for (std::size_t i = 0; i + 4 <= b.size(); ++i)
    if (Get32(b, i) == sig && n-- == 0) return i;
  return std::string::npos;
}
// Offset of the first central directory entry whose name is name.
inline std::size_t CentralEntry(const Bytes& b, const std::string& name) {
  for (int n = 0;; ++n) {
    const std::size_t at = FindSig(b, 0x02014b50, n);
    if (at == std::string::npos) return at;
    const std::size_t len = b[at + 28] | (b[at + 29] << 8);
    if (std::string(b.begin() + at + 46, b.begin() + at + 46 + len) == name) return at;
  }
}

// A fresh, empty folder for one test, removed afterwards; and a headless
// dialog backend that the test scripts and reads.
class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = (fs::temp_directory_path() / "velmorak-archive-tests" /
           (std::string(info->test_suite_name()) + "." + info->name()))
              .string();
    for (char& c : Dir)
      if (c == '/' && fs::path::preferred_separator == '\\') c = '\\';
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    SetDialogBackend(&Dialogs);
  }
  void TearDown() override {
    SetDialogBackend(nullptr);
    std::error_code ec;
    fs::permissions(Dir, fs::perms::all, ec);
    fs::remove_all(Dir, ec);
  }
  std::string Path(const std::string& name) const { return (fs::path(Dir) / name).string(); }
  // A copy of a fixture in the test's folder (so that opening may write).
  std::string Copy(const std::string& fixture) {
    const std::string p = Path(fixture);
    WriteFile(p, ReadFile(Fixture(fixture)));
    return p;
  }
  // An archive component named as the installer names its own.
  std::unique_ptr<TZipArchiver> Archiver(const std::string& file) {
    auto zip = std::make_unique<TZipArchiver>(nullptr);
    zip->SetName("Archiver");
    zip->FileName = file;
    return zip;
  }

  std::string Dir;
  THeadlessDialogs Dialogs;
};

}  // namespace velmorak::test

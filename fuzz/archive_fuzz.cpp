// archive_fuzz: opens arbitrary bytes as an archive with TZipArchiver, lists
// every item and tests every item with a password. Any outcome but a crash,
// a hang or a sanitizer report is fine: damaged input must end in the
// reader's documented errors or a clean failure of the item. The seed corpus
// (fuzz/corpus/archive_fuzz) holds the test fixtures.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/ZipArchiver.h"

using namespace velmorak;

namespace {
std::string ScratchFile() {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/velmorak-archive-fuzz-" + std::to_string(getpid()) + ".zip";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchFile();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  TZipArchiver zip(nullptr);
  zip.SetName("Archiver");
  zip.FileName = path;
  zip.Password = "secret";
  zip.OnPassword = [](TObject*, const std::string&, std::string&, bool& skip) { skip = true; };
  zip.OnProcessFileFailure = [](TObject*, const std::string&, TZAProcessOperation, int, int,
                                const std::string&, TZAAction& action) { action = fxaIgnore; };
  try {
    zip.Open();
    TZAArchiveItem f;
    std::size_t names = 0;
    for (bool found = zip.FirstMatch("*.*", f, "", 10431); found; found = zip.NextMatch(f))
      names += f.ItemName.size() + f.ItemPath.size();
    (void)names;
    zip.TestMatching("*.*", 10431, "");
  } catch (const Exception&) {
  }
  zip.Close();
  return 0;
}

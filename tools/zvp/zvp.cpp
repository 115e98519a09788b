// zvp: the archive tool on the installer's own reader, in the spirit of
// unzip. It drives TZipArchiver exactly as the installer does — Open,
// ExtractMatching("*.*", 10431, ""), Close — and answers the component's
// events on the console instead of with dialogs:
//
//   zvp list ARCHIVE
//   zvp test ARCHIVE [-p PASSWORD]
//   zvp extract ARCHIVE [-p PASSWORD] [-d DIR]
//
// Exit status: 0 when every item was listed, tested or extracted; 1 when an
// item failed (each failure is printed with the engine's message); 2 for bad
// usage or an archive that cannot be opened, with a one-line reason.
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/ZipArchiver.h"
#include "platform/classes/CodePages.h"
#include "platform/os/FileSystem.h"

using namespace velmorak;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zvp list ARCHIVE\n"
               "       zvp test ARCHIVE [-p PASSWORD]\n"
               "       zvp extract ARCHIVE [-p PASSWORD] [-d DIR]\n");
  return 2;
}

std::string DosDateTimeText(std::uint16_t date, std::uint16_t time) {
  return Format("%04u-%02u-%02u %02u:%02u", 1980u + (date >> 9), (date >> 5) & 0x0Fu, date & 0x1Fu,
                time >> 11, (time >> 5) & 0x3Fu);
}

int List(TZipArchiver& zip) {
  std::printf("%12s %12s %5s  %-16s  %s\n", "Length", "Packed", "Ratio", "Date", "Name");
  TZAArchiveItem f;
  long long total = 0;
  int count = 0;
  for (bool found = zip.FirstMatch("*.*", f, "", 10431); found; found = zip.NextMatch(f)) {
    const TDirItem& item = zip.Items(static_cast<int>(f.Search.NextIndex));
    std::printf("%12lld %12lld %4.0f%%  %-16s  %s%s\n", static_cast<long long>(f.UnpackedSize),
                static_cast<long long>(f.PackedSize), f.Ratio, DosDateTimeText(f.ModDate, f.ModTime).c_str(),
                AnsiToUtf8(item.Name).c_str(), f.IsEncrypted ? " *" : "");
    total += f.UnpackedSize;
    ++count;
  }
  std::printf("%12lld %32s %d item%s\n", total, "", count, count == 1 ? "" : "s");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command != "list" && command != "test" && command != "extract") return Usage();
  std::string archive = argv[2], password, dir;
  bool havePassword = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "-p") == 0 && i + 1 < argc && command != "list") {
      password = argv[++i];
      havePassword = true;
    } else if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc && command == "extract") {
      dir = argv[++i];
    } else {
      return Usage();
    }
  }
  // Opening a missing file would create an empty archive; a tool only reads.
  if (!os::FileExists(archive)) {
    std::fprintf(stderr, "zvp: %s: no such archive\n", archive.c_str());
    return 2;
  }

  TZipArchiver zip(nullptr);
  zip.SetName("zvp");
  zip.FileName = archive;
  zip.Password = Utf8ToAnsi(password);
  zip.BaseDir = dir;

  int failures = 0;
  const bool extracting = command == "extract";
  zip.OnFileProgress = [&](TObject*, const std::string& name, double progress, TZAProcessOperation,
                           TZAProgressPhase phase, bool&) {
    if (phase == ppStart)
      std::printf("%s %s\n", extracting ? "  extracting:" : "     testing:", name.c_str());
    else if (phase == ppProcess && progress > 0)
      std::printf("              %s %3.0f%%\n", name.c_str(), progress);
    std::fflush(stdout);
  };
  zip.OnPassword = [&](TObject*, const std::string& name, std::string&, bool& skip) {
    std::fprintf(stderr, "zvp: %s: %s\n", AnsiToUtf8(name).c_str(),
                 havePassword ? "incorrect password" : "encrypted, give the password with -p");
    ++failures;
    skip = true;
  };
  zip.OnProcessFileFailure = [&](TObject*, const std::string& name, TZAProcessOperation, int, int,
                                 const std::string& message, TZAAction& action) {
    std::fprintf(stderr, "zvp: %s: %s\n", name.c_str(), message.c_str());
    ++failures;
    action = fxaIgnore;
  };

  try {
    zip.Open();
    int status = 0;
    if (command == "list") {
      status = List(zip);
    } else {
      if (extracting)
        zip.ExtractMatching("*.*", 10431, "");
      else
        zip.TestMatching("*.*", 10431, "");
      const int selected = zip.SelectedCount();
      if (failures == 0 && zip.DoneCount() == selected) {
        std::printf("%s %d item%s\n", extracting ? "extracted" : "tested", selected,
                    selected == 1 ? "" : "s");
      } else {
        std::fprintf(stderr, "zvp: %d of %d item%s failed\n", failures, selected, selected == 1 ? "" : "s");
        status = 1;
      }
    }
    zip.Close();
    return status;
  } catch (const Exception& e) {
    std::fprintf(stderr, "zvp: %s: %s\n", archive.c_str(), e.Message().c_str());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zvp: %s: %s\n", archive.c_str(), e.what());
    return 2;
  }
}

// PackageArchiver: the page's archive component. It is the reader as it
// comes (its own dialogs, their texts and answers unchanged), and it notes
// the items it did not write: those the user answered Ignore or Abort for in
// the failure dialog, or whose password prompt was cancelled. The
// installation then names the first of them instead of reporting success.
#pragma once

#include <string>

#include "archive/ZipArchiver.h"
#include "platform/os/FileSystem.h"

namespace velmorak {

class TPackageArchiver : public TZipArchiver {
 public:
  explicit TPackageArchiver(TComponent* AOwner) : TZipArchiver(AOwner) {}
  const char* ClassName() const override { return "TPackageArchiver"; }

  // The first item not written since ClearUnwritten, named with the
  // platform's delimiter.
  const std::string& FirstUnwrittenItem() const { return FFirstUnwritten; }
  bool AnyUnwritten() const { return FUnwritten; }
  void ClearUnwritten() {
    FUnwritten = false;
    FFirstUnwritten.clear();
  }

 protected:
  void DoPassword(const std::string& FileName, std::string& NewPassword, bool& SkipFile) override {
    TZipArchiver::DoPassword(FileName, NewPassword, SkipFile);
    if (SkipFile) Note(FileName);
  }
  void DoProcessFileFailure(const std::string& FileName, TZAProcessOperation Operation, int NativeError,
                            int ErrorCode, const std::string& ErrorMessage, TZAAction& Action) override {
    TZipArchiver::DoProcessFileFailure(FileName, Operation, NativeError, ErrorCode, ErrorMessage, Action);
    if (Action != fxaRetry) Note(FileName);
  }

 private:
  void Note(const std::string& FileName) {
    if (!FUnwritten) {
      // The password prompt names the item as stored, with "/".
      FFirstUnwritten = FileName;
      for (char& c : FFirstUnwritten)
        if (c == '/' || c == '\\') c = os::PathDelim();
    }
    FUnwritten = true;
  }
  bool FUnwritten = false;
  std::string FFirstUnwritten;
};

}  // namespace velmorak

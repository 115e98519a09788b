// ShellCtrls: the shell folder chooser. Its drop-down lists the shell
// namespace from the desktop down (the backend's business); its text is empty
// until the user chooses, then the chosen folder's full file-system path: a
// drive root ends with the path delimiter ("D:\"), a folder does not.
#pragma once

#include <string>

#include "platform/forms/Controls.h"

namespace velmorak {

class TShellFolderChooser : public TWinControl {
 public:
  explicit TShellFolderChooser(TComponent* AOwner);
  const char* ClassName() const override { return "TShellFolderChooser"; }

  const std::string& Text() const { return FText; }
  // The user chose Path in the drop-down (backend callback, or a test).
  void ChooseFolder(const std::string& Path);
  // Fired when the text changes.
  TNotifyEvent OnPropertiesChange;

  // "D:" becomes "D:\", "D:\Data\" becomes "D:\Data" (Delim: the path
  // delimiter of the platform the path belongs to).
  static std::string NormalisePath(const std::string& Path, char Delim = '\\');

 protected:
  void TextChanged() override;
};

}  // namespace velmorak

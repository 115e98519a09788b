// ShellCtrls: the chooser's text rules; the namespace itself is the backend's.
#include "platform/forms/ShellCtrls.h"

namespace velmorak {

TShellFolderChooser::TShellFolderChooser(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
}

std::string TShellFolderChooser::NormalisePath(const std::string& Path, char Delim) {
  std::string p = Path;
  const bool driveOnly = p.size() == 2 && p[1] == ':';
  if (driveOnly) return p + Delim;
  const bool driveRoot = p.size() == 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
  if (driveRoot || p.size() <= 1) return p;
  while (p.size() > 1 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  return p;
}

void TShellFolderChooser::ChooseFolder(const std::string& Path) {
  SetTextValue(NormalisePath(Path));
}

void TShellFolderChooser::TextChanged() {
  if (OnPropertiesChange) OnPropertiesChange(this);
}

}  // namespace velmorak

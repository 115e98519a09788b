// Shell on posix: the sandbox of ShellSandbox.h. The special folders are
// sub-folders of the test's root; a link file holds its target and working
// directory as two lines of text.
#include "platform/os/Shell.h"

#include <fstream>
#include <set>
#include <sstream>

#include "platform/os/FileSystem.h"
#include "platform/os/ShellSandbox.h"

namespace velmorak::os {

namespace {

struct TShellState {
  std::string Root;
  std::set<int> FailedFolders;
  bool FailCreation = false;
  std::string FailSaveFragment;
  std::vector<sandbox::TLinkSave> Saves;
};

TShellState& State() {
  static TShellState state;
  return state;
}

const char* FolderName(int Csidl) {
  switch (Csidl) {
    case CSIDL_DESKTOPDIRECTORY:
      return "Desktop";
    case CSIDL_PROGRAMS:
      return "Programs";
    case CSIDL_COMMON_PROGRAMS:
      return "CommonPrograms";
    default:
      return nullptr;
  }
}

constexpr const char* kTargetKey = "Target=";
constexpr const char* kWorkingDirectoryKey = "WorkingDirectory=";

}  // namespace

namespace sandbox {

void SetShellRoot(const std::string& Root) {
  State().Root = Root;
  if (Root.empty()) return;
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
    ForceDirectories(Root + "/" + FolderName(csidl));
}
const std::string& ShellRoot() {
  return State().Root;
}
void FailSpecialFolder(int Csidl, bool Fail) {
  if (Fail)
    State().FailedFolders.insert(Csidl);
  else
    State().FailedFolders.erase(Csidl);
}
void FailLinkCreation(bool Fail) {
  State().FailCreation = Fail;
}
void FailLinkSave(const std::string& Fragment) {
  State().FailSaveFragment = Fragment;
}
void ResetFailures() {
  State().FailedFolders.clear();
  State().FailCreation = false;
  State().FailSaveFragment.clear();
  ResetRegistryFailures();
}
const std::vector<TLinkSave>& LinkSaves() {
  return State().Saves;
}
void ClearLinkSaves() {
  State().Saves.clear();
}

}  // namespace sandbox

void InitializeShell() {}

bool SpecialFolderPath(int Csidl, std::string& Path) {
  Path.clear();
  const TShellState& s = State();
  const char* name = FolderName(Csidl);
  if (s.Root.empty() || !name || s.FailedFolders.count(Csidl)) return false;
  Path = s.Root + "/" + name;
  return true;
}

struct TShellLink::TImpl {
  std::string Target, WorkingDirectory;
};

TShellLink::TShellLink() {
  // The message Windows gives for a class that is not registered.
  if (State().FailCreation) throw EOleSysError("Classe non enregistrée", static_cast<long>(0x80040154));
  FImpl = std::make_unique<TImpl>();
}

TShellLink::~TShellLink() = default;

void TShellLink::SetPath(const std::string& Target) {
  FImpl->Target = Target;
}
void TShellLink::SetWorkingDirectory(const std::string& Directory) {
  FImpl->WorkingDirectory = Directory;
}

bool TShellLink::Save(const std::string& FileName) {
  TShellState& s = State();
  bool saved = false;
  if (s.FailSaveFragment.empty() || FileName.find(s.FailSaveFragment) == std::string::npos) {
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out << kTargetKey << FImpl->Target << "\n" << kWorkingDirectoryKey << FImpl->WorkingDirectory << "\n";
    saved = static_cast<bool>(out.flush());
  }
  s.Saves.push_back({FileName, saved});
  return saved;
}

bool ReadShellLink(const std::string& FileName, std::string& Target, std::string& WorkingDirectory) {
  std::ifstream in(FileName, std::ios::binary);
  std::string target, dir;
  if (!std::getline(in, target) || !std::getline(in, dir)) return false;
  const std::string tk = kTargetKey, dk = kWorkingDirectoryKey;
  if (target.compare(0, tk.size(), tk) != 0 || dir.compare(0, dk.size(), dk) != 0) return false;
  Target = target.substr(tk.size());
  WorkingDirectory = dir.substr(dk.size());
  return true;
}

}  // namespace velmorak::os

// ShellSandbox: the posix stand-in for the shell and the registry, for the
// native tests and the headless runs. The three special folders are
// sub-folders of a root the test chooses ("Desktop", "Programs",
// "CommonPrograms"), a shell link is a text file of two lines
// ("Target=..." and "WorkingDirectory=..."), and the registry is a tree held
// in memory. A test reads every effect back and makes one operation fail:
// a folder lookup, the link object's creation, a link save, the opening of a
// registry key or a value write.
//
// Only the posix build has this header's functions (Shell_posix.cpp,
// Registry_posix.cpp).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmorak::os::sandbox {

// Sets the root of the special folders and creates the three of them.
// Without a root every lookup fails.
void SetShellRoot(const std::string& Root);
const std::string& ShellRoot();

// Failure injection; ResetFailures() clears every one of them.
void FailSpecialFolder(int Csidl, bool Fail = true);
void FailLinkCreation(bool Fail = true);
// Saves to a file whose name contains Fragment fail (an empty fragment:
// none fail).
void FailLinkSave(const std::string& Fragment);
void FailRegistryOpen(bool Fail = true);
// Writes of the value named Name fail (empty: none).
void FailRegistryWrite(const std::string& Name);
void ResetRegistryFailures();
void ResetFailures();  // the shell's and the registry's

// Every link save attempted, in order, with its result.
struct TLinkSave {
  std::string FileName;
  bool Saved;
};
const std::vector<TLinkSave>& LinkSaves();
void ClearLinkSaves();

// The registry tree. Keys are paths from the root without leading or
// trailing backslashes, compared without regard to case; values keep the
// order of their first write.
using TValues = std::vector<std::pair<std::string, std::string>>;
// Root: the TRegistry root-key constant (Registry.h).
TValues RegistryValues(unsigned long Root, const std::string& Key);
bool RegistryKeyExists(unsigned long Root, const std::string& Key);
// Every value write that reached a key, in order ("name=data").
const std::vector<std::string>& RegistryWrites();
void ResetRegistry();

}  // namespace velmorak::os::sandbox

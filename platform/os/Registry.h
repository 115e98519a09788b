// Registry: the registry accessor of the class library — choose a root,
// open (or create) one key, read and write string values, close. One
// interface; Registry_win32.cpp uses the Windows registry, Registry_posix.cpp
// the in-memory tree of the sandbox (ShellSandbox.h).
//
// Key paths are written with backslashes; a leading backslash makes the path
// absolute from the root (the only kind this accessor opens), and a trailing
// one is ignored. Names and data are UTF-8 (REG_SZ values in UTF-16 on
// Windows).
//
// The installer is a 32-bit program, so on 64-bit Windows its writes under
// HKEY_LOCAL_MACHINE\SOFTWARE land in the 32-bit view. The accessor always
// works in that view, in every build, so the installer, the product and the
// 64-bit test builds all see the same record.
#pragma once

#include <memory>
#include <string>

#include "platform/classes/SysUtils.h"

namespace velmorak::os {

// Root keys, with the values Windows gives them.
enum : unsigned long {
  rkClassesRoot = 0x80000000ul,
  rkCurrentUser = 0x80000001ul,
  rkLocalMachine = 0x80000002ul,
};

// Access rights the accessor is created with.
enum : unsigned {
  KEY_READ_ACCESS = 0x20019u,        // KEY_READ
  KEY_ALL_ACCESS_RIGHTS = 0xF003Fu,  // KEY_ALL_ACCESS
};

// Raised when a value cannot be written or read: "Failed to set data for
// 'NAME'" / "Failed to get data for 'NAME'".
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry {
 public:
  explicit TRegistry(unsigned Access = KEY_ALL_ACCESS_RIGHTS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  unsigned long RootKey() const { return FRootKey; }
  // Closes the current key first.
  void SetRootKey(unsigned long Value);

  // Opens Key with the accessor's rights, creating it (and its missing
  // parents) when CanCreate is set. False when it cannot be opened.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  bool KeyExists(const std::string& Key);
  // The open key's path from the root, empty when none is open.
  const std::string& CurrentPath() const { return FCurrentPath; }
  void CloseKey();

  // On the open key. WriteString raises ERegistryException when the value
  // cannot be written; ReadString when it exists but is not a string.
  void WriteString(const std::string& Name, const std::string& Value);
  std::string ReadString(const std::string& Name);  // empty when missing
  bool ValueExists(const std::string& Name);

  struct TImpl;

 private:
  unsigned FAccess;
  unsigned long FRootKey = rkCurrentUser;
  std::string FCurrentPath;
  std::unique_ptr<TImpl> FImpl;
};

// The key path as the accessor opens it: backslash-separated, without a
// leading or trailing backslash.
std::string NormaliseRegistryPath(const std::string& Key);

}  // namespace velmorak::os

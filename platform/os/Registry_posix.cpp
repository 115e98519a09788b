// Registry on posix: the in-memory tree of the sandbox (ShellSandbox.h).
// Keys are found without regard to case, as Windows does; values keep the
// order of their first write and the case of their name.
#include "platform/os/Registry.h"

#include <map>

#include "platform/os/ShellSandbox.h"

namespace velmorak::os {

namespace {

std::string Upper(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

struct TRegistryState {
  // (root, upper-case path) -> values.
  std::map<std::pair<unsigned long, std::string>, sandbox::TValues> Keys;
  bool FailOpen = false;
  std::string FailWriteName;
  std::vector<std::string> Writes;
};

TRegistryState& State() {
  static TRegistryState state;
  return state;
}

}  // namespace

namespace sandbox {

void FailRegistryOpen(bool Fail) {
  State().FailOpen = Fail;
}
void FailRegistryWrite(const std::string& Name) {
  State().FailWriteName = Name;
}
sandbox::TValues RegistryValues(unsigned long Root, const std::string& Key) {
  auto it = State().Keys.find({Root, Upper(NormaliseRegistryPath(Key))});
  return it == State().Keys.end() ? TValues{} : it->second;
}
bool RegistryKeyExists(unsigned long Root, const std::string& Key) {
  return State().Keys.count({Root, Upper(NormaliseRegistryPath(Key))}) != 0;
}
const std::vector<std::string>& RegistryWrites() {
  return State().Writes;
}
void ResetRegistry() {
  State().Keys.clear();
  State().Writes.clear();
}

void ResetRegistryFailures() {
  State().FailOpen = false;
  State().FailWriteName.clear();
}

}  // namespace sandbox

struct TRegistry::TImpl {
  std::pair<unsigned long, std::string> Key;
  bool ReadOnly = false;
};

TRegistry::TRegistry(unsigned Access) : FAccess(Access) {}
TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(unsigned long Value) {
  CloseKey();
  FRootKey = Value;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  CloseKey();
  TRegistryState& s = State();
  if (s.FailOpen) return false;
  const std::string path = NormaliseRegistryPath(Key);
  const std::pair<unsigned long, std::string> id{FRootKey, Upper(path)};
  const bool readOnly = FAccess == KEY_READ_ACCESS;
  if (!s.Keys.count(id)) {
    if (!CanCreate || readOnly) return false;
    // Missing parents come into being with the key, as RegCreateKeyEx does.
    for (std::size_t p = path.find('\\'); p != std::string::npos; p = path.find('\\', p + 1))
      s.Keys.try_emplace({FRootKey, Upper(path.substr(0, p))});
    s.Keys[id];
  }
  FImpl = std::make_unique<TImpl>();
  FImpl->Key = id;
  FImpl->ReadOnly = readOnly;
  FCurrentPath = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  const unsigned saved = FAccess;
  FAccess = KEY_READ_ACCESS;
  const bool ok = OpenKey(Key, false);
  FAccess = saved;
  if (ok) FImpl->ReadOnly = true;
  return ok;
}

bool TRegistry::KeyExists(const std::string& Key) {
  return State().Keys.count({FRootKey, Upper(NormaliseRegistryPath(Key))}) != 0;
}

void TRegistry::CloseKey() {
  FImpl.reset();
  FCurrentPath.clear();
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  TRegistryState& s = State();
  if (!FImpl || FImpl->ReadOnly || (!s.FailWriteName.empty() && s.FailWriteName == Name))
    throw ERegistryException("Failed to set data for '" + Name + "'");
  sandbox::TValues& values = s.Keys[FImpl->Key];
  bool found = false;
  for (auto& v : values)
    if (Upper(v.first) == Upper(Name)) v.second = Value, found = true;
  if (!found) values.emplace_back(Name, Value);
  s.Writes.push_back(Name + "=" + Value);
}

std::string TRegistry::ReadString(const std::string& Name) {
  if (!FImpl) return std::string();
  for (const auto& v : State().Keys[FImpl->Key])
    if (Upper(v.first) == Upper(Name)) return v.second;
  return std::string();
}

bool TRegistry::ValueExists(const std::string& Name) {
  if (!FImpl) return false;
  for (const auto& v : State().Keys[FImpl->Key])
    if (Upper(v.first) == Upper(Name)) return true;
  return false;
}

}  // namespace velmorak::os

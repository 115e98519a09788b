// Registry on Windows: RegCreateKeyExW / RegOpenKeyExW in the 32-bit view
// (KEY_WOW64_32KEY, see Registry.h), string values as REG_SZ in UTF-16.
#include "platform/os/Registry.h"

#include <windows.h>

namespace velmorak::os {

namespace {

std::wstring Wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const wchar_t* w, std::size_t count) {
  if (!count) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(count), s.data(), n, nullptr, nullptr);
  return s;
}

HKEY Root(unsigned long root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

}  // namespace

struct TRegistry::TImpl {
  HKEY Key = nullptr;
};

TRegistry::TRegistry(unsigned Access) : FAccess(Access), FImpl(std::make_unique<TImpl>()) {}
TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(unsigned long Value) {
  CloseKey();
  FRootKey = Value;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  CloseKey();
  const std::string path = NormaliseRegistryPath(Key);
  const std::wstring wide = Wide(path);
  const REGSAM sam = FAccess | KEY_WOW64_32KEY;
  HKEY key = nullptr;
  LONG rc;
  if (CanCreate)
    rc = RegCreateKeyExW(Root(FRootKey), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr,
                         &key, nullptr);
  else
    rc = RegOpenKeyExW(Root(FRootKey), wide.c_str(), 0, sam, &key);
  if (rc != ERROR_SUCCESS) return false;
  FImpl->Key = key;
  FCurrentPath = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  const unsigned saved = FAccess;
  FAccess = KEY_READ_ACCESS;
  const bool ok = OpenKey(Key, false);
  FAccess = saved;
  return ok;
}

bool TRegistry::KeyExists(const std::string& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(Root(FRootKey), Wide(NormaliseRegistryPath(Key)).c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                    &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void TRegistry::CloseKey() {
  if (FImpl->Key) RegCloseKey(FImpl->Key);
  FImpl->Key = nullptr;
  FCurrentPath.clear();
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  const std::wstring data = Wide(Value);
  const LONG rc = FImpl->Key ? RegSetValueExW(FImpl->Key, Wide(Name).c_str(), 0, REG_SZ,
                                              reinterpret_cast<const BYTE*>(data.c_str()),
                                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)))
                             : ERROR_INVALID_HANDLE;
  if (rc != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + Name + "'");
}

std::string TRegistry::ReadString(const std::string& Name) {
  if (!FImpl->Key) return std::string();
  const std::wstring name = Wide(Name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(FImpl->Key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(FImpl->Key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + Name + "'");
  std::size_t count = size / sizeof(wchar_t);
  while (count && data[count - 1] == L'\0') --count;
  return Narrow(data.c_str(), count);
}

bool TRegistry::ValueExists(const std::string& Name) {
  return FImpl->Key && RegQueryValueExW(FImpl->Key, Wide(Name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
                           ERROR_SUCCESS;
}

}  // namespace velmorak::os

// Shell on Windows: SHGetSpecialFolderLocation / SHGetPathFromIDListW for the
// special folders, and the shell's link object through IShellLinkA and
// IPersistFile. The link interface is the ANSI one, so the texts go to it in
// the system code page; the file name goes to IPersistFile in UTF-16.
#include "platform/os/Shell.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace velmorak::os {

namespace {

std::wstring Wide(const std::string& s, UINT codePage = CP_UTF8) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w, UINT codePage = CP_UTF8) {
  if (w.empty()) return std::string();
  const int n =
      WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// UTF-8 to the system ANSI code page and back, for the link's A interface.
std::string ToAnsi(const std::string& utf8) {
  return Narrow(Wide(utf8), CP_ACP);
}
std::string FromAnsi(const std::string& ansi) {
  return Narrow(Wide(ansi, CP_ACP));
}

std::string HResultText(HRESULT hr) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring w = text ? text : L"";
  if (text) LocalFree(text);
  while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L'.')) w.pop_back();
  return w.empty() ? "OLE error " + std::to_string(static_cast<unsigned long>(hr)) : Narrow(w);
}

}  // namespace

void InitializeShell() {
  // COM stays initialised until the process ends, which releases it.
  static const HRESULT once = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)once;
}

bool SpecialFolderPath(int Csidl, std::string& Path) {
  Path.clear();
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, Csidl, &list) != S_OK || !list) return false;
  // 260 characters and the terminating zero.
  wchar_t buffer[MAX_PATH + 1] = {};
  const BOOL ok = SHGetPathFromIDListW(list, buffer);
  CoTaskMemFree(list);
  if (!ok) return false;
  Path = Narrow(buffer);
  return !Path.empty();
}

struct TShellLink::TImpl {
  IShellLinkA* Link = nullptr;
  IPersistFile* File = nullptr;
};

TShellLink::TShellLink() : FImpl(std::make_unique<TImpl>()) {
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&FImpl->Link));
  if (SUCCEEDED(hr))
    hr = FImpl->Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&FImpl->File));
  if (FAILED(hr)) {
    if (FImpl->Link) FImpl->Link->Release();
    throw EOleSysError(HResultText(hr), static_cast<long>(hr));
  }
}

TShellLink::~TShellLink() {
  if (FImpl->File) FImpl->File->Release();
  if (FImpl->Link) FImpl->Link->Release();
}

void TShellLink::SetPath(const std::string& Target) {
  FImpl->Link->SetPath(ToAnsi(Target).c_str());
}

void TShellLink::SetWorkingDirectory(const std::string& Directory) {
  FImpl->Link->SetWorkingDirectory(ToAnsi(Directory).c_str());
}

bool TShellLink::Save(const std::string& FileName) {
  return SUCCEEDED(FImpl->File->Save(Wide(FileName).c_str(), FALSE));
}

bool ReadShellLink(const std::string& FileName, std::string& Target, std::string& WorkingDirectory) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(Wide(FileName).c_str(), STGM_READ));
  if (ok) {
    char buffer[MAX_PATH + 1] = {};
    // The raw path as stored: no resolution against the file system.
    ok = SUCCEEDED(link->GetPath(buffer, MAX_PATH + 1, nullptr, SLGP_RAWPATH));
    Target = FromAnsi(buffer);
    char dir[MAX_PATH + 1] = {};
    if (ok) ok = SUCCEEDED(link->GetWorkingDirectory(dir, MAX_PATH + 1));
    WorkingDirectory = FromAnsi(dir);
  }
  if (file) file->Release();
  link->Release();
  return ok;
}

}  // namespace velmorak::os

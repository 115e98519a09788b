// Windows implementation of FileSystem.h: thin calls into kernel32. Paths
// arrive as UTF-8 and go to the wide-character API.
#include "platform/os/FileSystem.h"

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

HANDLE ToHandle(THandle h) { return reinterpret_cast<HANDLE>(h); }

THandle FromHandle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<THandle>(h);
}

}  // namespace

THandle FileOpen(const std::string& path, unsigned mode) {
  static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD share[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned a = mode & 3, s = (mode >> 4) & 0xF;
  if (a > 2 || s > 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return InvalidHandle;
  }
  return FromHandle(CreateFileW(Wide(path).c_str(), access[a], share[s], nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

THandle FileCreate(const std::string& path) {
  return FromHandle(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

void FileClose(THandle handle) {
  if (handle != InvalidHandle) CloseHandle(ToHandle(handle));
}

std::int64_t FileRead(THandle handle, void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
    DWORD n = 0;
    if (!ReadFile(ToHandle(handle), p + done, chunk, &n, nullptr)) return done ? done : -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t FileWrite(THandle handle, const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
    DWORD n = 0;
    if (!WriteFile(ToHandle(handle), p + done, chunk, &n, nullptr) || n == 0) return done ? done : -1;
    done += n;
  }
  return done;
}

std::int64_t FileSeek(THandle handle, std::int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(ToHandle(handle), distance, &result, static_cast<DWORD>(origin))) return -1;
  return result.QuadPart;
}

std::int64_t FileSize(THandle handle) {
  LARGE_INTEGER size;
  return GetFileSizeEx(ToHandle(handle), &size) ? size.QuadPart : -1;
}

bool FileSetSize(THandle handle, std::int64_t size) {
  const std::int64_t here = FileSeek(handle, 0, TSeekOrigin::soCurrent);
  if (here < 0 || FileSeek(handle, size, TSeekOrigin::soBeginning) < 0) return false;
  const bool ok = SetEndOfFile(ToHandle(handle)) != 0;
  FileSeek(handle, here < size ? here : size, TSeekOrigin::soBeginning);
  return ok;
}

bool FileFlush(THandle handle) { return FlushFileBuffers(ToHandle(handle)) != 0; }

bool FileLockRange(THandle handle, std::int64_t offset, std::int64_t length) {
  return LockFile(ToHandle(handle), static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                  static_cast<DWORD>(length), static_cast<DWORD>(length >> 32)) != 0;
}

bool FileUnlockRange(THandle handle, std::int64_t offset, std::int64_t length) {
  return UnlockFile(ToHandle(handle), static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                    static_cast<DWORD>(length), static_cast<DWORD>(length >> 32)) != 0;
}

bool FileSetDosDateTime(THandle handle, std::uint32_t dosDateTime) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime), &local))
    return false;
  if (!LocalFileTimeToFileTime(&local, &utc)) return false;
  return SetFileTime(ToHandle(handle), nullptr, nullptr, &utc) != 0;
}

std::uint32_t FileGetDosDateTime(THandle handle) {
  FILETIME utc, local;
  WORD date = 0, time = 0;
  if (!GetFileTime(ToHandle(handle), nullptr, nullptr, &utc)) return 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (static_cast<std::uint32_t>(date) << 16) | time;
}

bool FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint32_t FileGetAttr(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool FileSetAttr(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

bool FileDelete(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool FileRename(const std::string& from, const std::string& to) {
  return MoveFileW(Wide(from).c_str(), Wide(to).c_str()) != 0;
}

bool FileCopy(const std::string& from, const std::string& to, bool failIfExists) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), failIfExists) != 0;
}

bool CreateDir(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string p = path;
  while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  if (DirectoryExists(p)) return true;
  const auto slash = p.find_last_of("\\/");
  // Stop at a root ("C:\", "\\server\share" is left to CreateDir to refuse).
  if (slash != std::string::npos && slash > 0 && !(slash == 2 && p[1] == ':') &&
      !ForceDirectories(p.substr(0, slash)))
    return false;
  return CreateDir(p) || DirectoryExists(p);
}

bool RemoveDir(const std::string& path) { return RemoveDirectoryW(Wide(path).c_str()) != 0; }

bool IsRemovableDrive(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const wchar_t root[4] = {static_cast<wchar_t>(path[0]), L':', L'\\', 0};
  return GetDriveTypeW(root) == DRIVE_REMOVABLE;
}

char PathDelim() { return '\\'; }

int LastOSError() { return static_cast<int>(GetLastError()); }

std::string SysErrorMessage(int code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result;
  if (n && text) {
    const int len = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(len));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), result.data(), len, nullptr, nullptr);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
      result.pop_back();
  }
  if (text) LocalFree(text);
  return result;
}

void Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

std::uint64_t TickCountMs() { return GetTickCount64(); }

}  // namespace velmorak::os

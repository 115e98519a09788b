// POSIX implementation of FileSystem.h. Byte-range locks are
// open-file-description locks (F_OFD_SETLK): they belong to the open file, so
// two handles in one process exclude each other as LockFile does on Windows,
// and closing one handle does not drop the locks of another.
#include "platform/os/FileSystem.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace velmorak::os {

namespace {

int ToFd(THandle h) { return static_cast<int>(h); }

bool Lock(THandle handle, std::int64_t offset, std::int64_t length, short type) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = length;
  return fcntl(ToFd(handle), F_OFD_SETLK, &fl) == 0;
}

}  // namespace

THandle FileOpen(const std::string& path, unsigned mode) {
  int flags = O_CLOEXEC;
  switch (mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return InvalidHandle;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return InvalidHandle;
  }
  return fd;
}

THandle FileCreate(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? InvalidHandle : fd;
}

void FileClose(THandle handle) {
  if (handle != InvalidHandle) ::close(ToFd(handle));
}

std::int64_t FileRead(THandle handle, void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(ToFd(handle), p + done, static_cast<std::size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t FileWrite(THandle handle, const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const ssize_t n = ::write(ToFd(handle), p + done, static_cast<std::size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? done : -1;
    }
    done += n;
  }
  return done;
}

std::int64_t FileSeek(THandle handle, std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  return ::lseek(ToFd(handle), offset, whence);
}

std::int64_t FileSize(THandle handle) {
  struct stat st;
  return fstat(ToFd(handle), &st) == 0 ? st.st_size : -1;
}

bool FileSetSize(THandle handle, std::int64_t size) { return ::ftruncate(ToFd(handle), size) == 0; }

bool FileFlush(THandle handle) { return ::fsync(ToFd(handle)) == 0; }

bool FileLockRange(THandle handle, std::int64_t offset, std::int64_t length) {
  if (Lock(handle, offset, length, F_WRLCK)) return true;
  // POSIX grants a write lock only on a handle open for writing; Windows
  // locks read-only handles too. A reader's lock is then a read lock, which
  // still keeps every writer out.
  return errno == EBADF && Lock(handle, offset, length, F_RDLCK);
}

bool FileUnlockRange(THandle handle, std::int64_t offset, std::int64_t length) {
  return Lock(handle, offset, length, F_UNLCK);
}

bool FileSetDosDateTime(THandle handle, std::uint32_t dosDateTime) {
  struct tm t;
  std::memset(&t, 0, sizeof t);
  const unsigned date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
  t.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  t.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  t.tm_mday = static_cast<int>(date & 0x1F);
  t.tm_hour = static_cast<int>((time >> 11) & 0x1F);
  t.tm_min = static_cast<int>((time >> 5) & 0x3F);
  t.tm_sec = static_cast<int>(time & 0x1F) * 2;
  t.tm_isdst = -1;
  if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1) {
    errno = EINVAL;
    return false;
  }
  const time_t when = mktime(&t);
  if (when == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = when;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return futimens(ToFd(handle), times) == 0;
}

std::uint32_t FileGetDosDateTime(THandle handle) {
  struct stat st;
  if (fstat(ToFd(handle), &st) != 0) return 0;
  struct tm t;
  const time_t when = st.st_mtime;
  if (!localtime_r(&when, &t) || t.tm_year < 80) return 0;
  const unsigned date = static_cast<unsigned>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const unsigned time = static_cast<unsigned>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return (date << 16) | time;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint32_t FileGetAttr(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return InvalidAttributes;
  std::uint32_t attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  return attr;
}

bool FileSetAttr(const std::string& path, std::uint32_t attributes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & faReadOnly)
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  else
    mode |= S_IWUSR;
  return ::chmod(path.c_str(), mode) == 0;
}

bool FileDelete(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool FileRename(const std::string& from, const std::string& to) {
  // Windows refuses to rename over an existing file; keep that rule here.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FileCopy(const std::string& from, const std::string& to, bool failIfExists) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  const int out = ::open(to.c_str(), flags, 0666);
  if (out < 0) {
    ::close(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const std::int64_t n = FileRead(in, buffer, sizeof buffer);
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (FileWrite(out, buffer, n) != n) {
      ok = false;
      break;
    }
  }
  struct stat st;
  if (ok && fstat(in, &st) == 0) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

bool CreateDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (DirectoryExists(p)) return true;
  const auto slash = p.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(p.substr(0, slash))) return false;
  return CreateDir(p) || DirectoryExists(p);
}

bool RemoveDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool IsRemovableDrive(const std::string&) { return false; }

char PathDelim() { return '/'; }

int LastOSError() { return errno; }

std::string SysErrorMessage(int code) { return std::strerror(code); }

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::uint64_t TickCountMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace velmorak::os

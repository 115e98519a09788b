// FileSystem: the operating-system services the engines and the installer use
// for files and folders — handles opened with access and sharing modes,
// positioned I/O, flushing, byte-range locks, attributes, time stamps, folder
// creation, rename and delete. One interface; FileSystem_win32.cpp and
// FileSystem_posix.cpp implement it.
//
// Paths are UTF-8 (converted to UTF-16 at the Windows API). Functions report
// failure by their result, never by exceptions, and leave the operating
// system's error code for LastOSError(); the stream classes above this layer
// turn failures into exceptions with the class library's messages.
#pragma once

#include <cstdint>
#include <string>

namespace velmorak::os {

// A file handle; InvalidHandle when an open failed.
using THandle = std::intptr_t;
constexpr THandle InvalidHandle = -1;

// Open modes: one access value ORed with one sharing value, as the class
// library's file streams take them.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
};

// Windows file attributes; on POSIX only the read-only and directory bits are
// real (read-only = no write permission bit), the others read as 0.
enum : std::uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNormal = 0x80,
};
constexpr std::uint32_t InvalidAttributes = 0xFFFFFFFFu;

enum class TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// Opens an existing file. Sharing modes are enforced by Windows; POSIX has no
// mandatory sharing, so there only the access part applies.
THandle FileOpen(const std::string& path, unsigned mode);
// Creates (or truncates) a file for reading and writing, deny-all sharing.
THandle FileCreate(const std::string& path);
void FileClose(THandle handle);
// Reads/writes up to count bytes; returns the number transferred, or -1.
std::int64_t FileRead(THandle handle, void* buffer, std::int64_t count);
std::int64_t FileWrite(THandle handle, const void* buffer, std::int64_t count);
// Returns the new position, or -1.
std::int64_t FileSeek(THandle handle, std::int64_t offset, TSeekOrigin origin);
std::int64_t FileSize(THandle handle);
bool FileSetSize(THandle handle, std::int64_t size);
// Asks the operating system to write the file's buffers to the medium.
bool FileFlush(THandle handle);
// Exclusive, non-blocking, inter-process lock of a byte range. Locks belong
// to the handle: two handles on one file exclude each other even within one
// process (Linux: open-file-description locks).
bool FileLockRange(THandle handle, std::int64_t offset, std::int64_t length);
bool FileUnlockRange(THandle handle, std::int64_t offset, std::int64_t length);

// Time stamps are MS-DOS date-times (date in the high 16 bits, time in the
// low 16 bits, local time, two-second resolution), as archives store them.
bool FileSetDosDateTime(THandle handle, std::uint32_t dosDateTime);
std::uint32_t FileGetDosDateTime(THandle handle);  // 0 on failure

bool FileExists(const std::string& path);       // a file, not a folder
bool DirectoryExists(const std::string& path);  // a folder
std::uint32_t FileGetAttr(const std::string& path);  // InvalidAttributes on failure
bool FileSetAttr(const std::string& path, std::uint32_t attributes);
bool FileDelete(const std::string& path);
bool FileRename(const std::string& from, const std::string& to);
bool FileCopy(const std::string& from, const std::string& to, bool failIfExists);
// Creates one folder whose parent exists.
bool CreateDir(const std::string& path);
// Creates a folder and every missing parent, level by level.
bool ForceDirectories(const std::string& path);
bool RemoveDir(const std::string& path);

// Whether the drive holding path is removable media (a floppy or a USB
// stick on Windows; never on POSIX).
bool IsRemovableDrive(const std::string& path);

// The path delimiter of the platform: '\' on Windows, '/' on POSIX.
char PathDelim();

// Error reporting: the last operating-system error code and its text.
int LastOSError();
std::string SysErrorMessage(int code);

// Waiting and the clock.
void Sleep(unsigned milliseconds);
std::uint64_t TickCountMs();

}  // namespace velmorak::os

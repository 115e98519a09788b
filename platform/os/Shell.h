// Shell: the Windows shell services the installation uses — the special
// folders looked up by their CSIDL number, and shell links (".lnk" files)
// made through the shell's link object and saved with its persistence
// interface. One interface; Shell_win32.cpp calls the real shell, and
// Shell_posix.cpp is a sandbox for the native tests (ShellSandbox.h): the
// special folders are folders under a root the test chooses and a link is a
// small text file, so every effect can be inspected and every failure
// injected.
//
// Paths and link texts are UTF-8 here; on Windows the link's ANSI interface
// receives them in the system code page and the file name goes in UTF-16.
// The link object is a COM object: InitializeShell runs once on the
// user-interface thread at start-up, before the first link is made.
#pragma once

#include <memory>
#include <string>

#include "platform/classes/SysUtils.h"

namespace velmorak::os {

// Shell folder identifiers the installer asks for.
enum : int {
  CSIDL_PROGRAMS = 2,           // the current user's Start-menu Programs folder
  CSIDL_DESKTOPDIRECTORY = 16,  // the current user's desktop directory
  CSIDL_COMMON_PROGRAMS = 23,   // the all-users Start-menu Programs folder
};

// Initialises COM on the calling thread (single-threaded apartment). Calls
// after the first do nothing. On posix there is nothing to initialise.
void InitializeShell();

// The file-system path of a special folder, without a trailing delimiter.
// False when the shell does not know the folder (Path is then left empty).
bool SpecialFolderPath(int Csidl, std::string& Path);

// Raised when the shell's link class cannot be created; ErrorCode is the
// COM result.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::string Message, long ErrorCode) : Exception(std::move(Message)), FErrorCode(ErrorCode) {}
  long ErrorCode() const { return FErrorCode; }

 private:
  long FErrorCode;
};

// One shell link object. Only the target path and the working directory are
// ever set; the object may be saved to several files.
class TShellLink {
 public:
  // Creates the link object. Raises EOleSysError when the class cannot be
  // created.
  TShellLink();
  ~TShellLink();
  TShellLink(const TShellLink&) = delete;
  TShellLink& operator=(const TShellLink&) = delete;

  void SetPath(const std::string& Target);
  void SetWorkingDirectory(const std::string& Directory);
  // Saves the link to FileName, replacing a file of that name; the object
  // does not take the file as its own ("remember" false). False on failure.
  bool Save(const std::string& FileName);

  struct TImpl;

 private:
  std::unique_ptr<TImpl> FImpl;
};

// Reads a saved link back: its target and working directory as the link
// stores them. False when the file is not a readable link.
bool ReadShellLink(const std::string& FileName, std::string& Target, std::string& WorkingDirectory);

}  // namespace velmorak::os

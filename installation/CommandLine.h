// CommandLine: the switches of the unattended installation and its answers
// file, for administrators who deploy the product on many machines. With no
// argument the program is the wizard, exactly as it always was.
//
// Switches (names without regard to case):
//   /SILENT          no splash and no pages, only a small progress window
//   /VERYSILENT      nothing shown at all
//   /DIR="path"      the installation path P, as written; absolute
//   /LOADINF="file"  the answers file
//   /LOG="file"      the log (also with the wizard)
//   /OVERWRITE       OK to the earlier-installation question (else Cancel)
//   /HELP, /?        the switches in a message box
//
// Arguments are split at blanks outside double quotes and the quotes are
// removed wherever they stand; a backslash is an ordinary character, so
// /DIR="C:\" means C:\.
//
// The answers file is an INI file in UTF-8 (with or without a BOM; a file
// that is not valid UTF-8 is read in the ANSI code page). Section [Societe]
// holds Societe, Activite, Adresse, Tel, Fax, Email, URL, CBank, RC, MF, AI,
// NIF, NIS and CapitalS; section [Setup] may hold Dir, which /DIR overrides.
// Keys are found without regard to case; blanks around keys and values are
// trimmed, double quotes around a value keep its blanks; lines starting with
// ";" or "#" are comments.
#pragma once

#include <string>
#include <vector>

#include "installation/Installation.h"

namespace velmorak {

// Exit codes of the program, with the meanings Windows installers made
// common.
enum : int {
  ExitInstalled = 0,
  ExitBadCommandLine = 1,    // or a bad answers file; nothing done
  ExitCancelled = 2,         // the earlier-installation question; nothing done
  ExitFailed = 4,            // any other failure from the extraction on
  ExitItemNotExtracted = 5,  // an item of the package was not written
  ExitRefused = 7,           // a check before the installation refused it; nothing done
};

// The exit code of a run that returned (links not saved or special folders
// not found count as a failure), and of one that raised.
int ExitCodeOf(TInstallResult Result, int Warnings);
int ExitCodeOf(const std::exception& E);

struct TCommandLine {
  bool Silent = false, VerySilent = false, Overwrite = false, Help = false;
  bool HasDir = false, HasLoadInf = false, HasLog = false;
  std::string Dir, LoadInf, Log;
  // What was wrong with the arguments, one text per fault (empty: none).
  std::vector<std::string> Errors;

  bool Unattended() const { return Silent || VerySilent; }
  bool Empty() const;
};

// Splits a command line's arguments (the text after the program's name).
std::vector<std::string> SplitArguments(const std::string& Arguments);
TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments);

// The switches, as the help box shows them.
std::string SwitchesHelp();

// Whether a path is absolute: a drive and ":\" or "\\server\share" on
// Windows, a leading "/" on posix.
bool IsAbsoluteInstallPath(const std::string& Path);

struct TAnswers {
  TCompanyDetails Details;
  std::string Dir;  // [Setup] Dir, empty when absent
  bool HasDir = false;
  // One text per fault, naming the key and the rule (empty: none).
  std::vector<std::string> Errors;
};

// Parses and checks the answers file's bytes.
TAnswers ParseAnswers(const std::string& Bytes);
// Checks what the installation needs once /DIR is applied: the page's
// forward-button check (four values and a path, Tel of 9 characters at
// least). Adds to Answers.Errors.
void CheckAnswers(TAnswers& Answers, const std::string& Path);

}  // namespace velmorak

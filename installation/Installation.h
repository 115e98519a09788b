// Installation: the installation procedure itself, in one place for its two
// hosts — the company details page (Params), which answers with message
// boxes, moves its progress bar and hands over to the final page, and the
// unattended runner (Unattended), which answers from the command line, writes
// a log and shows a small progress window or nothing. The steps, their order,
// their checks and their messages live here only.
//
//   step  1  path check ............ stop: path error box
//   step  2  confirmation .......... stop: anything but OK
//   step  3  earlier installation .. stop: Cancel at the question
//   step  4  LastChar
//   step  5  package check ......... stop: package error box
//   step  6  lock the host           (no way back from here)
//   steps 7-13  folder, archive (FileName, Password, Open, BaseDir,
//               ExtractMatching, Close), then the items not written
//   step 14  exercise database of the year Y
//   step 15  shortcuts
//   step 16  configuration database (ConfigDatabase.h)
//   step 17  registry record
//   steps 18-19  progress 90, 100; hand over
//
// From step 7 on a failure raises (EInstallError for the installer's own
// checks, the engines' exceptions otherwise) after the archive and the three
// tables have been released; nothing is rolled back.
//
// Paths are joined with the platform's delimiter ("\" on Windows, "/" on
// posix), so the same steps run in the native tests; the doubled delimiter
// after a root (P = "D:\") is kept as joined.
#pragma once

#include <functional>
#include <string>

#include "platform/classes/SysUtils.h"

namespace velmorak {

// The archive component's header and the forms' headers both name a clNone
// (a compression level, a colour), so no unit includes both: the page holds
// the archive through these.
class TComponent;
class TPackageArchiver;
// A package archive owned by Owner, with the settings the installation
// relies on: corrupted items not extracted, OEM-coded names, flushed writes,
// no spanning, no in-memory mode; everything else at its default.
TPackageArchiver* CreatePackageArchiver(TComponent* Owner);
bool IsArchiveOpen(const TPackageArchiver& Archiver);
// The answers of a run that nobody watches: Abort in the reader's failure
// dialog, Cancel at its password prompt.
void AnswerArchiveUnattended(TPackageArchiver& Archiver);

// The product's fixed names and the procedure's messages.
namespace install {
inline constexpr const char* PackageName = "zrvpkg_Kolvane_Pro_5.6_B1_01-12-2017.zvp";
inline constexpr const char* ArchivePassword = "lintarv";
inline constexpr const char* TablePassword = "wexor";
inline constexpr const char* ProductName = "Kolvane Pro 5.6 - Gestion Commerciale";
inline constexpr const char* ErrorCaption = "Erreur d'installation";
inline constexpr const char* ConfirmCaption = "Confirmation de l'installation";
inline constexpr const char* PathMissingText =
    "Attention, le chemin d'installation choisis n'existe pas. Veuillez SVP faire choisir un chemin existant "
    "?";
inline constexpr const char* ConfirmText =
    "Etes vous sur de vouloir installer l'application utilisant ces informations ?";
inline constexpr const char* EarlierInstallationText =
    "Attention, Une installation de cette application a été détectée dans le chemin choisi. Voulez vous "
    "écraser cette installation et la remplacer par cette version ? (N.B: Vous risquez de perdre vos "
    "anciennes données.)";
// Followed by the maker's web site address and one blank.
inline constexpr const char* PackageMissingText =
    "Attention, le package fichiers d'installation n'existe pas. Veuillez SVP contacter le support "
    "technique. ";
inline constexpr const char* RegistryKey = "\\SOFTWARE\\Software VELMORAK\\";
}  // namespace install

// The package-missing message, with the maker's address.
std::string PackageMissingMessage();

// What the company details page holds, as the procedure uses it.
struct TCompanyDetails {
  std::string Societe, Activite, Adresse, Tel, Fax, Email, URL, CBank, RC, MF, AI, NIF, NIS;
  long long CapitalS = 0;  // the numeric edit's number
};

// The installation's failures that the installer itself detects, from
// step 7 on. The message is French and names the cause.
class EInstallError : public Exception {
 public:
  enum TKind { ikItemNotExtracted, ikExerciseDatabase, ikRegistryKey };
  EInstallError(TKind Kind, std::string Message) : Exception(std::move(Message)), FKind(Kind) {}
  TKind Kind() const { return FKind; }

 private:
  TKind FKind;
};

// How a run ended when it did not raise.
enum class TInstallResult {
  irInstalled,
  irPathMissing,          // step 1
  irNotConfirmed,         // step 2
  irEarlierInstallation,  // step 3, Cancel
  irPackageMissing,       // step 5
};

// What a host gives the procedure.
class TInstallHost {
 public:
  virtual ~TInstallHost() = default;
  // A box with OK and Cancel and the warning icon; true for OK.
  virtual bool AskOkCancel(const std::string& Caption, const std::string& Text) = 0;
  // An error box with the error icon and OK.
  virtual void ShowError(const std::string& Caption, const std::string& Text) = 0;
  // Step 6: no way back from here.
  virtual void Lock() = 0;
  // The progress bar's value, shown at once.
  virtual void SetProgress(int Percent) = 0;
  // The step now running, and what each step came to ("OK" or the reason);
  // Warning is what the wizard passes over in silence (a link not saved, a
  // special folder not found).
  virtual void StepStarted(const std::string& Step) {}
  virtual void StepResult(const std::string& Step, const std::string& Result) {}
  virtual void Warning(const std::string& Text) {}
  // Step 19.
  virtual void HandOver() = 0;
};

// The values that step 16 writes, besides the company's details.
struct TConfigValues {
  std::string DatabaseFile;  // P + "\VELMORAK\Kolvane_Pro\scg.zvc"
  std::string StoredRoot;
  int Year = 0;
};

// Step 16, the configuration database update (ConfigDatabase.h on the
// page's three tables). Release cancels pending edits and closes the tables;
// it never raises.
class TConfigurationStep {
 public:
  virtual ~TConfigurationStep() = default;
  virtual void Run(const TConfigValues& Values, const TCompanyDetails& Details,
                   const std::function<void(int)>& Progress) = 0;
  virtual void Release() noexcept = 0;
};

class TInstallation {
 public:
  // Neither argument is owned; both outlive Run.
  TInstallation(TInstallHost& Host, TPackageArchiver& Archiver, TConfigurationStep& Configuration)
      : FHost(Host), FArchiver(Archiver), FConfiguration(Configuration) {}

  // Runs the steps for the path P (the chooser's text, as it reads) and
  // the company's details. Returns how the run ended before step 6 or
  // irInstalled; raises from step 7 on.
  TInstallResult Run(const std::string& P, const TCompanyDetails& Details);

  // Warnings of the last run (links not saved, special folders not found).
  int Warnings() const { return FWarnings; }

  // The terms of the procedure for a path P.
  static std::string InstallRoot(const std::string& P);
  static std::string StoredRoot(const std::string& P);
  // A link's working directory: its target up to and including the last
  // delimiter or colon (a web address keeps only its scheme and colon).
  static std::string LinkWorkingDirectory(const std::string& Target);
  // P followed by a suffix written with backslashes, in the platform's
  // delimiter.
  static std::string Join(const std::string& P, const char* Suffix);

 private:
  void Extract(const std::string& P);
  void PlaceExerciseDatabase(const std::string& P, int Year);
  void CreateShortcuts(const std::string& P);
  void WriteRegistry(const std::string& P);
  void Release() noexcept;
  void Warn(const std::string& Text);

  TInstallHost& FHost;
  TPackageArchiver& FArchiver;
  TConfigurationStep& FConfiguration;
  int FWarnings = 0;
};

// The local date and time the installation reads (year, date, time of the
// configuration record, the log's lines): the system clock, or the one a
// test pins.
struct TInstallClockValue {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
TInstallClockValue InstallNow();
void SetInstallClock(std::function<TInstallClockValue()> Clock);

}  // namespace velmorak

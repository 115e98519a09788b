// Installation: the steps of the procedure, their order and their messages.
#include "installation/Installation.h"

#include <filesystem>
#include <utility>

#include "installation/PackageArchiver.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#include "wizard/Maker.h"

namespace velmorak {

namespace {

// Step names, as the log and the progress window show them.
constexpr const char* kStepPath = "Vérification du chemin d'installation";
constexpr const char* kStepConfirm = "Confirmation de l'installation";
constexpr const char* kStepEarlier = "Recherche d'une installation précédente";
constexpr const char* kStepPackage = "Vérification du package";
constexpr const char* kStepFolder = "Création du dossier d'installation";
constexpr const char* kStepExtract = "Extraction du package";
constexpr const char* kStepExercise = "Base de l'exercice";
constexpr const char* kStepShortcuts = "Création des raccourcis";
constexpr const char* kStepConfig = "Mise à jour de la base de configuration";
constexpr const char* kStepRegistry = "Enregistrement dans le registre";
constexpr const char* kStepFinish = "Fin de l'installation";

constexpr const char* kAppLinkName = "Kolvane Pro 5.6 - Gestion Commerciale.lnk";
constexpr const char* kWhatsNewFile = "What is new - Kolvane Pro 5.6 Build 1.TXT";

std::string CurrentDirectory() {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (ec) return std::string();
  const std::u8string u = cwd.u8string();
  return std::string(u.begin(), u.end());
}

std::function<TInstallClockValue()>& PinnedClock() {
  static std::function<TInstallClockValue()> clock;
  return clock;
}

TInstallClockValue SystemNow() {
  const os::TLocalTime t = os::LocalTimeNow();
  return {t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond};
}

}  // namespace

TInstallClockValue InstallNow() {
  return PinnedClock() ? PinnedClock()() : SystemNow();
}

void SetInstallClock(std::function<TInstallClockValue()> Clock) {
  PinnedClock() = std::move(Clock);
}

TPackageArchiver* CreatePackageArchiver(TComponent* Owner) {
  auto* a = new TPackageArchiver(Owner);
  a->SetName("Archiver");
  a->ExtractCorruptedFiles = false;
  a->Options().OEMFileNames = true;
  a->Options().FlushBuffers = true;
  a->SetSpanningMode(smNone);
  a->SetInMemory(false);
  return a;
}

bool IsArchiveOpen(const TPackageArchiver& Archiver) {
  return Archiver.IsOpen();
}

void AnswerArchiveUnattended(TPackageArchiver& Archiver) {
  Archiver.OnProcessFileFailure = [](TObject*, const std::string&, TZAProcessOperation, int, int,
                                     const std::string&, TZAAction& Action) { Action = fxaAbort; };
  Archiver.OnPassword = [](TObject*, const std::string&, std::string&, bool& SkipFile) { SkipFile = true; };
}

std::string PackageMissingMessage() {
  return std::string(install::PackageMissingText) + maker::WebSite + " ";
}

// --- Terms ---------------------------------------------------------------------------------

std::string TInstallation::Join(const std::string& P, const char* Suffix) {
  std::string joined = P;
  for (const char* c = Suffix; *c; ++c) joined += *c == '\\' ? os::PathDelim() : *c;
  return joined;
}

std::string TInstallation::InstallRoot(const std::string& P) {
  return Join(P, "\\VELMORAK\\Kolvane_Pro");
}

std::string TInstallation::StoredRoot(const std::string& P) {
  // A root such as D:\ already ends with the delimiter: no second one.
  if (!P.empty() && P.back() == os::PathDelim()) return Join(P, "VELMORAK\\Kolvane_Pro");
  return Join(P, "\\VELMORAK\\Kolvane_Pro");
}

std::string TInstallation::LinkWorkingDirectory(const std::string& Target) {
  // A web address holds no backslash, so on Windows its colon is the last
  // delimiter; posix file paths use "/", which a web address must not.
  const bool web = Target.find("://") != std::string::npos;
  const char delims[] = {web ? '\\' : os::PathDelim(), ':', '\0'};
  const std::size_t at = Target.find_last_of(delims);
  return at == std::string::npos ? std::string() : Target.substr(0, at + 1);
}

// --- The procedure -------------------------------------------------------------------------

TInstallResult TInstallation::Run(const std::string& P, const TCompanyDetails& Details) {
  FWarnings = 0;

  // 1. Path check.
  FHost.StepStarted(kStepPath);
  if (!os::DirectoryExists(P)) {
    FHost.StepResult(kStepPath, install::PathMissingText);
    FHost.ShowError(install::ErrorCaption, install::PathMissingText);
    return TInstallResult::irPathMissing;
  }
  FHost.StepResult(kStepPath, "OK");

  // 2. Confirmation.
  if (!FHost.AskOkCancel(install::ConfirmCaption, install::ConfirmText)) {
    FHost.StepResult(kStepConfirm, "Annulée");
    return TInstallResult::irNotConfirmed;
  }
  FHost.StepResult(kStepConfirm, "OK");

  // 3. Earlier installation: the first marker found ends the test.
  FHost.StepStarted(kStepEarlier);
  bool earlier = false;
  for (const char* marker : {"\\VELMORAK\\Kolvane_Pro\\Kolvane.exe", "\\VELMORAK\\Kolvane_Pro\\scg.zvc",
                             "\\VELMORAK\\Kolvane_Pro\\Common\\WrkData.FDB"}) {
    if (os::FileExists(Join(P, marker))) {
      earlier = true;
      break;
    }
  }
  if (earlier) {
    if (!FHost.AskOkCancel(install::ConfirmCaption, install::EarlierInstallationText)) {
      FHost.StepResult(kStepEarlier, std::string(install::EarlierInstallationText) + " : Annuler");
      return TInstallResult::irEarlierInstallation;
    }
    FHost.StepResult(kStepEarlier, std::string(install::EarlierInstallationText) + " : OK");
  } else {
    FHost.StepResult(kStepEarlier, "OK");
  }

  // 4. LastChar is read where it is used: StoredRoot(P).

  // 5. Package check, in the current directory.
  FHost.StepStarted(kStepPackage);
  const std::string package = CurrentDirectory() + os::PathDelim() + install::PackageName;
  if (!os::FileExists(package)) {
    FHost.StepResult(kStepPackage, PackageMissingMessage());
    FHost.ShowError(install::ErrorCaption, PackageMissingMessage());
    return TInstallResult::irPackageMissing;
  }
  FHost.StepResult(kStepPackage, "OK");

  // 6. No way back from here.
  FHost.Lock();

  std::string step;
  try {
    // 7-13.
    step = kStepFolder;
    FHost.StepStarted(step);
    FHost.SetProgress(10);
    os::ForceDirectories(InstallRoot(P));  // not checked: extraction says what fails
    FHost.StepResult(step, "OK");
    step = kStepExtract;
    FHost.StepStarted(step);
    FHost.SetProgress(20);
    FArchiver.FileName = package;
    Extract(P);
    FHost.StepResult(step, "OK");

    // 14.
    step = kStepExercise;
    FHost.StepStarted(step);
    FHost.SetProgress(36);
    const int year = InstallNow().Year;
    PlaceExerciseDatabase(P, year);
    FHost.StepResult(step, "OK");

    // 15.
    step = kStepShortcuts;
    FHost.StepStarted(step);
    FHost.SetProgress(40);
    const int warningsBefore = FWarnings;
    CreateShortcuts(P);
    FHost.StepResult(step, FWarnings == warningsBefore ? "OK" : "OK, avec des avertissements");

    // 16.
    step = kStepConfig;
    FHost.StepStarted(step);
    FHost.SetProgress(60);
    TConfigValues values;
    values.DatabaseFile = Join(P, "\\VELMORAK\\Kolvane_Pro\\scg.zvc");
    values.StoredRoot = StoredRoot(P);
    values.Year = year;
    FConfiguration.Run(values, Details, [this](int percent) { FHost.SetProgress(percent); });
    FHost.StepResult(step, "OK");

    // 17.
    step = kStepRegistry;
    FHost.StepStarted(step);
    WriteRegistry(P);
    FHost.StepResult(step, "OK");

    // 18-19.
    FHost.SetProgress(90);
    FHost.SetProgress(100);
  } catch (const std::exception& e) {
    // The box comes after: nothing may stay open or locked while it shows.
    Release();
    FHost.StepResult(step, e.what());
    throw;
  }
  FHost.StepResult(kStepFinish, "OK");
  FHost.HandOver();
  return TInstallResult::irInstalled;
}

void TInstallation::Extract(const std::string& P) {
  FHost.SetProgress(23);
  FArchiver.Password = install::ArchivePassword;
  FHost.SetProgress(26);
  FArchiver.Open();
  FHost.SetProgress(29);
  FArchiver.BaseDir = Join(P, "\\VELMORAK\\Kolvane_Pro\\");
  FHost.SetProgress(32);
  FArchiver.ClearUnwritten();
  FArchiver.ExtractMatching("*.*", 10431, "");
  FHost.SetProgress(33);
  FArchiver.Close();
  // The reader has asked the user about each failed item; an item it did
  // not write is a failed installation, not a success.
  if (FArchiver.AnyUnwritten())
    throw EInstallError(EInstallError::ikItemNotExtracted, "le fichier \"" + FArchiver.FirstUnwrittenItem() +
                                                               "\" du package n'a pas pu être installé");
}

void TInstallation::PlaceExerciseDatabase(const std::string& P, int Year) {
  const std::string templ = Join(P, "\\VELMORAK\\Kolvane_Pro\\Ex_Data\\DBEx_20xx.FDB");
  const std::string name = "DBEx_" + std::to_string(Year) + ".FDB";
  const std::string target = Join(P, "\\VELMORAK\\Kolvane_Pro\\Ex_Data\\") + name;
  // The rename fails when the year's database exists: it is kept, and the
  // freshly extracted template goes.
  os::FileRename(templ, target);
  os::FileDelete(templ);
  if (!os::FileExists(target))
    throw EInstallError(EInstallError::ikExerciseDatabase,
                        "la base de l'exercice \"" + name + "\" n'a pas pu être mise en place");
}

void TInstallation::Warn(const std::string& Text) {
  ++FWarnings;
  FHost.Warning(Text);
}

void TInstallation::CreateShortcuts(const std::string& P) {
  const char d = os::PathDelim();
  // Each special folder is looked up right before it is used.
  auto folder = [this](int csidl, std::string& path) {
    if (os::SpecialFolderPath(csidl, path)) return true;
    Warn("dossier spécial " + std::to_string(csidl) + " introuvable");
    return false;
  };
  auto save = [this](os::TShellLink& link, const std::string& file) {
    if (!link.Save(file)) Warn("le raccourci \"" + file + "\" n'a pas pu être enregistré");
  };
  auto group = [&](std::string& path) {
    if (!folder(os::CSIDL_COMMON_PROGRAMS, path)) return false;
    path += d;
    path += "VELMORAK";
    return true;
  };

  const std::string appTarget = Join(P, "\\VELMORAK\\Kolvane_Pro\\Kolvane.EXE");
  os::TShellLink appLink;
  appLink.SetPath(appTarget);
  appLink.SetWorkingDirectory(LinkWorkingDirectory(appTarget));
  std::string path;
  if (folder(os::CSIDL_DESKTOPDIRECTORY, path)) save(appLink, path + d + kAppLinkName);
  if (folder(os::CSIDL_PROGRAMS, path)) save(appLink, path + d + kAppLinkName);
  // One lookup serves the group's creation and the program's link in it;
  // the three other links look it up again each.
  if (group(path)) {
    if (!os::ForceDirectories(path) && !os::DirectoryExists(path))
      Warn("le dossier \"" + path + "\" n'a pas pu être créé");
    save(appLink, path + d + kAppLinkName);
  }

  const std::pair<std::string, const char*> others[] = {
      {Join(P, "\\VELMORAK\\Kolvane_Pro\\") + kWhatsNewFile, "What is new - Kolvane Pro 5.6 Build 1.lnk"},
      {maker::WebSite, "Visiter le site web de Software VELMORAK.lnk"},
      {maker::Forum, "Visiter le Forum de Software VELMORAK.lnk"},
  };
  for (const auto& [target, file] : others) {
    os::TShellLink link;
    link.SetPath(target);
    link.SetWorkingDirectory(LinkWorkingDirectory(target));
    if (group(path)) save(link, path + d + file);
  }
}

void TInstallation::WriteRegistry(const std::string& P) {
  os::TRegistry reg(os::KEY_ALL_ACCESS_RIGHTS);
  reg.SetRootKey(os::rkLocalMachine);
  // The product reads its folder from this record: without the key it
  // cannot start, so an unopened key fails the installation.
  if (!reg.OpenKey(install::RegistryKey, true))
    throw EInstallError(EInstallError::ikRegistryKey,
                        "la clé de registre HKEY_LOCAL_MACHINE\\SOFTWARE\\Software VELMORAK n'a pas pu être "
                        "ouverte (droits d'administrateur nécessaires)");
  reg.WriteString("ZORV Application", "Kolvane_Pro");
  reg.WriteString("ZORV Version", "5.6");
  reg.WriteString("ZORV Build", "1");
  reg.WriteString("Release Date", "01/12/2017");
  reg.WriteString("ZORV Path", StoredRoot(P));
  reg.CloseKey();
}

void TInstallation::Release() noexcept {
  if (FArchiver.IsOpen()) FArchiver.Close();
  FConfiguration.Release();
}

}  // namespace velmorak

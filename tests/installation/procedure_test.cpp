// The installation procedure on its own, with a host that records what the
// user would see and a configuration step that records its calls: the stops
// before the lock, the full runs (progress, tree, exercise database, links,
// registry), later installations, and each failure from the extraction on.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "InstallTestSupport.h"
#include "installation/Installation.h"
#include "installation/PackageArchiver.h"
#include "platform/forms/headless/HeadlessDialogs.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#include "wizard/Maker.h"

namespace velmorak::testing {
namespace {

struct TBox {
  std::string Kind;  // "ask" or "error"
  std::string Caption, Text;
  bool operator==(const TBox&) const = default;
};

class TRecordingHost : public TInstallHost {
 public:
  bool AskOkCancel(const std::string& Caption, const std::string& Text) override {
    Boxes.push_back({"ask", Caption, Text});
    const bool ok = !Answers.empty() && Answers.front();
    if (!Answers.empty()) Answers.erase(Answers.begin());
    return ok;
  }
  void ShowError(const std::string& Caption, const std::string& Text) override {
    Boxes.push_back({"error", Caption, Text});
  }
  void Lock() override { ++Locks; }
  void SetProgress(int Percent) override { Progress.push_back(Percent); }
  void Warning(const std::string& Text) override { Warnings.push_back(Text); }
  void HandOver() override { ++HandOvers; }

  std::vector<bool> Answers;  // OK (true) or Cancel, in turn; Cancel when none is left
  std::vector<TBox> Boxes;
  std::vector<int> Progress;
  std::vector<std::string> Warnings;
  int Locks = 0, HandOvers = 0;
};

// Records what step 16 was given; it moves the bar as the database step does.
class TRecordingConfiguration : public TConfigurationStep {
 public:
  void Run(const TConfigValues& Values, const TCompanyDetails& Details,
           const std::function<void(int)>& Progress) override {
    Seen = Values;
    SeenDetails = Details;
    ++Runs;
    for (int p : {65, 70, 75, 80}) Progress(p);
    if (Fail) throw Exception("Societe_tbl: Access denied");
  }
  void Release() noexcept override { ++Releases; }
  TConfigValues Seen;
  TCompanyDetails SeenDetails;
  int Runs = 0, Releases = 0;
  bool Fail = false;
};

const std::vector<int> kFullProgress{10, 20, 23, 26, 29, 32, 33, 36, 40, 60, 65, 70, 75, 80, 90, 100};

class ProcedureTest : public InstallEnvironment {
 public:
  void SetUp() override {
    InstallEnvironment::SetUp();
    SetDialogBackend(&Dialogs);
    Owner = std::make_unique<TComponent>(nullptr);
    Archiver = new TPackageArchiver(Owner.get());
    Archiver->ExtractCorruptedFiles = false;
  }
  void TearDown() override {
    SetDialogBackend(nullptr);
    Owner.reset();
    InstallEnvironment::TearDown();
  }
  TInstallResult Run(const std::string& P) {
    TInstallation installation(Host, *Archiver, Config);
    const TInstallResult r = installation.Run(P, Details);
    Warnings = installation.Warnings();
    return r;
  }
  // Everything the installation could have written.
  std::string Footprint() {
    std::string s;
    Shell("cd " + Quote(Root) + " && find target shell | sort > " + Quote(Root + "/footprint"));
    s = ReadFile(Root + "/footprint");
    s += os::sandbox::RegistryKeyExists(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK") ? "registry" : "";
    return s;
  }

  THeadlessDialogs Dialogs;
  std::unique_ptr<TComponent> Owner;
  TPackageArchiver* Archiver = nullptr;
  TRecordingHost Host;
  TRecordingConfiguration Config;
  TCompanyDetails Details = [] {
    TCompanyDetails d;
    d.Societe = "SARL Atlas", d.Activite = "Négoce", d.Adresse = "12 rue des Oliviers",
    d.Tel = "021 55 66 77";
    return d;
  }();
  int Warnings = 0;
};

TEST_F(ProcedureTest, StopsBeforeTheLockChangeNothing) {
  const TBox pathError{"error", "Erreur d'installation", install::PathMissingText};
  const TBox confirm{"ask", "Confirmation de l'installation", install::ConfirmText};
  const TBox earlier{"ask", "Confirmation de l'installation", install::EarlierInstallationText};
  const TBox packageError{"error", "Erreur d'installation",
                          std::string(install::PackageMissingText) + "http://www.velmorak.example/ "};
  struct Case {
    const char* why;
    std::string path;    // relative to Target; "" is Target itself
    const char* marker;  // an earlier installation's file, or nullptr
    bool package;
    std::vector<bool> answers;
    std::vector<TBox> boxes;
    TInstallResult result;
  } cases[] = {
      {"path does not exist", "/absent", nullptr, true, {}, {pathError}, TInstallResult::irPathMissing},
      {"path is a file", "/file.txt", nullptr, true, {}, {pathError}, TInstallResult::irPathMissing},
      {"Cancel at the confirmation", "", nullptr, true, {false}, {confirm}, TInstallResult::irNotConfirmed},
      {"earlier program, Cancel",
       "",
       "Kolvane.exe",
       true,
       {true, false},
       {confirm, earlier},
       TInstallResult::irEarlierInstallation},
      {"earlier configuration, Cancel",
       "",
       "scg.zvc",
       true,
       {true, false},
       {confirm, earlier},
       TInstallResult::irEarlierInstallation},
      {"only WrkData.FDB, Cancel",
       "",
       "Common/WrkData.FDB",
       true,
       {true, false},
       {confirm, earlier},
       TInstallResult::irEarlierInstallation},
      {"package missing",
       "",
       nullptr,
       false,
       {true},
       {confirm, packageError},
       TInstallResult::irPackageMissing},
  };
  WriteFile(Target + "/file.txt", "not a folder");
  MakeTree();
  Pack();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Shell("rm -rf " + Quote(Target + "/VELMORAK"));
    if (c.marker) {
      os::ForceDirectories(Installed("Common"));
      WriteFile(Installed(c.marker), "earlier");
    }
    const std::string package = Cwd + "/" + install::PackageName;
    if (!c.package) os::FileRename(package, package + ".away");
    const std::string before = Footprint();
    Host = TRecordingHost();
    Host.Answers = c.answers;
    EXPECT_EQ(Run(Target + c.path), c.result);
    EXPECT_EQ(Host.Boxes, c.boxes);
    EXPECT_EQ(Host.Locks, 0);
    EXPECT_TRUE(Host.Progress.empty());
    EXPECT_EQ(Config.Runs, 0);
    EXPECT_EQ(Footprint(), before);
    EXPECT_FALSE(Archiver->IsOpen());
    if (!c.package) os::FileRename(package + ".away", package);
  }
}

TEST_F(ProcedureTest, FullInstallationWithAndWithoutTheTrailingDelimiter) {
  MakePackage();
  for (const std::string& p : {Target + "/", Target}) {
    SCOPED_TRACE(p);
    Shell("rm -rf " + Quote(Target + "/VELMORAK") + " " + Quote(Root + "/shell"));
    os::sandbox::SetShellRoot(Root + "/shell");
    os::sandbox::ResetRegistry();
    Host = TRecordingHost();
    Host.Answers = {true};
    ASSERT_EQ(Run(p), TInstallResult::irInstalled);
    EXPECT_EQ(Host.Boxes.size(), 1u);  // the confirmation only: no earlier installation
    EXPECT_EQ(Host.Locks, 1);
    EXPECT_EQ(Host.HandOvers, 1);
    EXPECT_EQ(Host.Progress, kFullProgress);
    EXPECT_EQ(Warnings, 0);

    // The tree, with the year's exercise database made from the template.
    for (const char* f : {"Kolvane.exe", "scg.zvc", "What is new - Kolvane Pro 5.6 Build 1.TXT",
                          "Common/WrkData.FDB", "Docs/Lisez-moi.txt", "Docs/vide.txt"})
      EXPECT_EQ(ReadFile(Installed(f)), ReadFile(Tree + "/" + f)) << f;
    EXPECT_TRUE(os::DirectoryExists(Installed("Files_Export")));
    EXPECT_TRUE(os::DirectoryExists(Installed("BackUp")));
    EXPECT_EQ(ReadFile(Installed("Ex_Data/DBEx_2026.FDB")), "exercise template");
    EXPECT_FALSE(os::FileExists(Installed("Ex_Data/DBEx_20xx.FDB")));

    // Step 16 got the terms; the stored root has a single delimiter.
    const std::string stored = Target + "/VELMORAK/Kolvane_Pro";
    EXPECT_EQ(Config.Seen.StoredRoot, stored);
    EXPECT_EQ(Config.Seen.DatabaseFile, p + "/VELMORAK/Kolvane_Pro/scg.zvc");
    EXPECT_EQ(Config.Seen.Year, 2026);
    EXPECT_EQ(Config.SeenDetails.Societe, "SARL Atlas");

    // Six link files: the program's link three times, three more in the group.
    const std::string shell = Root + "/shell";
    const std::string appTarget = p + "/VELMORAK/Kolvane_Pro/Kolvane.EXE";
    const std::string appDir = p + "/VELMORAK/Kolvane_Pro/";
    struct Link {
      std::string file, target, dir;
    } links[] = {
        {shell + "/Desktop/Kolvane Pro 5.6 - Gestion Commerciale.lnk", appTarget, appDir},
        {shell + "/Programs/Kolvane Pro 5.6 - Gestion Commerciale.lnk", appTarget, appDir},
        {shell + "/CommonPrograms/VELMORAK/Kolvane Pro 5.6 - Gestion Commerciale.lnk", appTarget, appDir},
        {shell + "/CommonPrograms/VELMORAK/What is new - Kolvane Pro 5.6 Build 1.lnk",
         appDir + "What is new - Kolvane Pro 5.6 Build 1.TXT", appDir},
        {shell + "/CommonPrograms/VELMORAK/Visiter le site web de Software VELMORAK.lnk", maker::WebSite,
         "http:"},
        {shell + "/CommonPrograms/VELMORAK/Visiter le Forum de Software VELMORAK.lnk",
         "http://forum.velmorak.example/viewforum.php?f=121", "http:"},
    };
    ASSERT_EQ(os::sandbox::LinkSaves().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(os::sandbox::LinkSaves()[i].FileName, links[i].file);
      std::string target, dir;
      ASSERT_TRUE(os::ReadShellLink(links[i].file, target, dir)) << links[i].file;
      EXPECT_EQ(target, links[i].target);
      EXPECT_EQ(dir, links[i].dir);
    }
    os::sandbox::ClearLinkSaves();

    EXPECT_EQ(os::sandbox::RegistryValues(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK"),
              (os::sandbox::TValues{{"ZORV Application", "Kolvane_Pro"},
                                    {"ZORV Version", "5.6"},
                                    {"ZORV Build", "1"},
                                    {"Release Date", "01/12/2017"},
                                    {"ZORV Path", stored}}));
  }
}

TEST_F(ProcedureTest, LaterInstallationsKeepTheYearsDatabase) {
  MakePackage();
  Host.Answers = {true};
  ASSERT_EQ(Run(Target), TInstallResult::irInstalled);
  WriteFile(Installed("Ex_Data/DBEx_2026.FDB"), "the year's entries");

  // Same year: the question, OK; the year's database kept, the new template gone.
  Host = TRecordingHost();
  Host.Answers = {true, true};
  ASSERT_EQ(Run(Target), TInstallResult::irInstalled);
  ASSERT_EQ(Host.Boxes.size(), 2u);
  EXPECT_EQ(Host.Boxes[1].Text, install::EarlierInstallationText);
  EXPECT_EQ(ReadFile(Installed("Ex_Data/DBEx_2026.FDB")), "the year's entries");
  EXPECT_FALSE(os::FileExists(Installed("Ex_Data/DBEx_20xx.FDB")));

  // Next year: the older year's file untouched, the new one made.
  Now.Year = 2027;
  Host = TRecordingHost();
  Host.Answers = {true, true};
  ASSERT_EQ(Run(Target), TInstallResult::irInstalled);
  EXPECT_EQ(ReadFile(Installed("Ex_Data/DBEx_2026.FDB")), "the year's entries");
  EXPECT_EQ(ReadFile(Installed("Ex_Data/DBEx_2027.FDB")), "exercise template");
  EXPECT_EQ(Config.Seen.Year, 2027);
}

// Flips a byte inside the stored data of one item, so its check fails.
void DamageItem(const std::string& package, const std::string& name) {
  std::string bytes = ReadFile(package);
  const std::size_t at = bytes.find(name);
  ASSERT_NE(at, std::string::npos);
  const std::size_t header = at - 30;  // the local header's fixed part
  const unsigned extra =
      static_cast<unsigned char>(bytes[header + 28]) | static_cast<unsigned char>(bytes[header + 29]) << 8;
  const std::size_t data = at + name.size() + extra + 12 + 3;  // past the encryption header
  ASSERT_LT(data, bytes.size());
  bytes[data] = static_cast<char>(bytes[data] ^ 0x5A);
  WriteFile(package, bytes);
}

TEST_F(ProcedureTest, FailuresFromTheExtractionOnRaiseAndReleaseEverything) {
  struct Case {
    const char* why;
    std::function<void(ProcedureTest&)> arrange;
    std::string message;
    int configRuns;
    std::vector<int> progress;  // the bar's last values
  } cases[] = {
      {"a damaged item answered Ignore",
       [](ProcedureTest& t) {
         DamageItem(t.Cwd + "/" + install::PackageName, "Common/WrkData.FDB");
         t.Dialogs.AnswerMessage(mrIgnore);
       },
       "le fichier \"Common/WrkData.FDB\" du package n'a pas pu être installé",
       0,
       {32, 33}},
      {"a damaged item answered Abort",
       [](ProcedureTest& t) {
         DamageItem(t.Cwd + "/" + install::PackageName, "Common/WrkData.FDB");
         t.Dialogs.AnswerMessage(mrAbort);
       },
       "le fichier \"Common/WrkData.FDB\" du package n'a pas pu être installé",
       0,
       {32, 33}},
      {"the template missing",
       [](ProcedureTest& t) {
         os::FileDelete(t.Tree + "/Ex_Data/DBEx_20xx.FDB");
         os::FileDelete(t.Cwd + "/" + install::PackageName);
         t.Pack();
       },
       "la base de l'exercice \"DBEx_2026.FDB\" n'a pas pu être mise en place",
       0,
       {33, 36}},
      {"the registry key refused",
       [](ProcedureTest&) { os::sandbox::FailRegistryOpen(); },
       "la clé de registre HKEY_LOCAL_MACHINE\\SOFTWARE\\Software VELMORAK n'a pas pu être ouverte (droits "
       "d'administrateur nécessaires)",
       1,
       {75, 80}},
      {"a registry value refused",
       [](ProcedureTest&) { os::sandbox::FailRegistryWrite("ZORV Build"); },
       "Failed to set data for 'ZORV Build'",
       1,
       {75, 80}},
      {"the database step fails",
       [](ProcedureTest& t) { t.Config.Fail = true; },
       "Societe_tbl: Access denied",
       1,
       {75, 80}},
      {"the link class cannot be created",
       [](ProcedureTest&) { os::sandbox::FailLinkCreation(); },
       "Classe non enregistrée",
       0,
       {36, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Shell("rm -rf " + Quote(Target + "/VELMORAK") + " " + Quote(Tree) + " " +
          Quote(Cwd + "/" + install::PackageName));
    os::sandbox::ResetFailures();
    os::sandbox::ResetRegistry();
    MakePackage();
    Dialogs.Reset();
    Config = TRecordingConfiguration();
    c.arrange(*this);
    Host = TRecordingHost();
    Host.Answers = {true};
    try {
      Run(Target);
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(Host.Locks, 1);
    EXPECT_EQ(Host.HandOvers, 0);
    EXPECT_FALSE(Archiver->IsOpen());
    EXPECT_EQ(Config.Releases, 1);
    EXPECT_EQ(Config.Runs, c.configRuns);
    ASSERT_GE(Host.Progress.size(), 2u);
    EXPECT_EQ(std::vector<int>(Host.Progress.end() - 2, Host.Progress.end()), c.progress);
    EXPECT_EQ(Dialogs.PendingAnswers(), 0u);  // the reader asked once, when it was made to
  }
}

TEST_F(ProcedureTest, ASkippedLinkOrFolderIsAWarningAndTheRestGoesOn) {
  MakePackage();
  os::sandbox::FailLinkSave("Programs/Kolvane");  // the user's Programs link only
  os::sandbox::FailSpecialFolder(os::CSIDL_DESKTOPDIRECTORY);
  Host.Answers = {true};
  ASSERT_EQ(Run(Target), TInstallResult::irInstalled);
  EXPECT_EQ(Host.Progress, kFullProgress);
  EXPECT_EQ(Warnings, 2);
  ASSERT_EQ(Host.Warnings.size(), 2u);
  EXPECT_EQ(Host.Warnings[0], "dossier spécial 16 introuvable");
  EXPECT_NE(Host.Warnings[1].find("Programs/Kolvane Pro 5.6 - Gestion Commerciale.lnk"), std::string::npos);
  EXPECT_EQ(os::sandbox::LinkSaves().size(), 5u);  // the desktop's was never tried
  EXPECT_EQ(Host.HandOvers, 1);
}

TEST(InstallTermsTest, RootsAndWorkingDirectories) {
  EXPECT_EQ(TInstallation::InstallRoot("/mnt/d/"), "/mnt/d//VELMORAK/Kolvane_Pro");
  EXPECT_EQ(TInstallation::StoredRoot("/mnt/d/"), "/mnt/d/VELMORAK/Kolvane_Pro");
  EXPECT_EQ(TInstallation::StoredRoot("/mnt/d"), "/mnt/d/VELMORAK/Kolvane_Pro");
  EXPECT_EQ(TInstallation::LinkWorkingDirectory("/mnt/d//VELMORAK/Kolvane_Pro/Kolvane.EXE"),
            "/mnt/d//VELMORAK/Kolvane_Pro/");
  EXPECT_EQ(TInstallation::LinkWorkingDirectory("http://www.velmorak.example/"), "http:");
  EXPECT_EQ(TInstallation::LinkWorkingDirectory("http://forum.velmorak.example/viewforum.php?f=121"),
            "http:");
  EXPECT_EQ(TInstallation::LinkWorkingDirectory("C:\\\\VELMORAK\\Kolvane_Pro\\Kolvane.EXE"),
            os::PathDelim() == '\\' ? "C:\\\\VELMORAK\\Kolvane_Pro\\" : "C:");
}

}  // namespace
}  // namespace velmorak::testing

// The program's command line, headless: every exit code with its log, the
// boxes shown only where they belong, and an unattended installation that
// leaves exactly what the wizard leaves for the same inputs.
#include <gtest/gtest.h>

#include <memory>

#include "InstallTestSupport.h"
#include "installation/Params.h"
#include "installation/Unattended.h"
#include "platform/forms/headless/HeadlessDialogs.h"
#include "platform/forms/headless/HeadlessWidgetSet.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#include "wizard/Contrat.h"
#include "wizard/Finish.h"
#include "wizard/Unit_Main.h"
#include "wizard/Welcome.h"

namespace velmorak::testing {
namespace {

const char* kAnswers =
    "\xEF\xBB\xBF; Kolvane Pro, poste de la comptabilité\r\n"
    "[Societe]\r\n"
    "Societe = Société Générale d'Équipements Électriques SA\r\n"
    "Activite=Négoce de matériel\r\n"
    "Adresse=12 rue des Oliviers\r\n"
    "Tel=021 55 66 77\r\n"
    "Email=contact@atlas.example\r\n"
    "NIF=000123456789012\r\n"
    "CapitalS=1500000\r\n";

class UnattendedTest : public InstallEnvironment {
 public:
  void SetUp() override {
    InstallEnvironment::SetUp();
    auto ws = std::make_unique<THeadlessWidgetSet>();
    Ws = ws.get();
    SetWidgetSet(std::move(ws));
    Dialogs.Reset();
    SetDialogBackend(&Dialogs);
    CreateApplication();
    LogFile = Root + "/install.log";
    WriteFile(Root + "/societe.ini", kAnswers);
  }
  void TearDown() override {
    DestroyApplication();
    Form_Main = nullptr, Form_Welcome = nullptr, Form_Contrat = nullptr, Form_Params = nullptr;
    Form_Finish = nullptr;
    SetDialogBackend(nullptr);
    SetWidgetSet(nullptr);
    InstallEnvironment::TearDown();
  }
  int Run(std::vector<std::string> args) {
    args.push_back("/LOG=" + LogFile);
    return RunProgram(args);
  }
  std::vector<std::string> Silent(const std::string& mode = "/VERYSILENT") {
    return {mode, "/DIR=" + Target, "/LOADINF=" + Root + "/societe.ini"};
  }
  std::string LogText() { return ReadFile(LogFile); }
  std::string LastLine() {
    std::string log = LogText();
    if (log.size() >= 2 && log.compare(log.size() - 2, 2, "\r\n") == 0) log.resize(log.size() - 2);
    return log.substr(log.rfind("\r\n") == std::string::npos ? 0 : log.rfind("\r\n") + 2);
  }

  THeadlessWidgetSet* Ws = nullptr;
  THeadlessDialogs Dialogs;
  std::string LogFile;
};

TEST_F(UnattendedTest, EveryExitCodeWithItsLog) {
  struct Case {
    const char* why;
    const char* variant;  // nullptr: no package
    std::function<std::vector<std::string>(UnattendedTest&)> args;
    std::function<void(UnattendedTest&)> arrange;
    int code;
    std::string logged;  // a text the log holds
    std::size_t boxes;
  } cases[] = {
      {"installed", "standard", [](UnattendedTest& t) { return t.Silent(); }, nullptr, 0,
       "Enregistrement dans le registre : OK", 0},
      {"installed with its progress window", "standard",
       [](UnattendedTest& t) { return t.Silent("/SILENT"); }, nullptr, 0, "Extraction du package : OK", 0},
      {"unknown switch", "standard",
       [](UnattendedTest& t) {
         auto a = t.Silent();
         a.push_back("/NORESTART");
         return a;
       },
       nullptr, 1, "Ligne de commande : commutateur inconnu : /NORESTART", 0},
      {"a telephone of 8 characters", "standard",
       [](UnattendedTest& t) {
         WriteFile(t.Root + "/short.ini", "[Societe]\nSociete=A\nActivite=B\nAdresse=C\nTel=12345678\n");
         return std::vector<std::string>{"/VERYSILENT", "/DIR=" + t.Target,
                                         "/LOADINF=" + t.Root + "/short.ini"};
       },
       nullptr, 1, "Fichier de réponses : clé Tel : au moins 9 caractères", 0},
      {"no answers file", "standard",
       [](UnattendedTest& t) {
         return std::vector<std::string>{"/VERYSILENT", "/DIR=" + t.Target,
                                         "/LOADINF=" + t.Root + "/absent.ini"};
       },
       nullptr, 1, "ne peut pas être lu", 0},
      {"an unattended switch in the wizard", "standard",
       [](UnattendedTest& t) { return std::vector<std::string>{"/DIR=" + t.Target}; }, nullptr, 1,
       "demandent /SILENT ou /VERYSILENT", 1},
      {"an earlier installation kept", "standard", [](UnattendedTest& t) { return t.Silent(); },
       [](UnattendedTest& t) {
         os::ForceDirectories(t.Installed("Common"));
         WriteFile(t.Installed("Common/WrkData.FDB"), "earlier");
       },
       2, std::string(install::EarlierInstallationText) + " : Annuler", 0},
      {"an earlier installation replaced", "standard",
       [](UnattendedTest& t) {
         auto a = t.Silent();
         a.push_back("/OVERWRITE");
         return a;
       },
       [](UnattendedTest& t) {
         os::ForceDirectories(t.Installed("Common"));
         WriteFile(t.Installed("Common/WrkData.FDB"), "earlier");
       },
       0, std::string(install::EarlierInstallationText) + " : OK", 0},
      {"a link not saved", "standard", [](UnattendedTest& t) { return t.Silent(); },
       [](UnattendedTest&) { os::sandbox::FailLinkSave("Desktop"); }, 4, "Avertissement : le raccourci", 0},
      {"the registry key refused", "standard", [](UnattendedTest& t) { return t.Silent(); },
       [](UnattendedTest&) { os::sandbox::FailRegistryOpen(); }, 4,
       "Enregistrement dans le registre : la clé de registre", 0},
      {"a wrong table password", "password", [](UnattendedTest& t) { return t.Silent(); }, nullptr, 4,
       "Mise à jour de la base de configuration : Access denied", 0},
      {"a damaged item", "damaged", [](UnattendedTest& t) { return t.Silent(); }, nullptr, 5,
       "Extraction du package : le fichier \"Common/WrkData.FDB\" du package n'a pas pu être installé", 0},
      {"the path is a file", "standard",
       [](UnattendedTest& t) {
         WriteFile(t.Target + "/file", "x");
         auto a = t.Silent();
         a[1] = "/DIR=" + t.Target + "/file";
         return a;
       },
       nullptr, 7, install::PathMissingText, 0},
      {"the package missing", nullptr, [](UnattendedTest& t) { return t.Silent(); }, nullptr, 7,
       PackageMissingMessage(), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TearDown();
    SetUp();
    if (c.variant) DemoPackage(c.variant);
    if (c.arrange) c.arrange(*this);
    EXPECT_EQ(Run(c.args(*this)), c.code);
    EXPECT_NE(LogText().find(c.logged), std::string::npos) << LogText();
    EXPECT_EQ(LastLine(), "Fin de l'installation, code de sortie " + std::to_string(c.code));
    EXPECT_EQ(Dialogs.Shown().size(), c.boxes);
    EXPECT_TRUE(Ws->Opened.empty());  // no final page, no web address
    if (c.code == 0) {
      EXPECT_TRUE(os::FileExists(Installed("Ex_Data/DBEx_2026.FDB")));
      EXPECT_EQ(os::sandbox::RegistryValues(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK").size(), 5u);
    }
    if (c.code == 1 || c.code == 7) {
      EXPECT_FALSE(os::DirectoryExists(Target + "/VELMORAK")) << "nothing done";
    }
  }
}

TEST_F(UnattendedTest, TheLogIsUtf8WithCrLfAndDatedLines) {
  DemoPackage();
  ASSERT_EQ(Run(Silent()), 0);
  const std::string log = LogText();
  EXPECT_EQ(log.find('\n'), log.find("\r\n") + 1);
  EXPECT_EQ(log.compare(0, 21, "2026-12-11 17:05:42  "), 0) << log;
  EXPECT_NE(log.find("Vérification du chemin d'installation : OK\r\n"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 41), "Fin de l'installation, code de sortie 0\r\n");
}

TEST_F(UnattendedTest, HelpShowsTheSwitchesAndAnUnknownSwitchInTheWizardToo) {
  EXPECT_EQ(RunProgram({"/?"}), 0);
  ASSERT_EQ(Dialogs.Shown().size(), 1u);
  EXPECT_EQ(Dialogs.Shown()[0].Text, SwitchesHelp());
  EXPECT_EQ(Dialogs.Shown()[0].DlgType, TMsgDlgType::mtInformation);
  EXPECT_EQ(RunProgram({"/bogus"}), 1);
  EXPECT_EQ(Dialogs.Shown().size(), 2u);
}

// Everything an installation leaves, the times and the shell root aside.
std::string Footprint(UnattendedTest& t) {
  std::string s;
  Shell("cd " + Quote(t.Target) + " && find . -type f -exec md5sum {} + | grep -v scg.zvc | sort > " +
        Quote(t.Root + "/tree.txt"));
  s += ReadFile(t.Root + "/tree.txt");
  for (const auto& save : os::sandbox::LinkSaves()) {
    std::string target, dir;
    os::ReadShellLink(save.FileName, target, dir);
    s += save.FileName.substr(t.Root.size()) + " -> " + target + " in " + dir + "\n";
  }
  for (const auto& [name, value] :
       os::sandbox::RegistryValues(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK"))
    s += name + "=" + value + "\n";
  Shell(Quote(VELMORAK_ZVDB) + " dump " + Quote(t.Installed("scg.zvc")) +
        " --password wexor --format json > " + Quote(t.Root + "/rows.json"));
  s += ReadFile(t.Root + "/rows.json");
  // Each run has a scratch folder of its own.
  for (std::size_t at; (at = s.find(t.Root)) != std::string::npos;) s.replace(at, t.Root.size(), "ROOT");
  return s;
}

TEST_F(UnattendedTest, AnUnattendedInstallationLeavesWhatTheWizardLeaves) {
  DemoPackage();
  ASSERT_EQ(Run(Silent()), 0);
  const std::string unattended = Footprint(*this);
  ASSERT_NE(unattended.find("\"Societe\": \"Société Générale d'Équipements Électriqu\""), std::string::npos)
      << unattended;

  TearDown();
  SetUp();
  DemoPackage();
  ASSERT_EQ(RunProgram({}), 0);
  Form_Main->Btn_Next->Click();
  Form_Main->Btn_Next->Click();
  TForm_Params* p = Form_Params;
  p->Edit_Societe->TypeText("Société Générale d'Équipements Électriques SA");
  p->Edit_Activite->TypeText("Négoce de matériel");
  p->Edit_Adresse->TypeText("12 rue des Oliviers");
  p->Edit_Tel->TypeText("021 55 66 77");
  p->Edit_Email->TypeText("contact@atlas.example");
  p->Edit_NIF->TypeText("000123456789012");
  p->Edit_CapitalS->SetValue(1500000);
  p->Combo_Path->ChooseFolder(Target);
  Dialogs.AnswerMessage(mrOk);
  Application->Dispatch([] { Form_Main->Btn_Next->Click(); });
  ASSERT_TRUE(Form_Finish && Form_Finish->Showing());
  const std::string wizard = Footprint(*this);
  EXPECT_EQ(wizard, unattended);
}

}  // namespace
}  // namespace velmorak::testing

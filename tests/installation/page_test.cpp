// The installation run from the company details page, headless, on the
// demo package built by demo/make-package.sh: the stops before the lock as
// the user sees them, full installations read back through the engine, the
// cursor calls in their order, the capital, and the failures of the
// extraction, the exercise database, the configuration database and the
// registry, each leaving the wizard locked with nothing open.
#include <gtest/gtest.h>

#include <memory>

#include "InstallTestSupport.h"
#include "database/ZvDBTable.h"
#include "installation/Params.h"
#include "platform/classes/CodePages.h"
#include "platform/classes/DateTime.h"
#include "platform/forms/headless/HeadlessDialogs.h"
#include "platform/forms/headless/HeadlessWidgetSet.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#include "wizard/Contrat.h"
#include "wizard/Finish.h"
#include "wizard/Maker.h"
#include "wizard/Program.h"
#include "wizard/Unit_Main.h"
#include "wizard/Welcome.h"

namespace velmorak::testing {
namespace {

// Records every value the bar is given, as its window would be told.
class TBarRecorder : public TControlPeer {
 public:
  TBarRecorder(TProgressBar& Bar, std::vector<std::string>& Log) : FBar(Bar), FLog(Log) {}
  void Changed(TChange What) override {
    if (What == TChange::Value) FLog.push_back("PBar " + std::to_string(FBar.Position()));
  }

 private:
  TProgressBar& FBar;
  std::vector<std::string>& FLog;
};

// One table of an installed scg.zvc, read through the engine.
class TReadBack {
 public:
  TReadBack(const std::string& File, const char* Table) : FTable(std::make_unique<TZvTable>(nullptr)) {
    FTable->SetDatabaseName(File);
    FTable->SetTableName(Table);
    FTable->BeforeOpen = [this](TDataSet*) { FTable->SetPassword(install::TablePassword); };
    FTable->Open();
  }
  ~TReadBack() { FTable->Close(); }
  TZvTable& operator*() { return *FTable; }
  TZvTable* operator->() { return FTable.get(); }
  std::string S(const char* Field) { return AnsiToUtf8(FTable->FieldByName(Field)->AsString()); }

 private:
  std::unique_ptr<TZvTable> FTable;
};

class PageTest : public InstallEnvironment {
 public:
  void SetUp() override {
    InstallEnvironment::SetUp();
    auto ws = std::make_unique<THeadlessWidgetSet>();
    Ws = ws.get();
    SetWidgetSet(std::move(ws));
    Dialogs.Reset();
    Log.clear();
    SetDialogBackend(&Dialogs);
    CreateApplication();
    RunWizard();
    Form_Main->Btn_Next->Click();
    Form_Main->Btn_Next->Click();
    Page = Form_Params;
    Page->PBar->SetPeer(std::make_unique<TBarRecorder>(*Page->PBar, Log));
  }
  void TearDown() override {
    DestroyApplication();
    Form_Main = nullptr, Form_Welcome = nullptr, Form_Contrat = nullptr, Form_Params = nullptr;
    Form_Finish = nullptr;
    SetDialogBackend(nullptr);
    SetWidgetSet(nullptr);
    InstallEnvironment::TearDown();
  }

  void Type(const std::string& path) {
    Page->Edit_Societe->TypeText(Societe);
    Page->Edit_Activite->TypeText("Négoce de matériel");
    Page->Edit_Adresse->TypeText("12 rue des Oliviers");
    Page->Edit_Tel->TypeText("021 55 66 77");
    Page->Edit_Fax->TypeText("");
    Page->Edit_Email->TypeText("contact@atlas.example");
    Page->Edit_NIF->TypeText("000123456789012");
    Page->Edit_CapitalS->SetValue(1500000);
    Page->Combo_Path->ChooseFolder(path);
  }
  // As the backend runs every handler: what escapes goes to the
  // application's default handler.
  void Install() {
    Application->Dispatch([] { Form_Main->Btn_Next->Click(); });
  }

  // The main window's buttons and the page, as the user sees them.
  std::string Buttons() const {
    auto b = [](TControl* c) { return std::string(c->Visible() ? "v" : "-") + (c->Enabled() ? "e" : "-"); };
    return b(Form_Main->Btn_Next) + " " + b(Form_Main->Btn_Previous) + " " + Form_Main->Btn_Quit->Caption();
  }
  bool TablesClosed() const {
    return !Page->Config_tbl->Active() && !Page->Settings_tbl->Active() && !Page->Societe_tbl->Active();
  }
  std::vector<int> Bar() const {
    std::vector<int> v;
    for (const std::string& l : Log)
      if (l.rfind("PBar ", 0) == 0) v.push_back(std::stoi(l.substr(5)));
    return v;
  }

  THeadlessWidgetSet* Ws = nullptr;
  THeadlessDialogs Dialogs;
  TForm_Params* Page = nullptr;
  std::vector<std::string> Log;
  // 45 characters with accents: the field keeps 40.
  std::string Societe = "Société Générale d'Équipements Électriques SA";
};

const std::vector<int> kFullProgress{10, 20, 23, 26, 29, 32, 33, 36, 40, 60, 65, 70, 75, 80, 90, 100};

TEST_F(PageTest, StopsBeforeTheLockLeaveThePageAsItWas) {
  const THeadlessDialogs::TShown pathError{THeadlessDialogs::TKind::dkMessage,
                                           "Erreur d'installation",
                                           install::PathMissingText,
                                           TMsgDlgType::mtError,
                                           mbOK,
                                           ""};
  const THeadlessDialogs::TShown confirm{THeadlessDialogs::TKind::dkMessage,
                                         "Confirmation de l'installation",
                                         install::ConfirmText,
                                         TMsgDlgType::mtWarning,
                                         mbOK | mbCancel,
                                         ""};
  THeadlessDialogs::TShown earlier = confirm;
  earlier.Text = install::EarlierInstallationText;
  const THeadlessDialogs::TShown packageError{THeadlessDialogs::TKind::dkMessage,
                                              "Erreur d'installation",
                                              PackageMissingMessage(),
                                              TMsgDlgType::mtError,
                                              mbOK,
                                              ""};
  struct Case {
    const char* why;
    std::string path;  // after the install target
    const char* marker;
    bool package;
    std::vector<int> answers;
    std::vector<THeadlessDialogs::TShown> shown;
  } cases[] = {
      {"no such path", "/absent", nullptr, true, {}, {pathError}},
      {"a file", "/file.txt", nullptr, true, {}, {pathError}},
      {"Cancel at the confirmation", "", nullptr, true, {mrCancel}, {confirm}},
      {"Kolvane.exe, Cancel", "", "Kolvane.exe", true, {mrOk, mrCancel}, {confirm, earlier}},
      {"scg.zvc, Cancel", "", "scg.zvc", true, {mrOk, mrCancel}, {confirm, earlier}},
      {"WrkData.FDB only, Cancel", "", "Common/WrkData.FDB", true, {mrOk, mrCancel}, {confirm, earlier}},
      {"package missing", "", nullptr, false, {mrOk}, {confirm, packageError}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TearDown();
    SetUp();
    if (c.marker) {
      os::ForceDirectories(Installed("Common"));
      WriteFile(Installed(c.marker), "earlier");
    }
    if (c.package) DemoPackage();
    WriteFile(Target + "/file.txt", "x");
    const std::string path = Target + c.path;
    Type(path);
    ASSERT_EQ(Buttons(), "ve ve &Quitter");
    for (int a : c.answers) Dialogs.AnswerMessage(a);
    Install();
    ASSERT_EQ(Dialogs.Shown().size(), c.shown.size());
    for (std::size_t i = 0; i < c.shown.size(); ++i) {
      EXPECT_EQ(Dialogs.Shown()[i].Caption, c.shown[i].Caption);
      EXPECT_EQ(Dialogs.Shown()[i].Text, c.shown[i].Text);
      EXPECT_EQ(Dialogs.Shown()[i].DlgType, c.shown[i].DlgType);
      EXPECT_EQ(Dialogs.Shown()[i].Buttons, c.shown[i].Buttons);
    }
    EXPECT_EQ(Buttons(), "ve ve &Quitter");
    EXPECT_TRUE(Page->Showing());
    EXPECT_EQ(Page->PBar->Position(), 0);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(Page->Edit_Societe->Text(), Societe);
    EXPECT_EQ(Page->Combo_Path->Text(), path);
    EXPECT_EQ(os::FileExists(Installed("Kolvane.exe")), c.marker && std::string(c.marker) == "Kolvane.exe");
    EXPECT_FALSE(os::DirectoryExists(Installed("Ex_Data")));
    EXPECT_TRUE(os::sandbox::LinkSaves().empty());
    EXPECT_FALSE(os::sandbox::RegistryKeyExists(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK"));
    EXPECT_TRUE(Ws->Opened.empty());
  }

  // OK at the question goes on.
  TearDown();
  SetUp();
  DemoPackage();
  os::ForceDirectories(Installed("Common"));
  WriteFile(Installed("Common/WrkData.FDB"), "earlier");
  Type(Target);
  Dialogs.AnswerMessage(mrOk);
  Dialogs.AnswerMessage(mrOk);
  Install();
  EXPECT_EQ(Dialogs.Shown().size(), 2u);
  EXPECT_TRUE(Form_Finish && Form_Finish->Showing());
}

TEST_F(PageTest, FullInstallationIsReadBackThroughTheEngine) {
  for (bool trailing : {true, false}) {
    SCOPED_TRACE(trailing ? "P ends with the delimiter" : "P without the delimiter");
    TearDown();
    SetUp();
    const std::string p = trailing ? Target + "/" : Target;
    DemoPackage();
    Now = {2026, 12, 11, 17, 5, 42, 250};
    Type(p);
    Dialogs.AnswerMessage(mrOk);
    Install();
    ASSERT_EQ(Dialogs.Shown().size(), 1u) << Dialogs.Shown().back().Text;  // the confirmation
    EXPECT_EQ(Bar(), kFullProgress);

    // The final state: only "&Terminer", the final page held by Form_Finish,
    // the home page opened once.
    EXPECT_EQ(Buttons(), "-- -- &Terminer");
    EXPECT_FALSE(Page->Showing());
    ASSERT_NE(Form_Finish, nullptr);
    EXPECT_TRUE(Form_Finish->Showing());
    EXPECT_EQ(Ws->Opened, std::vector<std::string>{maker::WebSite});
    EXPECT_TRUE(TablesClosed());

    EXPECT_TRUE(os::FileExists(Installed("Ex_Data/DBEx_2026.FDB")));
    EXPECT_FALSE(os::FileExists(Installed("Ex_Data/DBEx_20xx.FDB")));
    EXPECT_EQ(os::sandbox::LinkSaves().size(), 6u);
    const std::string stored = Target + "/VELMORAK/Kolvane_Pro";
    EXPECT_EQ(os::sandbox::RegistryValues(os::rkLocalMachine, "SOFTWARE\\Software VELMORAK").back(),
              (std::pair<std::string, std::string>{"ZORV Path", stored}));

    const std::string file = Installed("scg.zvc");
    {
      TReadBack config(file, "Config");
      ASSERT_EQ(config->RecordCount(), 1);
      EXPECT_EQ(config.S("DDMP"), "120");
      EXPECT_EQ(config->FieldByName("Exercice")->AsInteger(), 2026);
      EXPECT_EQ(config.S("App_Path"), stored);
      EXPECT_EQ(config.S("Prn_PdfPath"), stored + "/Files_Export");
      EXPECT_EQ(config.S("Save_Path"), stored + "/BackUp");
      EXPECT_EQ(config->FieldByName("Install_Date")->AsDateTime(), EncodeDate(2026, 12, 11));
      EXPECT_NEAR(config->FieldByName("Install_Time")->AsDateTime(),
                  EncodeDate(2026, 12, 11) + EncodeTime(17, 5, 42, 250), 1.0 / 86400000);
      EXPECT_EQ(config.S("Langue"), "FR");  // not written, kept
    }
    {
      TReadBack settings(file, "Settings");
      EXPECT_EQ(settings->RecordCount(), 1);  // the empty table gained one empty record
      EXPECT_EQ(settings.S("Theme"), "");
    }
    {
      TReadBack societe(file, "Societe");
      ASSERT_EQ(societe->RecordCount(), 1);
      EXPECT_EQ(societe.S("Societe"), "Société Générale d'Équipements Électriqu");  // 40 characters
      EXPECT_EQ(societe.S("Activite"), "Négoce de matériel");
      EXPECT_EQ(societe.S("Tel"), "021 55 66 77");
      EXPECT_EQ(societe.S("Fax"), "");  // the packaged value replaced by the empty input
      EXPECT_EQ(societe.S("NIF"), "000123456789012");
      EXPECT_EQ(societe->FieldByName("CapitalS")->AsFloat(), 1500000.0);
      EXPECT_GT(societe->FieldByName("Logo")->AsString().size(), 60u);  // not written, kept
    }
  }
}

TEST_F(PageTest, TheCursorCallsComeInTheirOrderBetweenTheBarValues) {
  DemoPackage();
  for (auto [table, name] : {std::pair{Page->Config_tbl, "Config"}, std::pair{Page->Settings_tbl, "Settings"},
                             std::pair{Page->Societe_tbl, "Societe"}}) {
    const std::string n = name;
    TDataSetNotifyEvent pageHandler = table->BeforeOpen;
    table->BeforeOpen = [this, n, pageHandler](TDataSet* d) {
      Log.push_back(n + " Open");
      pageHandler(d);
    };
    table->BeforeEdit = [this, n](TDataSet*) { Log.push_back(n + " Edit"); };
    table->BeforeInsert = [this, n](TDataSet*) { Log.push_back(n + " Edit"); };  // the empty table
    table->BeforePost = [this, n](TDataSet*) { Log.push_back(n + " Post"); };
    table->BeforeClose = [this, n](TDataSet*) { Log.push_back(n + " Close"); };
  }
  Type(Target);
  Dialogs.AnswerMessage(mrOk);
  Install();
  const std::vector<std::string> expected{
      "PBar 10",       "PBar 20",     "PBar 23",       "PBar 26",      "PBar 29",      "PBar 32",
      "PBar 33",       "PBar 36",     "PBar 40",       "PBar 60",      "Config Open",  "Settings Open",
      "Societe Open",  "Config Edit", "Settings Edit", "Societe Edit", "PBar 65",      "PBar 70",
      "PBar 75",       "Config Post", "Settings Post", "Societe Post", "Config Close", "Settings Close",
      "Societe Close", "PBar 80",     "PBar 90",       "PBar 100"};
  EXPECT_EQ(Log, expected);
}

TEST_F(PageTest, TheCapitalIsTheEditsNumberWhateverItShows) {
  struct Case {
    long long value;
    const char* separator;
    const char* shown;
  } cases[] = {{1500000, " ", "1 500 000"}, {1500000, ",", "1,500,000"}, {-250, " ", "(250)"}, {0, " ", "0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    TearDown();
    SetUp();
    Ws->Separator = c.separator;
    DemoPackage();
    Type(Target);
    Page->Edit_CapitalS->SetValue(c.value);
    EXPECT_EQ(Page->Edit_CapitalS->DisplayText(), c.shown);
    Dialogs.AnswerMessage(mrOk);
    Install();
    ASSERT_TRUE(Form_Finish && Form_Finish->Showing()) << Dialogs.Shown().back().Text;
    TReadBack societe(Installed("scg.zvc"), "Societe");
    EXPECT_EQ(societe->FieldByName("CapitalS")->AsFloat(), static_cast<double>(c.value));
  }
}

TEST_F(PageTest, FailuresShowTheirMessageReleaseEverythingAndLeaveTheWizardLocked) {
  struct Case {
    const char* why;
    const char* variant;
    std::function<void(PageTest&)> arrange;
    std::string message;  // as the error box shows it
  } cases[] = {
      {"wrong table password", "password", nullptr, "Access denied."},
      {"no Societe table", "no-societe", nullptr, "Societe_tbl: Table 'Societe' not found."},
      {"a damaged item answered Ignore", "damaged", [](PageTest& t) { t.Dialogs.AnswerMessage(mrIgnore); },
       "le fichier \"Common/WrkData.FDB\" du package n'a pas pu être installé."},
      {"a damaged item answered Abort", "damaged", [](PageTest& t) { t.Dialogs.AnswerMessage(mrAbort); },
       "le fichier \"Common/WrkData.FDB\" du package n'a pas pu être installé."},
      {"no exercise template", "no-template", nullptr,
       "la base de l'exercice \"DBEx_2026.FDB\" n'a pas pu être mise en place."},
      {"registry key refused", "standard", [](PageTest&) { os::sandbox::FailRegistryOpen(); },
       "la clé de registre HKEY_LOCAL_MACHINE\\SOFTWARE\\Software VELMORAK n'a pas pu être ouverte (droits "
       "d'administrateur nécessaires)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TearDown();
    SetUp();
    DemoPackage(c.variant);
    Type(Target);
    Dialogs.AnswerMessage(mrOk);
    if (c.arrange) c.arrange(*this);
    Install();
    ASSERT_FALSE(Dialogs.Shown().empty());
    const THeadlessDialogs::TShown& box = Dialogs.Shown().back();
    EXPECT_EQ(box.Text, c.message);
    EXPECT_EQ(box.DlgType, TMsgDlgType::mtError);
    EXPECT_EQ(box.Caption, ApplicationTitle);
    EXPECT_EQ(Buttons(), "v- v- &Terminer");
    EXPECT_TRUE(Page->Showing());
    EXPECT_FALSE(Form_Finish && Form_Finish->Showing());
    EXPECT_FALSE(IsArchiveOpen(*Page->Archiver));
    EXPECT_TRUE(TablesClosed());
    EXPECT_TRUE(Ws->Opened.empty());
    // Nothing stays locked: the installed configuration opens again.
    if (os::FileExists(Installed("scg.zvc")) && std::string(c.variant) == "standard") {
      EXPECT_NO_THROW(TReadBack(Installed("scg.zvc"), "Config"));
    }
  }
}

TEST_F(PageTest, ALinkThatCannotBeSavedIsPassedOverInSilence) {
  DemoPackage();
  os::sandbox::FailLinkSave("CommonPrograms");
  Type(Target);
  Dialogs.AnswerMessage(mrOk);
  Install();
  EXPECT_EQ(Dialogs.Shown().size(), 1u);
  EXPECT_TRUE(Form_Finish && Form_Finish->Showing());
  EXPECT_EQ(Bar(), kFullProgress);
}

}  // namespace
}  // namespace velmorak::testing

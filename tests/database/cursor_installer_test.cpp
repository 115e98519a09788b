// The installer's configuration update at engine level: three cursors on the
// product's enciphered "scg.zvc" (Config, Settings, Societe), opened together
// with the password set from their BeforeOpen handlers, edited, posted and
// closed in the installer's order; then each way it can fail, with its
// message and what stays written.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "CursorTestSupport.h"
#include "database/ZvDBTable.h"
#include "platform/classes/DateTime.h"

namespace velmorak {
namespace {

using namespace dbtest;

using Values = std::map<std::string, std::string>;

// Adds one record to a table of the file, the values given as texts.
void Seed(const std::string& path, const std::string& table, const Values& values) {
  TZvTable t(nullptr);
  t.SetDatabaseName(path);
  t.SetTableName(table);
  t.BeforeOpen = [&](TDataSet*) { t.SetPassword("wexor"); };
  t.Open();
  t.Append();
  for (const auto& [field, value] : values) t.FieldByName(field)->SetValue(value);
  t.Post();
}

// The records of a table as "field=value" texts, for comparing.
std::vector<Values> Dump(const std::string& path, const std::string& table) {
  TZvTable t(nullptr);
  t.SetDatabaseName(path);
  t.SetTableName(table);
  t.BeforeOpen = [&](TDataSet*) { t.SetPassword("wexor"); };
  t.Open();
  std::vector<Values> rows;
  for (t.First(); !t.Eof(); t.Next()) {
    Values row;
    for (TField* f : t.Fields()) row[f->FieldName()] = f->AsString();
    rows.push_back(row);
  }
  return rows;
}

// What the company details page hands over.
struct Company {
  Values texts;
  double capital = 0;
};

// The installer's three table components and its steps 1 to 10.
class ConfigUpdate {
 public:
  ConfigUpdate() {
    Config_tbl.SetName("Config_tbl");
    Settings_tbl.SetName("Settings_tbl");
    Societe_tbl.SetName("Societe_tbl");
    Config_tbl.BeforeOpen = [this](TDataSet*) { Config_tbl.SetPassword(Password); };
    Settings_tbl.BeforeOpen = [this](TDataSet*) { Settings_tbl.SetPassword(Password); };
    Societe_tbl.BeforeOpen = [this](TDataSet*) { Societe_tbl.SetPassword(Password); };
  }

  void Run(const std::string& database, const std::string& storedRoot, const Company& company) {
    Step = 1;
    for (TZvTable* t : Tables()) t->SetDatabaseName(database);
    Step = 2;
    Config_tbl.SetTableName(ConfigName);
    Settings_tbl.SetTableName("Settings");
    Societe_tbl.SetTableName("Societe");
    Step = 3;
    for (TZvTable* t : Tables()) {
      t->Open();
      RefCounts.push_back(t->Database()->RefCount());
    }
    Step = 4;
    for (TZvTable* t : Tables()) t->Edit();
    Step = 5;
    const TDateTime now = Now();
    int year, month, day;
    DecodeDate(now, year, month, day);
    Config_tbl.FieldByName("DDMP")->SetValue(Ddmp);
    Config_tbl.FieldByName("Exercice")->SetValue(std::to_string(year));
    Config_tbl.FieldByName("App_Path")->SetValue(storedRoot);
    Config_tbl.FieldByName("Prn_PdfPath")->SetValue(storedRoot + "\\Files_Export");
    Config_tbl.FieldByName("Save_Path")->SetValue(storedRoot + "\\BackUp");
    Config_tbl.FieldByName("Install_Date")->SetValue(Variant::FromDateTime(Date()));
    Config_tbl.FieldByName("Install_Time")->SetValue(Variant::FromDateTime(Now()));
    Step = 7;
    for (const char* f : {"Societe", "Activite", "Adresse", "Tel", "Fax", "Email", "URL", "CBank", "RC", "MF",
                          "AI", "NIF", "NIS"}) {
      auto it = company.texts.find(f);
      Societe_tbl.FieldByName(f)->SetValue(it == company.texts.end() ? std::string() : it->second);
    }
    Societe_tbl.FieldByName("CapitalS")->SetValue(company.capital);
    Step = 9;
    for (TZvTable* t : Tables()) t->Post();
    Step = 10;
    for (TZvTable* t : Tables()) {
      t->Close();
      RefCountsAfterClose.push_back(DefaultSession()->FindDatabase(database)
                                        ? DefaultSession()->FindDatabase(database)->RefCount()
                                        : -1);
    }
  }
  std::vector<TZvTable*> Tables() { return {&Config_tbl, &Settings_tbl, &Societe_tbl}; }

  TZvTable Config_tbl{nullptr}, Settings_tbl{nullptr}, Societe_tbl{nullptr};
  std::string Password = "wexor";
  std::string ConfigName = "Config";
  std::string Ddmp = "120";
  int Step = 0;
  std::vector<int> RefCounts, RefCountsAfterClose;
};

class InstallerSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TestFormats();
    path = dir.File("scg.zvc");
    ZvCreateDatabase(path, InstallerOptions(), InstallerTables());
    company.texts = {{"Societe", std::string(50, 'S')},  // the edit allows 50, the field keeps 40
                     {"Activite", "Commerce g\xE9n\xE9ral"},
                     {"Adresse", "12 rue des Oliviers"},
                     {"Tel", "+213 21 00 00 00"},
                     {"URL", "http://www.example.com/" + std::string(30, 'u')},
                     {"CBank", std::string(60, '7')}};
    company.capital = 1250000;
  }
  void TearDown() override { EXPECT_EQ(DefaultSession()->FindDatabase(path), nullptr); }
  TempDir dir;
  std::string path;
  Company company;
};

TEST_F(InstallerSequence, WritesTheValuesAndFreesTheTemporaryDatabase) {
  for (bool settingsEmpty : {true, false}) {
    SCOPED_TRACE(settingsEmpty ? "empty Settings" : "Settings with a record");
    ZvCreateDatabase(path, InstallerOptions(), InstallerTables());
    Seed(path, "Config", {{"DDMP", "30"}, {"App_Path", "C:\\Old"}});
    Seed(path, "Societe", {{"Societe", "Ancienne"}, {"Fax", "old fax"}, {"Email", "old@example.com"}});
    if (!settingsEmpty) Seed(path, "Settings", {{"Theme", "Black"}, {"Sound", "true"}});
    const auto settingsBefore = Dump(path, "Settings");

    ConfigUpdate install;
    const TDateTime before = Now();
    install.Run(path, "D:\\VELMORAK\\Kolvane_Pro", company);
    const TDateTime after = Now();
    EXPECT_EQ(install.RefCounts, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(install.RefCountsAfterClose, (std::vector<int>{2, 1, -1}));

    int year, month, day;
    DecodeDate(before, year, month, day);
    const auto config = Dump(path, "Config");
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0].at("DDMP"), "120");
    EXPECT_EQ(config[0].at("Exercice"), std::to_string(year));
    EXPECT_EQ(config[0].at("App_Path"), "D:\\VELMORAK\\Kolvane_Pro");
    EXPECT_EQ(config[0].at("Prn_PdfPath"), "D:\\VELMORAK\\Kolvane_Pro\\Files_Export");
    EXPECT_EQ(config[0].at("Save_Path"), "D:\\VELMORAK\\Kolvane_Pro\\BackUp");

    TZvTable c(nullptr);
    c.SetDatabaseName(path);
    c.SetTableName("Config");
    c.SetPassword("wexor");
    c.Open();
    const TDateTime date = c.FieldByName("Install_Date")->AsDateTime();
    const TDateTime time = c.FieldByName("Install_Time")->AsDateTime();
    EXPECT_EQ(date, std::floor(date));  // no time of day
    EXPECT_GE(time, std::floor(before));
    EXPECT_LE(time, after + 1.0 / 86400000);
    EXPECT_GT(time - std::floor(time), 0.0);
    c.Close();

    const auto societe = Dump(path, "Societe");
    ASSERT_EQ(societe.size(), 1u);
    EXPECT_EQ(societe[0].at("Societe"), std::string(40, 'S'));
    EXPECT_EQ(societe[0].at("Activite"), "Commerce g\xE9n\xE9ral");
    EXPECT_EQ(societe[0].at("URL"), ("http://www.example.com/" + std::string(30, 'u')).substr(0, 40));
    EXPECT_EQ(societe[0].at("CBank"), std::string(50, '7'));
    EXPECT_EQ(societe[0].at("Fax"), "");  // an empty edit replaces what was there
    EXPECT_EQ(societe[0].at("Email"), "");
    EXPECT_EQ(societe[0].at("CapitalS"), "1250000");

    const auto settings = Dump(path, "Settings");
    if (settingsEmpty) {
      ASSERT_EQ(settings.size(), 1u);  // one empty record
      EXPECT_EQ(settings[0].at("Theme"), "");
    } else {
      EXPECT_EQ(settings, settingsBefore);
    }
  }
}

TEST_F(InstallerSequence, StoredRootWithoutTheDoubledBackslash) {
  ConfigUpdate install;
  install.Run(path, "D:\\Gestion\\VELMORAK\\Kolvane_Pro", company);
  const auto config = Dump(path, "Config");
  ASSERT_EQ(config.size(), 1u);
  EXPECT_EQ(config[0].at("Save_Path"), "D:\\Gestion\\VELMORAK\\Kolvane_Pro\\BackUp");
}

TEST_F(InstallerSequence, EachFailureRaisesItsMessageAndKeepsWhatWasPosted) {
  struct Case {
    const char* what;
    std::function<void(ConfigUpdate&, std::string& database)> arrange;
    int step;  // where it fails
    std::string message;
    bool configPosted;
  };
  const Case cases[] = {
      {"missing file", [&](ConfigUpdate&, std::string& db) { db = dir.File("absent.zvc"); }, 3,
       "Cannot open file " + dir.File("absent.zvc"), false},
      {"wrong password", [](ConfigUpdate& u, std::string&) { u.Password = "Wexor"; }, 3, "Access denied",
       false},
      {"missing table", [](ConfigUpdate& u, std::string&) { u.ConfigName = "Configuration"; }, 3,
       "Config_tbl: Table 'Configuration' not found", false},
      {"unparsable number", [](ConfigUpdate& u, std::string&) { u.Ddmp = "12O"; }, 5,
       "'12O' is not a valid integer value", false},
      {"missing field",
       [&](ConfigUpdate&, std::string&) {
         auto tables = InstallerTables();
         auto& fields = tables[2].Fields;
         fields.erase(std::find_if(fields.begin(), fields.end(), [](auto& f) { return f.Name == "Fax"; }));
         ZvCreateDatabase(path, InstallerOptions(), tables);
       },
       7, "Societe_tbl: Field 'Fax' not found", false},
      {"failing post",
       [&](ConfigUpdate&, std::string&) {
         // Societe gains a unique index on its name, and another record holds it.
         auto tables = InstallerTables();
         tables[2].Indexes.push_back(Idx("ByName", {1}, kUnique));
         ZvCreateDatabase(path, InstallerOptions(), tables);
         Seed(path, "Societe", {{"Societe", "First"}});
         Seed(path, "Societe", {{"Societe", std::string(40, 'S')}});
       },
       9, "Invalid unique field value '" + std::string(40, 'S') + "'", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZvCreateDatabase(path, InstallerOptions(), InstallerTables());
    std::string database = path;
    {
      ConfigUpdate install;
      c.arrange(install, database);
      std::string message;
      try {
        install.Run(database, "D:\\VELMORAK\\Kolvane_Pro", company);
      } catch (const Exception& e) {
        message = e.Message();
      }
      EXPECT_EQ(message, c.message);
      EXPECT_EQ(install.Step, c.step);
      if (c.step >= 5) {
        // Open, with the pending record still in edit or insert state.
        EXPECT_TRUE(install.Societe_tbl.Active());
        EXPECT_TRUE(install.Societe_tbl.State() == dsEdit || install.Societe_tbl.State() == dsInsert);
      }
    }
    // The components are gone; what was posted stays, pending ones do not.
    const auto config = Dump(path, "Config");
    EXPECT_EQ(config.size(), c.configPosted ? 1u : 0u);
    if (c.configPosted) {
      EXPECT_EQ(config[0].at("DDMP"), "120");
    }
    const auto societe = Dump(path, "Societe");
    for (const auto& row : societe) EXPECT_NE(row.at("Activite"), company.texts.at("Activite"));
  }
}

}  // namespace
}  // namespace velmorak

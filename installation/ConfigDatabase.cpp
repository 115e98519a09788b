// ConfigDatabase: the configuration record and the company's record.
#include "installation/ConfigDatabase.h"

#include "platform/classes/CodePages.h"
#include "platform/classes/DateTime.h"
#include "platform/classes/Variants.h"
#include "platform/os/FileSystem.h"

namespace velmorak {

namespace {

void SetField(TZvTable& Table, const char* Name, const Variant& Value) {
  Table.FieldByName(Name)->SetValue(Value);
}

// The page's texts are UTF-8; the database stores its texts in the ANSI code
// page, and the field cuts them there, to its size in characters.
void SetText(TZvTable& Table, const char* Name, const std::string& Utf8) {
  SetField(Table, Name, Utf8ToAnsi(Utf8));
}

TDateTime ClockDate() {
  const TInstallClockValue t = InstallNow();
  return EncodeDate(t.Year, t.Month, t.Day);
}

TDateTime ClockDateTime() {
  const TInstallClockValue t = InstallNow();
  return EncodeDate(t.Year, t.Month, t.Day) + EncodeTime(t.Hour, t.Minute, t.Second, t.Millisecond);
}

}  // namespace

void TConfigDatabaseUpdate::Run(const TConfigValues& Values, const TCompanyDetails& Details,
                                const std::function<void(int)>& Progress) {
  TZvTable* tables[] = {&FConfig, &FSettings, &FSociete};
  // DatabaseName clears TableName, so it goes first.
  for (TZvTable* t : tables) t->SetDatabaseName(Values.DatabaseFile);
  FConfig.SetTableName("Config");
  FSettings.SetTableName("Settings");
  FSociete.SetTableName("Societe");
  for (TZvTable* t : tables) t->Open();
  // A table without records starts a new record instead.
  for (TZvTable* t : tables) t->Edit();

  const std::string d(1, os::PathDelim());
  SetText(FConfig, "DDMP", "120");
  SetText(FConfig, "Exercice", std::to_string(Values.Year));
  SetText(FConfig, "App_Path", Values.StoredRoot);
  SetText(FConfig, "Prn_PdfPath", Values.StoredRoot + d + "Files_Export");
  SetText(FConfig, "Save_Path", Values.StoredRoot + d + "BackUp");
  // Each read of the clock at the moment its field is written.
  SetField(FConfig, "Install_Date", Variant::FromDateTime(ClockDate()));
  SetField(FConfig, "Install_Time", Variant::FromDateTime(ClockDateTime()));
  Progress(65);

  SetText(FSociete, "Societe", Details.Societe);
  SetText(FSociete, "Activite", Details.Activite);
  SetText(FSociete, "Adresse", Details.Adresse);
  SetText(FSociete, "Tel", Details.Tel);
  SetText(FSociete, "Fax", Details.Fax);
  SetText(FSociete, "Email", Details.Email);
  SetText(FSociete, "URL", Details.URL);
  SetText(FSociete, "CBank", Details.CBank);
  SetText(FSociete, "RC", Details.RC);
  SetText(FSociete, "MF", Details.MF);
  SetText(FSociete, "AI", Details.AI);
  SetText(FSociete, "NIF", Details.NIF);
  SetText(FSociete, "NIS", Details.NIS);
  // The number itself: the edit's displayed text carries separators or
  // parentheses that no float field parses.
  SetField(FSociete, "CapitalS", static_cast<double>(Details.CapitalS));
  Progress(70);
  Progress(75);

  for (TZvTable* t : tables) t->Post();
  for (TZvTable* t : tables) t->Close();
  Progress(80);
}

void TConfigDatabaseUpdate::Release() noexcept {
  for (TZvTable* t : {&FConfig, &FSettings, &FSociete}) {
    try {
      if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    } catch (...) {
      // Closing below discards what is pending all the same.
    }
    try {
      t->Close();
    } catch (...) {
      // The box that follows shows the failure that brought us here.
    }
  }
}

}  // namespace velmorak

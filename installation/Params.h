// Params: the company details page. The user types the company's details and
// chooses the folder to install under; the main window's forward button
// ("&Installer") is enabled only while the required inputs are there. The
// four required edits are pink while empty (or, for the telephone, shorter
// than nine characters) and green once filled. Pressing "&Installer" runs
// the installation (Installation.h) with this page as its host: message
// boxes, the progress bar, the lock of the main window's buttons and the
// hand-over to the final page. The page owns the installation's components:
// the package archive and the three tables of the configuration database.
#pragma once

#include "database/ZvDBTable.h"
#include "installation/Installation.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/ShellCtrls.h"
#include "wizard/PageForm.h"

namespace velmorak {

class TForm_Params : public TPageForm {
 public:
  explicit TForm_Params(TComponent* AOwner);
  const char* ClassName() const override { return "TForm_Params"; }

  TGroupBox* GroupBox1;
  TLabel* Label_Instructions;
  TLabel* Label_RequiredMark;
  TLabel* Label_Warning;
  TSeparator* Separator1;
  TSeparator* Separator2;
  TEdit* Edit_Societe;
  TEdit* Edit_Activite;
  TEdit* Edit_Adresse;
  TEdit* Edit_Tel;
  TEdit* Edit_Fax;
  TEdit* Edit_Email;
  TEdit* Edit_URL;
  TEdit* Edit_CBank;
  TEdit* Edit_RC;
  TEdit* Edit_MF;
  TEdit* Edit_AI;
  TEdit* Edit_NIF;
  TEdit* Edit_NIS;
  TNumEdit* Edit_CapitalS;
  TShellFolderChooser* Combo_Path;
  TSkinButton* Btn_Install;
  TProgressBar* PBar;
  TPackageArchiver* Archiver;
  TZvTable* Societe_tbl;
  TZvTable* Settings_tbl;
  TZvTable* Config_tbl;

  void FormShow(TObject* Sender);
  void Edit_SocieteChange(TObject* Sender);
  void Edit_ActiviteChange(TObject* Sender);
  void Edit_AdresseChange(TObject* Sender);
  void Edit_TelChange(TObject* Sender);
  void Combo_PathPropertiesChange(TObject* Sender);
  // The installation procedure, started by the main window's forward button.
  void Btn_InstallClick(TObject* Sender);
  // Each gives the configuration database its password.
  void Config_tblBeforeOpen(TDataSet* DataSet);
  void Settings_tblBeforeOpen(TDataSet* DataSet);
  void Societe_tblBeforeOpen(TDataSet* DataSet);

  static constexpr TColor EmptyColor = RGBToColor(0xFF, 0xF0, 0xF0);
  static constexpr TColor FilledColor = RGBToColor(0xE6, 0xFF, 0xE6);
  static constexpr std::size_t MinTelLength = 9;

 private:
  // Enables Btn_Next of the main window when every required input is there.
  void CheckForwardButton();
  static void ColourEdit(TEdit* Edit, bool Filled);
};

extern TForm_Params* Form_Params;
// The exit code (CommandLine.h) of the last installation the page ran, -1
// when it ran none; the program returns it when it was asked for a log.
extern int LastInstallationExitCode;

}  // namespace velmorak

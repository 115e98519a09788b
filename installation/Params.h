// Params: the company details page. The user types the company's details and
// chooses the folder to install under; the main window's forward button
// ("&Installer") is enabled only while the required inputs are there. The
// four required edits are pink while empty (or, for the telephone, shorter
// than nine characters) and green once filled.
#pragma once

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

  void FormShow(TObject* Sender);
  void Edit_SocieteChange(TObject* Sender);
  void Edit_ActiviteChange(TObject* Sender);
  void Edit_AdresseChange(TObject* Sender);
  void Edit_TelChange(TObject* Sender);
  void Combo_PathPropertiesChange(TObject* Sender);
  // The installation procedure, started by the main window's forward button.
  void Btn_InstallClick(TObject* Sender);

  static constexpr TColor EmptyColor = RGBToColor(0xFF, 0xF0, 0xF0);
  static constexpr TColor FilledColor = RGBToColor(0xE6, 0xFF, 0xE6);
  static constexpr std::size_t MinTelLength = 9;

 private:
  // Enables Btn_Next of the main window when every required input is there.
  void CheckForwardButton();
  static void ColourEdit(TEdit* Edit, bool Filled);
};

extern TForm_Params* Form_Params;

}  // namespace velmorak

// Params: layout of the company details page, its input checks, and the
// page as the host of the installation.
#include "installation/Params.h"

#include "installation/CommandLine.h"
#include "installation/ConfigDatabase.h"
#include "installation/InstallLog.h"
#include "installation/Installation.h"
#include "wizard/Finish.h"
#include "wizard/Unit_Main.h"

namespace velmorak {

TForm_Params* Form_Params = nullptr;

namespace {

const TColor kLabelGrey = RGBToColor(0x3C, 0x3C, 0x3C);
const TColor kMarkRed = RGBToColor(0x8B, 0x00, 0x00);

struct TEditRow {
  const char* Name;
  const char* Label;
  int LabelLeft, LabelTop;
  int Left, Top, Width;
  int MaxLength;
  bool Required;
  const char* Hint;
  int MarkLeft;  // left of the required mark, 0 when there is none
};

constexpr TEditRow kRows[] = {
    {"Edit_Societe", "Société", 66, 153, 126, 150, 430, 50, true,
     "Dénomination : Raison sociale ou Nom du propriétaire", 114},
    {"Edit_Activite", "Activité", 66, 177, 126, 174, 180, 100, true, "Activité : L'activité commerciale",
     115},
    {"Edit_Adresse", "Adresse", 66, 201, 126, 198, 180, 80, true, "Adresse : Adresse de l'activité", 115},
    {"Edit_Tel", "Tél.", 66, 225, 126, 222, 180, 30, true, "Numéro de Téléphone", 115},
    {"Edit_Fax", "Fax", 66, 250, 126, 247, 180, 30, false, "Numéro de Fax", 0},
    {"Edit_Email", "E-Mail", 66, 274, 126, 271, 180, 60, false, "Votre E-Mail professionnel (Facultatif)", 0},
    {"Edit_URL", "Site Web", 66, 298, 126, 296, 180, 60, false, "Adresse de votre Site Web (Facultatif)", 0},
    {"Edit_CBank", "C.Bancaire", 319, 181, 396, 178, 160, 60, false,
     "Votre Compte Bancaire : Numéro & Banque (Facultatif)", 0},
    {"Edit_RC", "R.Commerce", 319, 205, 396, 202, 160, 20, false, "Le numéro de votre Registre de Commerce",
     0},
    {"Edit_MF", "Mat. Fiscal", 319, 229, 396, 226, 160, 15, false, "Le numéro de votre Matricule Fiscal", 0},
    {"Edit_AI", "Articel Impos", 319, 253, 396, 250, 160, 11, false,
     "Le numéro de votre Article d'Imposition", 0},
    {"Edit_NIF", "NIF", 319, 277, 396, 274, 160, 15, false, "Le numéro de votre Identité Fiscale", 0},
    {"Edit_NIS", "NIS", 319, 301, 396, 298, 160, 15, false, "NIS", 0},
};

constexpr int kEditHeight = 20;

}  // namespace

TForm_Params::TForm_Params(TComponent* AOwner) : TPageForm(AOwner, 632, 402) {
  SetName("Form_Params");
  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(3, -1, 626, 399);
  GroupBox1->SetTransparent(true);
  GroupBox1->SetTabOrder(0);

  const TFont instructionsFont = TFont::Make("Tahoma", 12, true, RGBToColor(0x1A, 0x42, 0x84));
  Label_Instructions =
      AddLabel(GroupBox1, "Label_Instructions", 8, 8, 569, 112,
               "Veuillez SVP faire suivre les étapes nécessaires pour une installation complète.\n\n"
               "1- Remplir les champs par les informations correctes. (  ) => Champ obligatoire\n"
               "2- Choisir le chemin d'installation (Exp : \"D:\").\n"
               "3- Cliquer sur [Installer] puis choisir [Oui] pour terminer l'installation.",
               instructionsFont);
  Label_Instructions->WordWrap = true;
  // The mark goes between the parentheses of the third line. Where they fall
  // depends on the widths of the fonts the system has (Wine's Tahoma is not
  // Windows' Tahoma), so the line is measured as the backend draws it.
  const TFont markFont = TFont::Make("MS Sans Serif", 15, true, kMarkRed);
  const int markLeft =
      8 + WidgetSet().TextWidth(instructionsFont, "1- Remplir les champs par les informations correctes. (") +
      (WidgetSet().TextWidth(instructionsFont, "  ") - WidgetSet().TextWidth(markFont, "*")) / 2;
  Label_RequiredMark = AddLabel(GroupBox1, "Label_RequiredMark", markLeft, 38, 8, 16, "*", markFont);

  Label_Warning =
      AddLabel(GroupBox1, "Label_Warning", 8, 124, 605, 14,
               "Le numéro de téléphone doit contenir au minimum 9 chiffres, sinon l'installation sera "
               "interrompue.",
               TFont::Make("Tahoma", 12, true, RGBToColor(0xEA, 0x00, 0x00)));
  Label_Warning->SetBlinking(true, RGBToColor(0x37, 0x9A, 0xFF));

  Separator1 = new TSeparator(this);
  Separator1->SetName("Separator1");
  Separator1->SetParent(GroupBox1);
  Separator1->SetBounds(67, 144, 483, 2);
  Separator2 = new TSeparator(this);
  Separator2->SetName("Separator2");
  Separator2->SetParent(GroupBox1);
  Separator2->SetBounds(67, 348, 483, 2);

  const TFont labelFont = TFont::Make("MS Sans Serif", 12, true, kLabelGrey);
  const TFont editFont = TFont::Make("Tahoma", 12);
  TEdit** targets[] = {&Edit_Societe, &Edit_Activite, &Edit_Adresse, &Edit_Tel, &Edit_Fax,
                       &Edit_Email,   &Edit_URL,      &Edit_CBank,   &Edit_RC,  &Edit_MF,
                       &Edit_AI,      &Edit_NIF,      &Edit_NIS};
  int tab = 0;
  for (const TEditRow& row : kRows) {
    AddLabel(GroupBox1, (std::string("Label_") + (row.Name + 5)).c_str(), row.LabelLeft, row.LabelTop,
             row.Left - row.LabelLeft - 4, 16, row.Label, labelFont);
    if (row.MarkLeft)
      AddLabel(GroupBox1, (std::string("Mark_") + (row.Name + 5)).c_str(), row.MarkLeft, row.LabelTop - 2, 8,
               16, "*", TFont::Make("MS Sans Serif", 15, true, kMarkRed));
    auto* e = new TEdit(this);
    e->SetName(row.Name);
    e->SetParent(GroupBox1);
    e->SetBounds(row.Left, row.Top, row.Width, kEditHeight);
    e->SetFont(editFont);
    e->SetMaxLength(row.MaxLength);
    e->SetHint(row.Hint);
    e->SetShowHint(true);
    e->SetTabOrder(tab);
    if (row.Required) e->SetColor(EmptyColor);
    *targets[tab] = e;
    ++tab;
  }

  AddLabel(GroupBox1, "Label_CapitalS", 319, 326, 73, 16, "Capital Soc.", labelFont);
  Edit_CapitalS = new TNumEdit(this);
  Edit_CapitalS->SetName("Edit_CapitalS");
  Edit_CapitalS->SetParent(GroupBox1);
  Edit_CapitalS->SetBounds(396, 323, 160, kEditHeight);
  Edit_CapitalS->SetFont(editFont);
  Edit_CapitalS->SetTabOrder(13);
  Edit_CapitalS->FrameColor = clActiveCaption;
  Edit_CapitalS->FrameHotColor = clGradientActiveCaption;

  AddLabel(GroupBox1, "Label_Path", 66, 356, 130, 16, "Chemin d'installation : ", labelFont);
  Combo_Path = new TShellFolderChooser(this);
  Combo_Path->SetName("Combo_Path");
  Combo_Path->SetParent(GroupBox1);
  Combo_Path->SetBounds(199, 352, 356, 21);
  Combo_Path->SetFont(editFont);
  Combo_Path->SetTabOrder(14);

  Btn_Install = new TSkinButton(this);
  Btn_Install->SetName("Btn_Install");
  Btn_Install->SetParent(GroupBox1);
  Btn_Install->SetBounds(568, 368, 49, 25);
  Btn_Install->SetCaption("Installer");
  Btn_Install->SetTabOrder(15);
  Btn_Install->SetVisible(false);
  Btn_Install->OnClick = [this](TObject* s) { Btn_InstallClick(s); };

  PBar = new TProgressBar(this);
  PBar->SetName("PBar");
  PBar->SetParent(GroupBox1);
  PBar->SetBounds(65, 375, 489, 17);
  PBar->ShowPercent = true;
  PBar->SetPosition(0);

  Archiver = CreatePackageArchiver(this);

  auto table = [this](const char* name, std::function<void(TDataSet*)> beforeOpen) {
    auto* t = new TZvTable(this);
    t->SetName(name);
    t->BeforeOpen = std::move(beforeOpen);
    return t;
  };
  Societe_tbl = table("Societe_tbl", [this](TDataSet* d) { Societe_tblBeforeOpen(d); });
  Settings_tbl = table("Settings_tbl", [this](TDataSet* d) { Settings_tblBeforeOpen(d); });
  Config_tbl = table("Config_tbl", [this](TDataSet* d) { Config_tblBeforeOpen(d); });

  Edit_Societe->OnChange = [this](TObject* s) { Edit_SocieteChange(s); };
  Edit_Activite->OnChange = [this](TObject* s) { Edit_ActiviteChange(s); };
  Edit_Adresse->OnChange = [this](TObject* s) { Edit_AdresseChange(s); };
  Edit_Tel->OnChange = [this](TObject* s) { Edit_TelChange(s); };
  Combo_Path->OnPropertiesChange = [this](TObject* s) { Combo_PathPropertiesChange(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  DoCreate();
}

void TForm_Params::FormShow(TObject* Sender) {
  Edit_Societe->SetFocus();
}

void TForm_Params::CheckForwardButton() {
  // Texts count as typed: blanks are characters like any other.
  const bool ready = !Edit_Societe->Text().empty() && !Edit_Activite->Text().empty() &&
                     !Combo_Path->Text().empty() && !Edit_Tel->Text().empty() &&
                     !Edit_Adresse->Text().empty() && Utf8Length(Edit_Tel->Text()) >= MinTelLength;
  Form_Main->Btn_Next->SetEnabled(ready);
}

void TForm_Params::ColourEdit(TEdit* Edit, bool Filled) {
  Edit->SetColor(Filled ? FilledColor : EmptyColor);
}

void TForm_Params::Edit_SocieteChange(TObject* Sender) {
  CheckForwardButton();
  ColourEdit(Edit_Societe, !Edit_Societe->Text().empty());
}

void TForm_Params::Edit_ActiviteChange(TObject* Sender) {
  CheckForwardButton();
  ColourEdit(Edit_Activite, !Edit_Activite->Text().empty());
}

void TForm_Params::Edit_AdresseChange(TObject* Sender) {
  CheckForwardButton();
  ColourEdit(Edit_Adresse, !Edit_Adresse->Text().empty());
}

void TForm_Params::Edit_TelChange(TObject* Sender) {
  CheckForwardButton();
  ColourEdit(Edit_Tel, !Edit_Tel->Text().empty() && Utf8Length(Edit_Tel->Text()) >= MinTelLength);
}

void TForm_Params::Combo_PathPropertiesChange(TObject* Sender) {
  CheckForwardButton();
}

void TForm_Params::Config_tblBeforeOpen(TDataSet* DataSet) {
  Config_tbl->SetPassword(install::TablePassword);
}

void TForm_Params::Settings_tblBeforeOpen(TDataSet* DataSet) {
  Settings_tbl->SetPassword(install::TablePassword);
}

void TForm_Params::Societe_tblBeforeOpen(TDataSet* DataSet) {
  Societe_tbl->SetPassword(install::TablePassword);
}

namespace {

// The page as the installation's host: the application's message boxes,
// the progress bar, the main window's buttons and the final page; the log
// when the program was asked for one.
class TPageHost : public TInstallHost {
 public:
  explicit TPageHost(TForm_Params& Page) : FPage(Page) {}

  bool AskOkCancel(const std::string& Caption, const std::string& Text) override {
    return Application->MessageBox(Text, Caption, TMsgDlgType::mtWarning, mbOK | mbCancel) == mrOk;
  }
  void ShowError(const std::string& Caption, const std::string& Text) override {
    Application->MessageBox(Text, Caption, TMsgDlgType::mtError, mbOK);
  }
  void Lock() override {
    Form_Main->Btn_Next->SetEnabled(false);
    Form_Main->Btn_Previous->SetEnabled(false);
    Form_Main->Btn_Quit->SetCaption("&Terminer");
  }
  // The bar repaints itself when its value changes: the procedure pumps no
  // messages between its steps.
  void SetProgress(int Percent) override { FPage.PBar->SetPosition(Percent); }
  void StepResult(const std::string& Step, const std::string& Result) override {
    if (InstallLog) InstallLog->Step(Step, Result);
  }
  void Warning(const std::string& Text) override {
    if (InstallLog) InstallLog->Warning(Text);
  }
  void HandOver() override {
    Form_Main->Btn_Next->Hide();
    Form_Main->Btn_Previous->Hide();
    FPage.Close();
    OpenPage(Form_Finish);
  }

 private:
  TForm_Params& FPage;
};

}  // namespace

int LastInstallationExitCode = -1;

void TForm_Params::Btn_InstallClick(TObject* Sender) {
  TCompanyDetails details;
  details.Societe = Edit_Societe->Text();
  details.Activite = Edit_Activite->Text();
  details.Adresse = Edit_Adresse->Text();
  details.Tel = Edit_Tel->Text();
  details.Fax = Edit_Fax->Text();
  details.Email = Edit_Email->Text();
  details.URL = Edit_URL->Text();
  details.CBank = Edit_CBank->Text();
  details.RC = Edit_RC->Text();
  details.MF = Edit_MF->Text();
  details.AI = Edit_AI->Text();
  details.NIF = Edit_NIF->Text();
  details.NIS = Edit_NIS->Text();
  details.CapitalS = Edit_CapitalS->Value();

  TPageHost host(*this);
  TConfigDatabaseUpdate configuration(*Config_tbl, *Settings_tbl, *Societe_tbl);
  TInstallation installation(host, *Archiver, configuration);
  // What fails from the extraction on goes to the application's handler,
  // which shows it in an error box; the wizard stays locked.
  try {
    const TInstallResult result = installation.Run(Combo_Path->Text(), details);
    LastInstallationExitCode = ExitCodeOf(result, installation.Warnings());
  } catch (const std::exception& e) {
    LastInstallationExitCode = ExitCodeOf(e);
    throw;
  }
}

}  // namespace velmorak

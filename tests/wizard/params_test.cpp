// The company details page: when the forward button is enabled, how the
// required edits are coloured, the maximum lengths, and the focus order.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "WizardFixture.h"

namespace velmorak::testing {
namespace {

class ParamsTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
    Next();
    Next();
    P = Form_Params;
  }
  bool NextEnabled() const { return Form_Main->Btn_Next->Enabled(); }
  TForm_Params* P = nullptr;
};

const TColor kPink = TForm_Params::EmptyColor;
const TColor kGreen = TForm_Params::FilledColor;

TEST_F(ParamsTest, ForwardButtonAndColoursFollowTheRequiredInputs) {
  // Each case starts on a fresh page, runs its actions in turn, and states
  // the button and the colour of the edit the last action touched.
  using Action = std::function<void(TForm_Params*)>;
  auto type = [](TEdit* TForm_Params::*edit, std::string text) {
    return Action([edit, text](TForm_Params* p) { (p->*edit)->TypeText(text); });
  };
  auto clear = [](TEdit* TForm_Params::*edit) {
    return Action([edit](TForm_Params* p) { (p->*edit)->ClearByUser(); });
  };
  auto choose = [](std::string path) {
    return Action([path](TForm_Params* p) { p->Combo_Path->ChooseFolder(path); });
  };
  const Action societe = type(&TForm_Params::Edit_Societe, "Atlas");
  const Action activite = type(&TForm_Params::Edit_Activite, "Négoce");
  const Action adresse = type(&TForm_Params::Edit_Adresse, "12 rue");
  const Action tel9 = type(&TForm_Params::Edit_Tel, "021556677");
  const Action path = choose("D:\\");

  struct Case {
    const char* why;
    std::vector<Action> actions;
    TEdit* TForm_Params::*edit;
    bool enabled;
    TColor colour;
  } cases[] = {
      {"only the company typed", {societe}, &TForm_Params::Edit_Societe, false, kGreen},
      {"8-character telephone",
       {societe, activite, adresse, path, type(&TForm_Params::Edit_Tel, "02155667")},
       &TForm_Params::Edit_Tel,
       false,
       kPink},
      {"9th character of any kind",
       {societe, activite, adresse, path, type(&TForm_Params::Edit_Tel, "0215566.7")},
       &TForm_Params::Edit_Tel,
       true,
       kGreen},
      {"blanks count as characters",
       {societe, activite, adresse, path, type(&TForm_Params::Edit_Tel, "         ")},
       &TForm_Params::Edit_Tel,
       true,
       kGreen},
      {"a blank company name is not empty",
       {type(&TForm_Params::Edit_Societe, " "), activite, adresse, tel9, path},
       &TForm_Params::Edit_Societe,
       true,
       kGreen},
      {"accented characters count once",
       {societe, activite, adresse, path, type(&TForm_Params::Edit_Tel, "é1234567")},
       &TForm_Params::Edit_Tel,
       false,
       kPink},
      {"clearing the company after all was valid",
       {societe, activite, adresse, tel9, path, clear(&TForm_Params::Edit_Societe)},
       &TForm_Params::Edit_Societe,
       false,
       kPink},
      {"clearing the telephone",
       {societe, activite, adresse, tel9, path, clear(&TForm_Params::Edit_Tel)},
       &TForm_Params::Edit_Tel,
       false,
       kPink},
      {"folder chosen last", {societe, activite, adresse, tel9}, &TForm_Params::Edit_Tel, false, kGreen},
      {"then the folder", {societe, activite, adresse, tel9, path}, &TForm_Params::Edit_Tel, true, kGreen},
      {"a folder, not a drive",
       {societe, activite, adresse, tel9, choose("C:\\Data\\")},
       &TForm_Params::Edit_Tel,
       true,
       kGreen},
      {"address missing", {societe, activite, tel9, path}, &TForm_Params::Edit_Adresse, false, kPink},
      {"optional fields play no part",
       {societe, activite, adresse, tel9, path, type(&TForm_Params::Edit_Fax, "x"),
        clear(&TForm_Params::Edit_Fax)},
       &TForm_Params::Edit_Fax,
       true,
       clWindow},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    for (const Action& a : c.actions) a(P);
    EXPECT_EQ(NextEnabled(), c.enabled) << c.why;
    EXPECT_EQ((P->*c.edit)->Color(), c.colour) << c.why;
  }
}

TEST_F(ParamsTest, OnlyTheChangedEditIsRecoloured) {
  EXPECT_FALSE(NextEnabled());
  P->Edit_Societe->TypeText("A");
  EXPECT_EQ(P->Edit_Societe->Color(), kGreen);
  for (TEdit* e : {P->Edit_Activite, P->Edit_Adresse, P->Edit_Tel}) EXPECT_EQ(e->Color(), kPink) << e->Name();
  for (TEdit* e : {P->Edit_Fax, P->Edit_Email, P->Edit_URL, P->Edit_CBank, P->Edit_RC, P->Edit_MF, P->Edit_AI,
                   P->Edit_NIF, P->Edit_NIS})
    EXPECT_EQ(e->Color(), clWindow) << e->Name();
  // The chooser runs the check but colours nothing.
  P->Combo_Path->ChooseFolder("D:");
  EXPECT_EQ(P->Combo_Path->Text(), "D:\\");
  EXPECT_EQ(P->Combo_Path->Color(), clWindow);
}

TEST_F(ParamsTest, MaximumLengthsAndHints) {
  struct Case {
    TEdit* edit;
    int max;
    const char* hint;
  } cases[] = {
      {P->Edit_Societe, 50, "Dénomination : Raison sociale ou Nom du propriétaire"},
      {P->Edit_Activite, 100, "Activité : L'activité commerciale"},
      {P->Edit_Adresse, 80, "Adresse : Adresse de l'activité"},
      {P->Edit_Tel, 30, "Numéro de Téléphone"},
      {P->Edit_Fax, 30, "Numéro de Fax"},
      {P->Edit_Email, 60, "Votre E-Mail professionnel (Facultatif)"},
      {P->Edit_URL, 60, "Adresse de votre Site Web (Facultatif)"},
      {P->Edit_CBank, 60, "Votre Compte Bancaire : Numéro & Banque (Facultatif)"},
      {P->Edit_RC, 20, "Le numéro de votre Registre de Commerce"},
      {P->Edit_MF, 15, "Le numéro de votre Matricule Fiscal"},
      {P->Edit_AI, 11, "Le numéro de votre Article d'Imposition"},
      {P->Edit_NIF, 15, "Le numéro de votre Identité Fiscale"},
      {P->Edit_NIS, 15, "NIS"},
  };
  const std::string longText(150, '7');
  for (const Case& c : cases) {
    EXPECT_EQ(c.edit->MaxLength(), c.max) << c.edit->Name();
    EXPECT_EQ(c.edit->Hint(), c.hint);
    c.edit->TypeText(longText);
    EXPECT_EQ(c.edit->Text().size(), static_cast<std::size_t>(c.max)) << c.edit->Name();
    // Pasting over the whole text is cut at the limit too, by characters.
    c.edit->ReplaceTextByUser(std::string(200, 'e') + "é");
    EXPECT_EQ(Utf8Length(c.edit->Text()), static_cast<std::size_t>(c.max)) << c.edit->Name();
  }
  // Accented characters count as one each against the limit.
  P->Edit_AI->ClearByUser();
  P->Edit_AI->TypeText("éééééééééééééé");
  EXPECT_EQ(P->Edit_AI->Text(), "ééééééééééé");
}

TEST_F(ParamsTest, FocusStartsOnTheCompanyAndEnterFollowsTheTabOrder) {
  EXPECT_EQ(P->ActiveControl(), P->Edit_Societe);
  const std::vector<TWinControl*> order{P->Edit_Societe, P->Edit_Activite, P->Edit_Adresse, P->Edit_Tel,
                                        P->Edit_Fax,     P->Edit_Email,    P->Edit_URL,     P->Edit_CBank,
                                        P->Edit_RC,      P->Edit_MF,       P->Edit_AI,      P->Edit_NIF,
                                        P->Edit_NIS,     P->Edit_CapitalS, P->Combo_Path};
  EXPECT_EQ(P->TabList(), order);  // the invisible Btn_Install is not reached
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    auto* edit = dynamic_cast<TEdit*>(order[i]);
    ASSERT_NE(edit, nullptr);
    edit->KeyPressEnter();
    EXPECT_EQ(P->ActiveControl(), order[i + 1]) << "after " << order[i]->Name();
  }
  P->SelectNext(P->Combo_Path, true);
  EXPECT_EQ(P->ActiveControl(), P->Edit_Societe);
  P->SelectNext(P->Edit_Societe, false);
  EXPECT_EQ(P->ActiveControl(), P->Combo_Path);
}

TEST_F(ParamsTest, PageAsDesigned) {
  EXPECT_FALSE(P->Btn_Install->Visible());
  EXPECT_EQ(P->Btn_Install->Caption(), "Installer");
  EXPECT_EQ(P->PBar->Percent(), 0);
  EXPECT_TRUE(P->Label_Warning->Blinking());
  EXPECT_EQ(
      P->Label_Warning->Caption(),
      "Le numéro de téléphone doit contenir au minimum 9 chiffres, sinon l'installation sera interrompue.");
  EXPECT_EQ(P->Edit_CapitalS->DisplayFormat, ",0;(,0)");
  EXPECT_EQ(P->Edit_CapitalS->Text(), "0");
  // The warning blinks on the event loop only.
  const TColor first = P->Label_Warning->CurrentTextColor();
  Ws->AdvanceTime(500);
  EXPECT_NE(P->Label_Warning->CurrentTextColor(), first);
  EXPECT_EQ(P->Label_Warning->CurrentTextColor(), RGBToColor(0x37, 0x9A, 0xFF));
  Ws->Sleep(500);  // a plain wait pumps nothing
  EXPECT_EQ(P->Label_Warning->CurrentTextColor(), RGBToColor(0x37, 0x9A, 0xFF));
}

}  // namespace
}  // namespace velmorak::testing

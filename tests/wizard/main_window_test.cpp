// The main window: the splash sequence on the virtual clock, placement on
// screens of several sizes, page navigation and the quit question.
#include <gtest/gtest.h>

#include <vector>

#include "WizardFixture.h"
#include "resources/Pictures.h"

namespace velmorak::testing {
namespace {

using TFrame = THeadlessWidgetSet::TSplashFrame;

const char* kLines[] = {
    "<IMG src=\"system\"><FONT size=\"16\" color=\"#A45302\">Vérification de système...</FONT><br>",
    "<IMG src=\"package\"><FONT size=\"16\" color=\"#A45302\">Vérification de package...</FONT><br>",
    "<IMG src=\"register\"><FONT size=\"16\" color=\"#A45302\">Vérification de registre...</FONT><br>",
    "<IMG src=\"folders\"><FONT size=\"16\" color=\"#A45302\">Préparation de répertoires...</FONT><br>",
    "<IMG src=\"files\"><FONT size=\"16\" color=\"#A45302\">Préparation de fichiers...</FONT><br>",
};
const char* kStarting = "<FONT size=\"16\" color=\"#A45302\">Démarrage de l'assistant...</FONT>";

TEST_F(WizardTest, SplashSequenceShowsEachStepAtOnceInOrderAndTiming) {
  bool splashGoneBeforeShow = false;
  Application->SetTitle("x");
  Application->CreateForm(Form_Main);
  const auto& frames = Ws->SplashFrames;
  ASSERT_GE(frames.size(), 3u);

  // First paint: the designed splash, shown before FormCreate ran.
  EXPECT_EQ(frames[0].VersionText, "Kolvane Pro 5.6 B1");
  EXPECT_EQ(frames[0].Time, 0u);
  // The next paint already has both the new text and its new place.
  EXPECT_EQ(frames[1].VersionText, "Application: Kolvane Pro 5.6 B1");
  EXPECT_TRUE(frames[1].VersionCustom);
  EXPECT_EQ(frames[1].VersionX, 290);
  // The list rectangle moves; its width stays.
  EXPECT_EQ(
      (std::vector<int>{frames[2].ListLeft, frames[2].ListTop, frames[2].ListWidth, frames[2].ListHeight}),
      (std::vector<int>{150, 260, 500, 50}));

  // Then each line appears complete, and after its wait the progress moves.
  const unsigned waits[] = {1500, 2000, 1000, 1500, 2000};
  std::size_t f = 3;
  std::uint64_t t = 1000;
  for (int row = 0; row < 5; ++row, f += 2) {
    ASSERT_LT(f + 1, frames.size());
    EXPECT_EQ(frames[f].Time, t) << "line " << row;
    ASSERT_EQ(frames[f].Lines.size(), static_cast<std::size_t>(row + 1));
    EXPECT_EQ(frames[f].Lines.back(), kLines[row]);
    EXPECT_EQ(frames[f].Progress, row * 10.0);
    t += waits[row];
    EXPECT_EQ(frames[f + 1].Time, t);
    EXPECT_EQ(frames[f + 1].Progress, (row + 1) * 10.0);
  }
  // The five lines go, the single sixth line comes alone.
  ASSERT_LT(f + 1, frames.size());
  EXPECT_TRUE(frames[f].Lines.empty());
  EXPECT_EQ(frames[f + 1].Lines, std::vector<std::string>{kStarting});
  f += 2;
  // 50, 51, ..., 100, one millisecond apart, and not one step past 100.
  ASSERT_EQ(frames.size() - f, 51u);
  for (int k = 0; k <= 50; ++k, ++f) {
    EXPECT_EQ(frames[f].Progress, 50.0 + k);
    EXPECT_EQ(frames[f].Time, 9000u + k + 1);
  }
  EXPECT_EQ(Form_Main->Splash->Progress(), 100.0);
  EXPECT_EQ(Ws->TickCount(), 9051u);
  std::vector<unsigned> expectedWaits{1000, 1500, 2000, 1000, 1500, 2000};
  expectedWaits.insert(expectedWaits.end(), 51, 1);
  EXPECT_EQ(Ws->Waits, expectedWaits);
  EXPECT_EQ(Form_Main->Splash->FocusForm(), Form_Main);

  // The pages are created after the sequence; showing the main window closes
  // the splash before FormShow runs.
  Application->CreateForm(Form_Welcome);
  Application->CreateForm(Form_Contrat);
  Application->CreateForm(Form_Params);
  Application->CreateForm(Form_Finish);
  auto formShow = Form_Main->OnShow;
  Form_Main->OnShow = [&](TObject* s) {
    splashGoneBeforeShow = !Form_Main->Splash->Visible() && Ws->SplashCloses == 1;
    formShow(s);
  };
  Application->Run();
  EXPECT_TRUE(splashGoneBeforeShow);
  EXPECT_EQ(ShowingPage(), "Welcome");
}

TEST_F(WizardTest, SplashLinesNamePicturesOfTheContainer) {
  Start();
  for (const char* line : kLines) {
    auto runs = ParseHtmlLine(line);
    ASSERT_EQ(runs.size(), 3u) << line;
    EXPECT_EQ(runs[0].Kind, THtmlRun::TKind::Image);
    EXPECT_NE(Form_Main->PictureContainer1->Find(runs[0].Text), nullptr) << runs[0].Text;
    EXPECT_EQ(runs[1].FontSize, 16);
    EXPECT_EQ(runs[1].Color, RGBToColor(0xA4, 0x53, 0x02));
    EXPECT_EQ(runs[2].Kind, THtmlRun::TKind::Break);
  }
  auto runs = ParseHtmlLine(kStarting);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].Text, "Démarrage de l'assistant...");
}

TEST_F(WizardTest, PlacementCentresWithHalvesToEvenAndKeepsNegativeEdges) {
  struct Case {
    int screenW, screenH, left, top;
  } cases[] = {
      {1024, 768, 112, 144},                      // the common screen
      {1025, 769, 112, 144},                      // 512.5 -> 512, 384.5 -> 384
      {1027, 771, 114, 146},                      // 513.5 -> 514, 385.5 -> 386
      {800, 600, 0, 60},     {640, 480, -80, 0},  // narrower than 800: applied as computed
      {639, 479, -80, 0},                         // 319.5 -> 320, 239.5 -> 240
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Ws->ScreenW = c.screenW, Ws->ScreenH = c.screenH;
    Start();
    EXPECT_EQ(Form_Main->Left(), c.left) << c.screenW;
    EXPECT_EQ(Form_Main->Top(), c.top) << c.screenH;
  }
}

TEST_F(WizardTest, MainWindowAsDesigned) {
  Start();
  EXPECT_EQ(Application->Title(), "Software VELMORAK Installer");
  EXPECT_EQ(Application->MainForm(), Form_Main);
  EXPECT_EQ(Form_Main->Caption(), "Software VELMORAK Installer v  3.6");
  EXPECT_EQ(Form_Main->ClientWidth(), 784);
  EXPECT_EQ(Form_Main->ClientHeight(), 442);
  EXPECT_EQ(Form_Main->Btn_Next->BoundsRect(), (TRect{544, 410, 641, 438}));
  EXPECT_EQ(Form_Main->Btn_Previous->BoundsRect(), (TRect{440, 410, 537, 438}));
  EXPECT_EQ(Form_Main->Btn_Quit->BoundsRect(), (TRect{678, 410, 775, 438}));
  EXPECT_EQ(Form_Main->Btn_Next->Hint(), "Etape suivante");
  EXPECT_EQ(Form_Main->Btn_Previous->Hint(), "Etape précédente");
  EXPECT_EQ(Form_Main->Btn_Quit->Hint(), "Quitter l'assistant d'installation");
  EXPECT_EQ(Application->SkinName, "Black");
  EXPECT_TRUE(Application->HintsAsBalloons);
  // The page fills the work area, which is where every page is parented.
  EXPECT_EQ(Form_Welcome->Parent(), Form_Main->Panel_Work_Area);
  EXPECT_EQ(Form_Welcome->BoundsRect(), (TRect{0, 0, 633, 401}));
}

// What the three buttons look like in a state, as one comparable value.
struct ButtonState {
  bool nextVisible, nextEnabled;
  std::string nextCaption, nextGlyph;
  bool previousVisible, previousEnabled;
  std::string quitCaption;
  bool operator==(const ButtonState&) const = default;
};
std::ostream& operator<<(std::ostream& os, const ButtonState& b) {
  return os << "next " << b.nextVisible << b.nextEnabled << " " << b.nextCaption << " " << b.nextGlyph
            << " previous " << b.previousVisible << b.previousEnabled << " quit " << b.quitCaption;
}
ButtonState Buttons() {
  return {Form_Main->Btn_Next->Visible(),     Form_Main->Btn_Next->Enabled(),
          Form_Main->Btn_Next->Caption(),     Form_Main->Btn_Next->Glyph().Resource(),
          Form_Main->Btn_Previous->Visible(), Form_Main->Btn_Previous->Enabled(),
          Form_Main->Btn_Quit->Caption()};
}
const ButtonState kWelcome{true, true, "&Suivant", "ARROW_RIGHT16", true, false, "&Quitter"};
const ButtonState kAgreement{true, true, "&Suivant", "ARROW_RIGHT16", true, true, "&Quitter"};
const ButtonState kParams{true, false, "&Installer", "CHECK16", true, true, "&Quitter"};

TEST_F(WizardTest, NavigationMovesThroughThePagesWithTheirButtonStates) {
  Start();
  struct Step {
    const char* move;  // "next", "previous" or "" (the start)
    const char* page;
    ButtonState buttons;
  } steps[] = {
      {"", "Welcome", kWelcome},
      {"previous", "Welcome", kWelcome},  // a disabled button does nothing
      {"next", "Agreement", kAgreement},
      {"previous", "Welcome", kWelcome},
      {"next", "Agreement", kAgreement},
      {"next", "Params", kParams},
      {"next", "Params", kParams},  // starts the installation; no move by itself
      {"previous", "Agreement", kAgreement},
      {"next", "Params", kParams},
      {"previous", "Agreement", kAgreement},
      {"previous", "Welcome", kWelcome},
  };
  for (const Step& s : steps) {
    if (std::string(s.move) == "next") Next();
    if (std::string(s.move) == "previous") Previous();
    EXPECT_EQ(ShowingPage(), s.page) << "after " << s.move;
    EXPECT_EQ(Buttons(), s.buttons) << "after " << s.move << " to " << s.page;
  }
  EXPECT_TRUE(Dlg.Shown().empty());
}

TEST_F(WizardTest, EveryMoveOpensAFreshPageAndNothingTypedSurvivesGoingBack) {
  Start();
  Next();
  Next();
  TForm_Params* first = Form_Params;
  FillRequired();
  Form_Params->Edit_Fax->TypeText("021 00 00 00");
  ASSERT_TRUE(Form_Main->Btn_Next->Enabled());
  Previous();
  EXPECT_FALSE(first->Showing());
  EXPECT_EQ(Buttons(), kAgreement);  // whatever the left page's checks said
  Next();
  ASSERT_NE(Form_Params, first);
  EXPECT_FALSE(first->Showing());
  for (TEdit* e : {Form_Params->Edit_Societe, Form_Params->Edit_Activite, Form_Params->Edit_Adresse,
                   Form_Params->Edit_Tel, Form_Params->Edit_Fax}) {
    EXPECT_EQ(e->Text(), "") << e->Name();
  }
  for (TEdit* e : {Form_Params->Edit_Societe, Form_Params->Edit_Activite, Form_Params->Edit_Adresse,
                   Form_Params->Edit_Tel})
    EXPECT_EQ(e->Color(), TForm_Params::EmptyColor) << e->Name();
  EXPECT_EQ(Form_Params->Combo_Path->Text(), "");
  EXPECT_EQ(Form_Params->PBar->Position(), 0);
  EXPECT_EQ(Buttons(), kParams);

  // Many moves: one page showing, the others hidden but still owned.
  for (int i = 0; i < 20; ++i) i % 2 ? Next() : Previous();
  EXPECT_EQ(ShowingPage(), "Params");
  int pages = 0, showing = 0;
  for (int i = 0; i < Application->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TPageForm*>(Application->Components(i))) ++pages, showing += f->Showing();
  EXPECT_EQ(showing, 1);
  EXPECT_GT(pages, 20);
}

TEST_F(WizardTest, QuitQuestionFromEveryPageAndTheCloseBox) {
  struct Case {
    int nexts;  // how far to go first
    bool closeBox;
    const char* page;
  } cases[] = {{0, false, "Welcome"}, {1, false, "Agreement"}, {2, false, "Params"},
               {0, true, "Welcome"},  {1, true, "Agreement"},  {2, true, "Params"}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Start();
    for (int i = 0; i < c.nexts; ++i) Next();
    if (c.nexts == 2) Form_Params->Edit_Societe->TypeText("Atlas");
    const ButtonState before = Buttons();
    TForm* page = Form_Welcome->Showing()   ? static_cast<TForm*>(Form_Welcome)
                  : Form_Contrat->Showing() ? static_cast<TForm*>(Form_Contrat)
                                            : static_cast<TForm*>(Form_Params);
    auto close = [&] { c.closeBox ? Form_Main->Close() : Form_Main->Btn_Quit->Click(); };

    Dlg.AnswerMessage(mrNo);
    close();
    ASSERT_EQ(Dlg.Shown().size(), 1u);
    EXPECT_EQ(Dlg.Shown()[0].Caption, "Confirmation");
    EXPECT_EQ(Dlg.Shown()[0].Text, "Etes vous sur de vouloir quitter l'assistant d'installation ?");
    EXPECT_EQ(Dlg.Shown()[0].DlgType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(Dlg.Shown()[0].Buttons, static_cast<TMsgDlgButtons>(mbYes | mbNo));
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(Form_Main->Showing());
    EXPECT_EQ(ShowingPage(), c.page);
    EXPECT_TRUE(page->Showing());
    EXPECT_EQ(Buttons(), before);
    if (c.nexts == 2) {
      EXPECT_EQ(Form_Params->Edit_Societe->Text(), "Atlas");
    }

    close();  // no answer scripted: the box is dismissed, which is a No
    EXPECT_FALSE(Application->Terminated());

    Dlg.AnswerMessage(mrYes);
    close();
    EXPECT_EQ(Dlg.Shown().size(), 3u);
    EXPECT_TRUE(Application->Terminated()) << c.page << (c.closeBox ? " close box" : " Btn_Quit");
  }
}

TEST_F(WizardTest, AgreementAndWelcomeTexts) {
  Start();
  EXPECT_EQ(Form_Welcome->Label_Title->Caption(),
            "Bienvenu dans l'assistant d'installation de Software VELMORAK");
  Next();
  const auto& lines = Form_Contrat->Memo_Contrat->Lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Contrat d'utilisation des produits de Software VELMORAK pour utilisateur finale.");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2],
            "Vous pouvez consulter la version en ligne sur notre site web. Vous allez trouver la dernière ");
  EXPECT_EQ(lines[3], "mise à jour de contrat d'utilisation.");
  EXPECT_EQ(lines[4], "Merci de votre compréhension et merci de visiter notre site web.");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[6], "http://www.velmorak.example/");
  EXPECT_TRUE(Form_Contrat->Memo_Contrat->ReadOnly);
}

TEST_F(WizardTest, FinishPageOpensTheWebSiteOnceAndLinksOpenTheirText) {
  Start();
  OpenPage(Form_Finish);
  EXPECT_EQ(Ws->Opened, std::vector<std::string>{"http://www.velmorak.example/"});
  Form_Finish->Link_EMail->Click();
  Form_Finish->Value_Sales->Click();  // not a link: opens nothing
  EXPECT_EQ(Ws->Opened,
            (std::vector<std::string>{"http://www.velmorak.example/", "mailto:contact@velmorak.example"}));
  EXPECT_EQ(Form_Finish->Image_Banner->Top(), -83);
}

}  // namespace
}  // namespace velmorak::testing

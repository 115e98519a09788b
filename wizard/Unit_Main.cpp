// Unit_Main: the main window, its splash sequence, placement, navigation and
// closing.
#include "wizard/Unit_Main.h"

#include "installation/Params.h"
#include "resources/Pictures.h"
#include "wizard/Contrat.h"
#include "wizard/Finish.h"
#include "wizard/Welcome.h"

namespace velmorak {

TForm_Main* Form_Main = nullptr;

namespace {

TSkinButton* MakeButton(TForm_Main* form, const char* name, int left, const char* caption, const char* hint,
                        const TPicture& glyph, TGlyphPosition position, int tabOrder) {
  auto* b = new TSkinButton(form);
  b->SetName(name);
  b->SetParent(form);
  b->SetBounds(left, 410, 97, 28);
  b->SetCaption(caption);
  b->SetHint(hint);
  b->SetShowHint(true);
  b->SetGlyph(glyph);
  b->GlyphPosition = position;
  b->SetTabOrder(tabOrder);
  return b;
}

TImage* MakeImage(TForm_Main* form, const char* name, int left, int top, const TPicture& picture) {
  auto* i = new TImage(form);
  i->SetName(name);
  i->SetParent(form);
  i->SetBounds(left, top, picture.Width(), picture.Height());
  i->SetPicture(picture);
  return i;
}

// The splash's HTML lines, with the wait before each one's progress value.
struct TSplashStep {
  const char* Html;
  unsigned Wait;
  int Progress;
};
constexpr TSplashStep kSplashSteps[] = {
    {"<IMG src=\"system\"><FONT size=\"16\" color=\"#A45302\">Vérification de système...</FONT><br>", 1500,
     10},
    {"<IMG src=\"package\"><FONT size=\"16\" color=\"#A45302\">Vérification de package...</FONT><br>", 2000,
     20},
    {"<IMG src=\"register\"><FONT size=\"16\" color=\"#A45302\">Vérification de registre...</FONT><br>", 1000,
     30},
    {"<IMG src=\"folders\"><FONT size=\"16\" color=\"#A45302\">Préparation de répertoires...</FONT><br>",
     1500, 40},
    {"<IMG src=\"files\"><FONT size=\"16\" color=\"#A45302\">Préparation de fichiers...</FONT><br>", 2000,
     50},
};
constexpr const char* kStartingLine =
    "<FONT size=\"16\" color=\"#A45302\">Démarrage de l'assistant...</FONT>";

}  // namespace

TForm_Main::TForm_Main(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form_Main");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetCaption("Software VELMORAK Installer v  3.6");
  SetClientSize(784, 442);
  SetColor(clBtnFace);
  SetFont(TFont::Make("MS Sans Serif", TFont::PointsToPixels(8)));

  Image1 = MakeImage(this, "Image1", 0, 0, pictures::Banner());
  Img1 = MakeImage(this, "Img1", 8, 408, pictures::ArrowRight16());
  Img1->Hide();
  Img2 = MakeImage(this, "Img2", 32, 408, pictures::Check16());
  Img2->Hide();

  Panel_Work_Area = new TPanel(this);
  Panel_Work_Area->SetName("Panel_Work_Area");
  Panel_Work_Area->SetParent(this);
  Panel_Work_Area->SetBounds(152, 0, 633, 401);
  Panel_Work_Area->BorderSides = false;
  Panel_Work_Area->SetColor(clWhite);
  Panel_Work_Area->SetTabOrder(3);

  Btn_Next = MakeButton(this, "Btn_Next", 544, "&Suivant", "Etape suivante", pictures::ArrowRight16(),
                        TGlyphPosition::gpRight, 0);
  Btn_Next->OnClick = [this](TObject* s) { Btn_NextClick(s); };
  Btn_Previous = MakeButton(this, "Btn_Previous", 440, "&Précédent", "Etape précédente",
                            pictures::ArrowLeft16(), TGlyphPosition::gpLeft, 1);
  Btn_Previous->SetEnabled(false);
  Btn_Previous->OnClick = [this](TObject* s) { Btn_PreviousClick(s); };
  Btn_Quit = MakeButton(this, "Btn_Quit", 678, "&Quitter", "Quitter l'assistant d'installation",
                        pictures::Cross16(), TGlyphPosition::gpLeft, 2);
  Btn_Quit->OnClick = [this](TObject* s) { Btn_QuitClick(s); };

  SkinController1 = new TSkinController(this);
  SkinController1->SetName("SkinController1");
  SkinController1->SetSkinName("Black");

  Splash = new TSplash(this);
  Splash->SetName("Splash");
  Splash->Width = 601;
  Splash->Height = 371;
  Splash->Background = pictures::SplashBackground();
  Splash->Opacity = 249;
  Splash->AntiAlias = true;
  Splash->Fade = true;
  Splash->StayOnTop = true;
  Splash->CloseOnMainFormShow = true;
  Splash->AppName = {
      "Software VELMORAK Installer 3.6", TFont::Make("Tahoma", 24, true), TSplashLocation::plCustom, 20, 10,
      RGBToColor(0x85, 0xC9, 0xF1),      RGBToColor(0xFB, 0xFE, 0xFF)};
  Splash->AppVersion = {"Kolvane Pro 5.6 B1",
                        TFont::Make("Tahoma", 16, true),
                        TSplashLocation::plCustom,
                        418,
                        80,
                        clYellow,
                        RGBToColor(0xE8, 0xF4, 0xF4)};
  Splash->ProgressBar.Visible = true;
  Splash->ProgressBar.Left = 140;
  Splash->ProgressBar.Top = 300;
  Splash->ProgressBar.Height = 20;
  Splash->ProgressBar.Width = 300;
  Splash->ProgressBar.Min = 0;
  Splash->ProgressBar.Max = 100;
  Splash->ProgressBar.Step = 10;
  Splash->ProgressBar.Position = 0;
  Splash->ProgressBar.ShowValue = false;
  Splash->ProgressBar.FillFrom = RGBToColor(0x00, 0xD5, 0x80);
  Splash->ProgressBar.FillTo = RGBToColor(0x01, 0x7A, 0x96);
  Splash->ProgressBar.BorderColor = clGray;
  Splash->ListRect = {75, 125, 75 + 500, 125 + 250};
  Splash->ListFont = TFont::Make("Tahoma", TFont::PointsToPixels(8));

  PictureContainer1 = new TPictureContainer(this);
  PictureContainer1->SetName("PictureContainer1");
  for (const char* name : {"system", "package", "register", "folders", "files", "start"})
    PictureContainer1->Add(name, pictures::SplashPicture(name));
  Splash->Pictures = PictureContainer1;

  BalloonHints1 = new TBalloonHints(this);
  BalloonHints1->SetName("BalloonHints1");
  BalloonHints1->SetFont(TFont::Make("Tahoma", TFont::PointsToPixels(8)));
  BalloonHints1->SetFrameColor(cl3DDkShadow);

  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnCreate = [this](TObject* s) { FormCreate(s); };

  // The components are loaded: the splash appears before FormCreate runs.
  Splash->Loaded();
  DoCreate();
}

void TForm_Main::SetSplashProgress(int Value) {
  Splash->SetProgress(static_cast<double>(Value));
}

void TForm_Main::FormCreate(TObject* Sender) {
  TWidgetSet& ws = WidgetSet();
  Splash->Show();

  Splash->BeginUpdate();
  Splash->SetVersionText("Application: " + Splash->AppVersion.Text);
  Splash->SetVersionCustomX(290);
  Splash->EndUpdate();

  Splash->SetListRect(150, 260, Splash->ListRect.Width(), 50);
  ws.Sleep(1000);

  for (const TSplashStep& step : kSplashSteps) {
    TSplashItem* item = Splash->AddItem();
    item->BeginUpdate();
    item->SetHTMLText(step.Html);
    item->EndUpdate();
    ws.Sleep(step.Wait);
    SetSplashProgress(step.Progress);
  }

  Splash->ClearItems();
  TSplashItem* item = Splash->AddItem();
  item->BeginUpdate();
  item->SetHTMLText(kStartingLine);
  item->EndUpdate();

  int counter = 50;
  while (Splash->Progress() < 100.0) {
    ws.Sleep(1);
    SetSplashProgress(counter);
    ++counter;
  }

  Splash->FocusFormOnLoop(this);
}

void TForm_Main::FormShow(TObject* Sender) {
  // The class library rounds halves to even: a 1025-pixel screen gives 512.
  SetBounds(Round(TScreen::Width() / 2.0) - 400, Round(TScreen::Height() / 2.0) - 240, Width(), Height());
  OpenPage(Form_Welcome);
}

void TForm_Main::FormCloseQuery(TObject* Sender, bool& CanClose) {
  CanClose = Application->MessageDlg(QuitQuestion, TMsgDlgType::mtConfirmation, mbYes | mbNo) == mrYes;
}

void TForm_Main::Btn_QuitClick(TObject* Sender) {
  Close();
}

void TForm_Main::Btn_NextClick(TObject* Sender) {
  if (Form_Welcome && Form_Welcome->Showing()) {
    Form_Welcome->Close();
    OpenPage(Form_Contrat);
    Btn_Previous->SetEnabled(true);
  } else if (Form_Contrat && Form_Contrat->Showing()) {
    Form_Contrat->Close();
    OpenPage(Form_Params);
    Btn_Next->SetCaption("&Installer");
    Btn_Next->SetGlyph(Img2->Picture());
    Btn_Next->SetEnabled(false);
  } else if (Form_Params && Form_Params->Showing()) {
    Form_Params->Btn_InstallClick(nullptr);
  }
}

void TForm_Main::Btn_PreviousClick(TObject* Sender) {
  if (Form_Contrat && Form_Contrat->Showing()) {
    Form_Contrat->Close();
    OpenPage(Form_Welcome);
    Btn_Previous->SetEnabled(false);
  }
  if (Form_Params && Form_Params->Showing()) {
    Form_Params->Close();
    OpenPage(Form_Contrat);
    Btn_Next->SetCaption("&Suivant");
    Btn_Next->SetGlyph(Img1->Picture());
    Btn_Next->SetEnabled(true);
  }
}

}  // namespace velmorak

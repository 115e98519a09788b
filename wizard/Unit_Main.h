// Unit_Main: the wizard's main window. It stays on screen for the whole run:
// the banner down the left, the work area where every page is shown, and the
// three navigation buttons. Its creation runs the timed splash sequence; its
// first showing places it and opens the welcome page; every close asks the
// quit question.
//
// Pages (the page whose instance is showing) and what the buttons do:
//
//   Welcome --Next--> Agreement --Next--> Company details --Next--> installation
//      ^                 |  ^                   |                (Btn_InstallClick)
//      +-----Previous----+  +------Previous-----+
//
// Each move closes (hides) the showing page and opens a fresh instance of the
// next one, so nothing typed on a page survives leaving it.
#pragma once

#include <string>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Splash.h"
#include "platform/forms/StdCtrls.h"

namespace velmorak {

class TForm_Main : public TForm {
 public:
  explicit TForm_Main(TComponent* AOwner);
  const char* ClassName() const override { return "TForm_Main"; }

  TImage* Image1;
  TImage* Img1;
  TImage* Img2;
  TPanel* Panel_Work_Area;
  TSkinButton* Btn_Next;
  TSkinButton* Btn_Previous;
  TSkinButton* Btn_Quit;
  TSkinController* SkinController1;
  TSplash* Splash;
  TPictureContainer* PictureContainer1;
  TBalloonHints* BalloonHints1;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void Btn_NextClick(TObject* Sender);
  void Btn_PreviousClick(TObject* Sender);
  void Btn_QuitClick(TObject* Sender);
  void SetSplashProgress(int Value);

  // The question every close asks.
  static constexpr const char* QuitQuestion = "Etes vous sur de vouloir quitter l'assistant d'installation ?";
};

extern TForm_Main* Form_Main;

// Opens a page: a new instance owned by the application, stored in its
// global reference, shown filling the main window's work area.
template <class TPage>
void OpenPage(TPage*& Reference) {
  Reference = new TPage(Application);
  Reference->SetParent(Form_Main->Panel_Work_Area);
  Reference->SetAlign(TAlign::alClient);
  Reference->Show();
}

}  // namespace velmorak

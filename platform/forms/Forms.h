// Forms: TForm, the application object and the screen. A form is either a
// top-level window (the main window) or a page shown as a child filling a
// panel of another form. The application owns the forms it creates, runs the
// event loop until the main form closes, shows message and confirmation
// boxes, and is the default handler of exceptions escaping an event handler:
// it shows the exception's message in an error box and carries on.
//
// Closing a form:  Close -> OnCloseQuery(CanClose) -> refused: nothing changes
//                                                  -> allowed: hidden; the main
//                                                     form's close terminates
//                                                     the application.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

namespace velmorak {

enum class TFormBorderStyle { bsNone, bsSingle, bsDialog };
enum class TWindowState { wsNormal, wsMaximized };

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value) { FBorderStyle = Value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value) { FWindowState = Value; }

  // The client area; a top-level form's outer size adds the frame, which
  // only the backend knows. Left and Top place the outer window.
  int ClientWidth() const override { return FClientWidth; }
  int ClientHeight() const override { return FClientHeight; }
  void SetClientSize(int AWidth, int AHeight);

  // Shows the form: its splash (if any) closes first, then OnShow runs.
  void SetVisible(bool Value) override;
  bool Showing() const override;
  // Asks OnCloseQuery, then hides the form; closing the main form ends the run.
  void Close();
  bool CloseQuery();

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  // Moves the focus to the next (or previous) focusable control in tab order.
  void SelectNext(TWinControl* Current, bool GoForward);
  // Every focusable control of the form in tab order (nested by parent).
  std::vector<TWinControl*> TabList();
  void ControlRemoved(TControl* Control);

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;

 protected:
  // Derived forms call this at the end of their constructor, once their
  // components exist: it fires OnCreate.
  void DoCreate();

 private:
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSingle;
  TWindowState FWindowState = TWindowState::wsNormal;
  int FClientWidth = 0, FClientHeight = 0;
  TWinControl* FActiveControl = nullptr;
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  void Initialize() {}
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  // Creates a form owned by the application and stores it in Reference; the
  // first form created becomes the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!FMainForm) FMainForm = Reference;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the event loop until Terminate.
  void Run();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  void ProcessMessages();

  // A message box with the application title as caption (flags: the dialog
  // type and buttons). Returns the modal result.
  int MessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
  int MessageBox(const std::string& Text, const std::string& Caption, TMsgDlgType Type,
                 TMsgDlgButtons Buttons);
  // The default exception handler: shows the message in an error box.
  void ShowException(const std::exception& E);
  // Runs an event handler, sending what it throws to ShowException; the
  // backend calls every handler through this.
  void Dispatch(const std::function<void()>& Handler);

  // Skin and hint settings for the whole application (set by the skin
  // controller and the balloon-hint component).
  std::string SkinName;
  bool HintsAsBalloons = false;
  TFont HintFont = TFont::Make("Tahoma", 11);
  TColor HintFrameColor = cl3DDkShadow;

 private:
  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
};

// The global application object, as the class library has it. Created by
// CreateApplication (the program entry, or a test's fixture) and freed with
// every form it owns by DestroyApplication.
extern TApplication* Application;
TApplication* CreateApplication();
void DestroyApplication();

struct TScreen {
  static int Width() { return WidgetSet().ScreenWidth(); }
  static int Height() { return WidgetSet().ScreenHeight(); }
};

// The class library's rounding: halves go to the even neighbour.
int Round(double Value);

}  // namespace velmorak

// Dialogs: the standard modal dialogs of the class library — the message
// dialog with a chosen set of buttons, the one-line input query and the
// database login prompt — as a service with interchangeable backends. The program picks the backend once
// at start-up (SetDialogBackend): real windows in Install.exe
// (platform/forms/win32/Win32Dialogs.h), a scripted responder in tests and
// console tools (platform/forms/headless/HeadlessDialogs.h). With no backend
// set, a headless one that answers Cancel to everything is used, so code
// that asks the user never blocks a program without a screen.
//
// Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/WidgetSet.h"

namespace velmorak {

// TMsgDlgType, the button set TMsgDlgButtons (TMsgDlgBtn bits ORed
// together) and the modal results are the widget set's (WidgetSet.h).

// The modal result of each button.
TModalResult ModalResultOf(TMsgDlgBtn button);
// The caption a message dialog of this type carries, in the installer's
// language: "Avertissement", "Erreur", "Information", "Confirmation", or the
// application title for mtCustom.
std::string MsgDlgCaption(TMsgDlgType type);

// What a backend implements. Both calls are modal: they return once the user
// has answered.
class TDialogBackend {
 public:
  virtual ~TDialogBackend() = default;
  virtual int MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                         TMsgDlgButtons Buttons) = 0;
  // Shows Prompt and an edit box holding Value; OK stores the edit's text
  // into Value and returns true, Cancel leaves Value and returns false.
  virtual bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) = 0;
  // The database login prompt (the form TZvDBLoginForm, caption "Database
  // Login"): shows DatabaseName read-only and an empty masked password edit.
  // OK stores the typed text into Password and returns true; Cancel (or the
  // close box) returns false and leaves Password alone.
  virtual bool DatabaseLogin(const std::string& DatabaseName, std::string& Password) = 0;
};

// Installs the backend (not owned; it must outlive its use). nullptr returns
// to the default headless one.
void SetDialogBackend(TDialogBackend* Backend);
TDialogBackend& DialogBackend();

// The calls the rest of the program makes.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);

// The login prompt as the database engine's login hook wants it: a program
// installs it at start-up with SetZvLoginHook(ZvDBLoginDialog) and the
// engine then asks through whichever backend is chosen (Install.exe: the real
// box; tests: the scripted responder). True with Password filled is OK,
// false is Cancel. The copies of the password the dialog made are wiped.
bool ZvDBLoginDialog(const std::string& FileName, std::string& Password);

}  // namespace velmorak

// Dialogs: the standard modal dialogs of the class library — the message
// dialog with a chosen set of buttons and the one-line input query — as a
// service with interchangeable backends. The program picks the backend once
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
// The caption a message dialog of this type carries: "Warning", "Error",
// "Information", "Confirm", or the application title for mtCustom.
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
};

// Installs the backend (not owned; it must outlive its use). nullptr returns
// to the default headless one.
void SetDialogBackend(TDialogBackend* Backend);
TDialogBackend& DialogBackend();

// The calls the rest of the program makes.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);

}  // namespace velmorak

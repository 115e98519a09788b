// Win32Dialogs: the dialog backend with real windows. Message dialogs and
// the input query are modal dialog boxes built from in-memory templates, so
// any set of buttons can be offered (the system message box has no "No to
// All" or "Yes to All"); the dialog manager keeps the message loop running
// while they are up.
#pragma once

#include "platform/forms/Dialogs.h"

namespace velmorak {

class TWin32Dialogs : public TDialogBackend {
 public:
  int MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                 TMsgDlgButtons Buttons) override;
  bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) override;
};

}  // namespace velmorak

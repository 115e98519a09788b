// Win32Dialogs: the dialog backend with real windows: the system message box
// where it has the buttons asked for, and otherwise (the archive's "No to
// All" and "Yes to All", the input query, the database login) modal dialog
// boxes built from in-memory templates. The dialog manager keeps the message
// loop running while they are up. The Win32 widget set makes this backend
// the one in use while it lives.
#pragma once

#include "platform/forms/Dialogs.h"

namespace velmorak {

class TWin32Dialogs : public TDialogBackend {
 public:
  int MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                 TMsgDlgButtons Buttons) override;
  bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) override;
  bool DatabaseLogin(const std::string& DatabaseName, std::string& Password) override;
};

}  // namespace velmorak

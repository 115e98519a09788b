// Dialogs: the service's entry points and the choice of backend.
#include "platform/forms/Dialogs.h"

#include "platform/classes/SysUtils.h"
#include "platform/forms/Forms.h"
#include "platform/forms/headless/HeadlessDialogs.h"

namespace velmorak {

namespace {
TDialogBackend* gBackend = nullptr;

TDialogBackend& DefaultBackend() {
  static THeadlessDialogs fallback;
  return fallback;
}
}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return mrYes;
    case mbNo:
      return mrNo;
    case mbOK:
      return mrOk;
    case mbCancel:
      return mrCancel;
    case mbAbort:
      return mrAbort;
    case mbRetry:
      return mrRetry;
    case mbIgnore:
      return mrIgnore;
    case mbAll:
      return mrAll;
    case mbNoToAll:
      return mrNoToAll;
    case mbYesToAll:
      return mrYesToAll;
    case mbHelp:
      return mrNone;
  }
  return mrNone;
}

std::string MsgDlgCaption(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return "Avertissement";
    case TMsgDlgType::mtError:
      return "Erreur";
    case TMsgDlgType::mtInformation:
      return "Information";
    case TMsgDlgType::mtConfirmation:
      return "Confirmation";
    case TMsgDlgType::mtCustom:
      return Application ? Application->Title() : std::string();
  }
  return {};
}

void SetDialogBackend(TDialogBackend* Backend) {
  gBackend = Backend;
}

TDialogBackend& DialogBackend() {
  return gBackend ? *gBackend : DefaultBackend();
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  return DialogBackend().MessageDlg(MsgDlgCaption(DlgType), Msg, DlgType, Buttons);
}

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  return DialogBackend().InputQuery(Caption, Prompt, Value);
}

bool ZvDBLoginDialog(const std::string& FileName, std::string& Password) {
  std::string typed;
  const bool ok = DialogBackend().DatabaseLogin(FileName, typed);
  if (ok) Password = typed;
  if (!typed.empty()) SecureZero(typed.data(), typed.size());
  return ok;
}

}  // namespace velmorak

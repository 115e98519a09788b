// HeadlessDialogs: record, then answer from the script.
#include "platform/forms/headless/HeadlessDialogs.h"

namespace velmorak {

int THeadlessDialogs::MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                                 TMsgDlgButtons Buttons) {
  FShown.push_back({TKind::dkMessage, Caption, Msg, DlgType, Buttons, {}});
  if (FAnswers.empty()) return mrCancel;
  const int result = FAnswers.front().Result;
  FAnswers.pop_front();
  return result;
}

bool THeadlessDialogs::InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  FShown.push_back({TKind::dkInput, Caption, Prompt, TMsgDlgType::mtCustom, 0, Value});
  if (FAnswers.empty()) return false;
  TAnswer answer = FAnswers.front();
  FAnswers.pop_front();
  if (answer.Ok) Value = answer.Text;
  return answer.Ok;
}

bool THeadlessDialogs::DatabaseLogin(const std::string& DatabaseName, std::string& Password) {
  FShown.push_back(
      {TKind::dkLogin, "Database Login", DatabaseName, TMsgDlgType::mtCustom, mbOK | mbCancel, {}});
  if (FAnswers.empty()) return false;
  TAnswer answer = FAnswers.front();
  FAnswers.pop_front();
  if (answer.Ok) Password = answer.Text;
  return answer.Ok;
}

}  // namespace velmorak

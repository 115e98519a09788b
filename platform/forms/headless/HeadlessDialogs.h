// HeadlessDialogs: the dialog backend without a screen. Every dialog asked
// for is recorded (kind, caption, text, buttons, the value an input box
// showed) so a test can read exactly what the user would have seen, and is
// answered from a script of answers queued in advance. When the script is
// empty a message dialog answers mrCancel and an input query or a login is
// cancelled, as if the user had closed the window.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/forms/Dialogs.h"

namespace velmorak {

class THeadlessDialogs : public TDialogBackend {
 public:
  enum class TKind { dkMessage, dkInput, dkLogin };

  struct TShown {
    TKind Kind;
    std::string Caption;
    std::string Text;  // the message, the input box's prompt, or the login's file name
    TMsgDlgType DlgType = TMsgDlgType::mtCustom;
    TMsgDlgButtons Buttons = 0;
    std::string Value;  // input box: the text it was opened with
  };

  // Queues the answer to the next message dialog: a modal result.
  void AnswerMessage(int ModalResult) { FAnswers.push_back({ModalResult, true, {}}); }
  // Queues the answer to the next input query: OK with Text, or Cancel.
  void AnswerInput(const std::string& Text) { FAnswers.push_back({mrOk, true, Text}); }
  void CancelInput() { FAnswers.push_back({mrCancel, false, {}}); }
  // Queues the answer to the next login prompt: OK with Password, or Cancel.
  void AnswerLogin(const std::string& Password) { AnswerInput(Password); }
  void CancelLogin() { CancelInput(); }

  const std::vector<TShown>& Shown() const { return FShown; }
  std::size_t PendingAnswers() const { return FAnswers.size(); }
  void Reset() { FShown.clear(), FAnswers.clear(); }

  int MessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType,
                 TMsgDlgButtons Buttons) override;
  bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) override;
  bool DatabaseLogin(const std::string& DatabaseName, std::string& Password) override;

 private:
  struct TAnswer {
    int Result;
    bool Ok;
    std::string Text;
  };
  std::deque<TAnswer> FAnswers;
  std::vector<TShown> FShown;
};

}  // namespace velmorak

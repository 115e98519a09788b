// ZAExcept: EZAException, the one exception of the archive reader. It carries
// the raising site's NativeError and the message index (ErrorCode) the code
// table gives for it, and its text is laid out once, here:
//
//   [<component name>: ]<message, filled with its arguments> - Native error: 000NN
//
// The component's name is put in front only when a component is attached and
// its name is not empty.
#pragma once

#include <string>
#include <vector>

#include "platform/classes/Classes.h"

namespace velmorak {

class EZAException : public Exception {
 public:
  // One format argument: a text for "%s" or a number for "%d".
  struct TArg {
    TArg(const std::string& s) : IsText(true), Text(s) {}
    TArg(const char* s) : IsText(true), Text(s) {}
    TArg(long long v) : IsText(false), Number(v) {}
    TArg(int v) : IsText(false), Number(v) {}
    bool IsText;
    std::string Text;
    long long Number = 0;
  };

  // Plain: the message text as the table holds it.
  EZAException(int ANativeError, const TComponent* AComponent);
  // With format arguments for the text's placeholders.
  EZAException(int ANativeError, const TComponent* AComponent, const std::vector<TArg>& Args);

  int ErrorCode() const { return FErrorCode; }
  int NativeError() const { return FNativeError; }

  // Fills the "%s" and "%d" placeholders of text with Args, in order.
  static std::string FillText(const char* text, const std::vector<TArg>& Args);
  // The text for a native error, as the constructors lay it out.
  static std::string FormatMessage(int ANativeError, const TComponent* AComponent,
                                   const std::vector<TArg>& Args);

 private:
  int FErrorCode;
  int FNativeError;
};

}  // namespace velmorak

// ZAExcept: the message layout of EZAException.
#include "archive/ZAExcept.h"

#include "archive/ZAConst.h"

namespace velmorak {

// "%%" is a percent sign; placeholders beyond Args stay empty.
std::string EZAException::FillText(const char* text, const std::vector<TArg>& args) {
  std::string out;
  std::size_t next = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == '%' && (p[1] == 's' || p[1] == 'd')) {
      if (next < args.size()) {
        const TArg& a = args[next++];
        out += a.IsText ? a.Text : std::to_string(a.Number);
      }
      ++p;
    } else if (*p == '%' && p[1] == '%') {
      out += '%';
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string EZAException::FormatMessage(int ANativeError, const TComponent* AComponent,
                                        const std::vector<TArg>& Args) {
  const int code = ZAErrorCodeOf(ANativeError);
  std::string text = Args.empty() ? std::string(ZAMessage(code)) : FillText(ZAMessage(code), Args);
  if (AComponent && !AComponent->Name().empty()) text = AComponent->Name() + ": " + text;
  std::string number = Format("%5d", ANativeError);
  for (char& c : number)
    if (c == ' ') c = '0';
  return text + " - Native error: " + number;
}

EZAException::EZAException(int ANativeError, const TComponent* AComponent)
    : EZAException(ANativeError, AComponent, {}) {}

EZAException::EZAException(int ANativeError, const TComponent* AComponent, const std::vector<TArg>& Args)
    : Exception(FormatMessage(ANativeError, AComponent, Args)),
      FErrorCode(ZAErrorCodeOf(ANativeError)),
      FNativeError(ANativeError) {}

}  // namespace velmorak

// DBError: the class library's database error, raised by the storage engine
// and by the dataset layer above it, plus the framework's own texts that both
// use. A component that raises prefixes its name (see ComponentErrorText).
#pragma once

#include <string>

#include "platform/classes/SysUtils.h"

namespace velmorak {

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SDatabaseClosed = "Cannot perform this operation on a closed database";
inline constexpr const char* SDatabaseOpen = "Cannot perform this operation on an open database";

// "Name: message" for a named component, the bare message otherwise.
inline std::string ComponentErrorText(const std::string& ComponentName, const std::string& Message) {
  return ComponentName.empty() ? Message : ComponentName + ": " + Message;
}

}  // namespace velmorak

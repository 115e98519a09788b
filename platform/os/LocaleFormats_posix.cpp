// LocaleFormats, POSIX backend: the fixed defaults of TLocaleFormats.
#include "platform/os/LocaleFormats.h"

namespace velmorak::os {

TLocaleFormats UserLocaleFormats() {
  return TLocaleFormats{};
}

}  // namespace velmorak::os

// ZvDBCollation: the engine's text order is the user-default locale's, as the
// platform layer gives it (CompareStringA on Windows, the fixed code page 1252
// tables that reproduce it elsewhere).
#include "database/ZvDBCollation.h"

#include <string_view>

#include "platform/os/Locale.h"

namespace velmorak {

int ZvCompareText(const char* A, std::size_t LenA, const char* B, std::size_t LenB, bool CaseInsensitive) {
  const std::string_view a(A ? A : "", A ? LenA : 0), b(B ? B : "", B ? LenB : 0);
  return CaseInsensitive ? os::AnsiCompareText(a, b) : os::AnsiCompareStr(a, b);
}

}  // namespace velmorak

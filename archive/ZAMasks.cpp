// ZAMasks: the matcher walks the mask and the name together; a "*" tries the
// rest of the mask at every position of the rest of the name.
#include "archive/ZAMasks.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/Locale.h"

namespace velmorak {

namespace {

// The matcher with the outcome of every (name position, mask position) call
// remembered: each "*" tries the rest of the mask at every position of the
// rest of the name, which without the memo takes exponential time on masks
// with several stars.
class TWildcard {
 public:
  TWildcard(std::string_view name, std::string_view mask, bool ignoreCase)
      : FName(name), FMask(mask), FIgnoreCase(ignoreCase), FMemo((name.size() + 1) * (mask.size() + 1), 0) {}

  bool Call(std::size_t n, std::size_t m) {
    std::uint8_t& memo = FMemo[n * (FMask.size() + 1) + m];
    if (memo == 0) memo = Run(n, m) ? 1 : 2;
    return memo == 1;
  }

 private:
  bool Run(std::size_t n, std::size_t m) {
    if (FMask.substr(m) == "*.*") return true;
    while (true) {
      if (FMask.substr(m) == "*") return true;
      if (n >= FName.size()) return m >= FMask.size();
      if (m >= FMask.size()) return false;
      const char mc = FMask[m];
      if (mc == '*') {
        // The "*" never swallows the whole rest of the name here: that case
        // is the "*" rule above or the "*.*" entry test of the call.
        for (std::size_t i = n; i < FName.size(); ++i)
          if (Call(i, m + 1)) return true;
        return false;
      }
      if (mc != '?') {
        const unsigned char a = static_cast<unsigned char>(FName[n]), b = static_cast<unsigned char>(mc);
        if (FIgnoreCase ? os::CompareAnsiChar(a, b, true) != 0 : a != b) return false;
      }
      ++n, ++m;
    }
  }

  std::string_view FName, FMask;
  bool FIgnoreCase;
  std::vector<std::uint8_t> FMemo;  // 0 unknown, 1 match, 2 no match
};

}  // namespace

bool WildcardMatch(std::string_view Name, std::string_view Mask, bool IgnoreCase) {
  if (Mask == "*.*" || Mask == "*") return true;
  return TWildcard(Name, Mask, IgnoreCase).Call(0, 0);
}

namespace {
// The extension of the last path component, dot included ("" when none).
std::string_view Extension(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/:");
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return name.substr(dot);
}
}  // namespace

bool MaskMatch(std::string_view Name, std::string_view Mask) {
  if (Mask.empty()) return false;
  std::string mask(Mask);
  if (const std::size_t star = mask.find("*.*"); star != std::string::npos)
    mask = mask.substr(0, star) + "*" + mask.substr(star + 3);
  const bool noExtension = !mask.empty() && mask.back() == '.';
  if (noExtension) mask.pop_back();
  std::string_view name = Name;
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  if (!WildcardMatch(name, mask, true)) return false;
  if (noExtension) {
    const std::string_view ext = Extension(Name);
    return ext.empty() || ext == ".";
  }
  return true;
}

}  // namespace velmorak

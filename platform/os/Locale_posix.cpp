// Locale, POSIX backend: a Western European Windows in fixed tables (ANSI
// 1252, OEM 850), whatever the host's own locale says, so that names and
// index keys sort and convert on Linux exactly as the product sees them.
#include "platform/classes/CodePages.h"
#include "platform/os/Locale.h"

namespace velmorak::os::detail {

int SystemCompareChar(unsigned char a, unsigned char b, bool ignoreCase) {
  const std::uint8_t* rank = ignoreCase ? LocaleTables1252().RankNoCase : LocaleTables1252().Rank;
  return int(rank[a]) - int(rank[b]);
}

int SystemCompareString(std::string_view a, std::string_view b, bool ignoreCase) {
  return CompareAnsi1252(a, b, ignoreCase);
}

unsigned char SystemUpperChar(unsigned char c) {
  return LocaleTables1252().Upper[c];
}
unsigned char SystemLowerChar(unsigned char c) {
  return LocaleTables1252().Lower[c];
}

std::string SystemOemToAnsi(std::string_view oem) {
  return Oem850ToAnsi1252(oem);
}

std::string SystemAnsiToOem(std::string_view ansi) {
  const std::uint8_t* table = LocaleTables1252().AnsiToOem850;
  std::string out(ansi);
  for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

std::string SystemAnsiToUtf8(std::string_view ansi) {
  return Ansi1252ToUtf8(ansi);
}
std::string SystemUtf8ToAnsi(std::string_view utf8) {
  return Utf8ToAnsi1252(utf8);
}

}  // namespace velmorak::os::detail

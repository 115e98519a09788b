// CodePages: the public conversions forward to the platform backend
// (platform/os/Locale_*.cpp); the table forms live here, shared by the POSIX
// backend and the tests that hold the tables against Windows.
#include "platform/classes/CodePages.h"

#include <cstdint>

#include "platform/os/Locale.h"

namespace velmorak {

std::string OemToAnsi(std::string_view oem) {
  return os::detail::SystemOemToAnsi(oem);
}
std::string AnsiToOem(std::string_view ansi) {
  return os::detail::SystemAnsiToOem(ansi);
}
std::string AnsiToUtf8(std::string_view ansi) {
  return os::detail::SystemAnsiToUtf8(ansi);
}
std::string Utf8ToAnsi(std::string_view utf8) {
  return os::detail::SystemUtf8ToAnsi(utf8);
}

std::string Oem850ToAnsi1252(std::string_view oem) {
  const std::uint8_t* table = os::LocaleTables1252().Oem850ToAnsi;
  std::string out(oem);
  for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

std::string Ansi1252ToUtf8(std::string_view ansi) {
  const std::uint16_t* table = os::LocaleTables1252().AnsiToUnicode;
  std::string out;
  out.reserve(ansi.size());
  for (char ch : ansi) {
    unsigned u = table[static_cast<unsigned char>(ch)];
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string Utf8ToAnsi1252(std::string_view utf8) {
  const std::uint16_t* table = os::LocaleTables1252().AnsiToUnicode;
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned u;
    std::size_t len;
    if (c < 0x80) {
      u = c, len = 1;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      u = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu), len = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < utf8.size()) {
      u = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
          (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      len = 3;
    } else {
      // Four-byte sequences lie outside the code page; broken bytes likewise.
      std::size_t skip = 1;
      if ((c & 0xF8) == 0xF0) skip = 4;
      out += '?';
      i += skip;
      continue;
    }
    i += len;
    char found = '?';
    for (int b = 0; b < 256; ++b)
      if (table[b] == u) {
        found = static_cast<char>(b);
        break;
      }
    out += found;
  }
  return out;
}

}  // namespace velmorak

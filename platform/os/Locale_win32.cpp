// Locale, Windows backend: the user-default locale and the system's code
// pages, through the system calls themselves.
#include <windows.h>

#include <vector>

#include "platform/os/Locale.h"

namespace velmorak::os::detail {

namespace {
int Compare(const char* a, int na, const char* b, int nb, bool ignoreCase) {
  const int r = CompareStringA(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0, a, na, b, nb);
  return r == 0 ? 0 : r - CSTR_EQUAL;
}

std::string Convert(std::string_view in, UINT from, UINT to) {
  if (in.empty()) return {};
  const int n = MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(n > 0 ? n : 1));
  MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), wide.data(), n);
  const int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(m > 0 ? m : 0), '\0');
  if (m > 0) WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}
}  // namespace

int SystemCompareChar(unsigned char a, unsigned char b, bool ignoreCase) {
  const char x = static_cast<char>(a), y = static_cast<char>(b);
  return Compare(&x, 1, &y, 1, ignoreCase);
}

int SystemCompareString(std::string_view a, std::string_view b, bool ignoreCase) {
  return Compare(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), ignoreCase);
}

unsigned char SystemUpperChar(unsigned char c) {
  char x = static_cast<char>(c);
  CharUpperBuffA(&x, 1);
  return static_cast<unsigned char>(x);
}
unsigned char SystemLowerChar(unsigned char c) {
  char x = static_cast<char>(c);
  CharLowerBuffA(&x, 1);
  return static_cast<unsigned char>(x);
}

std::string SystemOemToAnsi(std::string_view oem) {
  std::string out(oem);
  if (!out.empty()) OemToCharBuffA(out.data(), out.data(), static_cast<DWORD>(out.size()));
  return out;
}
std::string SystemAnsiToOem(std::string_view ansi) {
  std::string out(ansi);
  if (!out.empty()) CharToOemBuffA(out.data(), out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::string SystemAnsiToUtf8(std::string_view ansi) {
  return Convert(ansi, CP_ACP, CP_UTF8);
}
std::string SystemUtf8ToAnsi(std::string_view utf8) {
  return Convert(utf8, CP_UTF8, CP_ACP);
}

}  // namespace velmorak::os::detail

#include "platform/classes/SysUtils.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace velmorak {

std::string FormatV(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<std::size_t>(n));
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

void SecureFill(void* data, std::size_t size, unsigned char value) noexcept {
  // A volatile pointer keeps the stores even when the buffer dies right after.
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (size--) *p++ = value;
}

void SecureZero(void* data, std::size_t size) noexcept {
  SecureFill(data, size, 0);
}

void Abort() {
  throw EAbort("Operation aborted");
}

}  // namespace velmorak

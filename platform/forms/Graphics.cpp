// Graphics: the text helpers the controls need to count characters rather
// than bytes (maximum lengths, the telephone check).
#include "platform/forms/Graphics.h"

namespace velmorak {

namespace {
bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}
}  // namespace

std::size_t Utf8Length(const std::string& Text) {
  std::size_t n = 0;
  for (unsigned char c : Text)
    if (!IsContinuation(c)) ++n;
  return n;
}

std::string Utf8Left(const std::string& Text, std::size_t Count) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(Text[i]))) {
      if (chars == Count) return Text.substr(0, i);
      ++chars;
    }
  }
  return Text;
}

}  // namespace velmorak

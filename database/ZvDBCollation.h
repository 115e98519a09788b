// ZvDBCollation: the one text comparison of the engine. Index chains in
// existing files were ordered with it, and module names are looked up with
// it, so every comparison of stored texts goes through this function and
// nothing else.
#pragma once

#include <cstddef>

namespace velmorak {

// Compares two ANSI texts of the given byte lengths in the user's default
// locale order: negative, 0 or positive.
int ZvCompareText(const char* A, std::size_t LenA, const char* B, std::size_t LenB, bool CaseInsensitive);

}  // namespace velmorak

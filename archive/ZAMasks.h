// ZAMasks: the file masks with which items are selected ("*.*", "*.dll",
// "a?c"). Characters compare case-insensitively under the user-default
// locale's single-character collation (platform/os/Locale.h), so 'é' matches
// 'É' as it does on the installed system.
#pragma once

#include <string_view>

namespace velmorak {

// Character-level matcher: "*" matches any run of characters, "?" any one
// character, anything else itself (case ignored when IgnoreCase). A mask
// equal to "*.*" matches every name at once.
bool WildcardMatch(std::string_view Name, std::string_view Mask, bool IgnoreCase);

// The mask test of searches, case ignored: an empty mask matches nothing;
// the first "*.*" in the mask counts as "*", so "*.*" and "*" match every
// name, names without a dot included; a mask ending in "." ("*.") matches
// only names without an extension.
bool MaskMatch(std::string_view Name, std::string_view Mask);

}  // namespace velmorak

// Registry: what both implementations share.
#include "platform/os/Registry.h"

namespace velmorak::os {

std::string NormaliseRegistryPath(const std::string& Key) {
  std::size_t first = 0, last = Key.size();
  while (first < last && Key[first] == '\\') ++first;
  while (last > first && Key[last - 1] == '\\') --last;
  return Key.substr(first, last - first);
}

}  // namespace velmorak::os

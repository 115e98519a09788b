// StringList: see the header.
#include "platform/classes/StringList.h"

#include <cctype>

namespace velmorak {

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& t = Strings(i);
    if (t.size() != S.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < t.size() && same; ++k)
      same = std::tolower(static_cast<unsigned char>(t[k])) == std::tolower(static_cast<unsigned char>(S[k]));
    if (same) return i;
  }
  return -1;
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TStrings::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

int TStringList::Add(const std::string& S) {
  FItems.push_back(S);
  Changed();
  return Count() - 1;
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

}  // namespace velmorak

// Locale: the portable half — the rank tables built once from the backend's
// single-character comparison, the casing helpers, and the fixed Western
// European tables with the level-by-level comparison that the POSIX backend
// uses in place of CompareStringA.
#include "platform/os/Locale.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

namespace velmorak::os {

namespace {
#include "platform/os/LocaleTables1252.inc"

// Ranks of the user-default locale, in the form the archive masks use: each
// character's rank (how many characters sort before it), the inverse table,
// and the upper- and lower-case mappings expressed in ranks.
struct TRankTables {
  std::array<std::uint8_t, 256> Rank{};
  std::array<std::uint8_t, 256> Inverse{};
  std::array<std::uint8_t, 256> UpperRank{};
  std::array<std::uint8_t, 256> LowerRank{};
  bool IsPermutation = false;
};

const TRankTables& RankTables() {
  static TRankTables tables;
  static std::once_flag once;
  std::call_once(once, [] {
    std::array<int, 256> rank{};
    for (int c = 0; c < 256; ++c)
      for (int d = 0; d < 256; ++d)
        if (detail::SystemCompareChar(static_cast<unsigned char>(d), static_cast<unsigned char>(c), false) <
            0)
          ++rank[c];
    std::array<bool, 256> seen{};
    bool permutation = true;
    for (int c = 0; c < 256; ++c) {
      if (rank[c] > 255 || seen[rank[c]]) {
        permutation = false;
        break;
      }
      seen[rank[c]] = true;
    }
    for (int c = 0; c < 256; ++c) tables.Rank[c] = static_cast<std::uint8_t>(std::min(rank[c], 255));
    if (permutation) {
      for (int c = 0; c < 256; ++c) tables.Inverse[tables.Rank[c]] = static_cast<std::uint8_t>(c);
      for (int c = 0; c < 256; ++c) {
        tables.UpperRank[tables.Rank[c]] =
            tables.Rank[detail::SystemUpperChar(static_cast<unsigned char>(c))];
        tables.LowerRank[tables.Rank[c]] =
            tables.Rank[detail::SystemLowerChar(static_cast<unsigned char>(c))];
      }
    }
    tables.IsPermutation = permutation;
  });
  return tables;
}

int Sign(int v) {
  return (v > 0) - (v < 0);
}

}  // namespace

int CompareAnsiChar(unsigned char a, unsigned char b, bool ignoreCase) {
  const TRankTables& t = RankTables();
  if (!t.IsPermutation) return Sign(detail::SystemCompareChar(a, b, ignoreCase));
  if (!ignoreCase) return Sign(int(t.Rank[a]) - int(t.Rank[b]));
  return Sign(int(t.UpperRank[t.Rank[a]]) - int(t.UpperRank[t.Rank[b]]));
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return Sign(detail::SystemCompareString(a, b, false));
}
int AnsiCompareText(std::string_view a, std::string_view b) {
  return Sign(detail::SystemCompareString(a, b, true));
}

unsigned char AnsiUpperChar(unsigned char c) {
  return detail::SystemUpperChar(c);
}
unsigned char AnsiLowerChar(unsigned char c) {
  return detail::SystemLowerChar(c);
}

std::string AnsiUpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(detail::SystemUpperChar(static_cast<unsigned char>(c)));
  return out;
}
std::string AnsiLowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(detail::SystemLowerChar(static_cast<unsigned char>(c)));
  return out;
}

const TLocaleTables1252& LocaleTables1252() {
  static const TLocaleTables1252 tables{kRank1252,         kRankNoCase1252,   kRankBase1252,
                                        kIgnorable1252,    kUpper1252,        kLower1252,
                                        kOem850ToAnsi1252, kAnsi1252ToOem850, kAnsi1252ToUnicode};
  return tables;
}

int CompareAnsi1252(std::string_view a, std::string_view b, bool ignoreCase) {
  // The hyphen and the apostrophe weigh only when everything else is equal
  // ("coop" < "co-op"), as in a word sort; ligatures weigh as the letters
  // they join; characters the locale ignores take no part at all.
  auto isSpecial = [](std::uint8_t c) { return c == '-' || c == '\''; };
  struct TKey {
    std::vector<std::uint8_t> Chars;
    std::vector<std::pair<std::size_t, std::uint8_t>> Specials;  // position in the string, character
  };
  auto key = [&](std::string_view s) {
    TKey k;
    k.Chars.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
      const std::uint8_t c = static_cast<std::uint8_t>(s[i]);
      if (kIgnorable1252[c]) continue;
      if (isSpecial(c)) {
        k.Specials.emplace_back(i, c);
        continue;
      }
      // The ligatures sort as the letters they join: æ as "ae", ß as "ss".
      switch (c) {
        case 0xE6:
          k.Chars.insert(k.Chars.end(), {'a', 'e'});
          break;
        case 0xC6:
          k.Chars.insert(k.Chars.end(), {'A', 'E'});
          break;
        case 0x9C:
          k.Chars.insert(k.Chars.end(), {'o', 'e'});
          break;
        case 0x8C:
          k.Chars.insert(k.Chars.end(), {'O', 'E'});
          break;
        case 0xDF:
          k.Chars.insert(k.Chars.end(), {'s', 's'});
          break;
        default:
          k.Chars.push_back(c);
          break;
      }
    }
    return k;
  };
  const TKey x = key(a), y = key(b);
  // Level by level: the letters alone, then with their accents, then with
  // their case; the first level that tells the strings apart decides.
  const std::uint8_t* levels[3] = {kRankBase1252, kRankNoCase1252, kRank1252};
  const int count = ignoreCase ? 2 : 3;
  for (int level = 0; level < count; ++level) {
    const std::uint8_t* rank = levels[level];
    const std::size_t n = std::min(x.Chars.size(), y.Chars.size());
    for (std::size_t i = 0; i < n; ++i)
      if (rank[x.Chars[i]] != rank[y.Chars[i]]) return rank[x.Chars[i]] < rank[y.Chars[i]] ? -1 : 1;
    if (x.Chars.size() != y.Chars.size()) return x.Chars.size() < y.Chars.size() ? -1 : 1;
  }
  const std::size_t n = std::min(x.Specials.size(), y.Specials.size());
  for (std::size_t i = 0; i < n; ++i) {
    // A special character further along the string sorts first.
    if (x.Specials[i].first != y.Specials[i].first) return x.Specials[i].first > y.Specials[i].first ? -1 : 1;
    if (x.Specials[i].second != y.Specials[i].second)
      return kRank1252[x.Specials[i].second] < kRank1252[y.Specials[i].second] ? -1 : 1;
  }
  if (x.Specials.size() != y.Specials.size()) return x.Specials.size() < y.Specials.size() ? -1 : 1;
  return 0;
}

}  // namespace velmorak::os

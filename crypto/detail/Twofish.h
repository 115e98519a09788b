// Twofish: the cipher code behind TEnc_Twofish, for two parameter sets. Our
// files are enciphered with a variant of Twofish that differs from the
// published cipher in three ways: 15 double rounds instead of 8, a subkey
// index that advances two words per double round instead of four (so the
// pairs K10,K11 .. K36,K37 are used twice), and odd subkeys
// ROL(A + (B >> 1), 9) instead of ROL(A + 2B, 9). Everything else is the
// published cipher: q0/q1, the MDS matrix, the RS code, h, the key-dependent
// S-boxes and the whitening.
//
// The published set exists so tests can check the shared code against
// published Twofish; only the variant is reachable through TEnc_Twofish.
//
// Context layout (kTwofishContextWords words): the 40 subkeys, then four
// 256-word tables that fold each key-dependent S-box into its MDS column, so
// g(X) is four lookups.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmorak::detail {

struct TTwofishParams {
  int DoubleRounds;         // 8 published, 15 variant
  int SubkeyStep;           // words the round subkey index moves per double round
  bool PublishedOddSubkey;  // K[2i+1] = ROL(A + 2B, 9); otherwise ROL(A + (B >> 1), 9)
};

inline constexpr TTwofishParams kTwofishVariant{15, 2, false};
inline constexpr TTwofishParams kTwofishPublished{8, 4, true};

inline constexpr int kTwofishSubkeys = 40;
inline constexpr int kTwofishContextWords = kTwofishSubkeys + 4 * 256;  // 1064 words, 4256 bytes

// Expands Size (0..32) key bytes into Context. The bytes are copied into a
// zeroed 32-byte area and the length taken as 16 if at most 16, 24 if at
// most 24, else 32.
template <TTwofishParams P>
void TwofishSetupKey(std::uint32_t* Context, const std::uint8_t* Key, int Size);

// Count independent 16-byte blocks from In to Out (the same buffer, or not
// overlapping).
template <TTwofishParams P>
void TwofishEncrypt(const std::uint32_t* Context, const std::uint8_t* In, std::uint8_t* Out,
                    std::size_t Count);
template <TTwofishParams P>
void TwofishDecrypt(const std::uint32_t* Context, const std::uint8_t* In, std::uint8_t* Out,
                    std::size_t Count);

// Both parameter sets are compiled in Enc_Twofish.cpp.
extern template void TwofishSetupKey<kTwofishVariant>(std::uint32_t*, const std::uint8_t*, int);
extern template void TwofishSetupKey<kTwofishPublished>(std::uint32_t*, const std::uint8_t*, int);
extern template void TwofishEncrypt<kTwofishVariant>(const std::uint32_t*, const std::uint8_t*, std::uint8_t*,
                                                     std::size_t);
extern template void TwofishEncrypt<kTwofishPublished>(const std::uint32_t*, const std::uint8_t*,
                                                       std::uint8_t*, std::size_t);
extern template void TwofishDecrypt<kTwofishVariant>(const std::uint32_t*, const std::uint8_t*, std::uint8_t*,
                                                     std::size_t);
extern template void TwofishDecrypt<kTwofishPublished>(const std::uint32_t*, const std::uint8_t*,
                                                       std::uint8_t*, std::size_t);

}  // namespace velmorak::detail

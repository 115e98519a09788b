// Enc_Gost: the round function f(x) substitutes the eight 4-bit groups of x
// (group 1 = bits 0..3) through S-boxes 1..8 and rotates the result left by
// 11 bits. Each byte of x carries two groups, so f is four lookups in tables
// of 256 words that already hold both substitutions and the rotation; the
// tables are computed at compile time from the S-box rows below.
#include "crypto/Enc_Gost.h"

#include <array>
#include <cstring>

#include "crypto/detail/Bytes.h"
#include "crypto/detail/Chain.h"

namespace velmorak {

namespace {

std::unique_ptr<TEncrypt> CreateGost() {
  return std::make_unique<TEnc_Gost>();
}

// The test parameter set of GOST R 34.11-94: row i is S-box i + 1, indexed
// by the 4-bit input.
constexpr std::uint8_t kSBoxes[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

// kTables[k][b]: byte k of x equal to b, low nibble through S-box 2k + 1 and
// high nibble through S-box 2k + 2, placed at bits 8k.. and rotated by 11.
constexpr std::array<std::array<std::uint32_t, 256>, 4> MakeTables() {
  std::array<std::array<std::uint32_t, 256>, 4> t{};
  for (int k = 0; k < 4; ++k) {
    for (int b = 0; b < 256; ++b) {
      const std::uint32_t sub = kSBoxes[2 * k][b & 15] | (kSBoxes[2 * k + 1][b >> 4] << 4);
      t[k][b] = detail::Rol(sub << (8 * k), 11);
    }
  }
  return t;
}

constexpr auto kTables = MakeTables();

inline std::uint32_t F(std::uint32_t x) {
  return kTables[0][x & 0xFF] ^ kTables[1][(x >> 8) & 0xFF] ^ kTables[2][(x >> 16) & 0xFF] ^
         kTables[3][x >> 24];
}

// Two rounds: n2 ^= f(n1 + ka), n1 ^= f(n2 + kb), over N blocks at once.
template <int N>
inline void TwoRounds(std::uint32_t* n1, std::uint32_t* n2, std::uint32_t ka, std::uint32_t kb) {
  for (int b = 0; b < N; ++b) {
    n2[b] ^= F(n1[b] + ka);
    n1[b] ^= F(n2[b] + kb);
  }
}

// The 32 rounds over N blocks; n1 comes in as the block's first word, n2 as
// its second, and they leave swapped: the output block is (n2, n1).
template <int N, bool Decrypt>
inline void CryptWords(const std::uint32_t* k, std::uint32_t* n1, std::uint32_t* n2) {
  // Enciphering: K0..K7 three times, then K7..K0. Deciphering: K0..K7 once,
  // then K7..K0 three times.
  constexpr int forward = Decrypt ? 1 : 3;
  constexpr int backward = Decrypt ? 3 : 1;
  for (int i = 0; i < forward; ++i) {
    TwoRounds<N>(n1, n2, k[0], k[1]);
    TwoRounds<N>(n1, n2, k[2], k[3]);
    TwoRounds<N>(n1, n2, k[4], k[5]);
    TwoRounds<N>(n1, n2, k[6], k[7]);
  }
  for (int i = 0; i < backward; ++i) {
    TwoRounds<N>(n1, n2, k[7], k[6]);
    TwoRounds<N>(n1, n2, k[5], k[4]);
    TwoRounds<N>(n1, n2, k[3], k[2]);
    TwoRounds<N>(n1, n2, k[1], k[0]);
  }
  for (int b = 0; b < N; ++b) {
    const std::uint32_t t = n1[b];
    n1[b] = n2[b];
    n2[b] = t;
  }
}

template <int N, bool Decrypt>
inline void RunBlocks(const std::uint32_t* k, const std::uint8_t* in, std::uint8_t* out) {
  std::uint32_t w0[N], w1[N];
  for (int b = 0; b < N; ++b) {
    w0[b] = detail::LoadLE32(in + 8 * b);
    w1[b] = detail::LoadLE32(in + 8 * b + 4);
  }
  CryptWords<N, Decrypt>(k, w0, w1);
  for (int b = 0; b < N; ++b) {
    detail::StoreLE32(out + 8 * b, w0[b]);
    detail::StoreLE32(out + 8 * b + 4, w1[b]);
  }
}

template <bool Decrypt>
void RunMany(const std::uint32_t* k, const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  for (; count >= 4; count -= 4, in += 32, out += 32) RunBlocks<4, Decrypt>(k, in, out);
  for (; count > 0; --count, in += 8, out += 8) RunBlocks<1, Decrypt>(k, in, out);
}

}  // namespace

constinit const TEncryptClassInfo TEnc_Gost::ClassInfo = {"TEnc_Gost", 8, 32, 32, &CreateGost};

void TEnc_Gost::SetupKey(const std::uint8_t* Key, int Size) {
  // The key words are little-endian, which is how our hosts hold them.
  if (Size > 0) std::memcpy(KeySchedule(), Key, static_cast<std::size_t>(Size));
}

void TEnc_Gost::EncryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  RunBlocks<1, false>(KeySchedule(), b, b);
}

void TEnc_Gost::DecryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  RunBlocks<1, true>(KeySchedule(), b, b);
}

void TEnc_Gost::EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  RunMany<false>(KeySchedule(), Source, Dest, Count);
}

void TEnc_Gost::DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  RunMany<true>(KeySchedule(), Source, Dest, Count);
}

void TEnc_Gost::EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                               bool FeedbackXor) {
  const std::uint32_t* k = KeySchedule();
  detail::EncipherChain<2, false>(Source, Dest, Count, FeedbackBlock(), FeedbackXor,
                                  [k](std::uint32_t* w) { CryptWords<1, false>(k, &w[0], &w[1]); });
}

}  // namespace velmorak

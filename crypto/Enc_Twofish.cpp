// Enc_Twofish: the Twofish code for both parameter sets, and TEnc_Twofish on
// the variant. The fixed tables are computed at compile time from their
// definitions: q0 and q1 from their four 4-bit permutations each, the MDS
// columns by multiplication in GF(2^8) modulo x^8+x^6+x^5+x^3+1, the RS code
// modulo x^8+x^6+x^3+x^2+1. The tests check the published parameter set
// against an independent Twofish.
#include "crypto/Enc_Twofish.h"

#include <array>
#include <cstring>

#include "crypto/detail/Bytes.h"
#include "crypto/detail/Chain.h"
#include "crypto/detail/Twofish.h"
#include "platform/classes/SysUtils.h"

namespace velmorak {

namespace detail {

namespace {

using u32 = std::uint32_t;

// q0 (row 0) and q1 (row 1): the 4-bit permutations t0..t3 of each.
constexpr std::uint8_t kQPermutations[2][4][16] = {
    {{0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
     {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
     {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
     {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}},
    {{0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
     {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
     {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
     {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}}};

// q(x): split into nibbles a, b; mix (a ^ b, a ^ ROR4(b, 1) ^ 8a); through
// t0, t1; mix again; through t2, t3; the result is 16 * b + a.
constexpr std::array<std::array<std::uint8_t, 256>, 2> MakeQ() {
  std::array<std::array<std::uint8_t, 256>, 2> q{};
  auto ror4 = [](unsigned v) { return ((v >> 1) | (v << 3)) & 0xF; };
  for (int which = 0; which < 2; ++which) {
    const auto& t = kQPermutations[which];
    for (unsigned x = 0; x < 256; ++x) {
      unsigned a = x >> 4, b = x & 0xF;
      unsigned a1 = a ^ b, b1 = (a ^ ror4(b) ^ (8 * a)) & 0xF;
      unsigned a2 = t[0][a1], b2 = t[1][b1];
      unsigned a3 = a2 ^ b2, b3 = (a2 ^ ror4(b2) ^ (8 * a2)) & 0xF;
      q[which][x] = static_cast<std::uint8_t>(16 * t[3][b3] + t[2][a3]);
    }
  }
  return q;
}

constexpr auto kQ = MakeQ();
static_assert(kQ[0][0] == 0xA9 && kQ[0][1] == 0x67 && kQ[1][0] == 0x75 && kQ[1][1] == 0xF3);

constexpr std::uint8_t GfMul(std::uint8_t a, std::uint8_t b, unsigned poly) {
  unsigned r = 0, x = a;
  for (int i = 0; i < 8; ++i) {
    if (b & (1u << i)) r ^= x;
    x <<= 1;
    if (x & 0x100) x ^= poly;
  }
  return static_cast<std::uint8_t>(r);
}

constexpr unsigned kMdsPolynomial = 0x169;  // x^8 + x^6 + x^5 + x^3 + 1
constexpr unsigned kRsPolynomial = 0x14D;   // x^8 + x^6 + x^3 + x^2 + 1

constexpr std::uint8_t kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF}, {0xEF, 0x01, 0xEF, 0x5B}};

constexpr std::uint8_t kRs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                                    {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                                    {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                                    {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

// kMdsColumn[j][v]: column j of the MDS matrix times v, row i at bits 8i.
constexpr std::array<std::array<u32, 256>, 4> MakeMdsColumns() {
  std::array<std::array<u32, 256>, 4> m{};
  for (int j = 0; j < 4; ++j) {
    for (unsigned v = 0; v < 256; ++v) {
      u32 w = 0;
      for (int i = 0; i < 4; ++i)
        w |= u32{GfMul(kMds[i][j], static_cast<std::uint8_t>(v), kMdsPolynomial)} << (8 * i);
      m[j][v] = w;
    }
  }
  return m;
}

constexpr auto kMdsColumn = MakeMdsColumns();

// Which q each byte position j of h goes through at each stage: the stage
// keyed by L[3] (256-bit keys only), by L[2] (192 and 256), by L[1], by L[0],
// and the last one before the MDS matrix.
constexpr int kQByL3[4] = {1, 0, 0, 1};
constexpr int kQByL2[4] = {1, 1, 0, 0};
constexpr int kQByL1[4] = {0, 1, 0, 1};
constexpr int kQByL0[4] = {0, 0, 1, 1};
constexpr int kQLast[4] = {1, 0, 1, 0};

inline std::uint8_t ByteOf(u32 w, int j) {
  return static_cast<std::uint8_t>(w >> (8 * j));
}

// Byte j of h's S-box stage for input byte x and key words L[0..k-1].
inline std::uint8_t HByte(int j, std::uint8_t x, const u32* l, int k) {
  if (k == 4) x = kQ[kQByL3[j]][x] ^ ByteOf(l[3], j);
  if (k >= 3) x = kQ[kQByL2[j]][x] ^ ByteOf(l[2], j);
  x = kQ[kQByL1[j]][x] ^ ByteOf(l[1], j);
  x = kQ[kQByL0[j]][x] ^ ByteOf(l[0], j);
  return kQ[kQLast[j]][x];
}

inline u32 H(u32 x, const u32* l, int k) {
  u32 z = 0;
  for (int j = 0; j < 4; ++j) z ^= kMdsColumn[j][HByte(j, ByteOf(x, j), l, k)];
  return z;
}

// g over the key-dependent tables, and g(ROL(x, 8)) by picking the bytes
// of x in rotated order, which saves the rotation.
inline u32 G(const u32* sb, u32 x) {
  return sb[x & 0xFF] ^ sb[256 + ((x >> 8) & 0xFF)] ^ sb[512 + ((x >> 16) & 0xFF)] ^ sb[768 + (x >> 24)];
}
inline u32 GRol8(const u32* sb, u32 x) {
  return sb[x >> 24] ^ sb[256 + (x & 0xFF)] ^ sb[512 + ((x >> 8) & 0xFF)] ^ sb[768 + ((x >> 16) & 0xFF)];
}

// The rounds over N blocks, on the whitened input words; the output words
// before the output whitening are (r2, r3, r0, r1).
template <TTwofishParams P, int N>
inline void EncryptRounds(const u32* ctx, u32* r0, u32* r1, u32* r2, u32* r3) {
  const u32* k = ctx;
  const u32* sb = ctx + kTwofishSubkeys;
#pragma GCC unroll 16
  for (int j = 0; j < P.DoubleRounds; ++j) {
    const u32* rk = k + 8 + P.SubkeyStep * j;
    // Each half round of all blocks before the next half, which depends on it.
    for (int b = 0; b < N; ++b) {
      const u32 t0 = G(sb, r0[b]), t1 = GRol8(sb, r1[b]);
      r3[b] = Rol(r3[b], 1);
      r2[b] = Ror(r2[b] ^ (t0 + t1 + rk[0]), 1);
      r3[b] ^= t0 + 2 * t1 + rk[1];
    }
    for (int b = 0; b < N; ++b) {
      const u32 t0 = G(sb, r2[b]), t1 = GRol8(sb, r3[b]);
      r1[b] = Rol(r1[b], 1);
      r0[b] = Ror(r0[b] ^ (t0 + t1 + rk[2]), 1);
      r1[b] ^= t0 + 2 * t1 + rk[3];
    }
  }
}

template <TTwofishParams P, int N>
inline void EncryptN(const u32* ctx, const std::uint8_t* in, std::uint8_t* out) {
  const u32* k = ctx;
  u32 r0[N], r1[N], r2[N], r3[N];
  for (int b = 0; b < N; ++b) {
    r0[b] = LoadLE32(in + 16 * b) ^ k[0];
    r1[b] = LoadLE32(in + 16 * b + 4) ^ k[1];
    r2[b] = LoadLE32(in + 16 * b + 8) ^ k[2];
    r3[b] = LoadLE32(in + 16 * b + 12) ^ k[3];
  }
  EncryptRounds<P, N>(ctx, r0, r1, r2, r3);
  for (int b = 0; b < N; ++b) {
    StoreLE32(out + 16 * b, r2[b] ^ k[4]);
    StoreLE32(out + 16 * b + 4, r3[b] ^ k[5]);
    StoreLE32(out + 16 * b + 8, r0[b] ^ k[6]);
    StoreLE32(out + 16 * b + 12, r1[b] ^ k[7]);
  }
}

// One block held as its four words, in place.
template <TTwofishParams P>
inline void EncryptWords(const u32* ctx, u32* w) {
  const u32* k = ctx;
  u32 r0 = w[0] ^ k[0], r1 = w[1] ^ k[1], r2 = w[2] ^ k[2], r3 = w[3] ^ k[3];
  EncryptRounds<P, 1>(ctx, &r0, &r1, &r2, &r3);
  w[0] = r2 ^ k[4];
  w[1] = r3 ^ k[5];
  w[2] = r0 ^ k[6];
  w[3] = r1 ^ k[7];
}

template <TTwofishParams P, int N>
inline void DecryptN(const u32* ctx, const std::uint8_t* in, std::uint8_t* out) {
  const u32* k = ctx;
  const u32* sb = ctx + kTwofishSubkeys;
  u32 r0[N], r1[N], r2[N], r3[N];
  for (int b = 0; b < N; ++b) {
    r2[b] = LoadLE32(in + 16 * b) ^ k[4];
    r3[b] = LoadLE32(in + 16 * b + 4) ^ k[5];
    r0[b] = LoadLE32(in + 16 * b + 8) ^ k[6];
    r1[b] = LoadLE32(in + 16 * b + 12) ^ k[7];
  }
#pragma GCC unroll 16
  for (int j = P.DoubleRounds - 1; j >= 0; --j) {
    const u32* rk = k + 8 + P.SubkeyStep * j;
    for (int b = 0; b < N; ++b) {
      const u32 t0 = G(sb, r2[b]), t1 = GRol8(sb, r3[b]);
      r0[b] = Rol(r0[b], 1) ^ (t0 + t1 + rk[2]);
      r1[b] = Ror(r1[b] ^ (t0 + 2 * t1 + rk[3]), 1);
    }
    for (int b = 0; b < N; ++b) {
      const u32 t0 = G(sb, r0[b]), t1 = GRol8(sb, r1[b]);
      r2[b] = Rol(r2[b], 1) ^ (t0 + t1 + rk[0]);
      r3[b] = Ror(r3[b] ^ (t0 + 2 * t1 + rk[1]), 1);
    }
  }
  for (int b = 0; b < N; ++b) {
    StoreLE32(out + 16 * b, r0[b] ^ k[0]);
    StoreLE32(out + 16 * b + 4, r1[b] ^ k[1]);
    StoreLE32(out + 16 * b + 8, r2[b] ^ k[2]);
    StoreLE32(out + 16 * b + 12, r3[b] ^ k[3]);
  }
}

}  // namespace

template <TTwofishParams P>
void TwofishSetupKey(u32* Context, const std::uint8_t* Key, int Size) {
  std::uint8_t m[32] = {};
  if (Size > 0) std::memcpy(m, Key, static_cast<std::size_t>(Size < 32 ? Size : 32));
  const int k = Size <= 16 ? 2 : Size <= 24 ? 3 : 4;  // key length in 64-bit words
  u32 me[4] = {}, mo[4] = {}, s[4] = {};
  for (int i = 0; i < k; ++i) {
    me[i] = LoadLE32(m + 8 * i);
    mo[i] = LoadLE32(m + 8 * i + 4);
    // S = (S[k-1], ..., S[0]): each S[i] is the RS code of key bytes 8i..8i+7.
    u32 word = 0;
    for (int r = 0; r < 4; ++r) {
      std::uint8_t v = 0;
      for (int c = 0; c < 8; ++c) v ^= GfMul(kRs[r][c], m[8 * i + c], kRsPolynomial);
      word |= u32{v} << (8 * r);
    }
    s[k - 1 - i] = word;
  }
  constexpr u32 rho = 0x01010101;
  for (u32 i = 0; i < 20; ++i) {
    const u32 a = H(2 * i * rho, me, k);
    const u32 b = Rol(H((2 * i + 1) * rho, mo, k), 8);
    Context[2 * i] = a + b;
    Context[2 * i + 1] = Rol(P.PublishedOddSubkey ? a + 2 * b : a + (b >> 1), 9);
  }
  u32* sb = Context + kTwofishSubkeys;
  for (int j = 0; j < 4; ++j) {
    for (unsigned x = 0; x < 256; ++x) {
      sb[256 * j + x] = kMdsColumn[j][HByte(j, static_cast<std::uint8_t>(x), s, k)];
    }
  }
  SecureZero(m, sizeof m);
  SecureZero(me, sizeof me);
  SecureZero(mo, sizeof mo);
  SecureZero(s, sizeof s);
}

template <TTwofishParams P>
void TwofishEncrypt(const u32* Context, const std::uint8_t* In, std::uint8_t* Out, std::size_t Count) {
  for (; Count >= 2; Count -= 2, In += 32, Out += 32) EncryptN<P, 2>(Context, In, Out);
  if (Count > 0) EncryptN<P, 1>(Context, In, Out);
}

template <TTwofishParams P>
void TwofishDecrypt(const u32* Context, const std::uint8_t* In, std::uint8_t* Out, std::size_t Count) {
  for (; Count >= 2; Count -= 2, In += 32, Out += 32) DecryptN<P, 2>(Context, In, Out);
  if (Count > 0) DecryptN<P, 1>(Context, In, Out);
}

template void TwofishSetupKey<kTwofishVariant>(u32*, const std::uint8_t*, int);
template void TwofishSetupKey<kTwofishPublished>(u32*, const std::uint8_t*, int);
template void TwofishEncrypt<kTwofishVariant>(const u32*, const std::uint8_t*, std::uint8_t*, std::size_t);
template void TwofishEncrypt<kTwofishPublished>(const u32*, const std::uint8_t*, std::uint8_t*, std::size_t);
template void TwofishDecrypt<kTwofishVariant>(const u32*, const std::uint8_t*, std::uint8_t*, std::size_t);
template void TwofishDecrypt<kTwofishPublished>(const u32*, const std::uint8_t*, std::uint8_t*, std::size_t);

}  // namespace detail

namespace {

std::unique_ptr<TEncrypt> CreateTwofish() {
  return std::make_unique<TEnc_Twofish>();
}

constexpr auto kOurs = detail::kTwofishVariant;

}  // namespace

constinit const TEncryptClassInfo TEnc_Twofish::ClassInfo = {
    "TEnc_Twofish", 16, 32, 4 * detail::kTwofishContextWords, &CreateTwofish};

void TEnc_Twofish::SetupKey(const std::uint8_t* Key, int Size) {
  detail::TwofishSetupKey<kOurs>(KeySchedule(), Key, Size);
}

void TEnc_Twofish::EncryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  detail::TwofishEncrypt<kOurs>(KeySchedule(), b, b, 1);
}

void TEnc_Twofish::DecryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  detail::TwofishDecrypt<kOurs>(KeySchedule(), b, b, 1);
}

void TEnc_Twofish::EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  detail::TwofishEncrypt<kOurs>(KeySchedule(), Source, Dest, Count);
}

void TEnc_Twofish::DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  detail::TwofishDecrypt<kOurs>(KeySchedule(), Source, Dest, Count);
}

void TEnc_Twofish::EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                                  bool FeedbackXor) {
  const std::uint32_t* ctx = KeySchedule();
  detail::EncipherChain<4, false>(Source, Dest, Count, FeedbackBlock(), FeedbackXor,
                                  [ctx](std::uint32_t* w) { detail::EncryptWords<kOurs>(ctx, w); });
}

}  // namespace velmorak

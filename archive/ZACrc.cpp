// ZACrc: carry-less multiply folding of the CRC-32.
//
// The register (the CRC before its final inversion) is xored into the first
// 16 bytes; four 128-bit lanes are then folded forward 64 bytes at a time,
// merged into one lane, folded 16 bytes at a time, and reduced 128 -> 64 ->
// 32 bits with a last fold and a Barrett reduction. The constants are powers
// of x modulo the polynomial, bit-reflected, for those distances:
//   kFold4 = x^(4*128+32), x^(4*128-32)   (64 bytes ahead)
//   kFold1 = x^(128+32),   x^(128-32)     (16 bytes ahead)
//   kFold64 = x^64, kBarrett = P(x) and floor(x^64 / P(x)).
#include "archive/ZACrc.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VELMORAK_CRC_CLMUL 1
#endif

namespace velmorak {

#ifdef VELMORAK_CRC_CLMUL
namespace {

bool HasClmul() {
  static const bool has = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (c & bit_PCLMUL) && (c & bit_SSE4_1);
  }();
  return has;
}

#define VELMORAK_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

VELMORAK_CLMUL_TARGET inline __m128i Load(const std::uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x carried forward by the distance k stands for, plus the next block.
VELMORAK_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)),
                       next);
}

VELMORAK_CLMUL_TARGET std::uint32_t FoldCrc(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
  // REQUIRES: n >= 64 and n % 16 == 0.
  const __m128i kFold4 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i kFold1 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  const __m128i kFold64 = _mm_set_epi64x(0, 0x163cd6124);
  const __m128i kBarrett = _mm_set_epi64x(0x1F7011641, 0x1DB710641);
  const __m128i kMask32 = _mm_set_epi32(0, 0, 0, -1);
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64, n -= 64;
  for (; n >= 64; p += 64, n -= 64) {
    x1 = Fold(x1, kFold4, Load(p));
    x2 = Fold(x2, kFold4, Load(p + 16));
    x3 = Fold(x3, kFold4, Load(p + 32));
    x4 = Fold(x4, kFold4, Load(p + 48));
  }
  x1 = Fold(x1, kFold1, x2);
  x1 = Fold(x1, kFold1, x3);
  x1 = Fold(x1, kFold1, x4);
  for (; n >= 16; p += 16, n -= 16) x1 = Fold(x1, kFold1, Load(p));

  // 128 -> 64 bits, which also appends the 32
  // zero bits of the division.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(kFold1, x1, 0x01));
  // 64 -> 32 + 32.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, kMask32), kFold64, 0x00));
  // Barrett reduction to the 32-bit remainder.
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, kMask32), kBarrett, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, kMask32), kBarrett, 0x00);
  x1 = _mm_xor_si128(x1, t);
  return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

}  // namespace
#endif

std::uint32_t ZACrc32(std::uint32_t Crc, const void* Data, std::size_t Count) {
  const auto* p = static_cast<const std::uint8_t*>(Data);
#ifdef VELMORAK_CRC_CLMUL
  // Short pieces are not worth the set-up; the folding takes whole 16-byte
  // blocks, the table the rest.
  if (Count >= 256 && HasClmul()) {
    const std::size_t bulk = Count & ~static_cast<std::size_t>(15);
    Crc = ~FoldCrc(~Crc, p, bulk);
    p += bulk, Count -= bulk;
  }
#endif
  while (Count > 0) {
    // zlib takes a 32-bit count on every platform.
    const uInt n = static_cast<uInt>(Count > 0x40000000u ? 0x40000000u : Count);
    Crc = static_cast<std::uint32_t>(crc32(Crc, p, n));
    p += n, Count -= n;
  }
  return Crc;
}

}  // namespace velmorak

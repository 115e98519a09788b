// Hash_CheckSum: the XOR/rotate checksum and the CRC-32. The CRC works one
// byte per table step in its definition; here it folds sixteen bytes per step
// with sixteen tables ("slicing"), which gives the same value several times
// faster, and on processors with a carry-less multiply it folds 64 bytes per
// step with it (the method of Intel's paper "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ"). Tables and folding constants are computed
// at compile time from the polynomial.
#include "crypto/Hash_CheckSum.h"

#include <array>

#include "crypto/detail/Bytes.h"
#include "crypto/detail/Processor.h"
#include "platform/classes/SysUtils.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VELMORAK_CRC_CLMUL 1
#endif

namespace velmorak {

namespace {

std::unique_ptr<THash> CreateXOR32() {
  return std::make_unique<THash_XOR32>();
}
std::unique_ptr<THash> CreateCRC32() {
  return std::make_unique<THash_CRC32>();
}

constexpr std::uint32_t kCrcPolynomial = 0xEDB88320;  // x^32 + x^26 + ... + 1, reflected

// kCrcTables[0] is the classic byte table: the CRC of each byte value alone.
// kCrcTables[k][b] is the CRC of byte b followed by k zero bytes, so sixteen
// bytes can be folded with one lookup each and the results XORed.
constexpr std::array<std::array<std::uint32_t, 256>, 16> MakeCrcTables() {
  std::array<std::array<std::uint32_t, 256>, 16> t{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t c = b;
    for (int i = 0; i < 8; ++i) c = (c >> 1) ^ ((c & 1) ? kCrcPolynomial : 0);
    t[0][b] = c;
  }
  for (int k = 1; k < 16; ++k) {
    for (int b = 0; b < 256; ++b) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
  }
  return t;
}

constexpr auto kCrcTables = MakeCrcTables();
static_assert(kCrcTables[0][1] == 0x77073096 && kCrcTables[0][255] == 0x2D02EF8D);

std::uint32_t CrcTables(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  const auto& t = kCrcTables;
  for (; n >= 16; p += 16, n -= 16) {
    const std::uint32_t a = detail::LoadLE32(p) ^ crc;
    const std::uint32_t b = detail::LoadLE32(p + 4);
    const std::uint32_t c = detail::LoadLE32(p + 8);
    const std::uint32_t d = detail::LoadLE32(p + 12);
    crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
          t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^ t[7][c & 0xFF] ^
          t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^ t[3][d & 0xFF] ^
          t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
  }
  while (n--) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return crc;
}

#ifdef VELMORAK_CRC_CLMUL

// The folding constants, in the bit-reflected domain: reflect32(x^n mod P)
// shifted left by one, for the fold distances n; and for the final Barrett
// reduction the reflected polynomial and reflect33(x^64 div P).
constexpr std::uint64_t kCrcPolynomialNormal = 0x104C11DB7;

constexpr std::uint64_t Reflect(std::uint64_t v, int bits) {
  std::uint64_t r = 0;
  for (int i = 0; i < bits; ++i) r |= ((v >> i) & 1) << (bits - 1 - i);
  return r;
}

constexpr std::uint64_t XPowerModP(int n) {
  std::uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (std::uint64_t{1} << 32)) r ^= kCrcPolynomialNormal;
  }
  return r;
}

constexpr std::uint64_t FoldConstant(int n) {
  return Reflect(XPowerModP(n), 32) << 1;
}

constexpr std::uint64_t X64DivP() {
  // Long division of x^64 by P, keeping the quotient.
  std::uint64_t rem = 0, quot = 0;
  for (int bit = 64; bit >= 0; --bit) {
    rem = (rem << 1) | (bit == 64 ? 1 : 0);
    quot <<= 1;
    if (rem & (std::uint64_t{1} << 32)) {
      rem ^= kCrcPolynomialNormal;
      quot |= 1;
    }
  }
  return quot;
}

constexpr std::uint64_t kFold512Lo = FoldConstant(4 * 128 + 32);  // 64-byte stride
constexpr std::uint64_t kFold512Hi = FoldConstant(4 * 128 - 32);
constexpr std::uint64_t kFold128Lo = FoldConstant(128 + 32);  // 16-byte stride
constexpr std::uint64_t kFold128Hi = FoldConstant(128 - 32);
constexpr std::uint64_t kFold64 = FoldConstant(64);
constexpr std::uint64_t kPolyReflected = Reflect(kCrcPolynomialNormal, 33);
constexpr std::uint64_t kMu = Reflect(X64DivP(), 33);
static_assert(kFold512Lo == 0x0154442BD4 && kFold512Hi == 0x01C6E41596 && kFold128Lo == 0x01751997D0 &&
              kFold128Hi == 0x00CCAA009E && kFold64 == 0x0163CD6124 && kPolyReflected == 0x01DB710641 &&
              kMu == 0x01F7011641);

#define VELMORAK_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

VELMORAK_CLMUL_TARGET inline __m128i Constants(std::uint64_t lo, std::uint64_t hi) {
  return _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo));
}

VELMORAK_CLMUL_TARGET inline __m128i Load(const std::uint8_t* q) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// x folded over 128 bits onto next.
VELMORAK_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), next), lo);
}

// Folds n bytes (n >= 64, a multiple of 16) into the CRC register.
VELMORAK_CLMUL_TARGET std::uint32_t CrcFold(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  // Four 128-bit lanes over 64 bytes at a time.
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  n -= 64;
  __m128i k = Constants(kFold512Lo, kFold512Hi);
  for (; n >= 64; p += 64, n -= 64) {
    const __m128i l1 = _mm_clmulepi64_si128(x1, k, 0x00), l2 = _mm_clmulepi64_si128(x2, k, 0x00);
    const __m128i l3 = _mm_clmulepi64_si128(x3, k, 0x00), l4 = _mm_clmulepi64_si128(x4, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x2 = _mm_clmulepi64_si128(x2, k, 0x11);
    x3 = _mm_clmulepi64_si128(x3, k, 0x11);
    x4 = _mm_clmulepi64_si128(x4, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, l1), Load(p));
    x2 = _mm_xor_si128(_mm_xor_si128(x2, l2), Load(p + 16));
    x3 = _mm_xor_si128(_mm_xor_si128(x3, l3), Load(p + 32));
    x4 = _mm_xor_si128(_mm_xor_si128(x4, l4), Load(p + 48));
  }
  // The four lanes into one, then any further 16-byte blocks.
  k = Constants(kFold128Lo, kFold128Hi);
  x1 = Fold(x1, k, x2);
  x1 = Fold(x1, k, x3);
  x1 = Fold(x1, k, x4);
  for (; n >= 16; p += 16, n -= 16) x1 = Fold(x1, k, Load(p));
  // 128 bits to 64, then Barrett's reduction to 32.
  const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  __m128i y = _mm_srli_si128(x, 4);
  x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, mask32), Constants(kFold64, 0), 0x00), y);
  const __m128i poly = Constants(kPolyReflected, kMu);
  y = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), poly, 0x10);
  y = _mm_clmulepi64_si128(_mm_and_si128(y, mask32), poly, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, y), 1));
}

#endif

std::uint32_t CrcUpdate(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
#ifdef VELMORAK_CRC_CLMUL
  if (n >= 64 && detail::ProcessorFeatures().Pclmul) {
    const std::size_t folded = n & ~std::size_t{15};
    crc = CrcFold(crc, p, folded);
    p += folded;
    n -= folded;
  }
#endif
  return CrcTables(crc, p, n);
}

}  // namespace

constinit const THashClassInfo THash_XOR32::ClassInfo = {"THash_XOR32", 4, &CreateXOR32};
constinit const THashClassInfo THash_CRC32::ClassInfo = {"THash_CRC32", 4, &CreateCRC32};

THash_XOR32::~THash_XOR32() {
  SecureZero(&FValue, sizeof FValue);
}

void THash_XOR32::Init() {
  FValue = 0;
}

void THash_XOR32::Update(const void* Data, int Size) {
  if (Size <= 0) return;
  const auto* p = static_cast<const std::uint8_t*>(Data);
  std::uint32_t v = FValue;
  if (Size & 1) {
    const std::uint32_t second = Size > 1 ? p[1] : 0;
    v ^= p[0] | (second << 8);
    ++p;
  }
  for (int pairs = Size / 2; pairs > 0; --pairs, p += 2) v = detail::Rol(v, 5) ^ (p[0] | (p[1] << 8));
  FValue = v;
}

void THash_CRC32::Init() {
  FValue = 0xFFFFFFFF;
}

void THash_CRC32::Update(const void* Data, int Size) {
  if (Data == nullptr || (Size & 0xFFFF) == 0 || Size < 0) return;
  FValue = CrcUpdate(FValue, static_cast<const std::uint8_t*>(Data), static_cast<std::size_t>(Size));
}

void THash_CRC32::Final() {
  FValue = ~FValue;
}

}  // namespace velmorak

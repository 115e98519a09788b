// Hash_CheckSum: the XOR/rotate checksum and the CRC-32. The CRC works one
// byte per table step in its definition; here it folds sixteen bytes per step
// with sixteen tables ("slicing"), which gives the same value several times
// faster. The tables are computed at compile time from the polynomial.
#include "crypto/Hash_CheckSum.h"

#include <array>

#include "crypto/detail/Bytes.h"
#include "platform/classes/SysUtils.h"

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

std::uint32_t CrcUpdate(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
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

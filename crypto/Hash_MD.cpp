// Hash_MD: the shared 64-byte block engine and the MD4 compression of
// RFC 1320, fully unrolled: each step names its message word and rotation.
#include "crypto/Hash_MD.h"

#include <cstring>

#include "crypto/detail/Bytes.h"
#include "platform/classes/SysUtils.h"

namespace velmorak {

namespace {

using detail::Rol;

std::unique_ptr<THash> CreateMD4() {
  return std::make_unique<THash_MD4>();
}

// Each step adds the newest word b last, so everything else in the sum is
// ready before it: the dependency chain per step is the boolean function of
// b, one addition and the rotation. The majority G is written as the sum of
// two disjoint parts for the same reason.
inline void Md4F(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
                 int s) {
  a = Rol(a + x + (d ^ (b & (c ^ d))), s);
}
inline void Md4G(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
                 int s) {
  a = Rol(a + x + 0x5A827999 + (c & d) + (b & (c ^ d)), s);
}
inline void Md4H(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
                 int s) {
  a = Rol(a + x + 0x6ED9EBA1 + (b ^ (c ^ d)), s);
}

}  // namespace

constinit const THashClassInfo THash_MD4::ClassInfo = {"THash_MD4", 16, &CreateMD4};

THash_MD4::~THash_MD4() {
  SecureZero(FDigest, sizeof FDigest);
  SecureZero(FBuffer, sizeof FBuffer);
  FCount = 0;
}

void THash_MD4::Init() {
  FCount = 0;
  std::memset(FBuffer, 0, sizeof FBuffer);
  FDigest[0] = 0x67452301;
  FDigest[1] = 0xEFCDAB89;
  FDigest[2] = 0x98BADCFE;
  FDigest[3] = 0x10325476;
  FDigest[4] = 0xC3D2E1F0;
}

// Index = count mod 64 is where the pending partial block ends. Bytes first
// complete that block (or are only appended when they cannot), then whole
// blocks are compressed straight from Data, and the remaining 0..63 bytes
// wait in the buffer.
void THash_MD4::Update(const void* Data, int Size) {
  if (Size <= 0) return;
  const auto* p = static_cast<const std::uint8_t*>(Data);
  auto n = static_cast<std::size_t>(Size);
  const std::size_t index = FCount & 63;
  FCount += static_cast<std::uint32_t>(Size);
  if (index > 0) {
    const std::size_t fill = 64 - index;
    if (n < fill) {
      std::memcpy(FBuffer + index, p, n);
      return;
    }
    std::memcpy(FBuffer + index, p, fill);
    Transform(FBuffer);
    p += fill;
    n -= fill;
  }
  if (n >= 64) {
    TransformBlocks(p, n / 64);
    p += n / 64 * 64;
    n %= 64;
  }
  if (n > 0) std::memcpy(FBuffer, p, n);
}

void THash_MD4::FinishBlocks(bool BigEndianLength) {
  const std::size_t index = FCount & 63;
  FBuffer[index] = 0x80;
  std::memset(FBuffer + index + 1, 0, 63 - index);
  if (index + 1 > 56) {
    // No room for the 8-byte length: it goes into a block of its own.
    Transform(FBuffer);
    std::memset(FBuffer, 0, sizeof FBuffer);
  }
  const std::uint32_t bits = FCount * 8;
  if (BigEndianLength) {
    detail::StoreBE32(FBuffer + 60, bits);
  } else {
    detail::StoreLE32(FBuffer + 56, bits);
  }
  Transform(FBuffer);
  SecureZero(FBuffer, sizeof FBuffer);
}

void THash_MD4::Final() {
  FinishBlocks(false);
}

void THash_MD4::TransformBlocks(const std::uint8_t* Blocks, std::size_t Count) {
  std::uint32_t a = FDigest[0], b = FDigest[1], c = FDigest[2], d = FDigest[3];
  for (; Count > 0; --Count, Blocks += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = detail::LoadLE32(Blocks + 4 * i);
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    Md4F(a, b, c, d, x[0], 3);
    Md4F(d, a, b, c, x[1], 7);
    Md4F(c, d, a, b, x[2], 11);
    Md4F(b, c, d, a, x[3], 19);
    Md4F(a, b, c, d, x[4], 3);
    Md4F(d, a, b, c, x[5], 7);
    Md4F(c, d, a, b, x[6], 11);
    Md4F(b, c, d, a, x[7], 19);
    Md4F(a, b, c, d, x[8], 3);
    Md4F(d, a, b, c, x[9], 7);
    Md4F(c, d, a, b, x[10], 11);
    Md4F(b, c, d, a, x[11], 19);
    Md4F(a, b, c, d, x[12], 3);
    Md4F(d, a, b, c, x[13], 7);
    Md4F(c, d, a, b, x[14], 11);
    Md4F(b, c, d, a, x[15], 19);

    Md4G(a, b, c, d, x[0], 3);
    Md4G(d, a, b, c, x[4], 5);
    Md4G(c, d, a, b, x[8], 9);
    Md4G(b, c, d, a, x[12], 13);
    Md4G(a, b, c, d, x[1], 3);
    Md4G(d, a, b, c, x[5], 5);
    Md4G(c, d, a, b, x[9], 9);
    Md4G(b, c, d, a, x[13], 13);
    Md4G(a, b, c, d, x[2], 3);
    Md4G(d, a, b, c, x[6], 5);
    Md4G(c, d, a, b, x[10], 9);
    Md4G(b, c, d, a, x[14], 13);
    Md4G(a, b, c, d, x[3], 3);
    Md4G(d, a, b, c, x[7], 5);
    Md4G(c, d, a, b, x[11], 9);
    Md4G(b, c, d, a, x[15], 13);

    Md4H(a, b, c, d, x[0], 3);
    Md4H(d, a, b, c, x[8], 9);
    Md4H(c, d, a, b, x[4], 11);
    Md4H(b, c, d, a, x[12], 15);
    Md4H(a, b, c, d, x[2], 3);
    Md4H(d, a, b, c, x[10], 9);
    Md4H(c, d, a, b, x[6], 11);
    Md4H(b, c, d, a, x[14], 15);
    Md4H(a, b, c, d, x[1], 3);
    Md4H(d, a, b, c, x[9], 9);
    Md4H(c, d, a, b, x[5], 11);
    Md4H(b, c, d, a, x[13], 15);
    Md4H(a, b, c, d, x[3], 3);
    Md4H(d, a, b, c, x[11], 9);
    Md4H(c, d, a, b, x[7], 11);
    Md4H(b, c, d, a, x[15], 15);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  FDigest[0] = a;
  FDigest[1] = b;
  FDigest[2] = c;
  FDigest[3] = d;
}

}  // namespace velmorak

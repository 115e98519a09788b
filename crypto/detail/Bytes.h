// Bytes: the word helpers every hash and cipher here is built from: rotations,
// byte swap, and little- or big-endian loads and stores from unaligned byte
// pointers. They compile to single instructions (memcpy of four bytes becomes
// one move, the swap one bswap), so the round code can call them freely.
//
// The byte swap is the compiler's builtin. Older versions of this library
// probed the processor at start-up to choose between the bswap instruction
// and an exchange-and-rotate sequence for pre-486 machines; nothing we run on
// lacks bswap, and both give the same result, so the probe is gone.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace velmorak::detail {

// The engines store words in their natural order in memory and hand out digest
// bytes straight from them; both of our targets (x86-64 Linux, i686 Windows)
// are little-endian.
static_assert(std::endian::native == std::endian::little, "the crypto units assume a little-endian host");

inline constexpr std::uint32_t Rol(std::uint32_t x, int n) {
  return std::rotl(x, n);
}
inline constexpr std::uint32_t Ror(std::uint32_t x, int n) {
  return std::rotr(x, n);
}

inline std::uint32_t ByteSwap(std::uint32_t x) {
  return __builtin_bswap32(x);
}

inline std::uint32_t LoadLE32(const void* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void StoreLE32(void* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}

inline std::uint32_t LoadBE32(const void* p) {
  return ByteSwap(LoadLE32(p));
}

inline void StoreBE32(void* p, std::uint32_t v) {
  StoreLE32(p, ByteSwap(v));
}

// dst[i] = a[i] ^ b[i] for n bytes; the buffers may coincide.
inline void XorBytes(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  while (n >= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    x ^= y;
    std::memcpy(dst, &x, 8);
    dst += 8, a += 8, b += 8, n -= 8;
  }
  while (n--) *dst++ = *a++ ^ *b++;
}

}  // namespace velmorak::detail

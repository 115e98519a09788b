// ZipCrypt: PKWARE's traditional encryption — three 32-bit keys driven by
// the CRC-32 table and a linear congruential step, a 12-byte encryption
// header whose last byte checks the password. Internal to the archive folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorak::zipcrypt {

// The CRC-32 table of the reflected polynomial 0xEDB88320.
struct TCrcTable {
  std::uint32_t Entry[256];
  constexpr TCrcTable() : Entry() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      Entry[i] = c;
    }
  }
};
inline constexpr TCrcTable kCrcTable{};

inline std::uint32_t CrcByte(std::uint32_t k, std::uint8_t b) {
  return kCrcTable.Entry[(k ^ b) & 0xFF] ^ (k >> 8);
}

struct TKeys {
  std::uint32_t Key0 = 0x12345678u, Key1 = 0x23456789u, Key2 = 0x34567890u;

  void Update(std::uint8_t b) {
    Key0 = CrcByte(Key0, b);
    Key1 = (Key1 + (Key0 & 0xFF)) * 134775813u + 1;
    Key2 = CrcByte(Key2, static_cast<std::uint8_t>(Key1 >> 24));
  }
  std::uint8_t StreamByte() const {
    const std::uint32_t t = Key2 | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
  }
  // Sets the keys up from the password's bytes, in order.
  void Init(const std::string& password) {
    *this = TKeys{};
    for (char c : password) Update(static_cast<std::uint8_t>(c));
  }
  // Decrypts in place.
  void Decrypt(std::uint8_t* data, std::size_t count) {
    std::uint32_t k0 = Key0, k1 = Key1, k2 = Key2;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t t = k2 | 2;
      const std::uint8_t p =
          static_cast<std::uint8_t>(data[i] ^ static_cast<std::uint8_t>((t * (t ^ 1)) >> 8));
      data[i] = p;
      k0 = CrcByte(k0, p);
      k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
      k2 = CrcByte(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    Key0 = k0, Key1 = k1, Key2 = k2;
  }
};

}  // namespace velmorak::zipcrypt

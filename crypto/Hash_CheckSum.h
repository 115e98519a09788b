// Hash_CheckSum: two 32-bit checksums. THash_CRC32 is the table storage's
// read-back check of written blobs (the value is compared, never stored);
// THash_XOR32, a rotate-and-XOR sum over 16-bit words, is only its base
// class. Both hold one 32-bit value whose four little-endian bytes are the
// digest.
#pragma once

#include <cstdint>

#include "crypto/HashBase.h"

namespace velmorak {

class THash_XOR32 : public THash {
 public:
  static const THashClassInfo ClassInfo;

  ~THash_XOR32() override;

  THashClass ClassType() const override { return &ClassInfo; }
  // Value := 0.
  void Init() override;
  // For an odd Size, first XORs the little-endian word of the first two
  // bytes into the low 16 bits and steps one byte; then for each following
  // byte pair rotates the value left by 5 and XORs the pair in. With Size 1
  // there is no second byte: it is taken as zero, and nothing past the
  // buffer is read.
  void Update(const void* Data, int Size) override;
  // Nothing to finish.
  void Final() override {}
  const std::uint8_t* Digest() const override { return reinterpret_cast<const std::uint8_t*>(&FValue); }

  // The checksum as a number.
  std::uint32_t Value() const { return FValue; }

 protected:
  std::uint32_t FValue = 0;
};

// The CRC-32 of ISO 3309 / ITU-T V.42 (reflected polynomial EDB88320).
class THash_CRC32 : public THash_XOR32 {
 public:
  static const THashClassInfo ClassInfo;

  THashClass ClassType() const override { return &ClassInfo; }
  // Value := FFFFFFFF.
  void Init() override;
  // Folds the bytes in. A null Data, or a Size whose low 16 bits are all zero
  // (65,536 bytes or any multiple), leaves the value as it is: the blob
  // checksums of existing files were made with that rule and must still
  // match.
  void Update(const void* Data, int Size) override;
  // Inverts the 32 bits.
  void Final() override;
};

}  // namespace velmorak

// Enc_Blowfish: Bruce Schneier's Blowfish, 64-bit blocks, 16 rounds, keys of
// 1 to 56 bytes. The context is the four key-dependent S-boxes (4 x 256
// words) followed by the 18-word P-array; blocks are read and written as two
// big-endian words.
#pragma once

#include "crypto/EncryptBase.h"

namespace velmorak {

class TEnc_Blowfish : public TEncrypt {
 public:
  static const TEncryptClassInfo ClassInfo;

  TEnc_Blowfish() : TEncrypt(&ClassInfo) {}

  TEncryptClass ClassType() const override { return &ClassInfo; }
  void EncryptBlock(void* Block) override;
  void DecryptBlock(void* Block) override;

 protected:
  // The published schedule: the key bytes, cycled, are XORed into the
  // P-array, then P and the S-boxes are replaced by successive
  // encipherments of the all-zero block. An empty key (Init with Size 0)
  // XORs nothing in, which is the same as the one-byte key 00.
  void SetupKey(const std::uint8_t* Key, int Size) override;
  void EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                      bool FeedbackXor) override;
};

}  // namespace velmorak

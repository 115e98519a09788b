// Enc_Gost: the GOST 28147-89 basic (electronic code book) transformation,
// 64-bit blocks, a 256-bit key of eight little-endian words, with the S-boxes
// published as the test parameters of GOST R 34.11-94. Shorter keys are
// padded with zero bytes.
#pragma once

#include "crypto/EncryptBase.h"

namespace velmorak {

class TEnc_Gost : public TEncrypt {
 public:
  static const TEncryptClassInfo ClassInfo;

  TEnc_Gost() : TEncrypt(&ClassInfo) {}

  TEncryptClass ClassType() const override { return &ClassInfo; }
  void EncryptBlock(void* Block) override;
  void DecryptBlock(void* Block) override;

 protected:
  // Copies the key bytes into the zeroed 32-byte key area.
  void SetupKey(const std::uint8_t* Key, int Size) override;
  void EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                      bool FeedbackXor) override;
};

}  // namespace velmorak

// Enc_Twofish: our Twofish variant, 128-bit blocks, keys up to 32 bytes (a
// 20-byte key behaves as that key followed by four zero bytes). It is not
// the published Twofish and does not reproduce its test vectors: see
// crypto/detail/Twofish.h for the three differences. Data enciphered with it
// can only be read back by code that reproduces them.
#pragma once

#include "crypto/EncryptBase.h"

namespace velmorak {

class TEnc_Twofish : public TEncrypt {
 public:
  static const TEncryptClassInfo ClassInfo;

  TEnc_Twofish() : TEncrypt(&ClassInfo) {}

  TEncryptClass ClassType() const override { return &ClassInfo; }
  void EncryptBlock(void* Block) override;
  void DecryptBlock(void* Block) override;

 protected:
  void SetupKey(const std::uint8_t* Key, int Size) override;
  void EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) override;
  void EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                      bool FeedbackXor) override;
};

}  // namespace velmorak

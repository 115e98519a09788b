// ZvDBCiphers: the encryption modules of the database engine. Each adapter
// drives one block cipher of ours and enrols under the name an options
// header gives ("Blowfish", "Twofish", "Gost"). The cipher is keyed from the
// password text with no initialisation vector; the manager restarts it after
// every value, so each value starts from the same chaining state.
#pragma once

#include <memory>

#include "crypto/EncryptBase.h"
#include "database/ZvDBProcess.h"

namespace velmorak {

class TEncAlgo_Base : public TEncryptAlgo {
 public:
  TEncAlgo_Base(TZvDBFileIO* AOwner, TEncryptClass Cipher);
  virtual TEncryptClass CipherClass() const = 0;

  void SetMode(std::uint8_t Mode) override { FCipher->Mode = static_cast<TEncryptMode>(Mode); }
  std::uint8_t GetMode() const override { return FCipher->Mode; }
  void InitKey(const std::string& Key) override { FCipher->InitKey(Key); }
  void Restart() override { FCipher->Restart(); }
  // Any Size, also one shorter than a cipher block; Source may be Dest.
  void EncryptBuffer(const void* Source, void* Dest, std::int64_t Size) override;
  void DecryptBuffer(const void* Source, void* Dest, std::int64_t Size) override;

  TEncrypt& Cipher() const { return *FCipher; }

 private:
  std::unique_ptr<TEncrypt> FCipher;
};

class TEncAlgo_Blowfish : public TEncAlgo_Base {
 public:
  static const TDataProcessAlgoClassInfo ClassInfo;
  explicit TEncAlgo_Blowfish(TZvDBFileIO* AOwner);
  TDataProcessAlgoClass ClassType() const override { return &ClassInfo; }
  TEncryptClass CipherClass() const override;
};

class TEncAlgo_Twofish : public TEncAlgo_Base {
 public:
  static const TDataProcessAlgoClassInfo ClassInfo;
  explicit TEncAlgo_Twofish(TZvDBFileIO* AOwner);
  TDataProcessAlgoClass ClassType() const override { return &ClassInfo; }
  TEncryptClass CipherClass() const override;
};

class TEncAlgo_Gost : public TEncAlgo_Base {
 public:
  static const TDataProcessAlgoClassInfo ClassInfo;
  explicit TEncAlgo_Gost(TZvDBFileIO* AOwner);
  TDataProcessAlgoClass ClassType() const override { return &ClassInfo; }
  TEncryptClass CipherClass() const override;
};

// Registers the three modules once; later calls do nothing.
void RegisterCipherModules();

}  // namespace velmorak

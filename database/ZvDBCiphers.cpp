// ZvDBCiphers: the three cipher adapters and their registration at start.
#include "database/ZvDBCiphers.h"

#include <algorithm>
#include <climits>

#include "crypto/Enc_Blowfish.h"
#include "crypto/Enc_Gost.h"
#include "crypto/Enc_Twofish.h"

namespace velmorak {

TEncAlgo_Base::TEncAlgo_Base(TZvDBFileIO* AOwner, TEncryptClass Cipher)
    : TEncryptAlgo(AOwner), FCipher(Cipher->Create()) {}

// The cipher takes an int size; values larger than that go in slices, which
// the cipher's continuous chaining state makes equivalent to one call (each
// slice but the last is a whole number of blocks).
void TEncAlgo_Base::EncryptBuffer(const void* Source, void* Dest, std::int64_t Size) {
  const auto* s = static_cast<const std::uint8_t*>(Source);
  auto* d = static_cast<std::uint8_t*>(Dest);
  constexpr std::int64_t kSlice = 1 << 30;
  while (Size > 0) {
    const std::int64_t n = std::min(Size, kSlice);
    FCipher->EncryptBuffer(s, d, static_cast<int>(n));
    s += n, d += n, Size -= n;
  }
}

void TEncAlgo_Base::DecryptBuffer(const void* Source, void* Dest, std::int64_t Size) {
  const auto* s = static_cast<const std::uint8_t*>(Source);
  auto* d = static_cast<std::uint8_t*>(Dest);
  constexpr std::int64_t kSlice = 1 << 30;
  while (Size > 0) {
    const std::int64_t n = std::min(Size, kSlice);
    FCipher->DecryptBuffer(s, d, static_cast<int>(n));
    s += n, d += n, Size -= n;
  }
}

#define ZV_CIPHER_MODULE(Adapter, Cipher)                                              \
  const TDataProcessAlgoClassInfo Adapter::ClassInfo = {                               \
      #Adapter, [](TZvDBFileIO* Owner) -> std::unique_ptr<TDataProcessAlgo> {          \
        return std::make_unique<Adapter>(Owner);                                       \
      }};                                                                              \
  Adapter::Adapter(TZvDBFileIO* AOwner) : TEncAlgo_Base(AOwner, &Cipher::ClassInfo) {} \
  TEncryptClass Adapter::CipherClass() const {                                         \
    return &Cipher::ClassInfo;                                                         \
  }

ZV_CIPHER_MODULE(TEncAlgo_Blowfish, TEnc_Blowfish)
ZV_CIPHER_MODULE(TEncAlgo_Twofish, TEnc_Twofish)
ZV_CIPHER_MODULE(TEncAlgo_Gost, TEnc_Gost)

#undef ZV_CIPHER_MODULE

void RegisterCipherModules() {
  static const bool once = [] {
    RegisterEncryptAlgo(&TEncAlgo_Blowfish::ClassInfo, "Blowfish");
    RegisterEncryptAlgo(&TEncAlgo_Twofish::ClassInfo, "Twofish");
    RegisterEncryptAlgo(&TEncAlgo_Gost::ClassInfo, "Gost");
    return true;
  }();
  (void)once;
}

namespace {
const bool registered = (RegisterCipherModules(), true);
}  // namespace

}  // namespace velmorak

// EncryptBase: key setup, InitKey and the mode engine shared by all our
// ciphers. B is the block size, F the Feedback block, E and D the cipher's
// block operations:
//
//   mode            whole block (encipher)        final r < B bytes (both ways)
//   cmFeedbackXor   C := E(P ^ F); F := C ^ F      K := E(F); out := in ^ K; F := K ^ F
//   cmCBC           C := E(P ^ F); F := C          K := E(F); out := in ^ K
//   cmCFB8          per byte: K := E(F); c := p ^ K[0]; F shifts left one byte, last := c
//   cmOFB8          as cmCFB8, but last := K[0]
//   cmECB           C := E(P)                      left as it is
//
// Deciphering inverts each mode; the tails of cmFeedbackXor and cmCBC are
// enciphered with E in both directions. The feedback chain of deciphering
// does not depend on the plaintext, so D runs over many blocks at once there.
#include "crypto/EncryptBase.h"

#include <algorithm>
#include <cstring>

#include "crypto/Hash_SHA.h"
#include "crypto/detail/Bytes.h"

namespace velmorak {

constinit const THashClass DefaultHashClass = &THash_SHA::ClassInfo;

namespace {

// Deciphering in chunks: the ciphertext of a chunk is kept here when Dest
// overwrites it, since the chaining needs it after D has run.
constexpr std::size_t kChunkBytes = 512;

}  // namespace

TEncrypt::TEncrypt(TEncryptClass Class)
    : FBlockSize(Class->BlockSize),
      FMaxKeySize(Class->MaxKeySize),
      FContextSize(Class->ContextSize),
      FHashClass(DefaultHashClass) {
  const std::size_t words = static_cast<std::size_t>(FContextSize + 3 * FBlockSize + 3) / 4;
  FStorage = std::make_unique<std::uint32_t[]>(words);
  auto* bytes = reinterpret_cast<std::uint8_t*>(FStorage.get());
  FInitVector = bytes + FContextSize;
  FFeedback = FInitVector + FBlockSize;
  FScratch = FFeedback + FBlockSize;
  TEncrypt::Wipe();
}

TEncrypt::~TEncrypt() {
  TEncrypt::Wipe();
}

void TEncrypt::SetFlag(int Index, bool Value) {
  const std::uint32_t bit = 1u << Index;
  FFlags = Value ? (FFlags | bit) : (FFlags & ~bit);
}

void TEncrypt::GetContext(int& BlockSize, int& MaxKeySize, int& ContextSize) const {
  BlockSize = FBlockSize;
  MaxKeySize = FMaxKeySize;
  ContextSize = FContextSize;
}

void TEncrypt::Wipe() {
  SetFlag(9, false);
  SecureFill(FInitVector, static_cast<std::size_t>(FBlockSize), 0xFF);
  SecureFill(FFeedback, static_cast<std::size_t>(FBlockSize), 0xFF);
  SecureZero(FScratch, static_cast<std::size_t>(FBlockSize));
  SecureZero(FStorage.get(), static_cast<std::size_t>(FContextSize));
}

void TEncrypt::Init(const void* Key, int Size, const void* IV) {
  SetFlag(9, false);
  Wipe();
  Size = std::clamp(Size, 0, FMaxKeySize);
  SetupKey(static_cast<const std::uint8_t*>(Key), Size);
  if (IV != nullptr) {
    std::memcpy(FInitVector, IV, static_cast<std::size_t>(FBlockSize));
  } else {
    EncryptBlock(FInitVector);  // Wipe left it all FF
  }
  std::memcpy(FFeedback, FInitVector, static_cast<std::size_t>(FBlockSize));
  SetFlag(9, true);
}

void TEncrypt::Restart() {
  std::memcpy(FFeedback, FInitVector, static_cast<std::size_t>(FBlockSize));
}

void TEncrypt::SetHashClass(THashClass Value) {
  if (Value == FHashClass) return;
  FHash.reset();
  FHashClass = Value;
}

void TEncrypt::InitKey(std::string_view KeyText, const void* IV) {
  if (!FHash) FHash = FHashClass->Create();
  FHash->Init();
  FHash->Update(KeyText.data(), static_cast<int>(KeyText.size()));
  FHash->Final();
  const int digestSize = FHash->DigestSize();
  Init(FHash->Digest(), std::min(digestSize, FMaxKeySize), IV);
  // The digest is the key: it does not stay readable in the hash object. The
  // digest area belongs to the hash object we own, so writing it is ours.
  auto* digest = const_cast<std::uint8_t*>(FHash->Digest());
  EncryptBuffer(digest, digest, digestSize);
  Restart();
}

void TEncrypt::RaiseNotInitialized() const {
  throw EEncryptException(Format("%s is not initialized call Init() or InitKey() before.", ClassName()),
                          kErrNotInitialized);
}

void TEncrypt::EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  const auto bs = static_cast<std::size_t>(FBlockSize);
  for (std::size_t i = 0; i < Count; ++i, Source += bs, Dest += bs) {
    if (Dest != Source) std::memcpy(Dest, Source, bs);
    EncryptBlock(Dest);
  }
}

void TEncrypt::DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  const auto bs = static_cast<std::size_t>(FBlockSize);
  for (std::size_t i = 0; i < Count; ++i, Source += bs, Dest += bs) {
    if (Dest != Source) std::memcpy(Dest, Source, bs);
    DecryptBlock(Dest);
  }
}

void TEncrypt::EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                              bool FeedbackXor) {
  const auto bs = static_cast<std::size_t>(FBlockSize);
  for (std::size_t i = 0; i < Count; ++i, Source += bs, Dest += bs) {
    detail::XorBytes(Dest, Source, FFeedback, bs);
    EncryptBlock(Dest);
    if (FeedbackXor) {
      detail::XorBytes(FFeedback, FFeedback, Dest, bs);
    } else {
      std::memcpy(FFeedback, Dest, bs);
    }
  }
}

const std::uint8_t* TEncrypt::FeedbackKeystream() {
  std::memcpy(FScratch, FFeedback, static_cast<std::size_t>(FBlockSize));
  EncryptBlock(FScratch);
  return FScratch;
}

void TEncrypt::ShiftFeedback(std::uint8_t Last) {
  std::memmove(FFeedback, FFeedback + 1, static_cast<std::size_t>(FBlockSize - 1));
  FFeedback[FBlockSize - 1] = Last;
}

void TEncrypt::EncryptBuffer(const void* Source, void* Dest, int Size) {
  if (!Initialized()) RaiseNotInitialized();
  if (Size <= 0 || Mode > cmECB) return;
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  const auto bs = static_cast<std::size_t>(FBlockSize);
  const auto size = static_cast<std::size_t>(Size);
  const std::size_t whole = size / bs * bs;
  const std::size_t tail = size - whole;
  std::uint8_t* f = FFeedback;

  switch (Mode) {
    case cmFeedbackXor:
    case cmCBC:
      EncryptChained(src, dst, whole / bs, Mode == cmFeedbackXor);
      if (tail > 0) {
        const std::uint8_t* k = FeedbackKeystream();
        detail::XorBytes(dst + whole, src + whole, k, tail);
        if (Mode == cmFeedbackXor) detail::XorBytes(f, f, k, bs);
      }
      break;
    case cmCFB8:
    case cmOFB8:
      for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t k0 = FeedbackKeystream()[0];
        const std::uint8_t c = src[i] ^ k0;
        dst[i] = c;
        ShiftFeedback(Mode == cmCFB8 ? c : k0);
      }
      break;
    case cmECB:
      EncryptBlocks(src, dst, whole / bs);
      if (tail > 0 && dst != src) std::memcpy(dst + whole, src + whole, tail);
      break;
  }
  SecureZero(FScratch, bs);
}

void TEncrypt::DecryptBuffer(const void* Source, void* Dest, int Size) {
  if (!Initialized()) RaiseNotInitialized();
  if (Size <= 0 || Mode > cmECB) return;
  const auto* src = static_cast<const std::uint8_t*>(Source);
  auto* dst = static_cast<std::uint8_t*>(Dest);
  const auto bs = static_cast<std::size_t>(FBlockSize);
  const auto size = static_cast<std::size_t>(Size);
  const std::size_t whole = size / bs * bs;
  const std::size_t tail = size - whole;
  std::uint8_t* f = FFeedback;

  switch (Mode) {
    case cmFeedbackXor:
    case cmCBC: {
      // P := D(C) ^ F, then F := C ^ F (cmFeedbackXor) or F := C (cmCBC).
      alignas(16) std::uint8_t saved[kChunkBytes];
      for (std::size_t at = 0; at < whole;) {
        const std::size_t n = std::min(whole - at, kChunkBytes);
        const std::uint8_t* c = src + at;
        if (dst == src) {
          std::memcpy(saved, src + at, n);
          c = saved;
        }
        DecryptBlocks(src + at, dst + at, n / bs);
        for (std::size_t i = 0; i < n; i += bs) {
          detail::XorBytes(dst + at + i, dst + at + i, f, bs);
          if (Mode == cmCBC) {
            std::memcpy(f, c + i, bs);
          } else {
            detail::XorBytes(f, f, c + i, bs);
          }
        }
        at += n;
      }
      if (tail > 0) {
        const std::uint8_t* k = FeedbackKeystream();
        detail::XorBytes(dst + whole, src + whole, k, tail);
        if (Mode == cmFeedbackXor) detail::XorBytes(f, f, k, bs);
      }
      break;
    }
    case cmCFB8:
    case cmOFB8:
      for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t k0 = FeedbackKeystream()[0];
        const std::uint8_t c = src[i];
        dst[i] = c ^ k0;
        ShiftFeedback(Mode == cmCFB8 ? c : k0);
      }
      break;
    case cmECB:
      DecryptBlocks(src, dst, whole / bs);
      if (tail > 0 && dst != src) std::memcpy(dst + whole, src + whole, tail);
      break;
  }
  SecureZero(FScratch, bs);
}

}  // namespace velmorak

// EncryptBase: the frame every block cipher of ours sits in. TEncrypt owns
// the expanded key, the chaining state and the five chaining modes; a cipher
// adds only its key schedule and its single-block encipherment (and, for
// speed, a run of independent blocks at once). The database engine keys a
// cipher from the password with InitKey, then enciphers each field value and
// blob with EncryptBuffer, calling Restart after each so that every value
// starts from the same initial vector.
//
// Lifecycle:
//
//   created / Wipe() --Init() or InitKey()--> keyed (Initialized)
//   keyed --EncryptBuffer/DecryptBuffer--> keyed, Feedback moved on
//   keyed --Restart()--> keyed, Feedback = InitVector
//   keyed --Wipe() or destruction--> unkeyed; EncryptBuffer raises code 3
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "crypto/HashBase.h"
#include "platform/classes/Classes.h"
#include "platform/classes/SysUtils.h"

namespace velmorak {

// Errors of the ciphers. ErrorCode 3: the cipher was used before a key was
// set.
class EEncryptException : public Exception {
 public:
  EEncryptException(std::string Message, std::int32_t Code)
      : Exception(std::move(Message)), ErrorCode(Code) {}
  std::int32_t ErrorCode;
};

inline constexpr std::int32_t kErrNotInitialized = 3;

// The chaining modes. The byte values are the ones the database options
// header stores.
enum TEncryptMode : std::uint8_t {
  cmFeedbackXor = 0,  // C := E(P xor F); F := C xor F
  cmCBC = 1,          // C := E(P xor F); F := C
  cmCFB8 = 2,         // 8-bit cipher feedback: one encipherment per byte
  cmOFB8 = 3,         // 8-bit output feedback: one encipherment per byte
  cmECB = 4,          // C := E(P)
};

class TEncrypt;

// What a cipher class knows without an instance (its GetContext), and how to
// make one. Descriptors are constants with static storage duration.
struct TEncryptClassInfo {
  const char* ClassName;  // "TEnc_Blowfish"
  int BlockSize;          // bytes per block
  int MaxKeySize;         // longer keys are cut to this
  int ContextSize;        // bytes of expanded key
  std::unique_ptr<TEncrypt> (*Create)();
};
using TEncryptClass = const TEncryptClassInfo*;

// The hash class a new cipher derives its InitKey key with: THash_SHA, whose
// digest is SHA-0. Never changed.
extern const THashClass DefaultHashClass;

class TEncrypt : public TPersistent {
 public:
  ~TEncrypt() override;
  TEncrypt(const TEncrypt&) = delete;
  TEncrypt& operator=(const TEncrypt&) = delete;

  virtual TEncryptClass ClassType() const = 0;
  const char* ClassName() const override { return ClassType()->ClassName; }

  // Sets or clears one bit of the flags; bit 9 is Initialized.
  virtual void SetFlag(int Index, bool Value);
  // The class's block size, largest key and context size.
  void GetContext(int& BlockSize, int& MaxKeySize, int& ContextSize) const;

  // Enciphers / deciphers one BlockSize block in place with the key
  // schedule, in electronic code book fashion. REQUIRES: a key was set
  // (these do not check; the buffer operations do).
  virtual void EncryptBlock(void* Block) = 0;
  virtual void DecryptBlock(void* Block) = 0;

  // Keys the cipher with the first Size bytes of Key: Wipe, then the
  // cipher's schedule (a negative Size counts as 0, more than MaxKeySize
  // bytes are cut), then the initial vector: BlockSize bytes of IV if given,
  // otherwise the encipherment of the all-FF block under the new key.
  // Feedback starts at the initial vector. Key must hold Size bytes.
  virtual void Init(const void* Key, int Size, const void* IV = nullptr);
  // Feedback := InitVector.
  virtual void Restart();
  // Forgets the key: clears Initialized, fills InitVector and Feedback with
  // FF bytes and the scratch block and key schedule with zeros.
  virtual void Wipe();

  // Keys the cipher from a text: the digest of its bytes with HashClass
  // (SHA-0 by default), cut to MaxKeySize, goes to Init with IV; the hash
  // object's digest is then overwritten by its own encipherment, and the
  // chaining starts afresh.
  void InitKey(std::string_view KeyText, const void* IV = nullptr);

  // Process Size bytes from Source into Dest in Mode, continuing from the
  // current Feedback. Source and Dest either are the same buffer or do not
  // overlap. A final partial block is handled as the mode defines (see the
  // .cpp); a Mode above cmECB processes nothing and leaves Dest untouched.
  // Raises EEncryptException code 3, writing nothing, when no key is set.
  void EncryptBuffer(const void* Source, void* Dest, int Size);
  void DecryptBuffer(const void* Source, void* Dest, int Size);

  // The chaining mode, one of TEncryptMode; 0 (cmFeedbackXor) when created.
  TEncryptMode Mode = cmFeedbackXor;

  THashClass HashClass() const { return FHashClass; }
  // Changing the class drops the hash object; InitKey makes a new one.
  void SetHashClass(THashClass Value);
  // The hash object InitKey used, or nullptr before the first InitKey.
  THash* Hash() const { return FHash.get(); }

  int BlockSize() const { return FBlockSize; }
  int MaxKeySize() const { return FMaxKeySize; }
  int ContextSize() const { return FContextSize; }
  bool Initialized() const { return (FFlags & kFlagInitialized) != 0; }
  const std::uint8_t* InitVector() const { return FInitVector; }
  const std::uint8_t* Feedback() const { return FFeedback; }

 protected:
  // Allocates the key schedule and the three blocks for Class and wipes them.
  explicit TEncrypt(TEncryptClass Class);

  // The cipher's own schedule from Size (0..MaxKeySize) bytes at Key into
  // the key schedule, which Wipe has just zeroed.
  virtual void SetupKey(const std::uint8_t* Key, int Size) = 0;

  // Count independent blocks from Source to Dest (the same buffer, or not
  // overlapping). The base loops over EncryptBlock / DecryptBlock; a cipher
  // overrides them to interleave several blocks.
  virtual void EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count);
  virtual void DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count);
  // Enciphers Count whole blocks chained as cmCBC (FeedbackXor false) or
  // cmFeedbackXor (true) define it, from and into Feedback. The base does it
  // with EncryptBlock; a cipher overrides it with detail::EncipherChain.
  virtual void EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                              bool FeedbackXor);

  // The chaining block, for EncryptChained.
  std::uint8_t* FeedbackBlock() { return FFeedback; }

  // The expanded key as 32-bit words (ContextSize / 4 of them).
  std::uint32_t* KeySchedule() { return FStorage.get(); }
  const std::uint32_t* KeySchedule() const { return FStorage.get(); }

 private:
  static constexpr std::uint32_t kFlagInitialized = 1u << 9;

  [[noreturn]] void RaiseNotInitialized() const;
  // K := E(copy of Feedback), left in the scratch block.
  const std::uint8_t* FeedbackKeystream();
  void ShiftFeedback(std::uint8_t Last);

  std::int32_t FBlockSize;
  std::int32_t FMaxKeySize;
  std::int32_t FContextSize;
  std::uint32_t FFlags = 0;
  THashClass FHashClass;
  std::unique_ptr<THash> FHash;
  // One allocation: key schedule, then InitVector, Feedback, Scratch.
  std::unique_ptr<std::uint32_t[]> FStorage;
  std::uint8_t* FInitVector;
  std::uint8_t* FFeedback;
  std::uint8_t* FScratch;
};

}  // namespace velmorak

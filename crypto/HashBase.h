// HashBase: the root of our message digests and checksums. A hash object is
// driven as Init, any number of Update calls, Final, then Digest or
// DigestText; Init may be called again to reuse it. The database engine uses
// the family for its password digest (HashText with THash_SHA), for the key
// of every cipher (InitKey) and for the CRC-32 read-back check of blobs.
//
// A hash class is also a value: THashClass points at a small descriptor with
// the class name, the digest size and a factory, so code can say "hash with
// this class" (HashText, TEncrypt's HashClass) without an instance at hand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/Classes.h"

namespace velmorak {

class THash;

// What a hash class knows without an instance. Descriptors are constants with
// static storage duration, so a THashClass never dangles.
struct THashClassInfo {
  const char* ClassName;               // "THash_SHA"
  int DigestSize;                      // digest length in bytes
  std::unique_ptr<THash> (*Create)();  // a fresh instance, not yet Init-ed
};
using THashClass = const THashClassInfo*;

// The text form that DigestText(0) and HashText/HashBuffer produce. 64 means
// our base-64 form; nothing in the system changes it.
inline constexpr int DefaultDigestFormat = 64;

class THash : public TPersistent {
 public:
  static const THashClassInfo ClassInfo;

  // The class of this instance; ClassName and DigestSize come from it.
  virtual THashClass ClassType() const { return &ClassInfo; }
  const char* ClassName() const override { return ClassType()->ClassName; }
  int DigestSize() const { return ClassType()->DigestSize; }

  // Resets to the initial state. The base does nothing.
  virtual void Init() {}
  // Feeds Size bytes at Data. Size 0 does nothing; a negative Size is ignored.
  virtual void Update(const void* Data, int Size) {}
  // Pads and finishes; afterwards Digest holds the result. Feeding more bytes
  // without a new Init continues from the padded state (nobody does).
  virtual void Final() {}
  // The DigestSize digest bytes inside this object, valid until the next Init
  // or the object's destruction. The base has none and returns nullptr.
  virtual const std::uint8_t* Digest() const { return nullptr; }

  // The digest as text. Format 0 means DefaultDigestFormat; 16 is upper-case
  // hexadecimal; 64 is our base-64 form (below); any other value gives the raw
  // digest bytes as a string of DigestSize characters.
  std::string DigestText(int Format) const;

  // Hashes the bytes of Text (no terminator) with a private instance of
  // HashClass and returns DigestText(0). If DigestOut is given, it receives
  // the DigestSize raw bytes as well.
  static std::string HashText(THashClass HashClass, std::string_view Text, void* DigestOut = nullptr);
  // The same over Size bytes at Buffer.
  static std::string HashBuffer(THashClass HashClass, const void* Buffer, int Size,
                                void* DigestOut = nullptr);
};

// Our base-64 text of a digest. Standard alphabet, but each 3-byte group
// (a short last group filled with zero bytes) emits its sextets from the most
// significant one only up to its last non-zero sextet, so a zero group emits
// nothing; then "==" follows if Size mod 3 is 1 and "=" if it is 2. Stored
// password digests were made this way and are only ever compared with text
// made by the same rule, dropped characters included.
std::string DigestToBase64(const std::uint8_t* Digest, int Size);

// Upper-case hexadecimal, high nibble first.
std::string DigestToHex(const std::uint8_t* Digest, int Size);

}  // namespace velmorak

// Hash_MD: MD4, and the block engine that MD4, RIPEMD-160 and SHA share.
// The three are Merkle-Damgard hashes over 64-byte blocks with the same
// buffering and padding; THash_MD4 owns that machinery once (Update, the
// padding step of Final) and each descendant supplies only its initial words,
// its compression function (Transform) and the byte order of its length field
// and digest.
#pragma once

#include <cstdint>

#include "crypto/HashBase.h"

namespace velmorak {

class THash_MD4 : public THash {
 public:
  static const THashClassInfo ClassInfo;

  ~THash_MD4() override;

  THashClass ClassType() const override { return &ClassInfo; }
  // Clears the byte count and buffer and loads the five initial chaining
  // words (MD4 uses the first four).
  void Init() override;
  // Buffers a partial block, compresses each whole one; see the .cpp.
  void Update(const void* Data, int Size) override;
  // Pads with the bit length little-endian and compresses the last block.
  void Final() override;
  // The chaining words as bytes, in memory order: little-endian words for
  // MD4 and RIPEMD-160; THash_SHA swaps its words to big-endian at Final.
  const std::uint8_t* Digest() const override { return reinterpret_cast<const std::uint8_t*>(FDigest); }

 protected:
  // Compresses one 64-byte block into the chaining words.
  virtual void Transform(const std::uint8_t* Block) { TransformBlocks(Block, 1); }
  // Compresses Count consecutive 64-byte blocks. Update hands every run of
  // whole blocks over in one call, so each class keeps its chaining words in
  // registers across the run.
  virtual void TransformBlocks(const std::uint8_t* Blocks, std::size_t Count);

  // The shared end of Final: the 80 byte after the message, zeros, and the
  // message length in bits (the byte count times 8, modulo 2^32, with the high
  // 32 bits of the field zero) in bytes 56..63, little- or big-endian; then
  // the last Transform and a wipe of the block buffer.
  void FinishBlocks(bool BigEndianLength);

  // Total bytes fed since Init. Kept modulo 2^32, as the length field only
  // ever holds count * 8 modulo 2^32; digests stored in our files of messages
  // of 512 MiB or more depend on that.
  std::uint32_t FCount = 0;
  std::uint8_t FBuffer[64] = {};  // the pending partial block
  std::uint32_t FDigest[5] = {};  // chaining words
};

}  // namespace velmorak

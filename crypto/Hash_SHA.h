// Hash_SHA: the SHA of FIPS 180 (1993), the one now called SHA-0, on the MD4
// block engine. It differs from SHA-1 only in its message schedule, which has
// no one-bit rotation; RotateSchedule switches the rotation on, which turns
// the class into SHA-1. Nothing in the system sets it: the password digests
// in our database files and every cipher key are SHA-0 digests.
#pragma once

#include "crypto/Hash_RipeMD.h"

namespace velmorak {

class THash_SHA : public THash_RipeMD160 {
 public:
  static const THashClassInfo ClassInfo;

  THashClass ClassType() const override { return &ClassInfo; }
  // Pads with the bit length big-endian, compresses, and turns the five
  // chaining words to big-endian in place, so Digest is in SHA byte order.
  void Final() override;

  // False at creation: SHA-0. True: SHA-1.
  bool RotateSchedule = false;

 protected:
  void TransformBlocks(const std::uint8_t* Blocks, std::size_t Count) override;
};

}  // namespace velmorak

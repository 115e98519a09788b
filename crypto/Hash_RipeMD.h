// Hash_RipeMD: RIPEMD-160 on the MD4 block engine. It keeps MD4's buffering,
// padding and little-endian length and digest, and brings its own five-word
// compression with the two parallel lines.
#pragma once

#include "crypto/Hash_MD.h"

namespace velmorak {

class THash_RipeMD160 : public THash_MD4 {
 public:
  static const THashClassInfo ClassInfo;

  THashClass ClassType() const override { return &ClassInfo; }

 protected:
  void TransformBlocks(const std::uint8_t* Blocks, std::size_t Count) override;
};

}  // namespace velmorak

// Chain: the whole-block part of enciphering in cmCBC and cmFeedbackXor, for
// a cipher that can hand over its block function to be inlined. These two
// modes chain each block on the one before, so their speed is the latency of
// one block after another; keeping the chaining block in registers, in the
// cipher's own word order, takes the trips through memory between blocks
// off that path. TEncrypt's mode engine calls it through EncryptChained.
//
//   cmCBC:         X := P ^ F; C := E(X); F := C
//   cmFeedbackXor: X := P ^ F; C := E(X); F := C ^ F
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/detail/Bytes.h"

namespace velmorak::detail {

// Words: 32-bit words per block; BigEndian: how the cipher reads them.
// Encipher(std::uint32_t* words) enciphers one block held as words. Source
// and Dest are the same buffer or do not overlap; Feedback is updated.
template <int Words, bool BigEndian, bool FeedbackXor, class Encipher>
inline void EncipherChain(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                          std::uint8_t* Feedback, const Encipher& encipher) {
  auto load = [](const std::uint8_t* p) { return BigEndian ? LoadBE32(p) : LoadLE32(p); };
  auto store = [](std::uint8_t* p, std::uint32_t v) { BigEndian ? StoreBE32(p, v) : StoreLE32(p, v); };
  std::uint32_t f[Words];
  for (int i = 0; i < Words; ++i) f[i] = load(Feedback + 4 * i);
  for (; Count > 0; --Count, Source += 4 * Words, Dest += 4 * Words) {
    std::uint32_t x[Words];
    for (int i = 0; i < Words; ++i) x[i] = load(Source + 4 * i) ^ f[i];
    encipher(x);
    for (int i = 0; i < Words; ++i) {
      store(Dest + 4 * i, x[i]);
      f[i] = FeedbackXor ? f[i] ^ x[i] : x[i];
    }
  }
  for (int i = 0; i < Words; ++i) store(Feedback + 4 * i, f[i]);
}

template <int Words, bool BigEndian, class Encipher>
inline void EncipherChain(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                          std::uint8_t* Feedback, bool FeedbackXor, const Encipher& encipher) {
  if (FeedbackXor) {
    EncipherChain<Words, BigEndian, true>(Source, Dest, Count, Feedback, encipher);
  } else {
    EncipherChain<Words, BigEndian, false>(Source, Dest, Count, Feedback, encipher);
  }
}

}  // namespace velmorak::detail

// Processor: which instruction set extensions the hashes may use, probed
// once at start-up (HashBase). The portable code is always there and gives
// the same results; the extensions are only faster. Tests switch them off to
// run the portable code on a machine that has them.
#pragma once

namespace velmorak::detail {

struct TProcessorFeatures {
  bool Pclmul = false;  // carry-less multiply (with SSE4.1): CRC-32 folding
  bool Sha = false;     // SHA extensions (with SSE4.1): the SHA rounds
};

// What the processor offers.
const TProcessorFeatures& ProcessorOffers();
// What the hashes use now: what the processor offers unless a test said
// otherwise. Written only at start-up and by tests.
TProcessorFeatures& ProcessorFeatures();

}  // namespace velmorak::detail

// The CRC-32 of item data against zlib's crc32(), the reference: every length
// around the folding's block sizes and thresholds, every alignment of the
// start, and the pieces fed in awkward splits, since extraction feeds it one
// buffer at a time.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "archive/ZACrc.h"

namespace velmorak {
namespace {

std::uint32_t Reference(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  return static_cast<std::uint32_t>(crc32(crc, p, static_cast<uInt>(n)));
}

TEST(ZACrc32, MatchesZlibForEveryLengthAlignmentAndSplit) {
  std::mt19937 rng(20171201);
  std::vector<std::uint8_t> data(70000 + 16);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());

  EXPECT_EQ(ZACrc32(0, nullptr, 0), 0u);
  // The check value of the polynomial, from the CRC catalogue.
  EXPECT_EQ(ZACrc32(0, "123456789", 9), 0xCBF43926u);

  const std::size_t lengths[] = {1,   15,  16,  63,  64,   65,   255,  256,  257,   271,
                                 272, 319, 320, 321, 1000, 4095, 4096, 4097, 65536, 70000};
  for (std::size_t n : lengths)
    for (std::size_t offset = 0; offset < 16; offset += 5) {
      SCOPED_TRACE(testing::Message() << "length " << n << " offset " << offset);
      EXPECT_EQ(ZACrc32(0, data.data() + offset, n), Reference(data.data() + offset, n));
      // A running value carried in, as between the blocks of an item.
      EXPECT_EQ(ZACrc32(0x9A3C71E5u, data.data() + offset, n),
                Reference(data.data() + offset, n, 0x9A3C71E5u));
    }

  for (int round = 0; round < 50; ++round) {
    std::uint32_t ours = 0;
    std::size_t at = 0;
    while (at < 70000) {
      const std::size_t piece = std::min<std::size_t>(70000 - at, rng() % 3000);
      ours = ZACrc32(ours, data.data() + at, piece);
      at += piece;
    }
    ASSERT_EQ(ours, Reference(data.data(), 70000)) << "round " << round;
  }
}

}  // namespace
}  // namespace velmorak

// The hash family against reference digests (tests/data/crypto/hashes.vec,
// made with Botan by gen_vectors.cpp), fed every way a caller can feed it:
// in one call, split at random points, after reuse, from misaligned
// buffers, and through the class-level helpers. Then the behaviours that
// stored data depends on and no peer has: our base-64 text, the CRC-32 guard
// on sizes that are multiples of 65,536, and the XOR32 sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "crypto/HashBase.h"
#include "crypto/Hash_CheckSum.h"
#include "crypto/Hash_MD.h"
#include "crypto/Hash_RipeMD.h"
#include "crypto/Hash_SHA.h"
#include "crypto/detail/Processor.h"
#include "tests/crypto/VectorFile.h"

namespace velmorak::test {
namespace {

// The hash class for each section of hashes.vec; SHA-1 is THash_SHA with its
// schedule rotation switched on.
struct Algorithm {
  const char* section;
  THashClass hashClass;
  bool rotateSchedule;
};

const Algorithm kAlgorithms[] = {
    {"MD4", &THash_MD4::ClassInfo, false},     {"RIPEMD-160", &THash_RipeMD160::ClassInfo, false},
    {"SHA-0", &THash_SHA::ClassInfo, false},   {"SHA-1", &THash_SHA::ClassInfo, true},
    {"CRC32", &THash_CRC32::ClassInfo, false},
};

void PrintTo(const Algorithm& a, std::ostream* os) {
  *os << a.section;
}

std::unique_ptr<THash> Create(const Algorithm& a) {
  std::unique_ptr<THash> h = a.hashClass->Create();
  if (a.rotateSchedule) static_cast<THash_SHA&>(*h).RotateSchedule = true;
  return h;
}

// The digest as hashes.vec writes it: the bytes in hexadecimal, or for the
// CRC the 32-bit value.
std::string Result(const Algorithm& a, const THash& h) {
  if (a.hashClass == &THash_CRC32::ClassInfo) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<const THash_CRC32&>(h).Value());
    return text;
  }
  return ToHex(h.Digest(), static_cast<std::size_t>(h.DigestSize()));
}

Bytes Message(const VectorRecord& r) {
  const Bytes unit = r.Hex("In");
  const long repeat = r.Has("Repeat") ? r.Number("Repeat") : 1;
  Bytes all;
  all.reserve(unit.size() * static_cast<std::size_t>(repeat));
  for (long i = 0; i < repeat; ++i) all.insert(all.end(), unit.begin(), unit.end());
  return all;
}

// Runs the rest of a scope with the processor's extensions on (as the
// processor offers them) or off (the portable code everywhere).
class ExtensionsScope {
 public:
  explicit ExtensionsScope(bool on) : saved_(detail::ProcessorFeatures()) {
    detail::ProcessorFeatures() = on ? detail::ProcessorOffers() : detail::TProcessorFeatures{};
  }
  ~ExtensionsScope() { detail::ProcessorFeatures() = saved_; }

 private:
  detail::TProcessorFeatures saved_;
};

const char* ExtensionsName(bool on) {
  return on ? "with the processor's extensions" : "portable code only";
}

class HashVectorTest : public ::testing::TestWithParam<Algorithm> {
 protected:
  static void SetUpTestSuite() {
    if (all_ == nullptr) all_ = new std::vector<VectorRecord>(ReadVectorFile("hashes.vec"));
  }
  std::vector<VectorRecord> Records() const {
    auto r = SectionOf(*all_, GetParam().section);
    EXPECT_GT(r.size(), 100u) << "too few vectors for " << GetParam().section;
    return r;
  }
  static std::vector<VectorRecord>* all_;
};
std::vector<VectorRecord>* HashVectorTest::all_ = nullptr;

TEST_P(HashVectorTest, OneUpdate) {
  for (bool extensions : {true, false}) {
    SCOPED_TRACE(ExtensionsName(extensions));
    ExtensionsScope scope(extensions);
    auto h = Create(GetParam());
    for (const auto& r : Records()) {
      SCOPED_TRACE(r.Where());
      const Bytes msg = Message(r);
      h->Init();
      h->Update(msg.data(), static_cast<int>(msg.size()));
      h->Final();
      EXPECT_EQ(Result(GetParam(), *h), r.Text("Out"));
    }
  }
}

TEST_P(HashVectorTest, UpdatesOfRandomSizes) {
  // Fixed seeds, printed on failure; chunk sizes run past one block so both
  // the buffered and the direct path of Update are taken.
  for (std::uint32_t seed : {11u, 12u, 13u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const bool extensions = seed != 12;
    SCOPED_TRACE(ExtensionsName(extensions));
    ExtensionsScope scope(extensions);
    std::mt19937 rng(seed);
    auto h = Create(GetParam());
    for (const auto& r : Records()) {
      SCOPED_TRACE(r.Where());
      const Bytes msg = Message(r);
      h->Init();
      std::size_t at = 0;
      while (at < msg.size()) {
        const std::size_t n = std::min<std::size_t>(msg.size() - at, 1 + rng() % 150);
        h->Update(msg.data() + at, static_cast<int>(n));
        at += n;
      }
      h->Update(msg.data(), 0);  // size 0 changes nothing
      h->Final();
      EXPECT_EQ(Result(GetParam(), *h), r.Text("Out"));
    }
  }
}

TEST_P(HashVectorTest, MisalignedInput) {
  auto h = Create(GetParam());
  for (const auto& r : Records()) {
    if (r.Has("Repeat")) continue;
    SCOPED_TRACE(r.Where());
    const Bytes msg = Message(r);
    for (std::size_t offset = 1; offset < 8; offset += 3) {
      Bytes shifted(msg.size() + offset);
      if (!msg.empty()) std::memcpy(shifted.data() + offset, msg.data(), msg.size());
      h->Init();
      h->Update(shifted.data() + offset, static_cast<int>(msg.size()));
      h->Final();
      EXPECT_EQ(Result(GetParam(), *h), r.Text("Out")) << "offset " << offset;
    }
  }
}

TEST_P(HashVectorTest, DigestTexts) {
  auto h = Create(GetParam());
  for (const auto& r : Records()) {
    SCOPED_TRACE(r.Where());
    const Bytes msg = Message(r);
    h->Init();
    h->Update(msg.data(), static_cast<int>(msg.size()));
    h->Final();
    const std::string raw = h->DigestText(1);
    ASSERT_EQ(raw.size(), static_cast<std::size_t>(h->DigestSize()));
    EXPECT_EQ(h->DigestText(64), r.Text("Text64"));
    EXPECT_EQ(h->DigestText(0), r.Text("Text64")) << "format 0 is the default, 64";
    EXPECT_EQ(h->DigestText(16), ToHex(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
    EXPECT_EQ(std::memcmp(raw.data(), h->Digest(), raw.size()), 0);
  }
}

TEST_P(HashVectorTest, ClassLevelHelpers) {
  if (GetParam().rotateSchedule) GTEST_SKIP() << "the helpers make a fresh instance: always SHA-0";
  auto h = Create(GetParam());
  for (const auto& r : Records()) {
    if (r.Has("Repeat")) continue;
    SCOPED_TRACE(r.Where());
    const Bytes msg = Message(r);
    std::uint8_t out[20] = {};
    const std::string text =
        THash::HashBuffer(GetParam().hashClass, msg.data(), static_cast<int>(msg.size()), out);
    EXPECT_EQ(text, r.Text("Text64"));
    h->Init();
    h->Update(msg.data(), static_cast<int>(msg.size()));
    h->Final();
    EXPECT_EQ(ToHex(out, static_cast<std::size_t>(h->DigestSize())), ToHex(h->Digest(), h->DigestSize()));
    const std::string fromText = THash::HashText(
        GetParam().hashClass, std::string_view(reinterpret_cast<const char*>(msg.data()), msg.size()));
    EXPECT_EQ(fromText, r.Text("Text64"));
  }
}

INSTANTIATE_TEST_SUITE_P(Hashes, HashVectorTest, ::testing::ValuesIn(kAlgorithms), [](const auto& info) {
  std::string name = info.param.section;
  name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
  return name;
});

// ------------------------------------------------------------ class facts --

TEST(HashClasses, NamesAndDigestSizes) {
  struct Row {
    THashClass hashClass;
    const char* name;
    int digestSize;
  };
  const Row rows[] = {
      {&THash::ClassInfo, "THash", 0},
      {&THash_MD4::ClassInfo, "THash_MD4", 16},
      {&THash_RipeMD160::ClassInfo, "THash_RipeMD160", 20},
      {&THash_SHA::ClassInfo, "THash_SHA", 20},
      {&THash_XOR32::ClassInfo, "THash_XOR32", 4},
      {&THash_CRC32::ClassInfo, "THash_CRC32", 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto h = row.hashClass->Create();
    EXPECT_STREQ(h->ClassName(), row.name);
    EXPECT_EQ(h->ClassType(), row.hashClass);
    EXPECT_EQ(h->DigestSize(), row.digestSize);
    EXPECT_EQ(row.hashClass->DigestSize, row.digestSize);
  }
  EXPECT_EQ(DefaultDigestFormat, 64);
}

TEST(HashClasses, BaseClassDoesNothing) {
  THash h;
  h.Init();
  h.Update("abc", 3);
  h.Final();
  EXPECT_EQ(h.Digest(), nullptr);
  EXPECT_EQ(h.DigestText(16), "");
  EXPECT_EQ(THash::HashText(&THash::ClassInfo, "abc"), "");
}

TEST(HashClasses, ProcessorProbe) {
  const auto& offers = detail::ProcessorOffers();
  std::printf("processor offers: carry-less multiply %s, SHA extensions %s\n", offers.Pclmul ? "yes" : "no",
              offers.Sha ? "yes" : "no");
  EXPECT_EQ(detail::ProcessorFeatures().Pclmul, offers.Pclmul);
  EXPECT_EQ(detail::ProcessorFeatures().Sha, offers.Sha);
}

TEST(HashClasses, NewShaComputesSha0) {
  THash_SHA sha;
  EXPECT_FALSE(sha.RotateSchedule);
}

// ------------------------------------------------------------- edge cases --

TEST(HashEdgeCases, PublishedAndDefinedResults) {
  struct Row {
    THashClass hashClass;
    std::string text;
    int format;
    std::string expected;
    const char* reason;
  };
  const Row rows[] = {
      {&THash_SHA::ClassInfo, "abc", 16, "0164B8A914CD2A5E74C4F7FF082C4D97F1EDF880",
       "THash_SHA is the 1993 SHA (SHA-0), not SHA-1 (A9993E36...)"},
      {&THash_SHA::ClassInfo, "abc", 64, "AWS4qRTNKl50xPf/CCxNl/Ht+I=",
       "the last group drops its trailing zero sextet where standard base 64 ends Ht+IA="},
      {&THash_SHA::ClassInfo, "abc", 0, "AWS4qRTNKl50xPf/CCxNl/Ht+I=", "format 0 is format 64"},
      {&THash_MD4::ClassInfo, "", 16, "31D6CFE0D16AE931B73C59D7E0C089C0",
       "empty text: the MD4 of the empty message, 32 upper-case digits"},
      {&THash_MD4::ClassInfo, "abc", 16, "A448017AAF21D8525FC10AE87AA6729D", "MD4 of abc"},
      {&THash_RipeMD160::ClassInfo, "", 16, "9C1185A5C5E9FC54612808977EE8F548B2258D31",
       "empty text: the RIPEMD-160 of the empty message"},
      {&THash_CRC32::ClassInfo, "123456789", 16, "2639F4CB",
       "CRC-32 check value CBF43926, digest bytes little-endian"},
      {&THash_XOR32::ClassInfo, "", 16, "00000000", "nothing fed"},
      {&THash_XOR32::ClassInfo, "a", 16, "61000000", "one byte: the missing second byte counts as zero"},
      {&THash_XOR32::ClassInfo, "ab", 16, "61620000", "one pair: 0 rotated, XOR 6261"},
      {&THash_XOR32::ClassInfo, "abc", 16, "422F0C00",
       "odd size: XOR 6261 and step one byte, then ROL(6261, 5) XOR 6362 = 000C2F42"},
      {&THash_XOR32::ClassInfo, std::string(8, '\xFF'), 16, "1F7C1F7C", "four pairs of FFFF = 7C1F7C1F"},
      {&THash_XOR32::ClassInfo,
       std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 16), 16, "AB6C454F",
       "eight pairs: the rotation wraps past bit 31, 4F456CAB"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    auto h = row.hashClass->Create();
    h->Init();
    h->Update(row.text.data(), static_cast<int>(row.text.size()));
    h->Final();
    EXPECT_EQ(h->DigestText(row.format), row.expected);
  }
}

TEST(HashEdgeCases, HashTextOfEmptyTextIsDigestOfEmptyMessage) {
  std::uint8_t out[16] = {};
  EXPECT_EQ(THash::HashText(&THash_MD4::ClassInfo, "", out), "MdbP4NFq6TG3PFnX4MCJw==");
  EXPECT_EQ(ToHex(out, 16), "31D6CFE0D16AE931B73C59D7E0C089C0");
}

TEST(HashEdgeCases, Base64Grouping) {
  struct Row {
    Bytes digest;
    std::string expected;
    const char* reason;
  };
  const Row rows[] = {
      {{}, "", "nothing"},
      {{0x00}, "==", "a zero group emits nothing, then the padding for length mod 3 = 1"},
      {{0x00, 0x00}, "=", "a zero group, padding for length mod 3 = 2"},
      {{0x00, 0x00, 0x00, 0x61, 0x62, 0x63}, "YWJj", "the zero group emits nothing, abc emits YWJj"},
      {{0x61, 0x62, 0x63}, "YWJj", "a full group with no zero sextet"},
      {{0x01, 0x00, 0x00}, "AQ", "stops after the last non-zero sextet (standard: AQAA)"},
      {{0x00, 0x00, 0x01}, "AAAB", "leading zero sextets are kept"},
      {{0xFF}, "/w==", "short group: 111111 110000 then zeros"},
      {{0x01, 0x00, 0x00, 0x01}, "AQAQ==", "the rule applies to every group, not only the last"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    EXPECT_EQ(DigestToBase64(row.digest.data(), static_cast<int>(row.digest.size())), row.expected);
  }
}

TEST(HashEdgeCases, RawFormatForOtherValues) {
  THash_MD4 h;
  h.Init();
  h.Final();
  for (int format : {1, 2, 15, 17, 63, 65, -1}) {
    const std::string raw = h.DigestText(format);
    ASSERT_EQ(raw.size(), 16u) << "format " << format;
    EXPECT_EQ(ToHex(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()),
              "31D6CFE0D16AE931B73C59D7E0C089C0");
  }
}

TEST(HashEdgeCases, Crc32SkipsSizesWhoseLow16BitsAreZero) {
  // Blob checksums in existing files were made with this guard: a buffer of
  // 65,536 bytes (or any multiple) is not folded in at all.
  std::mt19937 rng(7);
  Bytes data(3 * 65536 + 1);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  THash_CRC32 crc;
  for (int size : {65536, 131072, 196608}) {
    crc.Init();
    crc.Update(data.data(), size);
    crc.Final();
    EXPECT_EQ(crc.DigestText(16), "00000000") << size << " bytes: the inverted initial value";
  }
  // The guard looks at the size of each call, not at the total.
  THash_CRC32 whole, pieces;
  whole.Init();
  whole.Update(data.data(), 65537);
  whole.Final();
  pieces.Init();
  pieces.Update(data.data(), 1);
  pieces.Update(data.data() + 1, 65536);
  pieces.Final();
  EXPECT_NE(whole.Value(), pieces.Value()) << "the 65,536-byte call is skipped";
  pieces.Init();
  pieces.Update(data.data(), 65535);
  pieces.Update(data.data() + 65535, 2);
  pieces.Final();
  EXPECT_EQ(whole.Value(), pieces.Value()) << "65,537 bytes in two calls of other sizes";
}

TEST(HashEdgeCases, Crc32IgnoresNullData) {
  THash_CRC32 crc;
  crc.Init();
  crc.Update(nullptr, 5);
  crc.Update("123456789", 9);
  crc.Final();
  EXPECT_EQ(crc.Value(), 0xCBF43926u);
}

TEST(HashEdgeCases, NegativeSizesAreIgnored) {
  for (const Algorithm& a : kAlgorithms) {
    SCOPED_TRACE(a.section);
    auto h = Create(a);
    h->Init();
    h->Update("abc", -3);
    h->Update("abc", 3);
    h->Final();
    auto g = Create(a);
    g->Init();
    g->Update("abc", 3);
    g->Final();
    EXPECT_EQ(Result(a, *h), Result(a, *g));
  }
}

TEST(HashEdgeCases, InitStartsAgainAfterUse) {
  THash_SHA sha;
  sha.Init();
  sha.Update("something else entirely", 23);
  sha.Final();
  sha.Init();
  sha.Update("abc", 3);
  sha.Final();
  EXPECT_EQ(sha.DigestText(16), "0164B8A914CD2A5E74C4F7FF082C4D97F1EDF880");
}

}  // namespace
}  // namespace velmorak::test

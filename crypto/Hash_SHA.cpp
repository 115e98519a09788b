// Hash_SHA: the SHA compression, fully unrolled over its 80 steps. The
// schedule lives in a 16-word ring; each step from 16 on writes its word over
// the one it no longer needs, naming the four words it combines.
//
// On processors with the SHA extensions the 80 steps run on them instead:
// their four-step round instruction is the same for SHA-0 and SHA-1, and
// only their schedule instruction has SHA-1's rotation built in, so for
// SHA-0 the schedule is computed with plain vector XORs.
#include "crypto/Hash_SHA.h"

#include "crypto/detail/Bytes.h"
#include "crypto/detail/Processor.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VELMORAK_SHA_EXTENSIONS 1
#define VELMORAK_SHA_TARGET __attribute__((target("sha,sse4.1")))
#endif

namespace velmorak {

namespace {

using detail::Rol;
using u32 = std::uint32_t;

std::unique_ptr<THash> CreateSHA() {
  return std::make_unique<THash_SHA>();
}

// W[t] = W[t-16] ^ W[t-3] ^ W[t-8] ^ W[t-14], rotated left by one for SHA-1;
// stored over W[t-16].
template <bool Rotate>
inline u32 Expand(u32& w16, u32 w3, u32 w8, u32 w14) {
  u32 w = w16 ^ w3 ^ w8 ^ w14;
  if constexpr (Rotate) w = Rol(w, 1);
  w16 = w;
  return w;
}

// One step: e += ROL(a, 5) + f(b, c, d) + k + w; b := ROL(b, 30). The
// callers rotate the roles of the five words instead of moving them. a is
// the newest word and enters the sum last, b the next newest; the majority
// is the sum of two disjoint parts so that b passes through one operation.
inline void ShaCh(u32 a, u32& b, u32 c, u32 d, u32& e, u32 w, u32 k) {
  e += w + k + (d ^ (b & (c ^ d))) + Rol(a, 5);
  b = Rol(b, 30);
}
inline void ShaParity(u32 a, u32& b, u32 c, u32 d, u32& e, u32 w, u32 k) {
  e += w + k + (b ^ (c ^ d)) + Rol(a, 5);
  b = Rol(b, 30);
}
inline void ShaMaj(u32 a, u32& b, u32 c, u32 d, u32& e, u32 w, u32 k) {
  e += w + k + (c & d) + (b & (c ^ d)) + Rol(a, 5);
  b = Rol(b, 30);
}

template <bool Rotate>
void Compress(u32* digest, const std::uint8_t* blocks, std::size_t count) {
  u32 h0 = digest[0], h1 = digest[1], h2 = digest[2], h3 = digest[3], h4 = digest[4];
  for (; count > 0; --count, blocks += 64) {
    u32 w[16];
    for (int i = 0; i < 16; ++i) w[i] = detail::LoadBE32(blocks + 4 * i);
    u32 a = h0, b = h1, c = h2, d = h3, e = h4;

    ShaCh(a, b, c, d, e, w[0], 0x5A827999);
    ShaCh(e, a, b, c, d, w[1], 0x5A827999);
    ShaCh(d, e, a, b, c, w[2], 0x5A827999);
    ShaCh(c, d, e, a, b, w[3], 0x5A827999);
    ShaCh(b, c, d, e, a, w[4], 0x5A827999);
    ShaCh(a, b, c, d, e, w[5], 0x5A827999);
    ShaCh(e, a, b, c, d, w[6], 0x5A827999);
    ShaCh(d, e, a, b, c, w[7], 0x5A827999);
    ShaCh(c, d, e, a, b, w[8], 0x5A827999);
    ShaCh(b, c, d, e, a, w[9], 0x5A827999);
    ShaCh(a, b, c, d, e, w[10], 0x5A827999);
    ShaCh(e, a, b, c, d, w[11], 0x5A827999);
    ShaCh(d, e, a, b, c, w[12], 0x5A827999);
    ShaCh(c, d, e, a, b, w[13], 0x5A827999);
    ShaCh(b, c, d, e, a, w[14], 0x5A827999);
    ShaCh(a, b, c, d, e, w[15], 0x5A827999);
    ShaCh(e, a, b, c, d, Expand<Rotate>(w[0], w[13], w[8], w[2]), 0x5A827999);
    ShaCh(d, e, a, b, c, Expand<Rotate>(w[1], w[14], w[9], w[3]), 0x5A827999);
    ShaCh(c, d, e, a, b, Expand<Rotate>(w[2], w[15], w[10], w[4]), 0x5A827999);
    ShaCh(b, c, d, e, a, Expand<Rotate>(w[3], w[0], w[11], w[5]), 0x5A827999);

    ShaParity(a, b, c, d, e, Expand<Rotate>(w[4], w[1], w[12], w[6]), 0x6ED9EBA1);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[5], w[2], w[13], w[7]), 0x6ED9EBA1);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[6], w[3], w[14], w[8]), 0x6ED9EBA1);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[7], w[4], w[15], w[9]), 0x6ED9EBA1);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[8], w[5], w[0], w[10]), 0x6ED9EBA1);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[9], w[6], w[1], w[11]), 0x6ED9EBA1);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[10], w[7], w[2], w[12]), 0x6ED9EBA1);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[11], w[8], w[3], w[13]), 0x6ED9EBA1);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[12], w[9], w[4], w[14]), 0x6ED9EBA1);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[13], w[10], w[5], w[15]), 0x6ED9EBA1);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[14], w[11], w[6], w[0]), 0x6ED9EBA1);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[15], w[12], w[7], w[1]), 0x6ED9EBA1);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[0], w[13], w[8], w[2]), 0x6ED9EBA1);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[1], w[14], w[9], w[3]), 0x6ED9EBA1);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[2], w[15], w[10], w[4]), 0x6ED9EBA1);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[3], w[0], w[11], w[5]), 0x6ED9EBA1);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[4], w[1], w[12], w[6]), 0x6ED9EBA1);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[5], w[2], w[13], w[7]), 0x6ED9EBA1);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[6], w[3], w[14], w[8]), 0x6ED9EBA1);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[7], w[4], w[15], w[9]), 0x6ED9EBA1);

    ShaMaj(a, b, c, d, e, Expand<Rotate>(w[8], w[5], w[0], w[10]), 0x8F1BBCDC);
    ShaMaj(e, a, b, c, d, Expand<Rotate>(w[9], w[6], w[1], w[11]), 0x8F1BBCDC);
    ShaMaj(d, e, a, b, c, Expand<Rotate>(w[10], w[7], w[2], w[12]), 0x8F1BBCDC);
    ShaMaj(c, d, e, a, b, Expand<Rotate>(w[11], w[8], w[3], w[13]), 0x8F1BBCDC);
    ShaMaj(b, c, d, e, a, Expand<Rotate>(w[12], w[9], w[4], w[14]), 0x8F1BBCDC);
    ShaMaj(a, b, c, d, e, Expand<Rotate>(w[13], w[10], w[5], w[15]), 0x8F1BBCDC);
    ShaMaj(e, a, b, c, d, Expand<Rotate>(w[14], w[11], w[6], w[0]), 0x8F1BBCDC);
    ShaMaj(d, e, a, b, c, Expand<Rotate>(w[15], w[12], w[7], w[1]), 0x8F1BBCDC);
    ShaMaj(c, d, e, a, b, Expand<Rotate>(w[0], w[13], w[8], w[2]), 0x8F1BBCDC);
    ShaMaj(b, c, d, e, a, Expand<Rotate>(w[1], w[14], w[9], w[3]), 0x8F1BBCDC);
    ShaMaj(a, b, c, d, e, Expand<Rotate>(w[2], w[15], w[10], w[4]), 0x8F1BBCDC);
    ShaMaj(e, a, b, c, d, Expand<Rotate>(w[3], w[0], w[11], w[5]), 0x8F1BBCDC);
    ShaMaj(d, e, a, b, c, Expand<Rotate>(w[4], w[1], w[12], w[6]), 0x8F1BBCDC);
    ShaMaj(c, d, e, a, b, Expand<Rotate>(w[5], w[2], w[13], w[7]), 0x8F1BBCDC);
    ShaMaj(b, c, d, e, a, Expand<Rotate>(w[6], w[3], w[14], w[8]), 0x8F1BBCDC);
    ShaMaj(a, b, c, d, e, Expand<Rotate>(w[7], w[4], w[15], w[9]), 0x8F1BBCDC);
    ShaMaj(e, a, b, c, d, Expand<Rotate>(w[8], w[5], w[0], w[10]), 0x8F1BBCDC);
    ShaMaj(d, e, a, b, c, Expand<Rotate>(w[9], w[6], w[1], w[11]), 0x8F1BBCDC);
    ShaMaj(c, d, e, a, b, Expand<Rotate>(w[10], w[7], w[2], w[12]), 0x8F1BBCDC);
    ShaMaj(b, c, d, e, a, Expand<Rotate>(w[11], w[8], w[3], w[13]), 0x8F1BBCDC);

    ShaParity(a, b, c, d, e, Expand<Rotate>(w[12], w[9], w[4], w[14]), 0xCA62C1D6);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[13], w[10], w[5], w[15]), 0xCA62C1D6);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[14], w[11], w[6], w[0]), 0xCA62C1D6);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[15], w[12], w[7], w[1]), 0xCA62C1D6);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[0], w[13], w[8], w[2]), 0xCA62C1D6);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[1], w[14], w[9], w[3]), 0xCA62C1D6);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[2], w[15], w[10], w[4]), 0xCA62C1D6);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[3], w[0], w[11], w[5]), 0xCA62C1D6);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[4], w[1], w[12], w[6]), 0xCA62C1D6);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[5], w[2], w[13], w[7]), 0xCA62C1D6);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[6], w[3], w[14], w[8]), 0xCA62C1D6);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[7], w[4], w[15], w[9]), 0xCA62C1D6);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[8], w[5], w[0], w[10]), 0xCA62C1D6);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[9], w[6], w[1], w[11]), 0xCA62C1D6);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[10], w[7], w[2], w[12]), 0xCA62C1D6);
    ShaParity(a, b, c, d, e, Expand<Rotate>(w[11], w[8], w[3], w[13]), 0xCA62C1D6);
    ShaParity(e, a, b, c, d, Expand<Rotate>(w[12], w[9], w[4], w[14]), 0xCA62C1D6);
    ShaParity(d, e, a, b, c, Expand<Rotate>(w[13], w[10], w[5], w[15]), 0xCA62C1D6);
    ShaParity(c, d, e, a, b, Expand<Rotate>(w[14], w[11], w[6], w[0]), 0xCA62C1D6);
    ShaParity(b, c, d, e, a, Expand<Rotate>(w[15], w[12], w[7], w[1]), 0xCA62C1D6);

    h0 += a;
    h1 += b;
    h2 += c;
    h3 += d;
    h4 += e;
  }
  digest[0] = h0;
  digest[1] = h1;
  digest[2] = h2;
  digest[3] = h3;
  digest[4] = h4;
}

#ifdef VELMORAK_SHA_EXTENSIONS

// The vectors hold four schedule words with the earliest in the top lane,
// as the SHA instructions want them: V[i] = (W[4i], W[4i+1], W[4i+2],
// W[4i+3]) from lane 3 down to lane 0.

// V[i] from V[i-4], V[i-3], V[i-2] and V[i-1].
template <bool Rotate>
VELMORAK_SHA_TARGET inline __m128i NextSchedule(__m128i v4, __m128i v3, __m128i v2, __m128i v1) {
  // W[t-16] ^ W[t-14] ^ W[t-8] for the four words.
  const __m128i x = _mm_xor_si128(_mm_sha1msg1_epu32(v4, v3), v2);
  if constexpr (Rotate) {
    return _mm_sha1msg2_epu32(x, v1);  // ^ W[t-3], rotated: SHA-1
  } else {
    // ^ W[t-3]: three of them are in V[i-1]; the fourth is W[4i], the top
    // lane of the result itself.
    const __m128i y = _mm_xor_si128(x, _mm_slli_si128(v1, 4));
    return _mm_xor_si128(y, _mm_srli_si128(y, 12));
  }
}

// Four steps with schedule vector w. prev holds the words before the last
// four steps: the instruction that adds w also adds ROL(a, 30) of them,
// which is the e of these steps.
template <int Function>
VELMORAK_SHA_TARGET inline void FourSteps(__m128i& abcd, __m128i& prev, __m128i w) {
  const __m128i e = _mm_sha1nexte_epu32(prev, w);
  prev = abcd;
  abcd = _mm_sha1rnds4_epu32(abcd, e, Function);
}

template <bool Rotate>
VELMORAK_SHA_TARGET void CompressWithExtensions(u32* digest, const std::uint8_t* blocks, std::size_t count) {
  const __m128i byteOrder = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digest)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(digest[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcdSaved = abcd, eSaved = e0;
    auto load = [&](int i) VELMORAK_SHA_TARGET {
      return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteOrder);
    };
    __m128i w0 = load(0), w1 = load(1), w2 = load(2), w3 = load(3);
    // Steps 0..3: e comes from the saved state, not from earlier steps.
    __m128i prev = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e0, w0), 0);
    FourSteps<0>(abcd, prev, w1);
    FourSteps<0>(abcd, prev, w2);
    FourSteps<0>(abcd, prev, w3);
    w0 = NextSchedule<Rotate>(w0, w1, w2, w3);
    FourSteps<0>(abcd, prev, w0);  // steps 16..19
    w1 = NextSchedule<Rotate>(w1, w2, w3, w0);
    FourSteps<1>(abcd, prev, w1);
    w2 = NextSchedule<Rotate>(w2, w3, w0, w1);
    FourSteps<1>(abcd, prev, w2);
    w3 = NextSchedule<Rotate>(w3, w0, w1, w2);
    FourSteps<1>(abcd, prev, w3);
    w0 = NextSchedule<Rotate>(w0, w1, w2, w3);
    FourSteps<1>(abcd, prev, w0);
    w1 = NextSchedule<Rotate>(w1, w2, w3, w0);
    FourSteps<1>(abcd, prev, w1);  // steps 36..39
    w2 = NextSchedule<Rotate>(w2, w3, w0, w1);
    FourSteps<2>(abcd, prev, w2);
    w3 = NextSchedule<Rotate>(w3, w0, w1, w2);
    FourSteps<2>(abcd, prev, w3);
    w0 = NextSchedule<Rotate>(w0, w1, w2, w3);
    FourSteps<2>(abcd, prev, w0);
    w1 = NextSchedule<Rotate>(w1, w2, w3, w0);
    FourSteps<2>(abcd, prev, w1);
    w2 = NextSchedule<Rotate>(w2, w3, w0, w1);
    FourSteps<2>(abcd, prev, w2);  // steps 56..59
    w3 = NextSchedule<Rotate>(w3, w0, w1, w2);
    FourSteps<3>(abcd, prev, w3);
    w0 = NextSchedule<Rotate>(w0, w1, w2, w3);
    FourSteps<3>(abcd, prev, w0);
    w1 = NextSchedule<Rotate>(w1, w2, w3, w0);
    FourSteps<3>(abcd, prev, w1);
    w2 = NextSchedule<Rotate>(w2, w3, w0, w1);
    FourSteps<3>(abcd, prev, w2);
    w3 = NextSchedule<Rotate>(w3, w0, w1, w2);
    FourSteps<3>(abcd, prev, w3);  // steps 76..79
    e0 = _mm_sha1nexte_epu32(prev, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(digest), _mm_shuffle_epi32(abcd, 0x1B));
  digest[4] = static_cast<u32>(_mm_extract_epi32(e0, 3));
}

#endif

}  // namespace

constinit const THashClassInfo THash_SHA::ClassInfo = {"THash_SHA", 20, &CreateSHA};

void THash_SHA::Final() {
  FinishBlocks(true);
  for (u32& word : FDigest) word = detail::ByteSwap(word);
}

void THash_SHA::TransformBlocks(const std::uint8_t* Blocks, std::size_t Count) {
#ifdef VELMORAK_SHA_EXTENSIONS
  if (detail::ProcessorFeatures().Sha) {
    if (RotateSchedule) {
      CompressWithExtensions<true>(FDigest, Blocks, Count);
    } else {
      CompressWithExtensions<false>(FDigest, Blocks, Count);
    }
    return;
  }
#endif
  if (RotateSchedule) {
    Compress<true>(FDigest, Blocks, Count);
  } else {
    Compress<false>(FDigest, Blocks, Count);
  }
}

}  // namespace velmorak

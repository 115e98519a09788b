// Enc_Blowfish: rounds two per loop step, written so that several
// independent blocks can run through the same step together (ECB and the
// deciphering side of the feedback modes hand us runs of blocks); the
// out-of-order core then overlaps their S-box lookups.
#include "crypto/Enc_Blowfish.h"

#include <cstring>

#include "crypto/detail/BlowfishPi.h"
#include "crypto/detail/Bytes.h"
#include "crypto/detail/Chain.h"

namespace velmorak {

namespace {

std::unique_ptr<TEncrypt> CreateBlowfish() {
  return std::make_unique<TEnc_Blowfish>();
}

// Context layout, in 32-bit words.
constexpr int kSBoxWords = 4 * 256;  // S0..S3
constexpr int kPWords = 18;
constexpr int kContextBytes = 4 * (kSBoxWords + kPWords);  // 4168
static_assert(kContextBytes == 4168);

struct Schedule {
  const std::uint32_t* s;  // S0 at s, S1 at s + 256, ...
  const std::uint32_t* p;  // P-array
};

inline std::uint32_t F(const std::uint32_t* s, std::uint32_t x) {
  const std::uint32_t* s1 = s + 256;
  const std::uint32_t* s2 = s + 512;
  const std::uint32_t* s3 = s + 768;
  return ((s[x >> 24] + s1[(x >> 16) & 0xFF]) ^ s2[static_cast<std::uint8_t>(x >> 8)]) +
         s3[static_cast<std::uint8_t>(x)];
}

// Rounds two per loop step, for N blocks side by side. Each half is XORed
// with its P word before F of the other half arrives, so the chain from one
// round to the next is F alone: four lookups, an addition, an XOR, an
// addition and the XOR into the half. Enciphering:
//   L ^= P0; for i = 1, 3, .., 15: R ^= P[i] ^ F(L); L ^= P[i+1] ^ F(R);
//   out = (R ^ P17, L).
template <int N>
inline void EncryptWords(const Schedule& k, std::uint32_t* l, std::uint32_t* r) {
#pragma GCC unroll 4
  for (int b = 0; b < N; ++b) l[b] ^= k.p[0];
#pragma GCC unroll 8
  for (int i = 1; i < 16; i += 2) {
#pragma GCC unroll 4
    for (int b = 0; b < N; ++b) {
      r[b] = (r[b] ^ k.p[i]) ^ F(k.s, l[b]);
      l[b] = (l[b] ^ k.p[i + 1]) ^ F(k.s, r[b]);
    }
  }
#pragma GCC unroll 4
  for (int b = 0; b < N; ++b) {
    const std::uint32_t t = l[b];
    l[b] = r[b] ^ k.p[17];
    r[b] = t;
  }
}

// The same with the P-array backwards:
//   L ^= P17; for i = 16, 14, .., 2: R ^= P[i] ^ F(L); L ^= P[i-1] ^ F(R);
//   out = (R ^ P0, L).
template <int N>
inline void DecryptWords(const Schedule& k, std::uint32_t* l, std::uint32_t* r) {
#pragma GCC unroll 4
  for (int b = 0; b < N; ++b) l[b] ^= k.p[17];
#pragma GCC unroll 8
  for (int i = 16; i > 1; i -= 2) {
#pragma GCC unroll 4
    for (int b = 0; b < N; ++b) {
      r[b] = (r[b] ^ k.p[i]) ^ F(k.s, l[b]);
      l[b] = (l[b] ^ k.p[i - 1]) ^ F(k.s, r[b]);
    }
  }
#pragma GCC unroll 4
  for (int b = 0; b < N; ++b) {
    const std::uint32_t t = l[b];
    l[b] = r[b] ^ k.p[0];
    r[b] = t;
  }
}

template <int N, bool Decrypt>
inline void RunBlocks(const Schedule& k, const std::uint8_t* in, std::uint8_t* out) {
  std::uint32_t l[N], r[N];
  for (int b = 0; b < N; ++b) {
    l[b] = detail::LoadBE32(in + 8 * b);
    r[b] = detail::LoadBE32(in + 8 * b + 4);
  }
  if constexpr (Decrypt) {
    DecryptWords<N>(k, l, r);
  } else {
    EncryptWords<N>(k, l, r);
  }
  for (int b = 0; b < N; ++b) {
    detail::StoreBE32(out + 8 * b, l[b]);
    detail::StoreBE32(out + 8 * b + 4, r[b]);
  }
}

template <bool Decrypt>
void RunMany(const Schedule& k, const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
  for (; count >= 4; count -= 4, in += 32, out += 32) RunBlocks<4, Decrypt>(k, in, out);
  for (; count > 0; --count, in += 8, out += 8) RunBlocks<1, Decrypt>(k, in, out);
}

}  // namespace

constinit const TEncryptClassInfo TEnc_Blowfish::ClassInfo = {"TEnc_Blowfish", 8, 56, kContextBytes,
                                                              &CreateBlowfish};

void TEnc_Blowfish::SetupKey(const std::uint8_t* Key, int Size) {
  std::uint32_t* s = KeySchedule();
  std::uint32_t* p = s + kSBoxWords;
  std::memcpy(s, detail::kBlowfishInitS, sizeof detail::kBlowfishInitS);
  std::memcpy(p, detail::kBlowfishInitP, sizeof detail::kBlowfishInitP);
  if (Size > 0) {
    int j = 0;
    for (int i = 0; i < kPWords; ++i) {
      std::uint32_t word = 0;
      for (int b = 0; b < 4; ++b) {
        word = (word << 8) | Key[j];
        j = (j + 1) % Size;
      }
      p[i] ^= word;
    }
  }
  const Schedule k{s, p};
  std::uint32_t l = 0, r = 0;
  for (int i = 0; i < kPWords; i += 2) {
    EncryptWords<1>(k, &l, &r);
    p[i] = l;
    p[i + 1] = r;
  }
  for (int i = 0; i < kSBoxWords; i += 2) {
    EncryptWords<1>(k, &l, &r);
    s[i] = l;
    s[i + 1] = r;
  }
}

void TEnc_Blowfish::EncryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  RunBlocks<1, false>({KeySchedule(), KeySchedule() + kSBoxWords}, b, b);
}

void TEnc_Blowfish::DecryptBlock(void* Block) {
  auto* b = static_cast<std::uint8_t*>(Block);
  RunBlocks<1, true>({KeySchedule(), KeySchedule() + kSBoxWords}, b, b);
}

void TEnc_Blowfish::EncryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  RunMany<false>({KeySchedule(), KeySchedule() + kSBoxWords}, Source, Dest, Count);
}

void TEnc_Blowfish::DecryptBlocks(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count) {
  RunMany<true>({KeySchedule(), KeySchedule() + kSBoxWords}, Source, Dest, Count);
}

void TEnc_Blowfish::EncryptChained(const std::uint8_t* Source, std::uint8_t* Dest, std::size_t Count,
                                   bool FeedbackXor) {
  const Schedule k{KeySchedule(), KeySchedule() + kSBoxWords};
  detail::EncipherChain<2, true>(Source, Dest, Count, FeedbackBlock(), FeedbackXor,
                                 [&k](std::uint32_t* w) { EncryptWords<1>(k, &w[0], &w[1]); });
}

}  // namespace velmorak

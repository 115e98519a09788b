// crypto_bench: the speed of our hashes and ciphers against the libraries a
// user would reach for instead, Botan and OpenSSL, on the same 64 MiB buffer
// in one run. Each row times ours and every peer that has the algorithm
// (best of a few runs), prints MB/s (10^6 bytes per second) and the ratio of
// ours to the fastest peer.
//
// Rows whose peer is not the same algorithm say so: no peer has SHA-0, so it
// is timed against SHA-1, which differs from it only by a rotation in the
// message schedule; no peer has our Twofish variant (30 rounds against 16),
// so it is shown beside published Twofish and our own code run with the
// published parameters, which is the like-for-like comparison.
//
//   build/native-release/bench/crypto_bench [MiB [FILTER]]
//
// MiB defaults to 64; FILTER keeps the rows whose name contains it.
#include <botan/block_cipher.h>
#include <botan/cipher_mode.h>
#include <botan/cpuid.h>
#include <botan/hash.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/Enc_Blowfish.h"
#include "crypto/Enc_Gost.h"
#include "crypto/Enc_Twofish.h"
#include "crypto/EncryptBase.h"
#include "crypto/Hash_CheckSum.h"
#include "crypto/Hash_MD.h"
#include "crypto/detail/Processor.h"
#include "crypto/Hash_RipeMD.h"
#include "crypto/Hash_SHA.h"
#include "crypto/detail/Twofish.h"

namespace {

using namespace velmorak;
using Clock = std::chrono::steady_clock;

// One timed job over the whole input; Run returns nothing we keep, the
// sink below stops the compiler from dropping the work.
using Job = std::function<void()>;
volatile std::uint8_t gSink;

struct Contender {
  std::string name;
  Job job;
};

struct Row {
  std::string algorithm;
  Contender ours;
  std::vector<Contender> peers;
  std::string note;
};

std::size_t gBytes = 64u << 20;
std::vector<std::uint8_t> gIn, gOut;
constexpr int kRuns = 5;

double Seconds(const Job& job) {
  const auto t0 = Clock::now();
  job();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Best MB/s of each contender. The runs alternate between the contenders so
// that a burst of load on the machine costs every one of them alike.
std::vector<double> BestMBps(const std::vector<const Job*>& jobs) {
  std::vector<double> best(jobs.size(), 1e30);
  for (int run = 0; run < kRuns; ++run) {
    for (std::size_t i = 0; i < jobs.size(); ++i) best[i] = std::min(best[i], Seconds(*jobs[i]));
  }
  for (double& b : best) b = static_cast<double>(gBytes) / b / 1e6;
  return best;
}

// ------------------------------------------------------------------ ours --

Job OurHash(THashClass cls, bool rotate = false) {
  return [cls, rotate] {
    auto h = cls->Create();
    if (rotate) static_cast<THash_SHA&>(*h).RotateSchedule = true;
    h->Init();
    // Our Update takes an int size; 64 MiB fits. CRC-32 skips calls whose
    // size is a multiple of 65,536, so feed it one byte less and the last
    // byte alone.
    h->Update(gIn.data(), static_cast<int>(gBytes - 1));
    h->Update(gIn.data() + gBytes - 1, 1);
    h->Final();
    gSink = h->Digest()[0];
  };
}

std::shared_ptr<TEncrypt> OurCipher(TEncryptClass cls, TEncryptMode mode) {
  std::shared_ptr<TEncrypt> c(cls->Create().release());
  const std::uint8_t key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  c->Init(key, cls == &TEnc_Blowfish::ClassInfo ? 16 : 32);
  c->Mode = mode;
  return c;
}

Job OurEncrypt(TEncryptClass cls, TEncryptMode mode) {
  auto c = OurCipher(cls, mode);
  return [c] {
    c->Restart();
    c->EncryptBuffer(gIn.data(), gOut.data(), static_cast<int>(gBytes));
    gSink = gOut[0];
  };
}

Job OurDecrypt(TEncryptClass cls, TEncryptMode mode) {
  auto c = OurCipher(cls, mode);
  return [c] {
    c->Restart();
    c->DecryptBuffer(gIn.data(), gOut.data(), static_cast<int>(gBytes));
    gSink = gOut[0];
  };
}

Job OurPublishedTwofishEcb() {
  auto context = std::make_shared<std::vector<std::uint32_t>>(detail::kTwofishContextWords);
  const std::uint8_t key[32] = {1, 2, 3};
  detail::TwofishSetupKey<detail::kTwofishPublished>(context->data(), key, 32);
  return [context] {
    detail::TwofishEncrypt<detail::kTwofishPublished>(context->data(), gIn.data(), gOut.data(), gBytes / 16);
    gSink = gOut[0];
  };
}

// ----------------------------------------------------------------- peers --

Job BotanHash(const std::string& name) {
  return [name] {
    auto h = Botan::HashFunction::create_or_throw(name);
    h->update(gIn.data(), gBytes);
    gSink = h->final()[0];
  };
}

Job OpenSslHash(const char* name) {
  EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
  if (md == nullptr) return nullptr;
  return [md] {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(gIn.data(), gBytes, out, &n, md, nullptr);
    gSink = out[0];
  };
}

Job ZlibCrc() {
  return [] {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes uInt sizes; 64 MiB fits.
    crc = crc32(crc, gIn.data(), static_cast<uInt>(gBytes));
    gSink = static_cast<std::uint8_t>(crc);
  };
}

Job BotanEcb(const std::string& name, bool decrypt) {
  std::shared_ptr<Botan::BlockCipher> c(Botan::BlockCipher::create_or_throw(name).release());
  const std::uint8_t key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  c->set_key(key, name == "Blowfish" ? 16 : 32);
  return [c, decrypt] {
    const std::size_t blocks = gBytes / c->block_size();
    if (decrypt) {
      c->decrypt_n(gIn.data(), gOut.data(), blocks);
    } else {
      c->encrypt_n(gIn.data(), gOut.data(), blocks);
    }
    gSink = gOut[0];
  };
}

Job BotanCbc(const std::string& name, bool decrypt) {
  std::shared_ptr<Botan::Cipher_Mode> m(
      Botan::Cipher_Mode::create_or_throw(name + "/CBC/NoPadding",
                                          decrypt ? Botan::DECRYPTION : Botan::ENCRYPTION)
          .release());
  const std::uint8_t key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  m->set_key(key, name == "Blowfish" ? 16 : 32);
  return [m] {
    const std::uint8_t iv[16] = {};
    m->start(iv, m->default_nonce_length());
    std::memcpy(gOut.data(), gIn.data(), gBytes);  // Botan works in place
    m->process(gOut.data(), gBytes);
    gSink = gOut[0];
  };
}

Job OpenSslCipher(const char* name, bool decrypt) {
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
  if (cipher == nullptr) return nullptr;
  return [cipher, decrypt] {
    const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const unsigned char iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, cipher, nullptr, nullptr, nullptr, decrypt ? 0 : 1);
    EVP_CIPHER_CTX_set_key_length(ctx, 16);
    EVP_CipherInit_ex(ctx, nullptr, nullptr, key, iv, decrypt ? 0 : 1);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0;
    EVP_CipherUpdate(ctx, gOut.data(), &n, gIn.data(), static_cast<int>(gBytes));
    EVP_CIPHER_CTX_free(ctx);
    gSink = gOut[0];
  };
}

void Add(std::vector<Contender>& peers, const std::string& name, Job job) {
  if (job) peers.push_back({name, std::move(job)});
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  auto hashRow = [&](const char* algorithm, Job ours, const char* botan, const char* openssl,
                     std::string note = "") {
    Row r{algorithm, {"ours", std::move(ours)}, {}, std::move(note)};
    if (botan != nullptr) Add(r.peers, std::string("Botan ") + botan, BotanHash(botan));
    if (openssl != nullptr) Add(r.peers, std::string("OpenSSL ") + openssl, OpenSslHash(openssl));
    rows.push_back(std::move(r));
  };
  hashRow("MD4", OurHash(&THash_MD4::ClassInfo), "MD4", "MD4");
  hashRow("RIPEMD-160", OurHash(&THash_RipeMD160::ClassInfo), "RIPEMD-160", "RIPEMD160");
  hashRow("SHA-0", OurHash(&THash_SHA::ClassInfo), "SHA-160", "SHA1", "peers run SHA-1: none has SHA-0");
  hashRow("SHA-1 (RotateSchedule)", OurHash(&THash_SHA::ClassInfo, true), "SHA-160", "SHA1");
  {
    // The same pair with the processor's SHA instructions left unused on both
    // sides: the portable compression functions against each other.
    Job ours = OurHash(&THash_SHA::ClassInfo);
    Job botan = BotanHash("SHA-160");
    Row r{"SHA-0, no SHA instructions",
          {"ours", [ours] {
             auto& use = detail::ProcessorFeatures();
             const bool saved = use.Sha;
             use.Sha = false;
             ours();
             use.Sha = saved;
           }},
          {},
          "peer runs SHA-1"};
    if (botan)
      Add(r.peers, "Botan SHA-160", [botan] {
        Botan::CPUID::clear_cpuid_bit(Botan::CPUID::CPUID_SHA_BIT);
        botan();
        Botan::CPUID::initialize();
      });
    rows.push_back(std::move(r));
  }
  {
    Row r{"CRC32", {"ours", OurHash(&THash_CRC32::ClassInfo)}, {}, ""};
    Add(r.peers, "Botan CRC32", BotanHash("CRC32"));
    Add(r.peers, "zlib crc32", ZlibCrc());
    rows.push_back(std::move(r));
  }

  struct CipherSpec {
    const char* label;
    TEncryptClass cls;
    const char* botan;
    const char* opensslEcb;
    const char* opensslCbc;
  };
  const CipherSpec ciphers[] = {
      {"Blowfish", &TEnc_Blowfish::ClassInfo, "Blowfish", "BF-ECB", "BF-CBC"},
      {"GOST 28147-89", &TEnc_Gost::ClassInfo, "GOST-28147-89", nullptr, nullptr},
      {"Twofish variant", &TEnc_Twofish::ClassInfo, "Twofish", nullptr, nullptr},
  };
  for (const CipherSpec& c : ciphers) {
    const bool variant = c.cls == &TEnc_Twofish::ClassInfo;
    const std::string note = variant ? "peers run published Twofish (16 rounds against our 30)" : "";
    struct Way {
      const char* suffix;
      TEncryptMode mode;
      bool decrypt;
    };
    for (const Way& w : {Way{" ECB encrypt", cmECB, false}, Way{" CBC encrypt", cmCBC, false},
                         Way{" CBC decrypt", cmCBC, true}}) {
      Row r{std::string(c.label) + w.suffix,
            {"ours", w.decrypt ? OurDecrypt(c.cls, w.mode) : OurEncrypt(c.cls, w.mode)},
            {},
            note};
      if (w.mode == cmECB) {
        Add(r.peers, std::string("Botan ") + c.botan, BotanEcb(c.botan, w.decrypt));
        if (c.opensslEcb)
          Add(r.peers, std::string("OpenSSL ") + c.opensslEcb, OpenSslCipher(c.opensslEcb, w.decrypt));
      } else {
        Add(r.peers, std::string("Botan ") + c.botan + "/CBC", BotanCbc(c.botan, w.decrypt));
        if (c.opensslCbc)
          Add(r.peers, std::string("OpenSSL ") + c.opensslCbc, OpenSslCipher(c.opensslCbc, w.decrypt));
      }
      rows.push_back(std::move(r));
    }
  }
  {
    Row r{"Twofish published ECB encrypt", {"ours (published set)", OurPublishedTwofishEcb()}, {}, ""};
    Add(r.peers, "Botan Twofish", BotanEcb("Twofish", false));
    rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) gBytes = static_cast<std::size_t>(std::atoi(argv[1])) << 20;
  const std::string filter = argc > 2 ? argv[2] : "";
  // MD4 and Blowfish live in OpenSSL's legacy provider.
  OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER_load(nullptr, "default");

  gIn.resize(gBytes);
  gOut.resize(gBytes);
  std::mt19937 rng(1);
  for (auto& b : gIn) b = static_cast<std::uint8_t>(rng());

  std::printf("crypto_bench: %zu MiB per run, best of %d runs, MB/s = 10^6 bytes/s\n\n", gBytes >> 20, kRuns);
  std::printf("%-32s %9s  %-26s %9s  %7s\n", "algorithm", "ours", "fastest peer", "peer", "ratio");
  int below = 0;
  for (const Row& row : Rows()) {
    if (row.algorithm.find(filter) == std::string::npos) continue;
    std::vector<const Job*> jobs = {&row.ours.job};
    for (const Contender& p : row.peers) jobs.push_back(&p.job);
    const std::vector<double> speeds = BestMBps(jobs);
    const double ours = speeds[0];
    double bestPeer = 0;
    std::string bestName = "-";
    for (std::size_t i = 0; i < row.peers.size(); ++i) {
      if (speeds[i + 1] > bestPeer) bestPeer = speeds[i + 1], bestName = row.peers[i].name;
    }
    if (bestPeer > 0) {
      const double ratio = ours / bestPeer;
      if (ratio < 1.0) ++below;
      std::printf("%-32s %9.1f  %-26s %9.1f  %7.2f", row.algorithm.c_str(), ours, bestName.c_str(), bestPeer,
                  ratio);
    } else {
      std::printf("%-32s %9.1f  %-26s %9s  %7s", row.algorithm.c_str(), ours, "(none)", "-", "-");
    }
    if (!row.note.empty()) std::printf("   (%s)", row.note.c_str());
    std::printf("\n");
    std::fflush(stdout);
  }
  std::printf("\n%d row(s) below ratio 1.00\n", below);
  return 0;
}

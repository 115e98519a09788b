// HashBase: the digest text forms, the class-level helpers shared by every
// hash class, and the processor probe.
#include "crypto/HashBase.h"

#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "crypto/detail/Processor.h"

namespace velmorak {

namespace {

std::unique_ptr<THash> CreateHash() {
  return std::make_unique<THash>();
}

// Runs one Init/Update/Final over the bytes with a private instance, copies
// the raw digest out if asked, and returns the default text form.
std::string HashBytes(THashClass HashClass, const void* Data, int Size, void* DigestOut) {
  std::unique_ptr<THash> hash = HashClass->Create();
  hash->Init();
  hash->Update(Data, Size);
  hash->Final();
  if (DigestOut != nullptr && hash->DigestSize() > 0) {
    std::memcpy(DigestOut, hash->Digest(), static_cast<std::size_t>(hash->DigestSize()));
  }
  return hash->DigestText(0);
}

detail::TProcessorFeatures Probe() {
  detail::TProcessorFeatures f;
#if defined(__x86_64__) || defined(__i386__)
  // Read the identification leaves directly: GCC's and clang's feature-test
  // builtins do not agree on the names they accept.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    const bool sse41 = (ecx & bit_SSE4_1) != 0;
    f.Pclmul = sse41 && (ecx & bit_PCLMUL) != 0;
    if (sse41 && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) f.Sha = (ebx & bit_SHA) != 0;
  }
#endif
  return f;
}

}  // namespace

namespace detail {

const TProcessorFeatures& ProcessorOffers() {
  static const TProcessorFeatures offers = Probe();
  return offers;
}

TProcessorFeatures& ProcessorFeatures() {
  static TProcessorFeatures used = ProcessorOffers();
  return used;
}

}  // namespace detail

constinit const THashClassInfo THash::ClassInfo = {"THash", 0, &CreateHash};

std::string DigestToBase64(const std::uint8_t* Digest, int Size) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve(static_cast<std::size_t>((Size + 2) / 3 * 4 + 2));
  for (int i = 0; i < Size; i += 3) {
    std::uint32_t v = static_cast<std::uint32_t>(Digest[i]) << 16;
    if (i + 1 < Size) v |= static_cast<std::uint32_t>(Digest[i + 1]) << 8;
    if (i + 2 < Size) v |= Digest[i + 2];
    // Emit from the top sextet and stop once the bits not yet emitted are
    // all zero: mask holds those bits.
    for (int shift = 18; shift >= 0; shift -= 6) {
      if ((v & ((1u << (shift + 6)) - 1)) == 0) break;
      text += kAlphabet[(v >> shift) & 0x3F];
    }
  }
  if (Size % 3 == 1) text += "==";
  if (Size % 3 == 2) text += "=";
  return text;
}

std::string DigestToHex(const std::uint8_t* Digest, int Size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(Size) * 2, '0');
  for (int i = 0; i < Size; ++i) {
    text[2 * i] = kDigits[Digest[i] >> 4];
    text[2 * i + 1] = kDigits[Digest[i] & 0x0F];
  }
  return text;
}

std::string THash::DigestText(int Format) const {
  const int size = DigestSize();
  const std::uint8_t* digest = Digest();
  if (size <= 0 || digest == nullptr) return std::string();
  if (Format == 0) Format = DefaultDigestFormat;
  switch (Format) {
    case 16:
      return DigestToHex(digest, size);
    case 64:
      return DigestToBase64(digest, size);
    default:
      return std::string(reinterpret_cast<const char*>(digest), static_cast<std::size_t>(size));
  }
}

std::string THash::HashText(THashClass HashClass, std::string_view Text, void* DigestOut) {
  return HashBytes(HashClass, Text.data(), static_cast<int>(Text.size()), DigestOut);
}

std::string THash::HashBuffer(THashClass HashClass, const void* Buffer, int Size, void* DigestOut) {
  return HashBytes(HashClass, Buffer, Size, DigestOut);
}

}  // namespace velmorak

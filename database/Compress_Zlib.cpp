// Compress_Zlib: deflate and inflate through zlib, with the engine's length
// prefix, and its registration under "ZLIB" at program start.
#include "database/Compress_Zlib.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmorak {

namespace {

std::vector<std::uint8_t> ReadAll(TStream* s) {
  std::vector<std::uint8_t> v(static_cast<std::size_t>(s->Size()));
  s->SetPosition(0);
  if (!v.empty()) s->ReadBuffer(v.data(), static_cast<std::int64_t>(v.size()));
  return v;
}

void Replace(TStream* Dest, const std::uint8_t* data, std::size_t n) {
  Dest->SetSize(0);
  Dest->SetPosition(0);
  if (n) Dest->WriteBuffer(data, static_cast<std::int64_t>(n));
}

int ZlibLevel(std::uint8_t Level) {
  if (Level == 0) return Z_BEST_COMPRESSION;
  if (Level == 1) return Z_DEFAULT_COMPRESSION;
  if (Level <= 3) return Z_BEST_SPEED;
  return Z_NO_COMPRESSION;
}

// deflate can expand by at most about 0.1%; inflate can multiply by at most
// 1032 (RFC 1951 bound), so a claimed length beyond that cannot be honest.
constexpr std::int64_t kMaxInflateRatio = 1032;
constexpr std::size_t kChunk = 64 * 1024;

[[noreturn]] void InflateError(const char* what) {
  throw EZDecompressionError(Format("Zlib: %s", what));
}

}  // namespace

struct TCompAlgo_Zlib::Inflater {
  z_stream z{};
  bool ready = false;
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
};

TCompAlgo_Zlib::TCompAlgo_Zlib(TZvDBFileIO* AOwner) : TCompressAlgo(AOwner) {}
TCompAlgo_Zlib::~TCompAlgo_Zlib() = default;

const TDataProcessAlgoClassInfo TCompAlgo_Zlib::ClassInfo = {
    "TCompAlgo_Zlib", [](TZvDBFileIO* Owner) -> std::unique_ptr<TDataProcessAlgo> {
      return std::make_unique<TCompAlgo_Zlib>(Owner);
    }};

void TCompAlgo_Zlib::EncodeStream(TStream* Source, TStream* Dest, std::int64_t) {
  const std::vector<std::uint8_t> src = ReadAll(Source);
  FSourceSize = static_cast<std::int64_t>(src.size());
  if (src.empty()) {
    Replace(Dest, nullptr, 0);
    return;
  }
  const auto L = static_cast<std::int32_t>(src.size());
  std::vector<std::uint8_t> out(4 + deflateBound(nullptr, static_cast<uLong>(src.size())) + 64);
  z_stream z{};
  if (deflateInit(&z, ZlibLevel(Level)) != Z_OK) throw Exception("Zlib: deflateInit failed");
  z.next_out = out.data() + 4;
  z.avail_out = static_cast<uInt>(out.size() - 4);
  std::size_t consumed = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    const std::size_t n = std::min(kChunk, src.size() - consumed);
    z.next_in = const_cast<Bytef*>(src.data() + consumed);
    z.avail_in = static_cast<uInt>(n);
    const bool last = consumed + n == src.size();
    rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR || (rc == Z_BUF_ERROR && z.avail_out == 0)) {
      deflateEnd(&z);
      throw Exception("Zlib: deflate failed");
    }
    consumed += n - z.avail_in;
    FireProgress(true, ProgressPercent(static_cast<std::int64_t>(consumed), L));
  }
  const std::size_t payload = z.total_out;
  deflateEnd(&z);
  if (payload < src.size()) {
    out[0] = static_cast<std::uint8_t>(L), out[1] = static_cast<std::uint8_t>(L >> 8);
    out[2] = static_cast<std::uint8_t>(L >> 16), out[3] = static_cast<std::uint8_t>(L >> 24);
    Replace(Dest, out.data(), 4 + payload);
    return;
  }
  std::vector<std::uint8_t> raw(4 + src.size());
  const auto negL = static_cast<std::uint32_t>(-L);
  raw[0] = static_cast<std::uint8_t>(negL), raw[1] = static_cast<std::uint8_t>(negL >> 8);
  raw[2] = static_cast<std::uint8_t>(negL >> 16), raw[3] = static_cast<std::uint8_t>(negL >> 24);
  std::memcpy(raw.data() + 4, src.data(), src.size());
  Replace(Dest, raw.data(), raw.size());
}

void TCompAlgo_Zlib::DecodeStream(TStream* Source, TStream* Dest, std::int64_t) {
  const std::vector<std::uint8_t> src = ReadAll(Source);
  FSourceSize = static_cast<std::int64_t>(src.size());
  if (src.empty()) {
    Replace(Dest, nullptr, 0);
    return;
  }
  if (src.size() < 4) InflateError("compressed value shorter than its length prefix");
  const std::int32_t L = static_cast<std::int32_t>(static_cast<std::uint32_t>(src[0]) | src[1] << 8 |
                                                   src[2] << 16 | static_cast<std::uint32_t>(src[3]) << 24);
  if (L < 0) {
    Replace(Dest, src.data() + 4, src.size() - 4);
    Dest->SetPosition(0);
    return;
  }
  if (static_cast<std::int64_t>(L) > static_cast<std::int64_t>(src.size() - 4) * kMaxInflateRatio + 64)
    InflateError("claimed length exceeds what the data can hold");
  std::vector<std::uint8_t> out(static_cast<std::size_t>(L));
  if (!FInflater) FInflater = std::make_unique<Inflater>();
  z_stream& z = FInflater->z;
  if (!FInflater->ready) {
    if (inflateInit(&z) != Z_OK) InflateError("inflateInit failed");
    FInflater->ready = true;
  } else if (inflateReset(&z) != Z_OK) {
    InflateError("inflateReset failed");
  }
  z.next_in = const_cast<Bytef*>(src.data() + 4);
  z.avail_in = static_cast<uInt>(src.size() - 4);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  while (z.avail_out > 0) {
    const int rc = inflate(&z, Z_NO_FLUSH);
    FireProgress(false, ProgressPercent(static_cast<std::int64_t>(z.total_in), FSourceSize));
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK) {
      const std::string text = z.msg ? z.msg : (rc == Z_BUF_ERROR ? "unexpected end of data" : "data error");
      InflateError(text.c_str());
    }
  }
  const std::size_t produced = out.size() - z.avail_out;
  if (produced != out.size()) InflateError("unexpected end of data");
  Replace(Dest, out.data(), out.size());
  Dest->SetPosition(0);
}

void RegisterZlibModule() {
  static const bool once = (RegisterCompressAlgo(&TCompAlgo_Zlib::ClassInfo, "ZLIB"), true);
  (void)once;
}

namespace {
// Enrols the module before main runs; the file object calls the same
// function too, so a static library's unreferenced unit cannot be dropped.
const bool registered = (RegisterZlibModule(), true);
}  // namespace

}  // namespace velmorak

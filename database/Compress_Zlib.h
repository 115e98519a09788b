// Compress_Zlib: the "ZLIB" compression module of the database engine. A
// compressed value is a signed 32-bit length and then either a zlib stream
// (length L > 0: the deflated form was shorter) or the raw bytes (length -L:
// deflating did not save anything); an empty value is stored as nothing.
//
//   case                    bytes
//   source empty            (none)
//   deflated shorter        i32 L, zlib stream (RFC 1950) of the L bytes
//   otherwise               i32 -L, the L bytes unchanged
#pragma once

#include <cstdint>
#include <memory>

#include "database/ZvDBProcess.h"

namespace velmorak {

// Raised by the inflate side on damaged data; table storage passes it on to
// whoever reads the blob.
class EZDecompressionError : public Exception {
 public:
  using Exception::Exception;
};

class TCompAlgo_Zlib : public TCompressAlgo {
 public:
  static const TDataProcessAlgoClassInfo ClassInfo;
  explicit TCompAlgo_Zlib(TZvDBFileIO* AOwner);
  ~TCompAlgo_Zlib() override;
  TDataProcessAlgoClass ClassType() const override { return &ClassInfo; }

  // Both read all of Source from its start (DataSize is not used) and
  // replace Dest's content; Dest may be Source.
  void EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;
  void DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;

  // Level 0: best compression; 1: zlib's default; 2-3: best speed; 4 and
  // above: stored.
  void SetLevel(std::uint8_t ALevel) override { Level = ALevel; }
  std::uint8_t GetLevel() const override { return Level; }

  std::uint8_t Level = 1;

 private:
  std::int64_t FSourceSize = 0;
  // One inflate state, reset for each value: setting one up costs more than
  // inflating a typical memo.
  struct Inflater;
  std::unique_ptr<Inflater> FInflater;
};

// Registers "ZLIB" once; later calls do nothing.
void RegisterZlibModule();

}  // namespace velmorak

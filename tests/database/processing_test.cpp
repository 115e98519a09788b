// Stored-data processing: the byte form of compressed values, the order of
// compression and encryption, the module registries and the password check.
#include <gtest/gtest.h>

#include <zlib.h>
#include <random>

#include "DbTestSupport.h"

namespace velmorak {
namespace {

using namespace dbtest;

std::int32_t I32(const TMemoryStream& s) {
  return zvfmt::GetI32(const_cast<TMemoryStream&>(s).Memory());
}

TMemoryStream Bytes(const std::string& text) {
  TMemoryStream m;
  if (!text.empty()) m.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return m;
}

std::string Content(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), m.Size());
}

TEST(Zlib, StoresDeflatedOnlyWhenShorter) {
  TCompAlgo_Zlib z(nullptr);
  const std::string repetitive(1000, 'a');
  std::string random(1000, '\0');
  std::mt19937 rng(7);
  for (char& c : random) c = static_cast<char>(rng());
  struct Case {
    const char* why;
    std::string input;
    bool deflated;
  } cases[] = {
      {"repetitive text shrinks", repetitive, true},
      {"one byte cannot shrink", "x", false},
      {"random bytes cannot shrink", random, false},
  };
  for (const Case& c : cases) {
    TMemoryStream src = Bytes(c.input), enc, dec;
    z.EncodeStream(&src, &enc, 0);
    if (c.deflated) {
      EXPECT_EQ(I32(enc), static_cast<std::int32_t>(c.input.size())) << c.why;
      EXPECT_LT(enc.Size() - 4, static_cast<std::int64_t>(c.input.size())) << c.why;
      // The payload is a zlib stream that zlib itself inflates.
      std::string out(c.input.size(), '\0');
      uLongf outLen = static_cast<uLongf>(out.size());
      ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outLen, enc.Memory() + 4,
                           static_cast<uLong>(enc.Size() - 4)),
                Z_OK);
      EXPECT_EQ(out, c.input);
    } else {
      EXPECT_EQ(I32(enc), -static_cast<std::int32_t>(c.input.size())) << c.why;
      EXPECT_EQ(enc.Size(), static_cast<std::int64_t>(c.input.size()) + 4) << c.why;
    }
    z.DecodeStream(&enc, &dec, 0);
    EXPECT_EQ(Content(dec), c.input) << c.why;
  }
}

TEST(Zlib, EmptyValueIsNoBytesAndDamageRaises) {
  TCompAlgo_Zlib z(nullptr);
  TMemoryStream empty, enc, dec;
  z.EncodeStream(&empty, &enc, 0);
  EXPECT_EQ(enc.Size(), 0);
  z.DecodeStream(&enc, &dec, 0);
  EXPECT_EQ(dec.Size(), 0);

  TMemoryStream src = Bytes(std::string(500, 'q')), packed;
  z.EncodeStream(&src, &packed, 0);
  packed.Memory()[8] ^= 0x55;  // inside the deflate data
  EXPECT_THROW(z.DecodeStream(&packed, &dec, 0), EZDecompressionError);
  TMemoryStream truncated = Bytes(std::string("\x10\x00\x00\x00\x78", 5));  // claims 16 bytes
  EXPECT_THROW(z.DecodeStream(&truncated, &dec, 0), EZDecompressionError);
  TMemoryStream huge = Bytes(std::string("\xff\xff\xff\x7f\x78\x9c", 6));  // claims 2 GiB from 2 bytes
  EXPECT_THROW(z.DecodeStream(&huge, &dec, 0), EZDecompressionError);
}

TEST(Zlib, ProgressEndsAtHundredForLargeValues) {
  TCompAlgo_Zlib z(nullptr);
  std::vector<int> seen;
  z.OnEncodeProgress = [&](TObject*, int p) { seen.push_back(p); };
  TMemoryStream src = Bytes(std::string(300000, 'z')), enc;
  z.EncodeStream(&src, &enc, 0);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(Progress, RoundsHalfToEven) {
  EXPECT_EQ(ProgressPercent(1, 8), 12);  // 12.5
  EXPECT_EQ(ProgressPercent(3, 8), 38);  // 37.5
  EXPECT_EQ(ProgressPercent(2, 3), 67);
  EXPECT_EQ(ProgressPercent(5, 0), 0);
}

TEST(Registry, LookupIgnoresCaseAndRenameDropsOldName) {
  TZvDBFileIO io(nullptr);
  EXPECT_NO_THROW(io.CompressMgr().SetAlgoName("zlib"));
  EXPECT_NO_THROW(io.EncryptMgr().SetAlgoName("BLOWFISH"));
  EXPECT_STREQ(io.EncryptMgr().Algo()->ClassName(), "TEncAlgo_Blowfish");
  EXPECT_EQ(ErrorOf([&] { io.EncryptMgr().SetAlgoName("Rot13"); }),
            "Encryption algorithm module 'Rot13' not found");

  RegisterCompressAlgo(&TCompAlgo_Zlib::ClassInfo, "DEFLATE");
  EXPECT_EQ(ErrorOf([&] { io.CompressMgr().SetAlgoName("ZLIB"); }),
            "Compression algorithm module 'ZLIB' not found");
  EXPECT_NO_THROW(io.CompressMgr().SetAlgoName("deflate"));
  RegisterCompressAlgo(&TCompAlgo_Zlib::ClassInfo, "ZLIB");
  EXPECT_NO_THROW(io.CompressMgr().SetAlgoName("ZLIB"));
}

TEST(Managers, WithoutModuleRaiseGeneralError) {
  TZvDBFileIO io(nullptr);
  std::uint8_t b[2] = {};
  EXPECT_EQ(ErrorOf([&] { io.EncryptMgr().EncryptBuffer(b, b, 2); }), "General error");
  TMemoryStream s;
  EXPECT_EQ(ErrorOf([&] { io.CompressMgr().EncodeStream(&s, &s, 0); }), "General error");
}

TEST(Managers, ReselectingSameModuleKeepsTheKey) {
  TZvDBFileIO io(nullptr);
  io.EncryptMgr().SetAlgoName("Gost");
  io.EncryptMgr().InitKey("secret");
  const TDataProcessAlgo* before = io.EncryptMgr().Algo();
  io.EncryptMgr().SetAlgoName("gost");
  EXPECT_EQ(io.EncryptMgr().Algo(), before);
  std::uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_NO_THROW(io.EncryptMgr().EncryptBuffer(b, b, 8));  // still keyed
}

// Every cipher and mode: a 2-byte value enciphers to 2 bytes, equal values
// to equal bytes, and deciphers back.
TEST(Ciphers, FieldValuesRoundTripPerCipherAndMode) {
  for (const char* name : {"Blowfish", "Twofish", "Gost"})
    for (std::uint8_t mode = 0; mode <= 4; ++mode) {
      TZvDBFileIO io(nullptr);
      io.EncryptMgr().SetAlgoName(name);
      io.EncryptMgr().SetMode(mode);
      io.EncryptMgr().InitKey("pw");
      for (int size : {2, 7, 8, 33}) {
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(size));
        for (int i = 0; i < size; ++i)
          plain[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 1);
        std::vector<std::uint8_t> c1(plain.size()), c2(plain.size()), back(plain.size());
        io.EncodeField(plain.data(), c1.data(), true, size);
        io.EncodeField(plain.data(), c2.data(), true, size);
        io.DecodeField(c1.data(), back.data(), true, size);
        const std::string where =
            std::string(name) + " mode " + std::to_string(mode) + " size " + std::to_string(size);
        EXPECT_EQ(c1, c2) << where;
        // Electronic code book leaves a value shorter than one block as it is.
        const int block = static_cast<TEncAlgo_Base*>(io.EncryptMgr().Algo())->Cipher().BlockSize();
        if (mode != 4 || size >= block) {
          EXPECT_NE(c1, plain) << where;
        }
        EXPECT_EQ(back, plain) << where;
      }
    }
}

TEST(Blobs, CompressThenEncipherAndBack) {
  TZvDBFileIO io(nullptr);
  io.CompressMgr().SetAlgoName("ZLIB");
  io.EncryptMgr().SetAlgoName("Blowfish");
  io.EncryptMgr().SetMode(1);
  io.EncryptMgr().InitKey("k");
  const std::string big(10000, 'm');
  for (const std::string& value : {std::string(), std::string("x"), big}) {
    TMemoryStream src = Bytes(value), stored, back;
    io.EncodeBlob(&src, &stored, true, true);
    if (value.empty()) {
      EXPECT_EQ(stored.Size(), 0);
    }
    // Deciphering alone gives the compressed form: compression ran first.
    TMemoryStream deciphered;
    io.DecodeBlob(&stored, &deciphered, true, false);
    if (!value.empty()) {
      EXPECT_EQ(std::abs(I32(deciphered)), static_cast<std::int32_t>(value.size()));
    }
    io.DecodeBlob(&stored, &back, true, true);
    EXPECT_EQ(Content(back), value);
    // In place, as the file object allows.
    TMemoryStream inplace = Bytes(value);
    io.EncodeBlob(&inplace, &inplace, true, true);
    io.DecodeBlob(&inplace, &inplace, true, true);
    EXPECT_EQ(Content(inplace), value);
  }
}

TEST(Password, DigestIsBase64ShaZeroAndKeysOnlyOnMatch) {
  TempDir dir;
  const std::string path = dir.File("enc.zvc");
  TZvCreateOptions opt;
  opt.EncryptName = "Blowfish";
  opt.Password = "abc";
  ZvCreateDatabase(path, opt, {});
  // The stored digest of "abc" is the SHA-0 digest in the base-64 form that
  // drops the last group's trailing zero sextet.
  const auto bytes = Slurp(path);
  EXPECT_EQ(zvfmt::GetText(bytes.data() + zvfmt::kOptionsOffset + zvfmt::kOptPasswordDigest, 129),
            "AWS4qRTNKl50xPf/CCxNl/Ht+I=");

  TZvDBFileIO io(nullptr);
  EXPECT_FALSE(io.SetPassword("abc"));  // closed
  io.Open(path, mtDisk, false, false);
  EXPECT_FALSE(io.SetPassword("ABC"));
  std::uint8_t b[4] = {};
  EXPECT_THROW(io.EncodeField(b, b, true, 4), EEncryptException);  // not keyed by the wrong password
  EXPECT_TRUE(io.SetPassword("abc"));
  EXPECT_NO_THROW(io.EncodeField(b, b, true, 4));

  TZvCreateOptions plain;
  ZvCreateDatabase(dir.File("plain.zvc"), plain, {});
  TZvDBFileIO io2(nullptr);
  io2.Open(dir.File("plain.zvc"), mtDisk, false, false);
  EXPECT_TRUE(io2.SetPassword("anything"));
}

}  // namespace
}  // namespace velmorak

// ZvDBCreator: see the header.
#include "tools/zvdb/ZvDBCreator.h"

#include <cstring>

#include "crypto/HashBase.h"
#include "crypto/Hash_SHA.h"
#include "database/ZvDBProcess.h"
#include "platform/classes/Classes.h"
#include "platform/classes/StringList.h"

namespace velmorak {

using namespace zvfmt;

namespace {

[[noreturn]] void SchemaError(const std::string& where, const std::string& what) {
  throw EDatabaseError(where + ": " + what);
}

void CheckName(const std::string& where, const std::string& name) {
  if (name.empty()) SchemaError(where, "name missing");
  if (name.size() > kNameSize - 1)
    SchemaError(where, Format("name longer than %d characters", kNameSize - 1));
}

}  // namespace

std::vector<std::uint8_t> ZvCreateDatabaseImage(const TZvCreateOptions& Options,
                                                const std::vector<TZvCreateTable>& Tables) {
  if (Tables.size() > static_cast<std::size_t>(kMaxTables)) SchemaError("database", "more than 256 tables");
  std::vector<std::uint8_t> img(static_cast<std::size_t>(kDataAreaOffset + Tables.size() * kTableHeaderSize),
                                0);
  PutText(img.data(), kSignatureSize, kSignature);
  PutText(img.data() + kVersionOffset, kVersionSize, Options.Version);
  std::uint8_t* opt = img.data() + kOptionsOffset;
  if (!Options.CompressName.empty()) {
    opt[kOptCompressEnabled] = 1;
    PutText(opt + kOptCompressName, kAlgoNameSize, Options.CompressName);
  }
  if (!Options.EncryptName.empty()) {
    opt[kOptEncryptEnabled] = 1;
    opt[kOptCipherMode] = Options.CipherMode;
    PutText(opt + kOptEncryptName, kAlgoNameSize, Options.EncryptName);
    PutText(opt + kOptPasswordDigest, kPasswordDigestSize,
            THash::HashText(&THash_SHA::ClassInfo, Options.Password));
  }
  opt[kOptCrcCheckEnabled] = Options.CrcCheck ? 1 : 0;
  std::uint8_t* dir = img.data() + kDirectoryOffset;
  PutI32(dir + kDirTableCount, static_cast<std::int32_t>(Tables.size()));
  for (std::size_t t = 0; t < Tables.size(); ++t) {
    const TZvCreateTable& table = Tables[t];
    const std::string where = "table '" + table.Name + "'";
    CheckName(where, table.Name);
    for (std::size_t u = 0; u < t; ++u)
      if (TStringList l; l.Add(Tables[u].Name), l.IndexOf(table.Name) >= 0)
        SchemaError(where, "duplicate table name");
    if (table.Fields.size() > static_cast<std::size_t>(kMaxFields)) SchemaError(where, "more than 96 fields");
    if (table.Indexes.size() > static_cast<std::size_t>(kMaxIndexes))
      SchemaError(where, "more than 8 indexes");
    const std::int32_t at = kDataAreaOffset + static_cast<std::int32_t>(t) * kTableHeaderSize;
    PutI32(dir + kDirHeaderOffsets + 4 * static_cast<int>(t), at);
    std::uint8_t* h = img.data() + at;
    PutText(h + kThTableName, kNameSize, table.Name);
    PutI32(h + kThFieldCount, static_cast<std::int32_t>(table.Fields.size()));
    TStringList fieldNames;
    for (std::size_t i = 0; i < table.Fields.size(); ++i) {
      const TZvCreateField& f = table.Fields[i];
      const std::string fw = where + ", field '" + f.Name + "'";
      CheckName(fw, f.Name);
      if (fieldNames.IndexOf(f.Name) >= 0) SchemaError(fw, "duplicate field name");
      fieldNames.Add(f.Name);
      if (FieldTypeName(f.FieldType).empty()) SchemaError(fw, "field type cannot be stored");
      if (IsTextType(f.FieldType) && (f.FieldSize < 1 || f.FieldSize > 8192))
        SchemaError(fw, "text size must be 1 to 8192");
      std::uint8_t* e = h + kThFieldEntries + static_cast<int>(i) * kFieldEntrySize;
      PutText(e + kFeName, kNameSize, f.Name);
      e[kFeType] = f.FieldType;
      PutI32(e + kFeSize, f.FieldSize);
      e[kFeProcessMode] = f.DataProcessMode;
    }
    PutI32(h + kThIndexCount, static_cast<std::int32_t>(table.Indexes.size()));
    for (std::size_t j = 0; j < table.Indexes.size(); ++j) {
      const TZvCreateIndex& x = table.Indexes[j];
      const std::string iw = where + ", index '" + x.Name + "'";
      CheckName(iw, x.Name);
      if (x.FieldNumbers.empty() || x.FieldNumbers.size() > static_cast<std::size_t>(kMaxKeyFields))
        SchemaError(iw, "a key has 1 to 8 fields");
      std::uint8_t* e = h + kThIndexEntries + static_cast<int>(j) * kIndexEntrySize;
      PutText(e + kIeName, kNameSize, x.Name);
      e[kIeOptions] = x.Options;
      for (int s = 0; s < kMaxKeyFields; ++s) {
        std::int32_t f = -1;
        if (static_cast<std::size_t>(s) < x.FieldNumbers.size()) {
          f = x.FieldNumbers[static_cast<std::size_t>(s)];
          if (f < 0 || static_cast<std::size_t>(f) >= table.Fields.size())
            SchemaError(iw, "unknown key field");
        }
        PutI32(e + kIeFieldNumbers + 4 * s, f);
      }
    }
  }
  return img;
}

void ZvCreateDatabase(const std::string& FileName, const TZvCreateOptions& Options,
                      const std::vector<TZvCreateTable>& Tables) {
  const std::vector<std::uint8_t> img = ZvCreateDatabaseImage(Options, Tables);
  TFileStream f(FileName, TFileStream::fmCreate);
  f.WriteBuffer(img.data(), static_cast<std::int64_t>(img.size()));
}

}  // namespace velmorak

// ZvDBCreator: writes a new, empty database file in the engine's format. The
// engine itself only reads and updates files; this is the separate creator
// that `zvdb create` and the tests use. It writes the file header, the
// options header (with the password digest when the file is enciphered), the
// table directory and one table header per table with empty tabs; rows are
// then appended through the engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/ZvDBFormat.h"

namespace velmorak {

struct TZvCreateField {
  std::string Name;
  std::uint8_t FieldType = ftString;
  std::int32_t FieldSize = 0;
  std::uint8_t DataProcessMode = 0;
};

struct TZvCreateIndex {
  std::string Name;
  TZvIndexOptions Options = 0;
  std::vector<std::int32_t> FieldNumbers;
};

struct TZvCreateTable {
  std::string Name;
  std::vector<TZvCreateField> Fields;
  std::vector<TZvCreateIndex> Indexes;
};

struct TZvCreateOptions {
  std::string Version = "2.0";
  std::string CompressName;  // empty: no compression
  std::string EncryptName;   // empty: no encryption
  std::uint8_t CipherMode = 0;
  std::string Password;
  bool CrcCheck = false;
};

// The file image; raises EDatabaseError naming the table and field for a
// definition the format cannot hold.
std::vector<std::uint8_t> ZvCreateDatabaseImage(const TZvCreateOptions& Options,
                                                const std::vector<TZvCreateTable>& Tables);
void ZvCreateDatabase(const std::string& FileName, const TZvCreateOptions& Options,
                      const std::vector<TZvCreateTable>& Tables);

}  // namespace velmorak

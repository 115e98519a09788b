// ZvDBFileDatabase: see the header.
#include "database/ZvDBFileDatabase.h"

#include <algorithm>

namespace velmorak {

TZvFileDatabase::~TZvFileDatabase() {
  try {
    Close();
  } catch (...) {
  }
}

void TZvFileDatabase::Open(const std::string& FileName, bool ReadOnly) {
  if (FFileIO) return;
  auto io = std::make_unique<TZvDBFileIO>(this);
  io->Open(FileName, MediumType, ReadOnly, Exclusive);
  FFileIO = std::move(io);
  try {
    TStringList names;
    FFileIO->GetTableNames(names);
    for (int t = 0; t < names.Count(); ++t) {
      auto table = std::make_unique<TZvTableIO>(this);
      table->SetTableName(names.Strings(t));
      FTables.push_back(std::move(table));
    }
  } catch (...) {
    FTables.clear();
    FFileIO.reset();
    throw;
  }
}

void TZvFileDatabase::Close() {
  FTables.clear();
  if (!FFileIO) return;
  std::unique_ptr<TZvDBFileIO> io = std::move(FFileIO);
  io->Close();
}

bool TZvFileDatabase::SetPassword(const std::string& Password) {
  return FFileIO && FFileIO->SetPassword(Password);
}

TZvTableIO* TZvFileDatabase::FindTableIO(const std::string& TableName) const {
  for (const auto& t : FTables) {
    const std::string& n = t->TableName();
    if (n.size() == TableName.size() && std::equal(n.begin(), n.end(), TableName.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        }))
      return t.get();
  }
  return nullptr;
}

}  // namespace velmorak

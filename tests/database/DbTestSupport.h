// Helpers of the database tests: a scratch folder, fixture files made with
// the creator, and Row, a record buffer over a table's fields that builds the
// TFieldBuffers list storage takes.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"
#include "tools/zvdb/ZvDBCreator.h"

namespace velmorak::dbtest {

class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      Path = (base / ("zvdb-test-" + std::to_string(std::rand()) + "-" + std::to_string(++counter))).string();
      if (std::filesystem::create_directory(Path)) break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(File("ro.zvc"), std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(Path, ec);
  }
  std::string File(const std::string& name) const { return (std::filesystem::path(Path) / name).string(); }
  std::string Path;
};

inline TZvCreateField Fld(const std::string& name, std::uint8_t type, std::int32_t size = 0,
                          std::uint8_t raw = 0) {
  return {name, type, size, raw};
}

inline TZvCreateIndex Idx(const std::string& name, std::vector<std::int32_t> fields,
                          TZvIndexOptions options = 0) {
  return {name, options, std::move(fields)};
}

constexpr TZvIndexOptions kPrimary = IndexOptionBit(tiPrimary);
constexpr TZvIndexOptions kUnique = IndexOptionBit(tiUnique);
constexpr TZvIndexOptions kDescending = IndexOptionBit(tiDescending);
constexpr TZvIndexOptions kCaseInsensitive = IndexOptionBit(tiCaseInsensitive);

// One record's values for a loaded table, in its field order.
class Row {
 public:
  explicit Row(TZvTableIO& table) : FTable(table) {
    for (int i = 0; i < table.FieldDefs().Count(); ++i) {
      const std::uint8_t type = table.FieldDefs().Items(i).FieldType;
      FValues.emplace_back(zvfmt::IsBlobType(type) ? 0 : table.FieldByteSize(i), 0);
      FBlobs.push_back(zvfmt::IsBlobType(type) ? std::make_unique<TOptimBlobStream>() : nullptr);
      FActive.push_back(true);
    }
  }
  Row& Text(int i, const std::string& s) {
    auto& v = FValues[static_cast<std::size_t>(i)];
    std::fill(v.begin(), v.end(), 0);
    std::memcpy(v.data(), s.data(), std::min(s.size(), v.size()));
    return *this;
  }
  template <typename T>
  Row& Num(int i, T value) {
    std::memcpy(FValues[static_cast<std::size_t>(i)].data(), &value, sizeof value);
    return *this;
  }
  Row& Blob(int i, const std::string& bytes) {
    TOptimBlobStream& s = *FBlobs[static_cast<std::size_t>(i)];
    s.Setup(0, false, false);
    s.SetSize(0);
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return *this;
  }
  Row& Inactive(int i) {
    FActive[static_cast<std::size_t>(i)] = false;
    return *this;
  }

  std::string GetText(int i) const {
    const auto& v = FValues[static_cast<std::size_t>(i)];
    return std::string(reinterpret_cast<const char*>(v.data()),
                       strnlen(reinterpret_cast<const char*>(v.data()), v.size()));
  }
  template <typename T>
  T GetNum(int i) const {
    T value;
    std::memcpy(&value, FValues[static_cast<std::size_t>(i)].data(), sizeof value);
    return value;
  }
  std::string GetBlob(int i) {
    TOptimBlobStream& s = *FBlobs[static_cast<std::size_t>(i)];
    s.SetPosition(0);
    std::string out(static_cast<std::size_t>(s.Size()), '\0');
    if (!out.empty()) s.ReadBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    return out;
  }
  TOptimBlobStream& BlobStream(int i) { return *FBlobs[static_cast<std::size_t>(i)]; }

  TFieldBuffers& Buffers() {
    FBuffers.Clear();
    for (std::size_t i = 0; i < FValues.size(); ++i) {
      const std::uint8_t type = FTable.FieldDefs().Items(static_cast<int>(i)).FieldType;
      if (!FActive[i]) {
        FBuffers.AddInactive(type);
      } else if (FBlobs[i]) {
        FBuffers.AddStream(FBlobs[i].get(), type);
      } else {
        FBuffers.Add(FValues[i].data(), type, static_cast<int>(FValues[i].size()));
      }
    }
    return FBuffers;
  }

  void Append(bool flush = false) { FTable.AppendRecord(Buffers(), flush, nullptr, nullptr); }
  void Modify(int physicalPos) { FTable.ModifyRecord(Buffers(), physicalPos, nullptr, nullptr, false); }
  void Read(const TRecordList& list, int pos) { FTable.ReadRecord(Buffers(), list, pos); }

 private:
  TZvTableIO& FTable;
  std::vector<std::vector<std::uint8_t>> FValues;
  std::vector<std::unique_ptr<TOptimBlobStream>> FBlobs;
  std::vector<bool> FActive;
  TFieldBuffers FBuffers;
};

// Reads a file's bytes; writes them back.
// Reading shares the file with a database that may have it open.
inline std::vector<std::uint8_t> Slurp(const std::string& path) {
  TFileStream f(path, os::fmOpenRead | os::fmShareDenyNone);
  std::vector<std::uint8_t> b(static_cast<std::size_t>(f.Size()));
  if (!b.empty()) f.ReadBuffer(b.data(), static_cast<std::int64_t>(b.size()));
  return b;
}
inline void Spit(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  TFileStream f(path, TFileStream::fmCreate);
  f.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// The message of the exception Fn throws, or "" if none.
template <typename Fn>
std::string ErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace velmorak::dbtest

// Damaged files: each row of the table damages one thing in a small valid
// file and expects a clear database error from opening it and reading every
// table, record and blob — never a crash, a hang or silent garbage.
#include <gtest/gtest.h>

#include <functional>

#include "DbTestSupport.h"

namespace velmorak {
namespace {

using namespace dbtest;
using namespace zvfmt;

// Reads everything the way a careful reader would; returns the error text.
std::string ReadAll(const std::string& path) {
  return ErrorOf([&] {
    TZvFileDatabase db;
    db.Open(path, true);
    for (int t = 0; t < db.TableCount(); ++t) {
      TZvTableIO* table = db.TableIO(t);
      table->Open();
      for (int L = 0; L <= table->IndexDefs().Count(); ++L) {
        const TRecordList& list = *table->GetList(L);
        for (std::size_t i = 0; i < list.size(); ++i) {
          Row r(*table);
          r.Read(list, static_cast<int>(i));
          for (int f = 0; f < table->FieldDefs().Count(); ++f)
            if (IsBlobType(table->FieldDefs().Items(f).FieldType)) r.GetBlob(f);
        }
      }
      table->Close();
    }
  });
}

TEST(Hostile, DamagedStructuresGiveClearErrors) {
  TempDir dir;
  const std::string good = dir.File("good.zvc");
  ZvCreateDatabase(good, {}, {{"T", {Fld("Nom", ftString, 8), Fld("Memo", ftMemo)}, {Idx("ByNom", {0})}}});
  {
    TZvFileDatabase db;
    db.Open(good);
    TZvTableIO* t = db.FindTableIO("T");
    t->Open();
    for (const char* n : {"c", "a", "b"}) {
      Row r(*t);
      r.Text(0, n).Blob(1, std::string(100, *n)).Append();
    }
  }
  ASSERT_EQ(ReadAll(good), "");
  const auto base = Slurp(good);
  const int th = kDataAreaOffset;  // the only table header
  const std::int32_t recTab = GetI32(base.data() + th + kThRecTabOffset);
  const std::int32_t rec0 = GetI32(base.data() + recTab + 4);
  const int ie = th + kThIndexEntries;
  const std::int32_t idxTab = GetI32(base.data() + ie + kIeIndexTabOffset);

  using Patch = std::function<void(std::vector<std::uint8_t>&)>;
  auto at = [](int offset, std::int32_t value) -> Patch {
    return [=](std::vector<std::uint8_t>& b) { PutI32(b.data() + offset, value); };
  };
  struct Case {
    const char* why;
    Patch patch;
    const char* expected;  // a part of the message
  } cases[] = {
      {"257 tables", at(kDirectoryOffset, 257), "table count 257"},
      {"negative table count", at(kDirectoryOffset, -1), "table count -1"},
      {"table header past the end", at(kDirectoryOffset + kDirHeaderOffsets, 1 << 30), "beyond the end"},
      {"table header in the fixed part", at(kDirectoryOffset + kDirHeaderOffsets, 100),
       "inside the fixed part"},
      {"97 fields", at(th + kThFieldCount, 97), "claims 97 fields"},
      {"9 indexes", at(th + kThIndexCount, 9), "claims 9 indexes"},
      {"key field out of range", at(ie + kIeFieldNumbers, 50), "names field 50"},
      {"index without key field", at(ie + kIeFieldNumbers, -1), "no key field"},
      {"type without storage", [&](auto& b) { b[th + kThFieldEntries + kFeType] = ftBytes; },
       "General error"},
      {"text size negative", at(th + kThFieldEntries + kFeSize, -5), "General error"},
      {"record count beyond the file", at(th + kThRecordCount, 0x7FFFFFFF), "need more record-tab blocks"},
      {"negative record count", at(th + kThRecordCount, -3), "negative record count"},
      {"record tab past the end", at(th + kThRecTabOffset, 1 << 29), "beyond the end"},
      {"record tab chain ends early", at(th + kThRecordCount, 1500), "outside the data area"},
      {"record tab chain loops",
       [&](auto& b) {
         PutI32(b.data() + th + kThRecordCount, 1500);
         PutI32(b.data() + recTab, recTab);
       },
       "loops"},
      {"index head out of range", at(ie + kIeHead, 77), "links to record 77"},
      {"index chain cycles",
       [&](auto& b) {
         const std::int32_t head = GetI32(b.data() + ie + kIeHead);
         PutI32(b.data() + idxTab + 4 + head * 8 + 4, head);
       },
       "twice"},
      {"record past the end", at(recTab + 4, 1 << 28), "beyond the end"},
      {"blob past the end", at(rec0 + 9, 1 << 28), "beyond the end"},
      {"blob of negative size", at(rec0 + 9 + 4, -1), "negative size"},
      {"blob larger than the file", at(rec0 + 9 + 4, 1 << 30), "beyond the end"},
  };
  for (const Case& c : cases) {
    auto bytes = base;
    c.patch(bytes);
    const std::string path = dir.File("bad.zvc");
    Spit(path, bytes);
    const std::string message = ReadAll(path);
    EXPECT_NE(message, "") << c.why;
    EXPECT_NE(message.find(c.expected), std::string::npos) << c.why << ": " << message;
  }

  // A file cut anywhere after the fixed part: an error naming the file.
  for (std::size_t cut : {base.size() - 40, base.size() - 90, static_cast<std::size_t>(rec0 + 3),
                          static_cast<std::size_t>(recTab + 20), static_cast<std::size_t>(th + 100)}) {
    const std::string path = dir.File("cut.zvc");
    Spit(path, std::vector<std::uint8_t>(base.begin(), base.begin() + static_cast<std::ptrdiff_t>(cut)));
    const std::string message = ReadAll(path);
    EXPECT_NE(message.find("Database file '" + path + "' is damaged"), std::string::npos)
        << cut << ": " << message;
  }
}

}  // namespace
}  // namespace velmorak

// Table storage: the record layout, record-tab growth at the block
// boundary, autoinc numbering, blob areas, deletion, lazy blob loading and
// the read-back check, each read back through a fresh load of the file.
#include <gtest/gtest.h>

#include "DbTestSupport.h"

namespace velmorak {
namespace {

using namespace dbtest;
using namespace zvfmt;

// Clients: Id autoinc (primary), Nom string 10, Solde integer, Notes memo.
struct Fixture {
  explicit Fixture(TZvCreateOptions opt = {}, bool exclusive = false) {
    path = dir.File("t.zvc");
    ZvCreateDatabase(
        path, opt,
        {{"Clients",
          {Fld("Id", ftAutoInc), Fld("Nom", ftString, 10), Fld("Solde", ftInteger), Fld("Notes", ftMemo)},
          {Idx("PK", {0}, kPrimary)}}});
    Reopen(exclusive);
  }
  void Reopen(bool exclusive = false) {
    db = std::make_unique<TZvFileDatabase>();
    db->Exclusive = exclusive;
    db->Open(path);
    db->SetPassword("pw");
    table = db->FindTableIO("clients");
    table->Open();
  }
  std::int32_t HeaderI32(int at) {
    const auto b = Slurp(path);
    return GetI32(b.data() + kDataAreaOffset + at);
  }
  TempDir dir;
  std::string path;
  std::unique_ptr<TZvFileDatabase> db;
  TZvTableIO* table = nullptr;
};

TEST(TableLayout, OffsetsAndRecordSize) {
  Fixture f;
  EXPECT_EQ(f.table->RecordSize(), 4 + 11 + 4 + 20);
  EXPECT_EQ(f.table->FieldOffsets(), (TIntegerAry{0, 4, 15, 19}));
  EXPECT_EQ(f.table->AutoIncFieldIndex(), 0);
  EXPECT_EQ(f.table->FindPrimaryIndex(), 0);
}

TEST(TableAppend, FirstRecordTabBlockAndTheSecondAt1025) {
  Fixture f;
  const std::int64_t end = Slurp(f.path).size();
  for (int i = 0; i < 1025; ++i) {
    Row r(*f.table);
    std::string name = "n";
    name += std::to_string(i);  // (not "n" + ...: gcc 12 warns falsely on that)
    r.Text(1, name).Num<std::int32_t>(2, i).Append();
  }
  f.db->Close();
  EXPECT_EQ(f.HeaderI32(kThRecTabOffset), end);  // the first block went to the old end
  EXPECT_EQ(f.HeaderI32(kThRecordCount), 1025);
  const auto bytes = Slurp(f.path);
  // Item 0 points just past its block.
  EXPECT_EQ(GetI32(bytes.data() + end + 4), end + kRecTabBlockSize);
  f.Reopen();
  ASSERT_EQ(f.table->RecTabBlockOffsets().size(), 2u);
  const std::int32_t second = f.table->RecTabBlockOffsets()[1];
  EXPECT_EQ(GetI32(bytes.data() + end), second);  // linked from the first block
  EXPECT_EQ(f.table->RecordTab()[1024].DataOffset, second + kRecTabBlockSize);
  ASSERT_EQ(f.table->GetList(0)->size(), 1025u);
  Row r(*f.table);
  r.Read(*f.table->GetList(0), 1024);
  EXPECT_EQ(r.GetText(1), "n1024");
  EXPECT_EQ(r.GetNum<std::int32_t>(0), 1025);
  // The primary index has two index-tab blocks too and lists all records.
  EXPECT_EQ(f.table->IndexTabBlockOffsets(0).size(), 2u);
  EXPECT_EQ(f.table->GetList(1)->size(), 1025u);
}

TEST(TableAppend, AutoIncRules) {
  Fixture f;
  struct Step {
    std::int32_t given, stored, counter;
  } steps[] = {{0, 1, 1}, {0, 2, 2}, {500, 500, 500}, {0, 501, 501}, {10, 10, 501}};
  for (const Step& s : steps) {
    Row r(*f.table);
    r.Num<std::int32_t>(0, s.given).Append();
    EXPECT_EQ(r.GetNum<std::int32_t>(0), s.stored) << "given " << s.given;
    EXPECT_EQ(f.table->AutoIncCounter(), s.counter) << "given " << s.given;
  }
  f.db->Close();
  EXPECT_EQ(f.HeaderI32(kThAutoIncCounter), 501);
  // Modifying with a larger value raises the counter; 0 keeps the stored one.
  f.Reopen();
  Row m(*f.table);
  m.Read(*f.table->GetList(0), 0);
  m.Num<std::int32_t>(0, 900).Modify(0);
  Row z(*f.table);
  z.Read(*f.table->GetList(0), 1);
  z.Num<std::int32_t>(0, 0).Text(1, "zero").Modify(1);
  f.db->Close();
  EXPECT_EQ(f.HeaderI32(kThAutoIncCounter), 900);
  f.Reopen();
  Row back(*f.table);
  back.Read(*f.table->GetList(0), 1);
  EXPECT_EQ(back.GetNum<std::int32_t>(0), 2);
  EXPECT_EQ(back.GetText(1), "zero");
}

TEST(TableAppend, TextIsCutAndTerminated) {
  Fixture f;
  Row r(*f.table);
  r.Text(1, "0123456789AB").Append();  // fills all 11 bytes: the last becomes NUL
  f.Reopen();
  Row back(*f.table);
  back.Read(*f.table->GetList(0), 0);
  EXPECT_EQ(back.GetText(1), "0123456789");
}

// Where a changed blob goes: kept in its area, grown in place at the end of
// the file, or moved to the end.
TEST(TableBlobs, AreaReusedGrownOrMoved) {
  Fixture f;
  auto descriptor = [&](int pos) {
    const TRecordEntry e = (*f.table->GetList(0))[static_cast<std::size_t>(pos)];
    const auto b = Slurp(f.path);
    const std::uint8_t* d = b.data() + e.DataOffset + 19;
    return std::array<std::int32_t, 3>{GetI32(d), GetI32(d + 4), GetI32(d + 8)};
  };
  Row a(*f.table);
  a.Blob(3, std::string(10, 'a')).Append();
  Row b(*f.table);
  b.Blob(3, std::string(63, 'b')).Append();
  f.db->Close();
  f.Reopen();
  auto d0 = descriptor(0), d1 = descriptor(1);
  EXPECT_EQ(d0[1], 10);
  EXPECT_EQ(d0[2], 64);
  EXPECT_EQ(d1[2], 64);  // 63 bytes fit in 64

  struct Case {
    const char* why;
    int pos;
    std::size_t size;
    bool samePlace;
    std::int32_t area;
  } cases[] = {
      {"10 to 60 stays in its 64-byte area", 0, 60, true, 64},
      {"60 to 70 moves to the end (not the last area)", 0, 70, false, 128},
      {"the last area grows in place", 0, 200, true, 256},
  };
  for (const Case& c : cases) {
    const auto before = descriptor(c.pos);
    Row r(*f.table);
    r.Read(*f.table->GetList(0), c.pos);
    r.Blob(3, std::string(c.size, 'x')).Modify(c.pos);
    f.db->Close();
    f.Reopen();
    const auto after = descriptor(c.pos);
    EXPECT_EQ(after[0] == before[0], c.samePlace) << c.why;
    EXPECT_EQ(after[1], static_cast<std::int32_t>(c.size)) << c.why;
    EXPECT_EQ(after[2], c.area) << c.why;
    Row back(*f.table);
    back.Read(*f.table->GetList(0), c.pos);
    EXPECT_EQ(back.GetBlob(3), std::string(c.size, 'x')) << c.why;
  }
  // The neighbour was never overwritten by any of it.
  Row n(*f.table);
  n.Read(*f.table->GetList(0), 1);
  EXPECT_EQ(n.GetBlob(3), std::string(63, 'b'));
}

// A stored size equal to its area (a multiple of 64) no longer leaves room
// for the filler; writing the filler there would overwrite what follows.
TEST(TableBlobs, FullAreaMovesInsteadOfOverrunning) {
  Fixture f;
  Row a(*f.table);
  a.Blob(3, std::string(100, 'a')).Append();  // area 128
  Row b(*f.table);
  b.Blob(3, "neighbour").Append();
  Row r(*f.table);
  r.Read(*f.table->GetList(0), 0);
  r.Blob(3, std::string(128, 'c')).Modify(0);
  f.Reopen();
  Row back(*f.table);
  back.Read(*f.table->GetList(0), 1);
  EXPECT_EQ(back.GetBlob(3), "neighbour");
  back.Read(*f.table->GetList(0), 0);
  EXPECT_EQ(back.GetBlob(3), std::string(128, 'c'));
}

TEST(TableBlobs, EmptyBlobAndLazyLoading) {
  Fixture f;
  Row a(*f.table);
  a.Append();
  Row b(*f.table);
  b.Blob(3, "memo text").Append();
  f.Reopen();
  Row r(*f.table);
  r.Read(*f.table->GetList(0), 1);
  EXPECT_FALSE(r.BlobStream(3).Loaded);  // reading the record did not read the blob
  EXPECT_EQ(r.GetBlob(3), "memo text");
  EXPECT_TRUE(r.BlobStream(3).Loaded);
  r.Read(*f.table->GetList(0), 0);
  EXPECT_EQ(r.GetBlob(3), "");
  const TRecordEntry e = (*f.table->GetList(0))[0];
  const auto bytes = Slurp(f.path);
  EXPECT_EQ(GetI32(bytes.data() + e.DataOffset + 19 + 4), 0);
  EXPECT_EQ(GetI32(bytes.data() + e.DataOffset + 19 + 8), 64);
}

TEST(TableBlobs, ReadRecordWantsLazyBlobStreams) {
  Fixture f;
  Row a(*f.table);
  a.Append();
  TMemoryStream plain;
  std::int32_t id = 0, solde = 0;
  char nom[11] = {};
  TFieldBuffers buffers;
  buffers.Add(&id, ftAutoInc, 4);
  buffers.Add(nom, ftString, 11);
  buffers.Add(&solde, ftInteger, 4);
  buffers.AddStream(&plain, ftMemo);
  EXPECT_THROW(f.table->ReadRecord(buffers, *f.table->GetList(0), 0), EInvalidCast);
}

TEST(TableDelete, SkippedAfterReloadAndCountKept) {
  Fixture f;
  for (const char* n : {"A", "B", "C"}) {
    Row r(*f.table);
    r.Text(1, n).Append();
  }
  f.table->DeleteRecord(1, true);
  EXPECT_EQ(f.table->GetList(0)->size(), 2u);
  EXPECT_EQ(f.table->GetList(1)->size(), 2u);
  f.Reopen();
  EXPECT_EQ(f.table->RecordCount(), 3);
  ASSERT_EQ(f.table->GetList(0)->size(), 2u);
  ASSERT_EQ(f.table->GetList(1)->size(), 2u);
  Row r(*f.table);
  r.Read(*f.table->GetList(1), 1);
  EXPECT_EQ(r.GetText(1), "C");
}

TEST(TableOpen, CountedLoadAndUnknownTable) {
  Fixture f;
  f.table->Open();
  EXPECT_EQ(f.table->OpenCount(), 2);
  f.table->Close();
  EXPECT_NE(f.table->GetList(0), nullptr);
  f.table->Close();
  EXPECT_EQ(f.table->GetList(0), nullptr);  // unloaded by the last close
  f.table->Close();
  EXPECT_EQ(f.table->OpenCount(), 0);
  TZvTableIO missing(f.db.get());
  missing.SetTableName("Fournisseurs");
  EXPECT_EQ(ErrorOf([&] { missing.Open(); }), "Table 'Fournisseurs' not found");
}

// Every combination of processing: values come back, encrypted fields are
// not stored in clear, and compression shrinks a repetitive memo.
TEST(TableProcessing, EncryptedCompressedAndCheckedStorage) {
  struct Case {
    const char* cipher;
    bool compress, crc;
  } cases[] = {{"", false, false},
               {"", true, true},
               {"Blowfish", true, true},
               {"Twofish", false, true},
               {"Gost", true, false}};
  for (const Case& c : cases) {
    TZvCreateOptions opt;
    opt.EncryptName = c.cipher;
    opt.CipherMode = 1;
    opt.Password = "pw";
    opt.CompressName = c.compress ? "ZLIB" : "";
    opt.CrcCheck = c.crc;
    for (bool exclusive : {false, true}) {
      Fixture f(opt, exclusive);
      const std::string memo(100000, 'M');  // far larger than the tabs an append adds
      Row r(*f.table);
      r.Text(1, "Dupont").Num<std::int32_t>(2, -17).Blob(3, memo).Append();
      f.db->Close();
      const auto bytes = Slurp(f.path);
      const std::string all(bytes.begin(), bytes.end());
      const std::string where =
          std::string("cipher '") + c.cipher + "' compress " + std::to_string(c.compress);
      EXPECT_EQ(all.find("Dupont") == std::string::npos, *c.cipher != 0) << where;
      EXPECT_EQ(bytes.size() < memo.size(), c.compress) << where;
      f.Reopen(exclusive);
      Row back(*f.table);
      back.Read(*f.table->GetList(0), 0);
      EXPECT_EQ(back.GetText(1), "Dupont") << where;
      EXPECT_EQ(back.GetNum<std::int32_t>(2), -17) << where;
      EXPECT_EQ(back.GetBlob(3), memo) << where;
    }
  }
}

TEST(TableRaw, RawFieldsStayInClear) {
  TempDir dir;
  TZvCreateOptions opt;
  opt.EncryptName = "Blowfish";
  opt.Password = "pw";
  ZvCreateDatabase(dir.File("r.zvc"), opt,
                   {{"T", {Fld("Secret", ftString, 12), Fld("Clear", ftString, 12, 1)}, {}}});
  TZvFileDatabase db;
  db.Open(dir.File("r.zvc"));
  ASSERT_TRUE(db.SetPassword("pw"));
  TZvTableIO* t = db.FindTableIO("T");
  t->Open();
  EXPECT_TRUE(t->IsFieldEncrypted(0));
  EXPECT_FALSE(t->IsFieldEncrypted(1));
  Row r(*t);
  r.Text(0, "hidden-value").Text(1, "plain-value").Append();
  db.Close();
  const auto bytes = Slurp(dir.File("r.zvc"));
  const std::string all(bytes.begin(), bytes.end());
  EXPECT_EQ(all.find("hidden-valu"), std::string::npos);
  EXPECT_NE(all.find("plain-value"), std::string::npos);
}

}  // namespace
}  // namespace velmorak

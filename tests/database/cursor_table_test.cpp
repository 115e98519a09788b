// The table cursor: opening through temporary databases and passwords, the
// record positions after posts, cancels and deletes, bookmarks, field values
// per stored type, blobs, read-only refusals, and several cursors on one
// table (the faults of stale record lists included).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "CursorTestSupport.h"
#include "database/ZvDBTable.h"
#include "platform/classes/DateTime.h"

namespace velmorak {
namespace {

using namespace dbtest;

// "Id" autoinc primary, "Name" string 20 (unique, "ByName"), "Amount"
// integer, "Notes" memo, "Stamp" date-time.
TZvCreateTable PeopleTable() {
  return {"People",
          {Fld("Id", ftAutoInc), Fld("Name", ftString, 20), Fld("Amount", ftInteger), Fld("Notes", ftMemo),
           Fld("Stamp", ftDateTime)},
          {Idx("PK", {0}, kPrimary), Idx("ByName", {1}, kUnique)}};
}

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TestFormats();
    path = dir.File("people.zvc");
    ZvCreateDatabase(path, {}, {PeopleTable()});
  }
  void TearDown() override {
    SetZvLoginHook(nullptr);
    EXPECT_EQ(DefaultSession()->FindDatabase(path), nullptr) << "a temporary database outlived its cursors";
  }
  std::unique_ptr<TZvTable> Table(const std::string& name = "T1", const std::string& index = "") {
    auto t = std::make_unique<TZvTable>(nullptr);
    t->SetName(name);
    t->SetDatabaseName(path);
    t->SetTableName("People");
    t->SetIndexName(index);
    return t;
  }
  // Appends the names with Amount = position, in the order given.
  void Fill(const std::vector<std::string>& names) {
    auto t = Table("Filler");
    t->Open();
    for (std::size_t i = 0; i < names.size(); ++i) {
      t->Append();
      t->FieldByName("Name")->SetValue(names[i]);
      t->FieldByName("Amount")->SetValue(static_cast<int>(i));
      t->Post();
    }
    t->Close();
  }
  static std::string Names(TZvTable& t) {
    std::string out;
    for (t.First(); !t.Eof(); t.Next()) {
      if (!out.empty()) out += ',';
      out += t.FieldByName("Name")->AsString();
    }
    return out;
  }
  static std::string Current(TZvTable& t) { return t.IsEmpty() ? "" : t.FieldByName("Name")->AsString(); }
  TempDir dir;
  std::string path;
};

// --- opening, temporary databases, passwords -------------------------------------

TEST_F(CursorTest, ThreeCursorsShareOneTemporaryDatabase) {
  auto a = Table("A"), b = Table("B"), c = Table("C");
  a->Open();
  TZvDatabase* db = a->Database();
  ASSERT_NE(db, nullptr);
  EXPECT_TRUE(db->Temporary());
  EXPECT_EQ(db->RefCount(), 1);
  b->Open();
  c->Open();
  EXPECT_EQ(b->Database(), db);
  EXPECT_EQ(db->RefCount(), 3);
  EXPECT_EQ(db->FindTableIO("People")->OpenCount(), 3);  // the table is loaded once
  a->Close();
  b->Close();
  EXPECT_EQ(db->RefCount(), 1);
  EXPECT_EQ(DefaultSession()->FindDatabase(path), db);
  c->Close();
  EXPECT_EQ(DefaultSession()->FindDatabase(path), nullptr);
}

TEST_F(CursorTest, DatabaseNameClearsTableAndIndexName) {
  auto t = Table("T1", "ByName");
  t->SetDatabaseName(path);  // the same value
  EXPECT_EQ(t->TableName(), "");
  EXPECT_EQ(t->IndexName(), "");
  EXPECT_EQ(ErrorOf([&] { t->Open(); }), "T1: Table '' not found");
  EXPECT_FALSE(t->Active());
  t->SetTableName("people");
  t->Open();
  EXPECT_EQ(ErrorOf([&] { t->SetDatabaseName("x"); }),
            "T1: Cannot perform this operation on an open dataset");
  EXPECT_EQ(ErrorOf([&] { t->SetTableName("x"); }), "T1: Cannot perform this operation on an open dataset");
  EXPECT_EQ(ErrorOf([&] { t->SetSessionName("x"); }), "T1: Cannot perform this operation on an open dataset");
}

TEST_F(CursorTest, MissingFileFailsAndFreesTheTemporaryDatabase) {
  auto t = Table();
  t->SetDatabaseName(dir.File("none.zvc"));
  t->SetTableName("People");
  EXPECT_EQ(ErrorOf([&] { t->Open(); }), "Cannot open file " + dir.File("none.zvc"));
  EXPECT_EQ(DefaultSession()->FindDatabase(dir.File("none.zvc")), nullptr);
}

TEST_F(CursorTest, PasswordFromBeforeOpenAndTheLoginPrompt) {
  const std::string secret = dir.File("secret.zvc");
  ZvCreateDatabase(secret, InstallerOptions(), {PeopleTable()});
  int prompts = 0;
  std::string shown, typed = "wexor";
  bool ok = true;
  SetZvLoginHook([&](const std::string& file, std::string& password) {
    ++prompts;
    shown = file;
    password = typed;
    return ok;
  });
  TZvTable t(nullptr);
  t.SetName("T1");
  t.SetDatabaseName(secret);
  t.SetTableName("People");
  // Set before opening, from BeforeOpen: no prompt.
  t.BeforeOpen = [&](TDataSet*) { t.SetPassword("wexor"); };
  t.Open();
  EXPECT_EQ(prompts, 0);
  t.Close();
  // A wrong one: "Access denied" and no prompt.
  t.BeforeOpen = [&](TDataSet*) { t.SetPassword("WEXOR"); };
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Access denied");
  EXPECT_EQ(prompts, 0);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(DefaultSession()->FindDatabase(secret), nullptr);
  // None: the prompt, once, with the file name.
  t.BeforeOpen = nullptr;
  t.Open();
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(shown, secret);
  t.Close();
  typed = "nope";
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Access denied");
  EXPECT_EQ(prompts, 2);
  // Cancel: the silent abort, the cursor closed, the temporary database gone.
  ok = false;
  EXPECT_THROW(t.Open(), EAbort);
  EXPECT_EQ(prompts, 3);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(DefaultSession()->FindDatabase(secret), nullptr);
}

TEST_F(CursorTest, SetPasswordWhileClosedConnectsAtOnce) {
  TZvTable t(nullptr);
  t.SetDatabaseName(path);
  t.SetPassword("anything");
  TZvDatabase* db = DefaultSession()->FindDatabase(path);
  ASSERT_NE(db, nullptr);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(db->RefCount(), 0);
  EXPECT_TRUE(db->CanAccess());
  t.SetTableName("People");
  t.Open();
  EXPECT_EQ(t.Database(), db);
  t.Close();
}

// --- positions ---------------------------------------------------------------------

TEST_F(CursorTest, PositionAfterPostInIndexOrder) {
  struct Case {
    const char* what;
    const char* from;
    const char* to;
    const char* order;
  };
  const Case cases[] = {
      {"forward", "B", "E", "A,C,D,E,F"},    {"backward", "D", "Ab", "A,Ab,B,C,F"},
      {"to first", "C", "0", "0,A,B,D,F"},   {"to last", "A", "Z", "B,C,D,F,Z"},
      {"in place", "C", "Ca", "A,B,Ca,D,F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZvCreateDatabase(path, {}, {PeopleTable()});
    Fill({"D", "B", "F", "A", "C"});
    auto t = Table("T1", "ByName");
    t->Open();
    ASSERT_TRUE(t->Locate("Name", Variant(c.from), {}));
    t->Edit();
    t->FieldByName("Name")->SetValue(c.to);
    t->Post();
    EXPECT_EQ(Current(*t), c.to);
    const int rec = t->RecNo();
    EXPECT_EQ(Names(*t), c.order);
    t->SetRecNo(rec);
    EXPECT_EQ(Current(*t), c.to);
  }
}

TEST_F(CursorTest, PositionAfterInsertAppendAndCancel) {
  Fill({"B", "D"});
  auto t = Table("T1", "ByName");
  t->Open();
  t->Last();
  t->Insert();
  t->FieldByName("Name")->SetValue("A");
  t->Post();
  EXPECT_EQ(Current(*t), "A");  // current in index order
  EXPECT_EQ(t->RecNo(), 1);
  t->Insert();
  t->FieldByName("Name")->SetValue("X");
  t->Cancel();
  EXPECT_EQ(Current(*t), "A");  // back on the former record
  t->Edit();
  t->FieldByName("Name")->SetValue("Q");
  t->Cancel();
  EXPECT_EQ(Current(*t), "A");  // values restored
  t->Close();

  // Physical order: a posted record goes to the end; current after Append,
  // not after Insert.
  auto p = Table("P1");
  p->SetIndexName("");
  p->Open();
  ASSERT_EQ(p->IndexNo(), 0);  // no name: the primary index
  TZvCreateTable noIndex = PeopleTable();
  noIndex.Indexes.clear();
  p->Close();
  ZvCreateDatabase(path, {}, {noIndex});
  Fill({"B", "D"});
  p->SetTableName("People");
  p->Open();
  ASSERT_EQ(p->IndexNo(), -1);
  p->First();
  p->Insert();
  p->FieldByName("Name")->SetValue("C");
  p->Post();
  EXPECT_EQ(Current(*p), "B");
  p->Append();
  p->FieldByName("Name")->SetValue("A");
  p->Post();
  EXPECT_EQ(Current(*p), "A");
  EXPECT_EQ(Names(*p), "B,D,C,A");
}

TEST_F(CursorTest, PositionAfterDelete) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    const char* victim;
    const char* current;  // "" = empty
    const char* left;
  };
  const Case cases[] = {
      {"first", {"A", "B", "C"}, "A", "B", "B,C"},
      {"middle", {"A", "B", "C"}, "B", "C", "A,C"},
      {"last", {"A", "B", "C"}, "C", "B", "A,B"},
      {"only", {"A"}, "A", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZvCreateDatabase(path, {}, {PeopleTable()});
    Fill(c.names);
    auto t = Table("T1", "ByName");
    t->Open();
    ASSERT_TRUE(t->Locate("Name", Variant(c.victim), {}));
    t->Delete();
    EXPECT_EQ(Current(*t), c.current);
    if (std::string(c.current).empty()) {
      EXPECT_TRUE(t->Bof());
      EXPECT_TRUE(t->Eof());
    }
    EXPECT_EQ(Names(*t), c.left);
    t->Close();
    auto again = Table();
    again->SetIndexName("ByName");
    again->Open();
    EXPECT_EQ(Names(*again), c.left);
  }
}

TEST_F(CursorTest, RecNoAndEmptyTableEdit) {
  auto t = Table();
  t->Open();
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_EQ(t->RecordCount(), 0);
  t->Edit();  // an empty table: a new record
  EXPECT_EQ(t->State(), dsInsert);
  t->FieldByName("Name")->SetValue("Only");
  t->Post();
  EXPECT_EQ(t->RecordCount(), 1);
  t->Close();
  Fill({"X", "Y"});
  int scrolls = 0;
  t->AfterScroll = [&](TDataSet*) { ++scrolls; };
  t->Open();
  EXPECT_EQ(t->RecNo(), 1);
  scrolls = 0;
  t->SetRecNo(1);
  EXPECT_EQ(scrolls, 0);  // the current number: nothing
  t->SetRecNo(3);
  EXPECT_EQ(scrolls, 1);
  EXPECT_EQ(Current(*t), "Y");
}

// --- bookmarks ---------------------------------------------------------------------------

TEST_F(CursorTest, BookmarksAreRecordIndexes) {
  Fill({"C", "A", "B"});
  auto t = Table("T1", "ByName");
  t->Open();
  ASSERT_TRUE(t->Locate("Name", Variant("A"), {}));
  const TBookmark a = t->GetBookmark();
  ASSERT_EQ(a.size(), 4u);
  t->Edit();
  t->FieldByName("Name")->SetValue("Z");  // moves to the end
  t->Post();
  t->First();
  t->GotoBookmark(a);
  EXPECT_EQ(Current(*t), "Z");
  t->SetIndexName("PK");  // index change
  t->GotoBookmark(a);
  EXPECT_EQ(Current(*t), "Z");
  t->Delete();
  EXPECT_FALSE(t->BookmarkValid(a));
  EXPECT_EQ(ErrorOf([&] { t->GotoBookmark(a); }), "T1: Bookmark not found");
}

// --- field values ------------------------------------------------------------------------

TEST_F(CursorTest, ValuesPerStoredTypeRoundTrip) {
  const std::string file = dir.File("types.zvc");
  ZvCreateDatabase(file, {},
                   {{"V",
                     {Fld("S", ftString, 5), Fld("Sm", ftSmallint), Fld("W", ftWord), Fld("I", ftInteger),
                      Fld("L", ftLargeint), Fld("B", ftBoolean), Fld("F", ftFloat), Fld("C", ftCurrency),
                      Fld("D", ftDate), Fld("Tm", ftTime), Fld("DT", ftDateTime), Fld("FC", ftFixedChar, 3)},
                     {}}});
  struct Case {
    const char* field;
    Variant value;
    std::string expected;  // AsString after a post and a reopen
  };
  const Case cases[] = {
      {"S", "\xC9t\xE9 ensoleill\xE9", "\xC9t\xE9 e"},  // ANSI bytes, cut to 5 characters
      {"Sm", "-32768", "-32768"},
      {"W", "65535", "65535"},
      {"I", "2147483647", "2147483647"},
      {"L", "-9000000000", "-9000000000"},
      {"B", "TRUE", "True"},
      {"F", "1.5e3", "1500"},
      {"C", 12.25, "12.25"},
      {"D", "01/01/0001", "01/01/0001"},
      {"Tm", "23:59:59.999", "23:59:59"},
      {"DT", "31/12/9999 23:59:59", "31/12/9999 23:59:59"},
      {"DT", "28/12/1899 06:00:00", "28/12/1899 06:00:00"},  // before the epoch: the time of day kept
      {"FC", "abcdef", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    {
      TZvTable t(nullptr);
      t.SetDatabaseName(file);
      t.SetTableName("V");
      t.Open();
      t.Edit();
      t.FieldByName(c.field)->SetValue(c.value);
      t.Post();
    }
    TZvTable t(nullptr);
    t.SetDatabaseName(file);
    t.SetTableName("V");
    t.Open();
    EXPECT_EQ(t.FieldByName(c.field)->AsString(), c.expected);
  }
}

TEST_F(CursorTest, MillisecondsRoundTripExactly) {
  const std::string file = dir.File("ms.zvc");
  ZvCreateDatabase(file, {}, {{"V", {Fld("Tm", ftTime), Fld("DT", ftDateTime)}, {}}});
  TZvTable t(nullptr);
  t.SetDatabaseName(file);
  t.SetTableName("V");
  t.Open();
  // Values whose day fractions truncation turns into the millisecond below.
  struct Case {
    int year, month, day, ms;
  };
  const Case cases[] = {{2017, 12, 1, 1}, {2017, 12, 1, 7}, {2017, 12, 1, 29},       {2017, 12, 1, 999},
                        {1, 1, 1, 0},     {1, 1, 1, 1},     {9999, 12, 31, 86399999}};
  for (const Case& c : cases) {
    const int ms = c.ms;
    SCOPED_TRACE(Format("%04d-%02d-%02d %d ms", c.year, c.month, c.day, ms));
    const TDateTime tm = ms / 86400000.0;
    // Before 30 December 1899 the fraction still counts forwards from midnight.
    const TDateTime day = EncodeDate(c.year, c.month, c.day);
    const TDateTime dt = day < 0 ? day - tm : day + tm;
    t.Edit();
    t.FieldByName("Tm")->SetAsDateTime(tm);
    t.FieldByName("DT")->SetAsDateTime(dt);
    t.Post();
    std::int32_t nativeTm = 0;
    double nativeDt = 0;
    ASSERT_TRUE(t.FieldByName("Tm")->GetData(&nativeTm));
    ASSERT_TRUE(t.FieldByName("DT")->GetData(&nativeDt));
    EXPECT_EQ(nativeTm, ms);
    EXPECT_EQ(std::fmod(nativeDt, 86400000.0), ms);
    EXPECT_EQ(t.FieldByName("DT")->AsDateTime(), dt);
  }
}

TEST_F(CursorTest, ConversionErrorsKeepTheRecordAndState) {
  Fill({"A"});
  auto t = Table();
  t->Open();
  t->Edit();
  struct Case {
    const char* field;
    const char* text;
    std::string error;
  };
  const Case cases[] = {
      {"Amount", "12x", "'12x' is not a valid integer value"},
      {"Amount", "1,000", "'1,000' is not a valid integer value"},
      {"Amount", "99999999999",
       "Value 99999999999 is out of range for field 'Amount' (-2147483648 to 2147483647)"},
      {"Stamp", "31/02/2020", "'31/02/2020' is not a valid date and time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bool convert = false;
    try {
      t->FieldByName(c.field)->SetValue(c.text);
    } catch (const EConvertError& e) {
      convert = true;
      EXPECT_EQ(e.Message(), c.error);
    }
    EXPECT_TRUE(convert);
    EXPECT_EQ(t->State(), dsEdit);
    EXPECT_EQ(t->FieldByName("Amount")->AsInteger(), 0);
  }
  t->Cancel();
  EXPECT_EQ(ErrorOf([&] { t->FieldByName("Amount")->SetValue(1); }),
            "T1: Dataset not in edit or insert mode");
}

TEST_F(CursorTest, ClearingAStoredFieldStoresItsZeroValue) {
  Fill({"A"});
  {
    auto t = Table();
    t->Open();
    t->Edit();
    t->FieldByName("Amount")->SetValue(42);
    t->FieldByName("Stamp")->SetAsDateTime(EncodeDate(2020, 5, 17) + 0.5);
    t->Post();
    t->Edit();
    t->FieldByName("Amount")->SetValue("");              // empty text for a number
    t->FieldByName("Stamp")->SetValue(Variant::Null());  // a null value
    t->FieldByName("Name")->Clear();
    t->Post();
  }
  auto t = Table();
  t->Open();
  EXPECT_EQ(t->FieldByName("Amount")->AsInteger(), 0);
  EXPECT_EQ(t->FieldByName("Stamp")->AsDateTime(), 0.0);  // 30 December 1899, midnight
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "");
  EXPECT_FALSE(t->FieldByName("Amount")->IsNull());
}

TEST_F(CursorTest, NewRecordDefaultsAndTooLargeStoredDateTime) {
  const std::string file = dir.File("new.zvc");
  ZvCreateDatabase(file, {}, {{"V", {Fld("D", ftDate), Fld("Tm", ftTime), Fld("DT", ftDateTime)}, {}}});
  TZvTable t(nullptr);
  t.SetDatabaseName(file);
  t.SetTableName("V");
  t.Open();
  const TDateTime before = Now();
  t.Append();
  EXPECT_EQ(t.FieldByName("D")->AsDateTime(), Date());
  EXPECT_NEAR(t.FieldByName("Tm")->AsDateTime(), before - Date(), 2.0 / 86400);
  EXPECT_EQ(t.FieldByName("DT")->AsDateTime(), 0.0);
  const double huge = 1e300;
  t.FieldByName("DT")->SetData(&huge);
  EXPECT_EQ(t.FieldByName("DT")->AsDateTime(), 0.0);
}

// "T0".."T8", built without operator+ on a literal, which GCC 12 warns about
// wrongly (-Wrestrict).
std::string TextField(int i) {
  std::string name = "T";
  name += std::to_string(i);
  return name;
}

TEST_F(CursorTest, RecordsOf64KiBAndMore) {
  const std::string file = dir.File("big.zvc");
  // Nine texts of 8192 characters: 73,737 bytes per record, past 16 bits.
  TZvCreateTable big{"Big", {}, {}};
  for (int i = 0; i < 9; ++i) big.Fields.push_back(Fld(TextField(i), ftString, 8192));
  big.Fields.push_back(Fld("N", ftInteger));
  ZvCreateDatabase(file, {}, {big});
  auto text = [](int i) { return std::string(8192, static_cast<char>('a' + i)); };
  {
    TZvTable t(nullptr);
    t.SetDatabaseName(file);
    t.SetTableName("Big");
    t.Open();
    EXPECT_EQ(t.RecordSize(), 9 * 8193 + 4);
    t.Append();
    for (int i = 0; i < 9; ++i) t.FieldByName(TextField(i))->SetValue(text(i));
    t.FieldByName("N")->SetValue(7);
    t.Post();
  }
  TZvTable t(nullptr);
  t.SetDatabaseName(file);
  t.SetTableName("Big");
  t.Open();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(t.FieldByName(TextField(i))->AsString(), text(i));
  EXPECT_EQ(t.FieldByName("N")->AsInteger(), 7);
}

TEST_F(CursorTest, PersistentFieldsForPartOfTheTable) {
  Fill({"A"});
  {
    auto t = Table();
    t->Open();
    t->Edit();
    t->FieldByName("Amount")->SetValue(5);
    t->FieldByName("Notes")->SetAsString("kept");
    t->Post();
  }
  auto t = Table();
  auto* name = new TStringField(t.get());
  name->SetFieldName("Name");
  name->SetSize(20);
  name->SetDataSet(t.get());
  auto* calc = new TStringField(t.get());
  calc->SetFieldName("Shout");
  calc->SetSize(30);
  calc->SetFieldKind(fkCalculated);
  calc->SetDataSet(t.get());
  t->OnCalcFields = [&](TDataSet*) { calc->SetAsString(name->AsString() + "!"); };
  t->Open();
  EXPECT_EQ(t->FieldCount(), 2);
  EXPECT_EQ(t->FindField("Amount"), nullptr);
  EXPECT_EQ(calc->AsString(), "A!");
  t->Edit();
  name->SetAsString("B");
  t->Post();
  EXPECT_EQ(calc->AsString(), "B!");
  t->Close();
  auto all = Table();
  all->Open();
  EXPECT_EQ(all->FieldByName("Name")->AsString(), "B");
  EXPECT_EQ(all->FieldByName("Amount")->AsInteger(), 5);
  EXPECT_EQ(all->FieldByName("Notes")->AsString(), "kept");
}

// --- blobs -----------------------------------------------------------------------------------

TEST_F(CursorTest, BlobsLoadOnFirstUseAndSurviveOtherEdits) {
  Fill({"A", "B"});
  const std::string big(100000, 'q');
  {
    auto t = Table();
    t->Open();
    t->Edit();
    t->FieldByName("Notes")->SetAsString(big);
    t->Post();
  }
  auto t = Table();
  t->Open();
  auto slot = [&] {
    return dynamic_cast<TOptimBlobStream*>(t->SlotStream(t->GetActiveRecBuf(), t->FieldByName("Notes")));
  };
  for (t->First(); !t->Eof(); t->Next()) {
    ASSERT_NE(slot(), nullptr);
    EXPECT_FALSE(slot()->Loaded);  // a scan reads no blob bytes
  }
  t->First();
  t->Edit();
  t->FieldByName("Amount")->SetValue(9);
  t->Post();
  EXPECT_EQ(ErrorOf([&] {
              char b[8];
              t->GetFieldData(t->FieldByName("Notes"), b);
            }),
            "T1: General error");
  // Written and cancelled: nothing of it stays.
  t->Edit();
  t->FieldByName("Notes")->SetAsString("short");
  t->Cancel();
  t->Close();
  t->Open();
  EXPECT_EQ(t->FieldByName("Notes")->AsString(), big);
  EXPECT_EQ(t->FieldByName("Amount")->AsInteger(), 9);
}

// --- read-only ---------------------------------------------------------------------------------

TEST_F(CursorTest, ReadOnlyRefusesEveryChange) {
  Fill({"A"});
  struct Case {
    const char* what;
    std::function<void(TZvTable&)> setup;
  };
  TZvDatabase* ownDb = nullptr;
  const Case cases[] = {
      {"cursor ReadOnly", [](TZvTable& t) { t.SetReadOnly(true); }},
      {"database ReadOnly",
       [&](TZvTable& t) {
         ownDb = new TZvDatabase(nullptr);
         ownDb->SetDatabaseName("RO");
         ownDb->SetFileName(path);
         ownDb->SetReadOnly(true);
         t.SetDatabaseName("RO");
         t.SetTableName("People");
       }},
      {"read-only file", [&](TZvTable&) { os::FileSetAttr(path, os::faReadOnly); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      auto t = Table();
      c.setup(*t);
      t->Open();
      EXPECT_EQ(Current(*t), "A");
      EXPECT_FALSE(t->CanModify());
      const std::string refused = "T1: Cannot modify a read-only dataset";
      EXPECT_EQ(ErrorOf([&] { t->Edit(); }), refused);
      EXPECT_EQ(ErrorOf([&] { t->Append(); }), refused);
      EXPECT_EQ(ErrorOf([&] { t->Delete(); }), refused);
    }
    delete ownDb;
    ownDb = nullptr;
    os::FileSetAttr(path, 0);
  }
}

// --- several cursors ----------------------------------------------------------------------------

TEST_F(CursorTest, TwoCursorsOnOneTableKeepTheirOwnLists) {
  Fill({"B", "D", "F"});
  auto a = Table("A", "ByName"), b = Table("B", "ByName");
  a->Open();
  b->Open();
  // B adds records A does not know yet; A's list is no longer a copy.
  for (const char* n : {"A", "C", "E", "G"}) {
    b->Append();
    b->FieldByName("Name")->SetValue(n);
    b->Post();
  }
  EXPECT_EQ(Names(*a), "B,D,F");
  ASSERT_TRUE(a->Locate("Name", Variant("B"), {}));
  a->Edit();
  a->FieldByName("Name")->SetValue("E2");
  a->Post();
  EXPECT_EQ(Current(*a), "E2");
  EXPECT_EQ(Names(*a), "D,E2,F");  // its own entries, none of B's, in order
  a->Append();
  a->FieldByName("Name")->SetValue("Ab");
  a->Post();
  EXPECT_EQ(Names(*a), "Ab,D,E2,F");
  a->Refresh();
  EXPECT_EQ(Names(*a), "A,Ab,C,D,E,E2,F,G");
  b->Refresh();
  EXPECT_EQ(Names(*b), "A,Ab,C,D,E,E2,F,G");
}

TEST_F(CursorTest, RecordDeletedByAnotherCursorIsNotFound) {
  Fill({"A", "B"});
  auto a = Table("A"), b = Table("B");
  a->Open();
  b->Open();
  a->First();
  a->Delete();
  b->First();
  ASSERT_EQ(Current(*b), "A");
  b->Edit();
  b->FieldByName("Amount")->SetValue(7);
  EXPECT_EQ(ErrorOf([&] { b->Post(); }), "B: Record not found");
  EXPECT_EQ(b->State(), dsEdit);
  b->Cancel();
  EXPECT_EQ(ErrorOf([&] { b->Delete(); }), "B: Record not found");
  b->Refresh();
  EXPECT_EQ(Names(*b), "B");
}

TEST_F(CursorTest, UniqueViolationPassesThroughAndWritesNothing) {
  Fill({"A", "B"});
  const auto before = Slurp(path);
  auto t = Table("T1");
  t->Open();
  t->Append();
  t->FieldByName("Name")->SetValue("A");
  EXPECT_EQ(ErrorOf([&] { t->Post(); }), "Invalid unique field value 'A'");
  EXPECT_EQ(t->State(), dsInsert);
  t->Cancel();
  t->Close();
  EXPECT_EQ(Slurp(path), before);
}

TEST_F(CursorTest, TwoSessionsOnOneFileExcludeEachOtherThroughTheByteLock) {
  Fill({"A"});
  TZvSession s(nullptr);
  s.SetSessionName("Second");
  s.SetLockRetryCount(2);
  s.SetLockWaitTime(5);
  auto a = Table("A");
  auto b = Table("B");
  b->SetSessionName("Second");
  b->SetDatabaseName(path);
  b->SetTableName("People");
  a->Open();
  b->Open();
  ASSERT_NE(a->Database(), b->Database());
  a->Edit();
  a->FieldByName("Amount")->SetValue(1);
  a->Post();
  b->Append();
  b->FieldByName("Name")->SetValue("B");
  b->Post();  // B's storage sees A's change before writing
  a->Refresh();
  EXPECT_EQ(Names(*a), "A,B");
  a->First();
  EXPECT_EQ(a->FieldByName("Amount")->AsInteger(), 1);
  // Records are read under the lock too; a write waits for it, then gives up.
  b->First();
  b->Edit();
  b->FieldByName("Amount")->SetValue(2);
  {
    ByteLockHolder other(path);
    const auto before = Slurp(path);
    EXPECT_EQ(ErrorOf([&] { b->Post(); }), "Wait for unlock time out");
    EXPECT_EQ(Slurp(path), before);  // nothing written
    EXPECT_EQ(b->State(), dsEdit);
    EXPECT_EQ(ErrorOf([&] { b->Next(); }), "Wait for unlock time out");
  }
  b->Cancel();
  EXPECT_EQ(b->FieldByName("Amount")->AsInteger(), 1);
  b->Close();
}

// --- databases closing under their cursors -----------------------------------------------------

TEST_F(CursorTest, DisconnectingClosesTheCursorsWhileTheFileIsThere) {
  Fill({"A"});
  auto t = Table();
  std::string seen;
  t->BeforeClose = [&](TDataSet*) { seen = t->FieldByName("Name")->AsString(); };
  t->Open();
  TZvDatabase* db = t->Database();
  db->Close();
  EXPECT_EQ(seen, "A");  // read in BeforeClose, from the still open file
  EXPECT_FALSE(t->Active());
  // Not freed from inside its own disconnection: still there, unused.
  ASSERT_EQ(DefaultSession()->FindDatabase(path), db);
  EXPECT_EQ(db->RefCount(), 0);
  DefaultSession()->CloseDatabase(db);  // the last hand-back frees it
}

TEST_F(CursorTest, DeactivatingASessionClosesItsCursorsAndFreesItsTemporaryDatabases) {
  Fill({"A"});
  TZvSession s(nullptr);
  s.SetSessionName("Work");
  auto t = Table();
  t->SetSessionName("Work");
  t->Open();
  ASSERT_EQ(s.FindDatabase(path), t->Database());
  s.SetActive(false);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(s.FindDatabase(path), nullptr);
}

TEST_F(CursorTest, MemoryDatabaseAndTheDefinitions) {
  TMemoryStream image;
  image.LoadFromFile(path);
  const std::uint32_t handle = RegisterMemoryDatabase(&image);
  {
    TZvTable t(nullptr);
    t.SetMediumType(mtMemory);
    t.SetDatabaseName(MemoryDatabaseName(handle));
    t.SetTableName("People");
    t.Open();
    EXPECT_EQ(t.Database()->MediumType(), mtMemory);
    ASSERT_EQ(t.FieldDefs().Count(), 5);
    EXPECT_EQ(t.FieldDefs()[1].Name, "Name");
    EXPECT_EQ(t.FieldDefs()[1].DataType, ftString);
    EXPECT_EQ(t.FieldDefs()[1].Size, 20);
    EXPECT_EQ(t.FieldDefs()[2].Size, 0);
    ASSERT_EQ(t.IndexDefs().Count(), 2);
    EXPECT_EQ(t.IndexDefs()[1].Name, "ByName");
    EXPECT_EQ(t.IndexDefs()[1].Fields, "Name");
    EXPECT_TRUE(t.IndexDefs()[1].Options.Contains(ixUnique));
    EXPECT_TRUE(t.IndexDefs()[0].Options.Contains(ixPrimary));
    t.Append();
    t.FieldByName("Name")->SetValue("InMemory");
    t.Post();
  }
  UnregisterMemoryDatabase(handle);
  auto t = Table();
  t->Open();
  EXPECT_TRUE(t->IsEmpty());  // the file itself is untouched
  EXPECT_GT(image.Size(), static_cast<std::int64_t>(Slurp(path).size()));
}

}  // namespace
}  // namespace velmorak

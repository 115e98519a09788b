// Indexes: the order of the chains in the file and of the lists, key
// options, uniqueness and its message, the searches, and the position
// helpers.
#include <gtest/gtest.h>

#include <algorithm>

#include "DbTestSupport.h"

namespace velmorak {
namespace {

using namespace dbtest;
using namespace zvfmt;

// Villes: Code integer, Nom string 20; indexes as each test gives them.
struct IndexFixture {
  explicit IndexFixture(std::vector<TZvCreateIndex> indexes) {
    path = dir.File("i.zvc");
    ZvCreateDatabase(path, {},
                     {{"Villes", {Fld("Code", ftInteger), Fld("Nom", ftString, 20)}, std::move(indexes)}});
    Reopen();
  }
  void Reopen() {
    db = std::make_unique<TZvFileDatabase>();
    db->Open(path);
    table = db->FindTableIO("Villes");
    table->Open();
  }
  void Add(std::int32_t code, const std::string& nom) {
    Row r(*table);
    r.Num(0, code).Text(1, nom).Append();
  }
  // Names in the order of list L.
  std::vector<std::string> Names(int L) {
    std::vector<std::string> out;
    Row r(*table);
    for (std::size_t i = 0; i < table->GetList(L)->size(); ++i) {
      r.Read(*table->GetList(L), static_cast<int>(i));
      out.push_back(r.GetText(1));
    }
    return out;
  }
  // The chain of index j as the file holds it: Head, then the Next links.
  std::vector<std::int32_t> FileChain(int j) {
    db->Close();
    const auto b = Slurp(path);
    const std::uint8_t* h = b.data() + kDataAreaOffset;
    const std::uint8_t* e = h + kThIndexEntries + j * kIndexEntrySize;
    const std::int32_t n = GetI32(h + kThRecordCount);
    std::vector<std::int32_t> chain;
    std::int32_t k = GetI32(e + kIeHead);
    const std::int32_t tab = GetI32(e + kIeIndexTabOffset);
    while (k != -1 && static_cast<std::int32_t>(chain.size()) < n) {
      chain.push_back(k);
      k = GetI32(b.data() + tab + 4 + k * kIdxTabItemSize + 4);  // one block is enough here
    }
    Reopen();
    return chain;
  }
  TempDir dir;
  std::string path;
  std::unique_ptr<TZvFileDatabase> db;
  TZvTableIO* table = nullptr;
};

using Names = std::vector<std::string>;

TEST(IndexChains, OrderInFileAndAfterReload) {
  IndexFixture f({Idx("ByNom", {1})});
  f.Add(1, "B");
  f.Add(2, "C");
  f.Add(3, "A");  // sorts first: becomes the head
  EXPECT_EQ(f.FileChain(0), (std::vector<std::int32_t>{2, 0, 1}));
  EXPECT_EQ(f.Names(1), (Names{"A", "B", "C"}));
  EXPECT_EQ(f.Names(0), (Names{"B", "C", "A"}));
}

TEST(IndexChains, ModifyMovesTheRecordAndTheHead) {
  IndexFixture f({Idx("ByNom", {1})});
  for (const char* n : {"Lyon", "Nice", "Paris", "Rennes"}) f.Add(0, n);
  struct Step {
    int physical;
    const char* newName;
    Names order;
  } steps[] = {
      {3, "Aix", {"Aix", "Lyon", "Nice", "Paris"}},        // to the head
      {0, "Zurich", {"Aix", "Nice", "Paris", "Zurich"}},   // the old second to the end
      {3, "Brest", {"Brest", "Nice", "Paris", "Zurich"}},  // the head renamed in place
      {1, "Amiens", {"Amiens", "Brest", "Paris", "Zurich"}},
  };
  for (const Step& s : steps) {
    Row r(*f.table);
    r.Read(*f.table->GetList(0), s.physical);
    r.Text(1, s.newName).Modify(s.physical);
    EXPECT_EQ(f.Names(1), s.order) << s.newName;
    f.FileChain(0);  // closes and reopens: the file order is what loads
    EXPECT_EQ(f.Names(1), s.order) << s.newName << " after reload";
  }
}

TEST(IndexOptions, DescendingAndCaseInsensitive) {
  IndexFixture f({Idx("Desc", {0}, kDescending), Idx("NoCase", {1}, kCaseInsensitive), Idx("Case", {1})});
  f.Add(5, "beta");
  f.Add(9, "Alpha");
  f.Add(1, "alpha");
  f.Add(12, "Gamma");  // a new largest key goes first in a descending index
  EXPECT_EQ(f.Names(1), (Names{"Gamma", "Alpha", "beta", "alpha"}));
  // Ignoring case the two alphas are equal: the later one goes after.
  EXPECT_EQ(f.Names(2), (Names{"Alpha", "alpha", "beta", "Gamma"}));
  // The locale's order, not the bytes': lower case before upper case.
  EXPECT_EQ(f.Names(3), (Names{"alpha", "Alpha", "beta", "Gamma"}));
  f.Reopen();
  EXPECT_EQ(f.Names(1), (Names{"Gamma", "Alpha", "beta", "alpha"}));
  EXPECT_EQ(f.Names(3), (Names{"alpha", "Alpha", "beta", "Gamma"}));
}

TEST(IndexUnique, ViolationsAndTheirMessage) {
  IndexFixture f({Idx("U", {1}, kUnique | kCaseInsensitive), Idx("Pair", {0, 1}, kPrimary)});
  f.Add(12, "Paris");
  f.Add(13, "Lyon");
  const std::int64_t size = Slurp(f.path).size();
  EXPECT_EQ(ErrorOf([&] { f.Add(14, "PARIS"); }), "Invalid unique field value 'PARIS'");
  EXPECT_EQ(f.table->RecordCount(), 2);
  f.db->Close();
  EXPECT_EQ(static_cast<std::int64_t>(Slurp(f.path).size()), size);  // nothing written
  f.Reopen();

  IndexFixture pair({Idx("Pair", {0, 1}, kPrimary)});
  pair.Add(12, "Paris");
  EXPECT_EQ(ErrorOf([&] { pair.Add(12, "Paris"); }), "Invalid unique field value '12,Paris'");
  EXPECT_NO_THROW(pair.Add(12, "Lyon"));

  // A record may keep its own key; taking another's is refused.
  Row keep(*f.table);
  keep.Read(*f.table->GetList(0), 0);
  EXPECT_NO_THROW(keep.Modify(0));
  keep.Text(1, "lyon");
  EXPECT_EQ(ErrorOf([&] { keep.Modify(0); }), "Invalid unique field value 'lyon'");
}

TEST(IndexSearch, FullPartialAndBounds) {
  IndexFixture f({Idx("ByNom", {1})});
  for (const char* n : {"A", "B", "B", "B", "C", "Dupont"}) f.Add(0, n);
  Row key(*f.table);
  int cmp = 0;
  const TRecordList& list = *f.table->GetList(1);
  key.Text(1, "Du");
  f.table->SearchIndex(key.Buffers(), list, false, 0, cmp, 0);
  EXPECT_NE(cmp, 0);
  const int at = f.table->SearchIndex(key.Buffers(), list, true, 0, cmp, 0);
  EXPECT_EQ(cmp, 0);
  EXPECT_EQ(at, 5);

  key.Text(1, "B");
  EXPECT_EQ(f.table->SearchIndexBound(key.Buffers(), list, false, 0, cmp, true, 0), 1);
  EXPECT_EQ(cmp, 0);
  EXPECT_EQ(f.table->SearchIndexBound(key.Buffers(), list, false, 0, cmp, false, 0), 3);
  key.Text(1, "Bz");
  f.table->SearchIndexBound(key.Buffers(), list, false, 0, cmp, true, 0);
  EXPECT_NE(cmp, 0);
  TRecordList empty;
  EXPECT_EQ(f.table->SearchIndexBound(key.Buffers(), empty, false, 0, cmp, true, 0), -1);
  EXPECT_EQ(cmp, -2);
  // A new equal key goes after the equal entry the search met.
  key.Text(1, "B");
  const int ins = f.table->InsertPosition(key.Buffers(), 0);
  EXPECT_GE(ins, 2);
  EXPECT_LE(ins, 4);
}

TEST(IndexDelete, DeletedHeadIsSkippedAfterReload) {
  IndexFixture f({Idx("ByNom", {1})});
  f.Add(0, "B");
  f.Add(0, "A");
  f.Add(0, "C");
  f.table->DeleteRecord(1, false);  // "A", the head
  f.Reopen();
  EXPECT_EQ(f.FileChain(0).front(), 1);  // the file still starts at the deleted record
  EXPECT_EQ(f.Names(1), (Names{"B", "C"}));
  f.Add(0, "AA");
  EXPECT_EQ(f.Names(1), (Names{"AA", "B", "C"}));
  f.Reopen();
  EXPECT_EQ(f.Names(1), (Names{"AA", "B", "C"}));
}

TEST(IndexPositions, MappingBetweenLists) {
  IndexFixture f({Idx("ByNom", {1}), Idx("ByCode", {0})});
  f.Add(3, "C");
  f.Add(1, "A");
  f.Add(2, "B");
  // Physical: C A B; ByNom: A B C; ByCode: A(1) B(2) C(3).
  EXPECT_EQ(f.table->PhysicalPositionOf(*f.table->GetList(1), 0), 1);
  EXPECT_EQ(f.table->PhysicalPositionOf(*f.table->GetList(1), 7), -1);
  EXPECT_EQ(f.table->MapPosition(-1, 0, 0), 2);
  EXPECT_EQ(f.table->MapPosition(0, 2, -1), 0);
  EXPECT_EQ(f.table->MapPosition(0, 1, 1), 1);
  EXPECT_EQ(f.table->MapPosition(0, 5, 1), -1);
  TRecordList mine = *f.table->GetList(2);
  std::reverse(mine.begin(), mine.end());
  EXPECT_EQ(f.table->MapPositionToList(0, 0, mine), 2);
  EXPECT_EQ(f.table->MapPositionToList(1, 0, *f.table->GetList(2)), 0);
}

TEST(IndexCompare, ValuesByType) {
  struct Case {
    const char* why;
    std::uint8_t type;
    std::vector<std::uint8_t> key, stored;
    bool partial, ci;
    int expected;
  } cases[] = {
      {"text less", ftString, {'A', 0}, {'B', 0}, false, false, -1},
      {"text case folds", ftString, {'a', 0}, {'A', 0}, false, true, 0},
      {"prefix only when partial", ftString, {'D', 'u', 0}, {'D', 'u', 'p', 0}, true, false, 0},
      {"prefix shorter otherwise", ftString, {'D', 'u', 0}, {'D', 'u', 'p', 0}, false, false, -1},
      {"smallint is signed", ftSmallint, {0xFF, 0xFF}, {1, 0}, false, false, -1},
      {"word is unsigned", ftWord, {0xFF, 0xFF}, {1, 0}, false, false, 1},
      {"boolean low byte", ftBoolean, {1, 0}, {0, 1}, false, false, 1},
      {"integer", ftInteger, {0, 0, 0, 0x80}, {0, 0, 0, 0}, false, false, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TZvTableIO::CompareFieldValues(c.key.data(), static_cast<int>(c.key.size()), c.stored.data(),
                                             static_cast<int>(c.stored.size()), c.type, c.partial, c.ci),
              c.expected)
        << c.why;
  const double a = 1.5, b = 2.5;
  EXPECT_EQ(TZvTableIO::CompareFieldValues(&a, 8, &b, 8, ftDateTime, false, false), -1);
}

}  // namespace
}  // namespace velmorak

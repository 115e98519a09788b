// The dataset framework driven through the in-memory dataset: navigation,
// the order of events per operation, editing and positions, bookmarks,
// refresh, and what a failed open leaves behind.
#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "platform/classes/CodePages.h"

namespace velmorak::test {
namespace {

struct Fixture {
  std::shared_ptr<TMemTable> Table = MakeTable();
  TMemDataSet DS{nullptr, Table};
  Fixture() { DS.SetName("T"); }
  void OpenWith(const std::vector<std::pair<int, std::string>>& rows) {
    DS.Open();
    AddRows(DS, rows);
    DS.First();
  }
};

std::string Name(TDataSet& ds) {
  return ds.FieldByName("Name")->AsString();
}

TEST(DataSetNavigation, FirstNextPriorLastAndTheirFlags) {
  Fixture f;
  f.OpenWith({{1, "A"}, {2, "B"}, {3, "C"}});
  EXPECT_TRUE(f.DS.Bof());
  EXPECT_FALSE(f.DS.Eof());
  EXPECT_EQ("A", Name(f.DS));
  EXPECT_EQ(1, f.DS.RecNo());
  f.DS.Next();
  EXPECT_FALSE(f.DS.Bof());
  EXPECT_EQ("B", Name(f.DS));
  f.DS.Last();
  EXPECT_TRUE(f.DS.Eof());
  EXPECT_EQ("C", Name(f.DS));
  EXPECT_EQ(0, f.DS.MoveBy(1));  // nothing further: stays on C
  EXPECT_EQ("C", Name(f.DS));
  EXPECT_EQ(-2, f.DS.MoveBy(-2));
  EXPECT_EQ("A", Name(f.DS));
  EXPECT_FALSE(f.DS.Eof());
  f.DS.Last();
  EXPECT_EQ(-2, f.DS.MoveBy(-5));  // as far as there are records
  EXPECT_TRUE(f.DS.Bof());
  EXPECT_EQ(3, f.DS.RecordCount());
  f.DS.SetRecNo(2);
  EXPECT_EQ("B", Name(f.DS));
}

TEST(DataSetNavigation, EmptyAndClosedDataSets) {
  Fixture f;
  f.DS.Open();
  EXPECT_TRUE(f.DS.IsEmpty());
  EXPECT_TRUE(f.DS.Bof());
  EXPECT_TRUE(f.DS.Eof());
  EXPECT_EQ(0, f.DS.RecordCount());
  EXPECT_TRUE(f.DS.FieldByName("Name")->IsNull());
  EXPECT_THROW_MSG(f.DS.Delete(), EDatabaseError, "T: Cannot perform this operation on an empty dataset");
  f.DS.Close();
  EXPECT_THROW_MSG(f.DS.Next(), EDatabaseError, "T: Cannot perform this operation on a closed dataset");
  EXPECT_THROW_MSG(f.DS.Edit(), EDatabaseError, "T: Cannot perform this operation on a closed dataset");
  EXPECT_THROW_MSG(f.DS.Append(), EDatabaseError, "T: Cannot perform this operation on a closed dataset");
}

// One row per operation: what is prepared, the operation, and the events it
// raises, in order.
struct EventCase {
  const char* Name;
  bool Empty;  // the table has no rows
  bool Open;   // open before prep
  std::function<void(TDataSet&)> Prep, Action;
  const char* Expected;
};

TEST(DataSetEvents, EachOperationRaisesItsEventsInOrder) {
  auto nothing = [](TDataSet&) {};
  auto rename = [](TDataSet& d) { d.FieldByName("Name")->SetAsString("Z"); };
  const EventCase cases[] = {
      {"open", false, false, nothing, [](TDataSet& d) { d.Open(); }, "BeforeOpen AfterOpen AfterScroll"},
      {"open empty", true, false, nothing, [](TDataSet& d) { d.Open(); }, "BeforeOpen AfterOpen"},
      {"close", false, true, nothing, [](TDataSet& d) { d.Close(); }, "BeforeClose AfterClose"},
      {"close while editing", false, true, [&](TDataSet& d) { d.Edit(), rename(d); },
       [](TDataSet& d) { d.Close(); }, "BeforeClose AfterClose"},
      {"first", false, true, nothing, [](TDataSet& d) { d.First(); }, "BeforeScroll AfterScroll"},
      {"first on empty", true, true, nothing, [](TDataSet& d) { d.First(); }, "BeforeScroll"},
      {"next", false, true, nothing, [](TDataSet& d) { d.Next(); }, "BeforeScroll AfterScroll"},
      {"next at the end", false, true, [](TDataSet& d) { d.Last(); }, [](TDataSet& d) { d.Next(); },
       "BeforeScroll"},
      {"prior at the start", false, true, nothing, [](TDataSet& d) { d.Prior(); }, "BeforeScroll"},
      {"next from a modified edit", false, true, [&](TDataSet& d) { d.Edit(), rename(d); },
       [](TDataSet& d) { d.Next(); }, "BeforePost AfterPost BeforeScroll AfterScroll"},
      {"next from an unmodified edit", false, true, [](TDataSet& d) { d.Edit(); },
       [](TDataSet& d) { d.Next(); }, "BeforeCancel AfterCancel BeforeScroll AfterScroll"},
      {"edit", false, true, nothing, [](TDataSet& d) { d.Edit(); }, "BeforeEdit AfterEdit"},
      {"edit on empty inserts", true, true, nothing, [](TDataSet& d) { d.Edit(); },
       "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll"},
      {"insert", false, true, nothing, [](TDataSet& d) { d.Insert(); },
       "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll"},
      {"append", false, true, nothing, [](TDataSet& d) { d.Append(); },
       "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll"},
      {"post", false, true, [&](TDataSet& d) { d.Edit(), rename(d); }, [](TDataSet& d) { d.Post(); },
       "BeforePost AfterPost"},
      {"cancel an insert", false, true, [](TDataSet& d) { d.Insert(); }, [](TDataSet& d) { d.Cancel(); },
       "BeforeCancel AfterCancel"},
      {"delete", false, true, nothing, [](TDataSet& d) { d.Delete(); },
       "BeforeDelete BeforeScroll AfterDelete AfterScroll"},
      {"refresh", false, true, nothing, [](TDataSet& d) { d.Refresh(); }, "BeforeRefresh AfterRefresh"},
      {"RecNo to the current number", false, true, nothing, [](TDataSet& d) { d.SetRecNo(1); }, ""},
      {"RecNo to another", false, true, nothing, [](TDataSet& d) { d.SetRecNo(3); },
       "BeforeScroll AfterScroll"},
      {"goto bookmark", false, true, nothing,
       [](TDataSet& d) {
         const TBookmark b = d.GetBookmark();
         d.DisableControls();
         d.GotoBookmark(b);
         d.EnableControls();
       },
       "BeforeScroll AfterScroll"},
  };
  for (const EventCase& c : cases) {
    Fixture f;
    if (!c.Empty) {
      f.DS.Open();
      AddRows(f.DS, {{1, "A"}, {2, "B"}, {3, "C"}});
      f.DS.Close();
    }
    if (c.Open) f.DS.Open();
    c.Prep(f.DS);
    TEventLog log;
    log.Attach(f.DS);
    c.Action(f.DS);
    EXPECT_EQ(c.Expected, log.Joined()) << c.Name;
  }
}

TEST(DataSetEditing, AssignmentsOnlyInEditStateAndModifiedFollowsThem) {
  Fixture f;
  f.OpenWith({{1, "A"}});
  EXPECT_THROW_MSG(f.DS.FieldByName("Name")->SetAsString("X"), EDatabaseError,
                   "T: Dataset not in edit or insert mode");
  EXPECT_EQ("A", Name(f.DS));
  int changes = 0;
  f.DS.FieldByName("Name")->OnChange = [&](TField*) { ++changes; };
  f.DS.Edit();
  EXPECT_FALSE(f.DS.Modified());
  f.DS.FieldByName("Name")->SetAsString("X");
  EXPECT_TRUE(f.DS.Modified());
  EXPECT_EQ(1, changes);
  f.DS.Post();
  EXPECT_FALSE(f.DS.Modified());
  EXPECT_EQ(dsBrowse, f.DS.State());
  EXPECT_EQ("X", Name(f.DS));
}

TEST(DataSetEditing, CancelRestoresAnEditAndReturnsFromAnInsert) {
  Fixture f;
  f.OpenWith({{1, "A"}, {2, "B"}, {3, "C"}});
  f.DS.Next();
  f.DS.Edit();
  f.DS.FieldByName("Name")->SetAsString("X");
  f.DS.Cancel();
  EXPECT_EQ("B", Name(f.DS));
  for (bool append : {false, true}) {
    append ? f.DS.Append() : f.DS.Insert();
    f.DS.FieldByName("Name")->SetAsString("N");
    f.DS.Cancel();
    EXPECT_EQ("B", Name(f.DS)) << append;
    EXPECT_EQ(2, f.DS.RecNo());
    EXPECT_EQ(3, f.DS.RecordCount());
  }
}

TEST(DataSetEditing, AFailedPostStaysInEditStateWithoutAfterPost) {
  Fixture f;
  f.Table->UniqueColumn = 1;
  f.OpenWith({{1, "A"}, {2, "B"}});
  f.DS.Last();
  TEventLog log;
  log.Attach(f.DS);
  f.DS.Edit();
  f.DS.FieldByName("Name")->SetAsString("A");
  EXPECT_THROW_MSG(f.DS.Post(), EDatabaseError, "Invalid unique field value 'A'");
  EXPECT_EQ(dsEdit, f.DS.State());
  EXPECT_EQ("BeforeEdit AfterEdit BeforePost", log.Joined());
  f.DS.Cancel();
  EXPECT_EQ("B", Name(f.DS));
  EXPECT_EQ("B", std::string(reinterpret_cast<const char*>(f.DS.StoredSlot(f.Table->Rows[1], 1))));
}

TEST(DataSetEditing, DeletePositions) {
  struct Case {
    int RecNo;
    const char* Current;
    bool Eof;
  };
  // Deleting the first, a middle and the last record of A B C.
  for (const Case& c : {Case{1, "B", false}, Case{2, "C", false}, Case{3, "B", false}}) {
    Fixture f;
    f.OpenWith({{1, "A"}, {2, "B"}, {3, "C"}});
    f.DS.SetRecNo(c.RecNo);
    f.DS.Delete();
    EXPECT_EQ(c.Current, Name(f.DS)) << c.RecNo;
    EXPECT_EQ(2, f.DS.RecordCount());
    EXPECT_EQ(c.Eof, f.DS.Eof());
  }
  Fixture only;
  only.OpenWith({{1, "A"}});
  only.DS.Delete();
  EXPECT_TRUE(only.DS.IsEmpty());
  EXPECT_TRUE(only.DS.Bof());
  EXPECT_TRUE(only.DS.Eof());
}

TEST(DataSetEditing, InsertAndAppendPlaceTheNewRecordAndMakeItCurrent) {
  Fixture f;
  f.OpenWith({{1, "A"}, {2, "B"}});
  f.DS.Last();
  f.DS.Insert();
  f.DS.FieldByName("Name")->SetAsString("I");
  f.DS.Post();
  EXPECT_EQ("I", Name(f.DS));
  EXPECT_EQ(2, f.DS.RecNo());
  f.DS.First();
  f.DS.AppendRecord({Variant(9), Variant("Z")});
  EXPECT_EQ("Z", Name(f.DS));
  EXPECT_EQ(4, f.DS.RecNo());
  // A value that does not convert cancels the whole one-step append.
  EXPECT_THROW(f.DS.AppendRecord({Variant("nine")}), EConvertError);
  EXPECT_EQ(dsBrowse, f.DS.State());
  EXPECT_EQ(4, f.DS.RecordCount());
}

TEST(DataSetEditing, ReadOnlyRefusesEveryChangeAndStillReads) {
  Fixture f;
  f.OpenWith({{1, "A"}});
  f.DS.ReadOnly = true;
  EXPECT_FALSE(f.DS.CanModify());
  for (auto op : {&TDataSet::Edit, &TDataSet::Insert, &TDataSet::Append, &TDataSet::Delete})
    EXPECT_THROW_MSG((f.DS.*op)(), EDatabaseError, "T: Cannot modify a read-only dataset");
  EXPECT_EQ("A", Name(f.DS));
  EXPECT_EQ(1, f.DS.RecordCount());
}

TEST(DataSetFields, FieldByNameIgnoresCaseInTheCodePage) {
  auto t = std::make_shared<TMemTable>();
  const std::string societe = Utf8ToAnsi1252("Société");
  t->Columns = {{societe, ftString, 40}};
  TMemDataSet ds(nullptr, t);
  ds.SetName("Societe_tbl");
  ds.Open();
  EXPECT_EQ(societe, ds.FieldByName(Utf8ToAnsi1252("SOCIÉTÉ"))->FieldName());
  EXPECT_EQ(nullptr, ds.FindField("Societe"));
  EXPECT_THROW_MSG(ds.FieldByName("Nope"), EDatabaseError, "Societe_tbl: Field 'Nope' not found");
  EXPECT_EQ(1, ds.FieldByName(societe)->FieldNo());
  EXPECT_EQ(1, ds.FieldDefs().Count());
}

TEST(DataSetBookmarks, SurviveRefreshAndFailForDeletedRecords) {
  Fixture f;
  f.OpenWith({{1, "A"}, {2, "B"}, {3, "C"}});
  f.DS.Next();
  const TBookmark b = f.DS.GetBookmark();
  ASSERT_EQ(4u, b.size());
  // Another program puts two rows in front; the refreshed dataset stays on B.
  for (int k = 0; k < 2; ++k) {
    TMemRow r = f.Table->Rows[0];
    r.Id = f.Table->NextId++;
    f.Table->Rows.insert(f.Table->Rows.begin(), r);
  }
  f.DS.Refresh();
  EXPECT_EQ("B", Name(f.DS));
  EXPECT_EQ(4, f.DS.RecNo());
  f.DS.First();
  f.DS.GotoBookmark(b);
  EXPECT_EQ("B", Name(f.DS));
  EXPECT_EQ(0, f.DS.CompareBookmarks(b, f.DS.GetBookmark()));
  EXPECT_LT(f.DS.CompareBookmarks(TBookmark{}, b), 0);
  EXPECT_TRUE(f.DS.BookmarkValid(b));

  // B deleted through a second dataset on the same table.
  TMemDataSet other(nullptr, f.Table);
  other.Open();
  ASSERT_TRUE(other.Locate("Name", Variant("B"), {}));
  other.Delete();
  f.DS.First();
  EXPECT_FALSE(f.DS.BookmarkValid(b));
  EXPECT_EQ("A", Name(f.DS));  // the probe left the dataset where it was
  EXPECT_THROW_MSG(f.DS.GotoBookmark(b), EDatabaseError, "T: Bookmark not found");
  EXPECT_EQ("A", Name(f.DS));
  // Refresh with the current record gone: the record now at its place.
  f.DS.GotoBookmark(f.DS.GetBookmark());
  f.DS.Last();
  TMemDataSet third(nullptr, f.Table);
  third.Open();
  third.Last();
  third.Delete();
  f.DS.Refresh();
  EXPECT_FALSE(f.DS.IsEmpty());
  EXPECT_EQ(f.Table->Rows.size(), static_cast<std::size_t>(f.DS.RecordCount()));
}

TEST(DataSetOpen, AFailedOpenUndoesItselfOnce) {
  Fixture f;
  TEventLog log;
  log.Attach(f.DS);
  f.DS.FailOpen = true;
  EXPECT_THROW_MSG(f.DS.Open(), EDatabaseError, "T: Table 'Missing' not found");
  EXPECT_FALSE(f.DS.Active());
  EXPECT_EQ(dsInactive, f.DS.State());
  EXPECT_EQ(1, f.DS.CloseCursorCalls);
  EXPECT_EQ("BeforeOpen", log.Joined());

  // A BeforeOpen that raises: nothing was opened, nothing to undo.
  f.DS.FailOpen = false;
  f.DS.BeforeOpen = [](TDataSet*) { throw EDatabaseError("Access denied"); };
  EXPECT_THROW(f.DS.Open(), EDatabaseError);
  EXPECT_EQ(1, f.DS.CloseCursorCalls);

  // An AfterOpen that raises: the open is undone too.
  f.DS.BeforeOpen = nullptr;
  f.DS.AfterOpen = [](TDataSet*) { throw EDatabaseError("late"); };
  EXPECT_THROW(f.DS.Open(), EDatabaseError);
  EXPECT_FALSE(f.DS.Active());
  EXPECT_EQ(2, f.DS.CloseCursorCalls);
  EXPECT_EQ(0, f.DS.FieldCount());  // default fields freed
}

}  // namespace
}  // namespace velmorak::test

// Data sources, data links and the master link; the generic search
// (Locate, Lookup, FindFirst/FindNext with OnFilterRecord).
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace velmorak::test {
namespace {

// A link that writes down every notification it gets.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Log;
  std::string Joined() const {
    std::string s;
    for (const std::string& n : Log) s += (s.empty() ? "" : " ") + n;
    return s;
  }

 protected:
  void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
  void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int) override { Log.push_back("scrolled"); }
  void RecordChanged(TField* Field) override {
    Log.push_back("record " + (Field ? Field->FieldName() : "-"));
  }
  void UpdateData() override { Log.push_back("update"); }
  void CheckBrowseMode() override { Log.push_back("check"); }
};

struct Linked {
  std::shared_ptr<TMemTable> Table = MakeTable();
  TMemDataSet DS{nullptr, Table};
  TDataSource Source{nullptr};
  TRecordingLink Link;
  Linked() {
    DS.SetName("T");
    DS.Open();
    AddRows(DS, {{1, "A"}, {2, "B"}});
    DS.Close();
    Source.SetDataSet(&DS);
    Link.SetDataSource(&Source);
  }
};

TEST(DataLinks, SeeStateScrollsAndChanges) {
  struct Case {
    const char* Name;
    std::function<void(TDataSet&)> Prep, Action;
    const char* Expected;
  };
  auto none = [](TDataSet&) {};
  const Case cases[] = {
      {"open", none, [](TDataSet& d) { d.Open(); }, "active"},
      {"next", [](TDataSet& d) { d.Open(); }, [](TDataSet& d) { d.Next(); }, "check scrolled"},
      {"next at the end", [](TDataSet& d) { d.Open(), d.Last(); }, [](TDataSet& d) { d.Next(); }, "check"},
      {"edit", [](TDataSet& d) { d.Open(); }, [](TDataSet& d) { d.Edit(); }, "check editing record -"},
      {"field change", [](TDataSet& d) { d.Open(), d.Edit(); },
       [](TDataSet& d) { d.FieldByName("Name")->SetAsString("Z"); }, "record Name"},
      {"post", [](TDataSet& d) { d.Open(), d.Edit(), d.FieldByName("Name")->SetAsString("Z"); },
       [](TDataSet& d) { d.Post(); }, "update check browsing changed"},
      {"close", [](TDataSet& d) { d.Open(); }, [](TDataSet& d) { d.Close(); }, "inactive"},
      {"disabled controls", [](TDataSet& d) { d.Open(); },
       [](TDataSet& d) {
         d.DisableControls();
         d.Next();
         d.Edit();
         d.EnableControls();
       },
       "editing changed"},
  };
  for (const Case& c : cases) {
    Linked l;
    c.Prep(l.DS);
    l.Link.Log.clear();
    c.Action(l.DS);
    EXPECT_EQ(c.Expected, l.Link.Joined()) << c.Name;
  }
}

TEST(DataLinks, SourceEventsEnabledAndDetaching) {
  Linked l;
  std::vector<std::string> log;
  l.Source.OnStateChange = [&](TObject*) { log.push_back("state " + std::to_string(l.Source.State())); };
  l.Source.OnDataChange = [&](TObject*, TField* f) { log.push_back(f ? "data " + f->FieldName() : "data"); };
  l.DS.Open();
  l.DS.Edit();
  l.DS.FieldByName("ID")->SetAsInteger(5);
  l.DS.Cancel();
  EXPECT_EQ((std::vector<std::string>{"state 1", "state 2", "data", "data ID", "state 1", "data"}), log);
  l.Source.SetEnabled(false);
  EXPECT_FALSE(l.Link.Active());
  EXPECT_EQ(dsInactive, l.Source.State());
  l.Source.SetEnabled(true);
  EXPECT_TRUE(l.Link.Active());
  // AutoEdit through the link.
  EXPECT_TRUE(l.Link.Edit());
  EXPECT_EQ(dsEdit, l.DS.State());
  l.DS.Cancel();
  {
    TDataSource gone(nullptr);
    gone.SetDataSet(&l.DS);
    TRecordingLink other;
    other.SetDataSource(&gone);
    EXPECT_TRUE(other.Active());
  }  // the link and the source go; the dataset forgets the source
  l.DS.Next();
  EXPECT_EQ(1, l.Source.DataLinkCount());
}

TEST(MasterLink, FollowsTheMasterAndRefusesCircles) {
  Linked master;
  TMemDataSet detail(nullptr, MakeTable());
  detail.SetName("Detail");
  std::vector<std::string> log;
  detail.MasterLink.OnMasterChange = [&](TObject*) {
    log.push_back("change " + master.DS.FieldByName("Name")->AsString());
  };
  detail.MasterLink.OnMasterDisable = [&](TObject*) { log.push_back("disable"); };
  detail.SetMasterSource(&master.Source);
  detail.MasterLink.SetFieldNames("ID");
  detail.Open();
  master.DS.Open();  // the master opens under an open detail
  master.DS.Next();
  master.DS.Edit();                                 // the record changes state: one notice
  master.DS.FieldByName("Name")->SetAsString("X");  // not a master field: nothing
  master.DS.FieldByName("ID")->SetAsInteger(9);     // a master field
  master.DS.Cancel();
  master.DS.Close();
  EXPECT_EQ((std::vector<std::string>{"change A", "change B", "change B", "change X", "change B", "disable"}),
            log);

  // A master field the master lacks: refused, the old names stay.
  master.DS.Open();
  EXPECT_THROW_MSG(detail.MasterLink.SetFieldNames("ID;Nope"), EDatabaseError, "T: Field 'Nope' not found");
  EXPECT_EQ("ID", detail.MasterLink.FieldNames());
  ASSERT_EQ(1u, detail.MasterLink.Fields().size());
  EXPECT_EQ("ID", detail.MasterLink.Fields()[0]->FieldName());

  // The detail is posted before its master moves.
  detail.Append();
  detail.FieldByName("Name")->SetAsString("d");
  master.DS.Next();
  EXPECT_EQ(dsBrowse, detail.State());
  EXPECT_EQ(1, detail.RecordCount());

  // Circles: the master following its own detail, directly or through a third.
  TDataSource detailSource(nullptr);
  detailSource.SetName("DetailSource");
  detailSource.SetDataSet(&detail);
  EXPECT_THROW_MSG(master.DS.SetMasterSource(&detailSource), EDatabaseError,
                   "T: Circular datalinks are not allowed");
  TMemDataSet third(nullptr, MakeTable());
  third.SetName("Third");
  third.SetMasterSource(&detailSource);
  TDataSource thirdSource(nullptr);
  thirdSource.SetDataSet(&third);
  EXPECT_THROW_MSG(master.DS.SetMasterSource(&thirdSource), EDatabaseError,
                   "T: Circular datalinks are not allowed");
  EXPECT_EQ(nullptr, master.DS.GetDataSource());
  EXPECT_THROW_MSG(detail.SetMasterSource(&detailSource), EDatabaseError,
                   "Detail: Circular datalinks are not allowed");
  // A source that would show a dataset following that very source.
  TDataSource loose(nullptr);
  loose.SetName("Loose");
  third.SetMasterSource(&loose);
  EXPECT_THROW_MSG(loose.SetDataSet(&third), EDatabaseError, "Loose: Circular datalinks are not allowed");
}

TEST(Search, LocateLookupAndFindRecord) {
  FormatSettingsScope iso(IsoSettings());
  auto table = MakeTable();
  TMemDataSet ds(nullptr, table);
  ds.Open();
  const char* names[] = {"alpha", "Beta", "beta", "gamma"};
  for (int i = 0; i < 4; ++i) {
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(i + 1);
    ds.FieldByName("Name")->SetAsString(names[i]);
    ds.FieldByName("Born")->SetAsString("2024-01-0" + std::to_string(i + 1));
    ds.Post();
  }
  ds.First();
  TEventLog log;
  log.Attach(ds);
  struct Case {
    const char* Keys;
    Variant Values;
    TLocateOptions Options;
    int Found;  // RecNo, or 0
  };
  const Case cases[] = {
      {"Name", Variant("beta"), {}, 3},
      {"Name", Variant("BETA"), {loCaseInsensitive}, 2},
      {"Name", Variant("BETA"), {}, 0},
      {"Name", Variant("gam"), {loPartialKey}, 4},
      {"Name", Variant("gam"), {}, 0},
      {"name;ID", Variant::Array({Variant("beta"), Variant(2)}), {loCaseInsensitive}, 2},
      {"name;ID", Variant::Array({Variant("beta"), Variant(2)}), {}, 0},
      {"ID", Variant("4"), {}, 4},
      {"ID", Variant(2.0), {}, 2},
      {"ID", Variant::Array({Variant(3)}), {}, 3},
      {"Born", Variant("2024-01-02"), {}, 2},
      {"Born", Variant::FromDateTime(EncodeDate(2024, 1, 3) + 0.5), {}, 3},
  };
  for (const Case& c : cases) {
    ds.SetRecNo(1);
    log.Names.clear();
    EXPECT_EQ(c.Found != 0, ds.Locate(c.Keys, c.Values, c.Options)) << c.Keys << " " << c.Values.AsString();
    EXPECT_EQ(c.Found ? c.Found : 1, ds.RecNo()) << c.Keys;
    EXPECT_EQ(c.Found ? "BeforeScroll AfterScroll" : "BeforeScroll", log.Joined()) << c.Keys;
  }
  EXPECT_THROW(ds.Locate("Nope", Variant(1), {}), EDatabaseError);

  ds.SetRecNo(2);
  log.Names.clear();
  EXPECT_EQ("gamma", ds.Lookup("ID", Variant(4), "Name").AsString());
  const Variant pair = ds.Lookup("Name", Variant("alpha"), "ID;Name");
  ASSERT_TRUE(pair.IsArray());
  EXPECT_EQ(1, pair[0].AsInteger());
  EXPECT_EQ("alpha", pair[1].AsString());
  EXPECT_TRUE(ds.Lookup("ID", Variant(99), "Name").IsNull());
  EXPECT_EQ(2, ds.RecNo());
  EXPECT_EQ("Beta", ds.FieldByName("Name")->AsString());
  EXPECT_EQ("", log.Joined());

  // FindFirst/FindNext/FindPrior/FindLast through OnFilterRecord.
  ds.OnFilterRecord = [](TDataSet* d, bool& accept) {
    accept = d->FieldByName("Name")->AsString().find('a') != std::string::npos;
  };
  EXPECT_TRUE(ds.FindFirst());
  EXPECT_EQ(1, ds.RecNo());
  EXPECT_TRUE(ds.FindNext());
  EXPECT_EQ(2, ds.RecNo());
  EXPECT_TRUE(ds.FindLast());
  EXPECT_EQ(4, ds.RecNo());
  EXPECT_TRUE(ds.Found());
  EXPECT_FALSE(ds.FindNext());  // from the last record: none, and it stays
  EXPECT_FALSE(ds.Found());
  EXPECT_EQ(4, ds.RecNo());
  EXPECT_TRUE(ds.FindPrior());
  EXPECT_EQ(3, ds.RecNo());
}

TEST(DatabaseWait, ShownOnceForNestedWorkAndHiddenOnErrors) {
  std::vector<bool> calls;
  DatabaseWaitHook = [&](bool waiting) { calls.push_back(waiting); };
  try {
    TDatabaseWait outer;
    { TDatabaseWait inner; }
    throw EDatabaseError("failed");
  } catch (const EDatabaseError&) {
  }
  DatabaseWaitHook = nullptr;
  EXPECT_EQ((std::vector<bool>{true, false}), calls);
  TDatabaseWait none;  // no hook: nothing to call
}

}  // namespace
}  // namespace velmorak::test

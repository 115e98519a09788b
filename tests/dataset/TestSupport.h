// TestSupport: the fixtures the dataset tests share — a table of every
// stored type over the in-memory dataset, an event recorder, and a few rows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MemDataSet.h"
#include "platform/classes/FormatSettings.h"

namespace velmorak::test {

// Columns: ID integer, Name string(10), Qty smallint, Price float,
// Flag boolean, Born date, At time, Stamp date-time, Notes memo, Data blob.
inline std::shared_ptr<TMemTable> MakeTable() {
  auto t = std::make_shared<TMemTable>();
  t->Columns = {{"ID", ftInteger},   {"Name", ftString, 10}, {"Qty", ftSmallint}, {"Price", ftFloat},
                {"Flag", ftBoolean}, {"Born", ftDate},       {"At", ftTime},      {"Stamp", ftDateTime},
                {"Notes", ftMemo},   {"Data", ftBlob}};
  return t;
}

// Appends rows with ID and Name through the dataset itself.
inline void AddRows(TDataSet& ds, const std::vector<std::pair<int, std::string>>& rows) {
  for (const auto& [id, name] : rows) {
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(id);
    ds.FieldByName("Name")->SetAsString(name);
    ds.Post();
  }
}

// Every dataset event, by name, in the order raised.
struct TEventLog {
  std::vector<std::string> Names;
  TDataSet* Attached = nullptr;
  TEventLog() = default;
  TEventLog(const TEventLog&) = delete;
  TEventLog& operator=(const TEventLog&) = delete;
  // The dataset may outlive the log: its events stop recording here.
  ~TEventLog() {
    if (Attached) {
      TDataSet& d = *Attached;
      for (TDataSetNotifyEvent* e :
           {&d.BeforeOpen, &d.AfterOpen, &d.BeforeClose, &d.AfterClose, &d.BeforeInsert, &d.AfterInsert,
            &d.BeforeEdit, &d.AfterEdit, &d.BeforePost, &d.AfterPost, &d.BeforeCancel, &d.AfterCancel,
            &d.BeforeDelete, &d.AfterDelete, &d.BeforeScroll, &d.AfterScroll, &d.BeforeRefresh,
            &d.AfterRefresh, &d.OnNewRecord})
        *e = nullptr;
    }
  }
  void Attach(TDataSet& ds) {
    Attached = &ds;
    auto on = [this](const char* n) { return [this, n](TDataSet*) { Names.push_back(n); }; };
    ds.BeforeOpen = on("BeforeOpen");
    ds.AfterOpen = on("AfterOpen");
    ds.BeforeClose = on("BeforeClose");
    ds.AfterClose = on("AfterClose");
    ds.BeforeInsert = on("BeforeInsert");
    ds.AfterInsert = on("AfterInsert");
    ds.BeforeEdit = on("BeforeEdit");
    ds.AfterEdit = on("AfterEdit");
    ds.BeforePost = on("BeforePost");
    ds.AfterPost = on("AfterPost");
    ds.BeforeCancel = on("BeforeCancel");
    ds.AfterCancel = on("AfterCancel");
    ds.BeforeDelete = on("BeforeDelete");
    ds.AfterDelete = on("AfterDelete");
    ds.BeforeScroll = on("BeforeScroll");
    ds.AfterScroll = on("AfterScroll");
    ds.BeforeRefresh = on("BeforeRefresh");
    ds.AfterRefresh = on("AfterRefresh");
    ds.OnNewRecord = on("OnNewRecord");
  }
  std::string Joined() const {
    std::string s;
    for (const std::string& n : Names) s += (s.empty() ? "" : " ") + n;
    return s;
  }
};

// Format settings set for a test and put back after it.
class FormatSettingsScope {
 public:
  explicit FormatSettingsScope(const TFormatSettings& s) : FSaved(FormatSettings()) { FormatSettings() = s; }
  ~FormatSettingsScope() { FormatSettings() = FSaved; }

 private:
  TFormatSettings FSaved;
};

inline TFormatSettings IsoSettings() {
  TFormatSettings s;
  s.DecimalSeparator = '.';
  s.ThousandSeparator = '\0';
  s.DateSeparator = '-';
  s.ShortDateFormat = "yyyy-mm-dd";
  s.LongTimeFormat = "hh:nn:ss.zzz";
  s.DateTimeSeparator = 'T';
  s.TrueBoolStr = "true";
  s.FalseBoolStr = "false";
  return s;
}

// Expects Statement to throw exactly Type with exactly Message.
#define EXPECT_THROW_MSG(Statement, Type, Text)                \
  do {                                                         \
    try {                                                      \
      Statement;                                               \
      ADD_FAILURE() << "no exception from " #Statement;        \
    } catch (const Type& e) {                                  \
      EXPECT_EQ(std::string(Text), e.Message()) << #Statement; \
    }                                                          \
  } while (0)

}  // namespace velmorak::test

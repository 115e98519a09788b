// DataSource: how other objects follow a dataset. A TDataSource joins one
// dataset to any number of data links; the dataset sends its notifications
// (DataEvent) to its data sources, each source to its links. A link sees the
// dataset become active or inactive, scroll, change records and fields, and
// enter or leave edit state.
//
// TMasterDataLink is the link a detail dataset keeps on its master's data
// source: it holds the master fields named in FieldNames and calls
// OnMasterChange when the master moves or one of those fields changes, and
// OnMasterDisable when the master closes. A link that would make a dataset
// follow itself through a chain of masters is refused with "Circular
// datalinks are not allowed".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/dataset/DBTypes.h"

namespace velmorak {

class TDataSet;
class TDataLink;
class TField;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  const char* ClassName() const override { return "TDataSource"; }

  TDataSet* DataSet() const { return FDataSet; }
  // Refused with "Circular datalinks are not allowed" when Value follows,
  // through its masters, this source.
  void SetDataSet(TDataSet* Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool AutoEdit = true;
  // The dataset's state; dsInactive without an enabled, open dataset.
  TDataSetState State() const;
  // Puts the dataset in edit state when AutoEdit allows it and it browses.
  void Edit();
  // True when following DataSet's masters leads to this source.
  bool IsLinkedTo(TDataSet* DataSet) const;
  int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

  std::function<void(TObject* Sender)> OnStateChange;
  std::function<void(TObject* Sender, TField* Field)> OnDataChange;
  std::function<void(TObject* Sender)> OnUpdateData;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event, TField* Info);
  void NotifyLinks(TDataEvent Event, TField* Info);
  void DataSetGone();
  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
};

class TDataLink : public TPersistent {
 public:
  TDataLink() = default;
  ~TDataLink() override;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  const char* ClassName() const override { return "TDataLink"; }

  TDataSource* DataSource() const { return FDataSource; }
  // Refused with "Circular datalinks are not allowed" when the link's detail
  // dataset would follow itself.
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const;
  // Joined to an enabled source whose dataset is open.
  bool Active() const { return FActive; }
  // The dataset is in dsEdit or dsInsert (or dsSetKey).
  bool Editing() const { return FEditing; }
  bool ReadOnly = false;
  // Asks the source to put the dataset in edit state; true when editing.
  bool Edit();
  // The dataset this link makes follow the source (a detail), if any.
  virtual TDataSet* GetDetailDataSet() { return nullptr; }

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int Distance) {
    (void)Distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* Field) { (void)Field; }
  virtual void UpdateData() {}

 private:
  friend class TDataSource;
  void DataEvent(TDataEvent Event, TField* Info);
  void UpdateState();
  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
};

class TDetailDataLink : public TDataLink {
 public:
  const char* ClassName() const override { return "TDetailDataLink"; }
};

class TMasterDataLink : public TDetailDataLink {
 public:
  // DataSet: the detail dataset that follows the master.
  explicit TMasterDataLink(TDataSet* DataSet) : FDetail(DataSet) {}
  const char* ClassName() const override { return "TMasterDataLink"; }
  TDataSet* GetDetailDataSet() override { return FDetail; }

  // Semicolon-separated names of master fields. While the link is active
  // they are checked against the master: a name it lacks raises "Field '%s'
  // not found" and the previous names stay.
  const std::string& FieldNames() const { return FFieldNames; }
  void SetFieldNames(const std::string& Value);
  // The master fields named, while active.
  const std::vector<TField*>& Fields() const { return FFields; }

  std::function<void(TObject* Sender)> OnMasterChange;
  std::function<void(TObject* Sender)> OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;

 private:
  void BindFields();
  TDataSet* FDetail;
  std::string FFieldNames;
  std::vector<TField*> FFields;
};

}  // namespace velmorak

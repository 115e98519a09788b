// DataSource: the data source, the data links and the master link.
#include "platform/dataset/DataSource.h"

#include <algorithm>

#include "platform/dataset/DataSet.h"

namespace velmorak {

// --- TDataSource -------------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  if (FDataSet) {
    auto& list = FDataSet->FDataSources;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FDataSet = nullptr;
  }
  // The links stay alive; they only lose their source.
  for (TDataLink* link : FDataLinks) {
    link->FDataSource = nullptr;
    link->FActive = link->FEditing = false;
  }
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
  for (int guard = 0; DataSet && guard < 10000; ++guard) {
    TDataSource* source = DataSet->GetDataSource();
    if (!source) break;
    if (source == this) return true;
    DataSet = source->DataSet();
  }
  return false;
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) return;
  if (Value && IsLinkedTo(Value)) DatabaseError(SCircularDataLink, this);
  if (FDataSet) {
    auto& list = FDataSet->FDataSources;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  FDataSet = Value;
  if (FDataSet) FDataSet->FDataSources.push_back(this);
  DataEvent(deUpdateState, nullptr);
}

void TDataSource::DataSetGone() {
  FDataSet = nullptr;
  DataEvent(deUpdateState, nullptr);
}

void TDataSource::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  DataEvent(deUpdateState, nullptr);
}

TDataSetState TDataSource::State() const {
  return FEnabled && FDataSet && FDataSet->Active() ? FDataSet->State() : dsInactive;
}

void TDataSource::Edit() {
  if (AutoEdit && State() == dsBrowse) FDataSet->Edit();
}

void TDataSource::NotifyLinks(TDataEvent Event, TField* Info) {
  const std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links)
    if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end())
      link->DataEvent(Event, Info);
}

void TDataSource::DataEvent(TDataEvent Event, TField* Info) {
  if (Event == deUpdateState) {
    const TDataSetState state = State();
    if (state != FState) {
      FState = state;
      NotifyLinks(deUpdateState, nullptr);
      if (OnStateChange) OnStateChange(this);
    }
    return;
  }
  if (!FEnabled) return;
  NotifyLinks(Event, Info);
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, Event == deFieldChange ? Info : nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// --- TDataLink ----------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (FDataSource) {
    auto& links = FDataSource->FDataLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    FDataSource = nullptr;
  }
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == FDataSource) return;
  if (TDataSet* detail = GetDetailDataSet(); detail && Value && detail->IsLinkedTo(Value))
    DatabaseError(SCircularDataLink, detail);
  if (FDataSource) {
    auto& links = FDataSource->FDataLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  FDataSource = Value;
  if (FDataSource) FDataSource->FDataLinks.push_back(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const {
  return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Edit() {
  if (!ReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateState() {
  const TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
  const bool active = state != dsInactive;
  const bool editing = state == dsEdit || state == dsInsert || state == dsSetKey;
  if (active != FActive) {
    FActive = active;
    FEditing = editing;
    ActiveChanged();
  } else if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent Event, TField* Info) {
  if (Event == deUpdateState) return UpdateState();
  if (!FActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      RecordChanged(Info);
      break;
    case deDataSetChange:
      DataSetChanged();
      break;
    case deDataSetScroll:
      DataSetScrolled(0);
      break;
    case deLayoutChange:
      LayoutChanged();
      break;
    case deUpdateRecord:
      UpdateData();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    default:
      break;
  }
}

// --- TMasterDataLink ------------------------------------------------------------------

void TMasterDataLink::BindFields() {
  FFields.clear();
  if (Active() && DataSet()) FFields = DataSet()->GetFieldList(FFieldNames);
}

void TMasterDataLink::SetFieldNames(const std::string& Value) {
  if (Value == FFieldNames) return;
  const std::string old = FFieldNames;
  FFieldNames = Value;
  try {
    BindFields();
  } catch (...) {
    FFieldNames = old;
    BindFields();
    throw;
  }
  if (FDetail && FDetail->Active() && Active()) {
    if (!FFields.empty()) {
      if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
      OnMasterDisable(this);
    }
  }
}

void TMasterDataLink::ActiveChanged() {
  try {
    BindFields();
  } catch (...) {
    FFields.clear();
    throw;
  }
  if (!FDetail || !FDetail->Active()) return;
  if (Active() && !FFields.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  // The detail's pending record is posted before its master moves.
  if (FDetail && (FDetail->State() == dsEdit || FDetail->State() == dsInsert)) FDetail->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() {
  ActiveChanged();
}

void TMasterDataLink::RecordChanged(TField* Field) {
  if (!FDetail || !FDetail->Active() || FFields.empty() || !OnMasterChange) return;
  if (DataSource() && DataSource()->State() == dsSetKey) return;
  if (Field && std::find(FFields.begin(), FFields.end(), Field) == FFields.end()) return;
  OnMasterChange(this);
}

}  // namespace velmorak

#include "DataSource.h"

TDataSource::TDataSource(QObject *owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    Destroying();
    const QList<TDataLink *> links = FLinks;
    for (TDataLink *link : links)
        link->SetDataSource(nullptr);
    if (FDataSet)
        FDataSet->DetachDataSource(this);
}

void TDataSource::SetDataSet(TDataSet *dataSet) {
    if (FDataSet == dataSet)
        return;
    if (FDataSet) {
        FDataSet->DetachDataSource(this);
        RemoveFreeNotification(FDataSet);
    }
    FDataSet = dataSet;
    if (FDataSet) {
        FDataSet->AttachDataSource(this);
        FreeNotification(FDataSet);
    }
    DataEvent(deUpdateState, 0);
    DataEvent(deDataSetChange, 0);
}

void TDataSource::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && FDataSet && component == FDataSet)
        SetDataSet(nullptr);
}

void TDataSource::SetEnabled(bool enabled) {
    if (FEnabled == enabled)
        return;
    FEnabled = enabled;
    DataEvent(deUpdateState, 0);
    DataEvent(deDataSetChange, 0);
}

TDataSetState TDataSource::State() const {
    return FDataSet && FEnabled ? FDataSet->State() : dsInactive;
}

void TDataSource::Edit() {
    if (FAutoEdit && FDataSet && FDataSet->State() == dsBrowse)
        FDataSet->Edit();
}

void TDataSource::DataEvent(TDataEvent event, qint64 info) {
    if (event == deUpdateState) {
        const TDataSetState state = State();
        if (state != FLastState) {
            FLastState = state;
            if (OnStateChange)
                OnStateChange(this);
        }
    }
    const QList<TDataLink *> links = FLinks;
    for (TDataLink *link : links)
        if (FLinks.contains(link))
            link->DataEvent(event, info);
    if (event == deFieldChange || event == deRecordChange || event == deDataSetChange ||
        event == deDataSetScroll) {
        if (OnDataChange && State() != dsInactive)
            OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField *>(info) : nullptr);
    } else if (event == deUpdateRecord && OnUpdateData) {
        OnUpdateData(this);
    }
}

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *source) {
    if (FDataSource == source)
        return;
    if (FDataSource)
        FDataSource->FLinks.removeAll(this);
    FDataSource = source;
    if (FDataSource)
        FDataSource->FLinks.append(this);
    UpdateState();
}

TDataSet *TDataLink::DataSet() const {
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    UpdateState();
}

void TDataLink::UpdateState() {
    const bool active = FDataSource && FDataSource->State() != dsInactive;
    if (active != FActive) {
        FActive = active;
        ActiveChanged();
    }
    const bool editing = active && !FReadOnly &&
                         (FDataSource->State() == dsEdit || FDataSource->State() == dsInsert);
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource)
        FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, qint64 info) {
    UpdateState();
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
        RecordChanged(reinterpret_cast<TField *>(info));
        break;
    case deRecordChange:
        RecordChanged(nullptr);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(static_cast<int>(info));
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        if (!FUpdating)
            UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deUpdateState:
        break;
    }
}

void TFieldDataLink::SetFieldName(const QString &name) {
    if (FFieldName == name)
        return;
    FFieldName = name;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    TDataSet *ds = DataSet();
    FField = Active() && ds && !FFieldName.isEmpty() ? ds->FindField(FFieldName) : nullptr;
    FFieldDataSet = FField ? ds : nullptr;
    FModified = false;
    if (OnDataChange)
        OnDataChange();
}

bool TFieldDataLink::CanModify() const {
    return Active() && !ReadOnly() && FField && !FField->ReadOnly() && FField->IsData();
}

void TFieldDataLink::Reset() {
    FModified = false;
    if (OnDataChange)
        OnDataChange();
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange)
        OnActiveChange();
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
}

void TFieldDataLink::DataSetChanged() {
    // The data source may have switched to another open dataset: the field is looked up anew.
    if (FField && FFieldDataSet == DataSet())
        RecordChanged(nullptr);
    else
        UpdateField();
}

void TFieldDataLink::RecordChanged(TField *field) {
    if (field == nullptr || field == FField) {
        FModified = false;
        if (OnDataChange)
            OnDataChange();
    }
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange)
        OnEditingChange();
}

void TFieldDataLink::UpdateData() {
    if (FModified) {
        if (FField && OnUpdateData)
            OnUpdateData();
        FModified = false;
    }
}

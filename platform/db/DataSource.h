#pragma once
// The plumbing between datasets and the controls that show them. A TDataSource stands for
// one dataset on a form; controls hold data links (TDataLink) on the source and hear about
// opening and closing, new data, scrolling, edits of the current record and state changes.
// A field data link follows one field of the current record.

#include "Component.h"
#include "DataSet.h"

#include <QList>
#include <functional>

class TDataLink;

class TDataSource : public TComponent {
    Q_OBJECT
public:
    explicit TDataSource(QObject *owner = nullptr);
    ~TDataSource() override;
    QString ClassName() const override { return QStringLiteral("TDataSource"); }

    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Whether controls may start editing on their own when the user types.
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool autoEdit) { FAutoEdit = autoEdit; }
    TDataSetState State() const;
    // Starts editing the current record when AutoEdit allows it.
    void Edit();

    std::function<void(TDataSource *)> OnStateChange;
    std::function<void(TDataSource *, TField *)> OnDataChange;
    std::function<void(TDataSource *)> OnUpdateData;

    void DataEvent(TDataEvent event, qint64 info);
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    friend class TDataLink;
    TDataSet *FDataSet = nullptr;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FLastState = dsInactive;
    QList<TDataLink *> FLinks;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    // Puts the dataset into edit state when allowed; true when it is editing afterwards.
    bool Edit();
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) {
        Q_UNUSED(distance);
        DataSetChanged();
    }
    virtual void RecordChanged(TField *field) { Q_UNUSED(field); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, qint64 info);
    void UpdateState();
    TDataSource *FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};

// Follows one field of the current record.
class TFieldDataLink : public TDataLink {
public:
    const QString &FieldName() const { return FFieldName; }
    void SetFieldName(const QString &name);
    TField *Field() const { return FField; }
    // Whether the field can be written now (active, not read-only, field not read-only).
    bool CanModify() const;
    // Marks the control's text as changed; UpdateRecord then calls OnUpdateData.
    void Modified() { FModified = true; }
    void Reset();

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void RecordChanged(TField *field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void UpdateData() override;

private:
    void UpdateField();
    QString FFieldName;
    TField *FField = nullptr;
    TDataSet *FFieldDataSet = nullptr; // the dataset FField was found in
    bool FModified = false;
};

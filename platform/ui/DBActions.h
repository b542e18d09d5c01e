#pragma once
// Actions on the dataset behind a data source: moving to the first, previous, next or last
// record, posting or cancelling the record being edited, and deleting the current record.
//
// Each action enables itself from the dataset's state through a data link, so the menus and
// tool buttons that show it follow record moves, edits, opening and closing, and a change of
// data source. Nothing is enabled without an open dataset; when the data source or its dataset
// goes away first, the action forgets it and turns disabled.
//
// OnExecute starts as the action's dataset operation. A form may put its own handler there
// (a delete that asks first); the enabling stays with the action.

#include "Actions.h"
#include "Component.h"
#include "DataSource.h"

class TDataSetAction : public TAction, public TComponentBase {
    Q_OBJECT
public:
    TDataSetAction(QObject *owner, const QString &name, const QString &category,
                   const QString &caption);
    ~TDataSetAction() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;

    TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource *source);
    // The dataset of the data source, or nullptr.
    TDataSet *DataSet() const { return FDataLink.DataSet(); }
    // Brings the enabled state in line with the dataset; the data link calls it on every change.
    void UpdateEnabled();

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    // Whether the action applies to the open dataset, in the data source's state.
    virtual bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const = 0;
    // Sets OnExecute to run `operation` on the data source's dataset (nothing without one).
    void SetOperation(void (TDataSet::*operation)());

private:
    class TActionDataLink : public TDataLink {
    public:
        explicit TActionDataLink(TDataSetAction *action) : FAction(action) {}
        void Detach() { FAction = nullptr; }

    protected:
        void ActiveChanged() override { Changed(); }
        void DataSetChanged() override { Changed(); }
        void DataSetScrolled(int) override { Changed(); }
        void RecordChanged(TField *) override { Changed(); }
        void EditingChanged() override { Changed(); }
        void LayoutChanged() override { Changed(); }

    private:
        void Changed() {
            if (FAction)
                FAction->UpdateEnabled();
        }
        TDataSetAction *FAction;
    };

    TActionDataLink FDataLink{this};
};

// First and Prior: an open dataset not at its first record.
class TDataSetFirst : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetFirst(QObject *owner, const QString &name, const QString &category,
                  const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

class TDataSetPrior : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetPrior(QObject *owner, const QString &name, const QString &category,
                  const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

// Next and Last: an open dataset not at its last record.
class TDataSetNext : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetNext(QObject *owner, const QString &name, const QString &category,
                 const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

class TDataSetLast : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetLast(QObject *owner, const QString &name, const QString &category,
                 const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

// Post and Cancel: a record being edited or inserted.
class TDataSetPost : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetPost(QObject *owner, const QString &name, const QString &category,
                 const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

class TDataSetCancel : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetCancel(QObject *owner, const QString &name, const QString &category,
                   const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

// Delete: a record present, browsed or being edited (a record being inserted is cancelled,
// not deleted).
class TDataSetDelete : public TDataSetAction {
    Q_OBJECT
public:
    TDataSetDelete(QObject *owner, const QString &name, const QString &category,
                   const QString &caption);

protected:
    bool EnabledFor(const TDataSet &dataSet, TDataSetState state) const override;
};

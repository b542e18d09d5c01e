#pragma once
// TDualGridForm (雙表資料移轉處理表單): assigns items to a target. The candidates ("項目") are on
// the left, the items already assigned ("設定") on the right, with buttons between the grids
// that move the selected or all items across. Once the job form has loaded its data (after
// DoFormInitial) every move is confirmed to the server at once. Like the table forms it
// stamps edits and answers the messages that carry datasets and records between forms.

#include "uRadBaseForm.h"

class QGroupBox;
class QToolButton;
class TClientDataSet;
class TDBGrid;
class TReconcileError;
class TStringList;

class TDualGridForm : public TRadBaseForm {
    Q_OBJECT
public:
    // What DoActiveDataChange is told.
    enum TActiveDataOperation { adInsert, adRemove };

    explicit TDualGridForm(QWidget *parent = nullptr);
    ~TDualGridForm() override;
    QString ClassName() const override { return QStringLiteral("TDualGridForm"); }

    QGroupBox *gbConditionSet;
    QWidget *plDataSelection;
    QGroupBox *GroupBox3, *GroupBox1;
    TDBGrid *gridSelect, *gridActive;
    QWidget *Panel3;
    QToolButton *btnInsert, *btnDelete, *btnClear;
    TDataSource *SelectSource, *ActiveSource;
    TReconcileError *ReconcileError1;
    QMenu *pmSelect, *pmActive;
    TAction *ActInsert, *ActInsertAll, *ActDelete, *ActDeleteAll, *ActClear, *ActUndo;

    // Whether there are changes to confirm: the enabled state of DataApplyUpdate.
    bool GetEnabledApply() const;
    void SetEnabledApply(bool value);
    // Whether each move is confirmed at once: from the end of DoFormInitial on.
    bool AutoConfirm() const { return FAutoConfirm; }

    void ActInsertExecute();
    void ActInsertAllExecute();
    void ActDeleteExecute();
    void ActDeleteAllExecute();
    void ActClearExecute();
    void DataApplyUpdateExecute();
    void DataCancelUpdateExecute();

    void OpCtrl() override;
    void DoFormInitial() override;

    // Hooks, in their slot order.
    // Clears the selections of both grids.
    virtual void Clear();
    // Copies the select dataset's current row into the active dataset (the job form's).
    virtual void InsertOneData() {}
    // Whether the active dataset's current row may be removed.
    virtual bool DoRemoveCheck() { return true; }
    // After a move: confirmed at once once the form is initialised.
    virtual void DoActiveDataChange(TActiveDataOperation operation);
    virtual void DoDataApplyUpdates() {}
    virtual void DoDataCancelUpdates() {}
    virtual void RecvDataRefresh(const QString &name) { Q_UNUSED(name); }
    virtual TClientDataSet *DoGetReceiverDataSet(const QString &name, bool active);
    virtual void DoAfterSetReceiveData(TClientDataSet *clientDataSet) { Q_UNUSED(clientDataSet); }
    virtual TStringList *DoCheckActiveDataRecord(const QString &name);
    virtual void DoAfterSetActiveDataRecord(TStringList *items) { Q_UNUSED(items); }

    // Puts the edit stamp in front of the comma text of an "EditInfo" field.
    void DataSetBeforePost(TDataSet *dataSet);
    // The dataset-carrying messages, named form name + "." + dataset name.
    void SendDataset(TClientDataSet *clientDataSet);
    void SendDataRefresh(TClientDataSet *clientDataSet);
    void SendActiveDataRecord(TDataSet *dataSet);

protected:
    void DMTransmitDataSet(TMessage &message);
    void DMDataSetRefresh(TMessage &message);
    void DMActiveDataRecord(TMessage &message);
    // The select and active datasets, or nullptr.
    TDataSet *SelectDataSet() const;
    TDataSet *ActiveDataSet() const;

private:
    // Runs a handler; whatever happens, `finally` runs after it. Errors go to the user.
    void Guarded(const std::function<void()> &body, const std::function<void()> &finally);
    QString DataName(const QObject *dataSet) const;
    bool FAutoConfirm = false;
};

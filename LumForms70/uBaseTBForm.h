#pragma once
// TBaseTBForm: a job form that edits data of the application servers in briefcase style.
// Records are fetched into client datasets, inserted, edited and deleted locally, and written
// to the server only when the user confirms ("確認"), or thrown away ("取消"). The form holds
// the data actions with their tool buttons and menus, the confirmation flow, the edit stamp,
// the copy-insert buffer and the exchange of datasets and records with other open forms; what
// each operation does to which dataset is left to virtual hooks that descendants fill.

#include "uRadBaseForm.h"

class QMenu;
class TClientDataSet;
class TCodeTableCDS;
class TDataSetAction;
class TDBCheckListBox;
class TReconcileError;
class TSocketConnection;
class TStringList;
class TTransferDialog;

class TBaseTBForm : public TRadBaseForm {
    Q_OBJECT
public:
    explicit TBaseTBForm(QWidget *parent = nullptr);
    ~TBaseTBForm() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBForm"); }

    TTransferDialog *TransferDialog;
    TSocketConnection *SocketConnection;
    TReconcileError *ReconcileError;
    TCodeTableCDS *CodeTableMain;
    TDataSource *CodeTableMainSource;
    TClientDataSet *CopyDataSet;
    QMenu *DataEditPopupMenu;

    TAction *DataOpen, *DataRefresh, *DataQuery, *DataPrint, *DataChart, *DataInsert, *DataEdit,
        *DataCopy;
    TDataSetAction *DataSetDelete, *DataSetPost, *DataSetCancel, *DataSetFirst, *DataSetPrior,
        *DataSetNext, *DataSetLast;
    QAction *MenuApply, *MenuCancel;
    // The dividers of the tool bar before the edit and before the navigation buttons.
    QAction *btnDivider1, *btnDivider2;

    // Whether there are changes to confirm: the enabled state of DataApplyUpdate.
    bool GetEnabledApply() const;
    void SetEnabledApply(bool value);

    // Action handlers; each brings the actions in line at the end, also after a failure.
    void DataOpenExecute();
    void DataRefreshExecute();
    void DataApplyUpdateExecute();
    void DataCancelUpdateExecute();
    void DataSetDeleteExecute();
    void DataInsertExecute();
    void DataEditExecute();

    // Pending changes are confirmed when the user says so, otherwise cancelled: they never
    // survive an open, a refresh or a close.
    void ApplyConfirm();
    // Puts the edit stamp in front of the comma text of an "EditInfo" field.
    void DataSetBeforePost(TDataSet *dataSet);
    // The copy-insert buffer: one record with the visible fields' values of the dataset.
    void CopyDataSetFrom(TDataSet *dataSet);
    // Fills the dataset's record (a new one unless it is being edited or inserted) from the
    // buffer; raises "CopyDataset is not Created" when the buffer is closed.
    void CopyDataSetTo(TDataSet *dataSet);
    // The dataset-carrying messages, named form name + "." + dataset name.
    void SendDataset(TClientDataSet *clientDataSet);
    void SendDataRefresh(TClientDataSet *clientDataSet);
    void SendActiveDataRecord(TDataSet *dataSet);

    // Hooks, in their slot order. The base versions do nothing.
    virtual void RecvDataRefresh(const QString &name) { Q_UNUSED(name); }
    virtual TClientDataSet *DoGetReceiverDataSet(const QString &name, bool active);
    virtual void DoAfterSetReceiveData(TClientDataSet *clientDataSet) { Q_UNUSED(clientDataSet); }
    virtual void DoDataOpen() {}
    virtual void DoDataClose() {}
    virtual void DoDataApplyUpdates() {}
    virtual void DoDataCancelUpdates() {}
    virtual void DoDataDelete() {}
    virtual void DoDataInsert() {}
    virtual void DoDataEdit() {}
    // The list that takes the carried record's field lines, or nullptr when none does.
    virtual TStringList *DoCheckActiveDataRecord(const QString &name);
    virtual void DoAfterSetActiveDataRecord(TStringList *items) { Q_UNUSED(items); }

    void FormClose(TCloseAction &action) override;

    // The field of a check list's clicked item shows exactly when the item is checked.
    static void ShowCheckedField(TDBCheckListBox *list);
    // Enter (or Return) in the edit runs `run` instead of reaching the edit.
    static void RunOnEnter(QWidget *edit, std::function<void()> run);

protected:
    // Cancels every change in the dataset's log, also those of records a local filter hides:
    // the filter is switched over for the cancel and restored. With cancelEdit a pending edit
    // or insert is cancelled first; otherwise it stays.
    void CancelAllChanges(TClientDataSet *dataSet, bool cancelEdit);
    void DMTransmitDataSet(TMessage &message);
    void DMDataSetRefresh(TMessage &message);
    void DMActiveDataRecord(TMessage &message);
    // Runs a handler; whatever happens, `finally` runs after it. Errors go to the user.
    void Guarded(const std::function<void()> &body, const std::function<void()> &finally);
    // The data-source name of a dataset in the messages: form name + "." + dataset name.
    QString DataName(const QObject *dataSet) const;

private:
    void BuildTBActions();
};

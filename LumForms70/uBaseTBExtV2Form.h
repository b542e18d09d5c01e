#pragma once
// TBaseTBExtV2Form: the extended form with a buffer of chosen fields (copy the fields of a
// row, paste them onto the selected rows), actions for checking and posting, the sort dialog
// on the job's grid, opening and confirming datasets of its own, and sending datasets under a
// chosen name.

#include "uBaseTBExtForm.h"

class TDataSortDialog;

class TBaseTBExtV2Form : public TBaseTBExtForm {
    Q_OBJECT
public:
    explicit TBaseTBExtV2Form(QWidget *parent = nullptr);
    ~TBaseTBExtV2Form() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBExtV2Form"); }

    TAction *&ActGridCopyFieldsSet = Grid.ActGridCopyFieldsSet, *&ActGridCopy = Grid.ActGridCopy,
            *&ActGridPaste = Grid.ActGridPaste, *&DataCheck = Grid.DataCheck,
            *&DataCheckCancel = Grid.DataCheckCancel, *&DataPosting = Grid.DataPosting,
            *&DataPostingCancel = Grid.DataPostingCancel, *&DataSorting = Grid.DataSorting;
    TDataSortDialog *DataSortDialog;
    // The received data name in its two parts: the sending form and the data.
    QString ReceivedFormName, ReceivedName;

    void ActGridCopyExecute() { OpCtrl(); }
    void ActGridPasteExecute() { OpCtrl(); }
    void DataSortingExecute();
    void OpenRemote(TClientDataSet *dataSet);
    void ApplyRemote(TClientDataSet *dataSet);
    void DataFieldsSetUp(const QString &name, TDataSource *dataSource);
    void SendDataSetByName(TClientDataSet *dataSet, const QString &name);
    void SendActiveDataRecordByName(TDataSet *dataSet, const QString &name);
    void dbckFieldsListClickCheck(QObject *sender) { FieldsListClickCheck(sender); }

    void OpCtrl() override;

protected:
    void KeepDataName(const QString &name) override;
};

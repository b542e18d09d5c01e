#pragma once
// TMasterDetailTBBaseForm: the table form for a master record with its detail records. The
// master dataset carries the change log that is confirmed; the details are edited under it
// (nested in the master's records, or linked to it by key fields, as each job form ties them).
// Insert, edit and delete act on the details; separate actions insert and delete masters,
// and a master's details are deleted before it is.

#include "uBaseTBForm.h"

class QToolButton;
class QVBoxLayout;
class TDataSetDelete;

class TMasterDetailTBBaseForm : public TBaseTBForm {
    Q_OBJECT
public:
    explicit TMasterDetailTBBaseForm(QWidget *parent = nullptr);
    ~TMasterDetailTBBaseForm() override;
    QString ClassName() const override { return QStringLiteral("TMasterDetailTBBaseForm"); }

    // The selection panel at the top, with a flat button for DataOpen.
    QWidget *plDataSelection;
    QToolButton *btnDataOpen;
    TClientDataSet *MasterDataSet;
    TDataSource *MasterSource;
    TClientDataSet *DetailDataSet;
    TDataSource *DetailSource;
    TAction *MasterInsert;
    TDataSetDelete *MasterDelete;
    QMenu *MasterPopupMenu;

    // True while DeleteAllDetail runs: a detail deleted along with its master, not by the
    // user.
    bool DeletingAllDetail() const { return FDeletingAllDetail; }

    void OpCtrl() override;
    void DoDataOpen() override;
    void DoDataClose() override;
    void DoDataInsert() override;
    void DoDataEdit() override;
    void DoDataDelete() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    // Hooks added here, in their slot order.
    virtual void DoMasterInsert();
    virtual void DoMasterDelete();

    void MasterInsertExecute();
    // Asks first: deleting the master deletes its details too.
    void MasterDeleteExecute();
    // "修改": the current detail when the master has details, otherwise the master itself.
    void DataEditExecute();
    void MasterDataSetBeforeDelete(TDataSet *dataSet);
    // Deletes every detail of the current master, from the first.
    void DeleteAllDetail();
    void SourceStateChange(TDataSource *source);

protected:
    QVBoxLayout *ClientLayout;

private:
    bool FDeletingAllDetail = false;
};

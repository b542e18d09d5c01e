#pragma once
// 權限設定: the permissions of a job group on "SrvJobSecurity.JobManagerINTF". The group is
// chosen in the conditions ("xspJobGroups"); the server objects and families it has no
// permission for are on the left ("dspPermissionCandidates"), its permissions on the right
// ("dspJobPermissions") with 唯讀 (read only) or 可異動 (may apply changes). An object moved to
// the right starts read-only; "唯讀/可異動" switches the selected permissions (or the current
// one). Every change is confirmed to the server at once and holds for the group's users from
// their next call on. Only administrators get the data: the server refuses it to others.

#include "uDualGridForm.h"

class TLUMDBCodeComboBox;
class TSocketConnection;

class TJobPermissionsForm : public TDualGridForm {
    Q_OBJECT
public:
    TJobPermissionsForm();
    ~TJobPermissionsForm() override;

    TSocketConnection *SocketConnection;
    TDataSource *GroupsSource;
    TClientDataSet *GroupsDataSet = nullptr, *CandidatesDataSet = nullptr,
                   *PermissionsDataSet = nullptr;
    TLUMDBCodeComboBox *cbGroup;
    TAction *ActSwitchApply;
    QToolButton *btnSwitchApply;

    QString Group() const;
    // Reads the candidates and the permissions of the group chosen.
    void OpenGroup();
    // Switches the selected permissions (the current one when none is selected) between read
    // only and applying changes, and confirms them.
    void ActSwitchApplyExecute();

    void DoFormInitial() override;
    void InsertOneData() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    void OpCtrl() override;
    // Changes left to confirm (the server refused them) are confirmed or dropped first.
    void FormClose(TCloseAction &action) override;

private:
    // Asks to confirm or drop the changes the server refused before the rows are read again.
    void SettlePending();
};

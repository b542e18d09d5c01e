#include "uJobPermissionsForm.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DateTime.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uJobGuard.h"
#include "uLoginUserInfo.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

TClientDataSet *PermissionData(QObject *owner, const char *name, TSocketConnection *connection,
                               const char *provider, bool byGroup) {
    auto *d = new TClientDataSet(owner);
    d->SetName(QLatin1String(name));
    d->SetAppServer(connection->GetServer());
    d->SetProviderName(QLatin1String(provider));
    if (byGroup)
        d->Params().CreateParam(ftString, QStringLiteral("GroupID"));
    return d;
}

TField *AddField(TClientDataSet *d, TFieldType type, const char *name, int size, const char *label,
                 TFieldKind kind = fkData) {
    TField *f = d->AddField(type, QLatin1String(name), size, kind);
    f->SetDisplayLabel(QString::fromUtf8(label));
    return f;
}

const QString kCanApply = QStringLiteral("CanApply");

} // namespace

TJobPermissionsForm::TJobPermissionsForm() {
    setObjectName(QStringLiteral("JobPermissionsForm"));
    SetCaption(QStringLiteral("權限設定"));
    SocketConnection = new TSocketConnection(this);
    SocketConnection->SetName(QStringLiteral("SocketConnection"));
    SocketConnection->SetServerName(QStringLiteral("SrvJobSecurity.JobManagerINTF"));

    // The groups, each named with its unit for the list.
    GroupsDataSet = PermissionData(this, "GroupsDataSet", SocketConnection, "xspJobGroups", false);
    AddField(GroupsDataSet, ftString, "GroupID", 20, "工作群組");
    AddField(GroupsDataSet, ftString, "Manager", 10, "管理者");
    AddField(GroupsDataSet, ftString, "Unit_ID", 20, "單位");
    AddField(GroupsDataSet, ftString, "UnitName", 60, "單位名稱");
    AddField(GroupsDataSet, ftString, "GroupTitle", 90, "群組", fkCalculated);
    GroupsDataSet->OnCalcFields = [](TDataSet *d) {
        const QString unit = d->FieldByName(QStringLiteral("UnitName"))->AsString();
        const QString id = d->FieldByName(QStringLiteral("GroupID"))->AsString();
        d->FieldByName(QStringLiteral("GroupTitle"))
            ->SetAsString(unit.isEmpty() ? id : QStringLiteral("%1 %2").arg(id, unit));
    };
    GroupsSource = new TDataSource(this);
    GroupsSource->SetName(QStringLiteral("GroupsSource"));
    GroupsSource->SetAutoEdit(false);
    GroupsSource->SetDataSet(GroupsDataSet);

    CandidatesDataSet = PermissionData(this, "CandidatesDataSet", SocketConnection,
                                       "dspPermissionCandidates", true);
    AddField(CandidatesDataSet, ftString, "ProgID", 60, "伺服器物件");
    AddField(CandidatesDataSet, ftString, "Descript", 60, "說明");

    PermissionsDataSet =
        PermissionData(this, "PermissionsDataSet", SocketConnection, "dspJobPermissions", true);
    // A permission is found by its group and object when its change is applied.
    TField *groupField = AddField(PermissionsDataSet, ftString, "GroupID", 20, "工作群組");
    groupField->SetVisible(false);
    groupField->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
    AddField(PermissionsDataSet, ftString, "ProgID", 60, "伺服器物件")
        ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
    AddField(PermissionsDataSet, ftString, "Descript", 60, "說明");
    AddField(PermissionsDataSet, ftInteger, "CanApply", 0, "可異動")->SetVisible(false);
    AddField(PermissionsDataSet, ftString, "Changer", 10, "設定者")->SetVisible(false);
    AddField(PermissionsDataSet, ftString, "ChangeTime", 19, "設定時間")->SetVisible(false);
    AddField(PermissionsDataSet, ftString, "Access", 10, "權限", fkCalculated);
    PermissionsDataSet->OnCalcFields = [](TDataSet *d) {
        d->FieldByName(QStringLiteral("Access"))
            ->SetAsString(d->FieldByName(kCanApply)->AsInteger() != 0 ? QStringLiteral("可異動")
                                                                      : QStringLiteral("唯讀"));
    };
    // Who set a permission, and when.
    PermissionsDataSet->BeforePost = [](TDataSet *d) {
        d->FieldByName(QStringLiteral("Changer"))
            ->SetAsString(CurrentUserInfo ? CurrentUserInfo->ID() : QString());
        d->FieldByName(QStringLiteral("ChangeTime"))
            ->SetAsString(Now().ToQDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    };
    SelectSource->SetDataSet(CandidatesDataSet);
    ActiveSource->SetDataSet(PermissionsDataSet);

    auto *group = new QLabel(QStringLiteral("工作群組:"), gbConditionSet);
    cbGroup =
        DataCodeList(gbConditionSet, "cbGroup", GroupsSource, QString(), "GroupID", "GroupTitle");
    cbGroup->setMinimumContentsLength(20);
    group->setBuddy(cbGroup);
    auto *conditions = new QHBoxLayout(gbConditionSet);
    conditions->addWidget(group);
    conditions->addWidget(cbGroup);
    conditions->addStretch(1);
    connect(cbGroup, &QComboBox::activated, this, [this] { RunGuarded([this] { OpenGroup(); }); });
    plDataSelection->hide();

    ActSwitchApply = new TAction(this, QStringLiteral("ActSwitchApply"), QStringLiteral("Data"),
                                 QStringLiteral("唯讀/可異動"));
    ActSwitchApply->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    ActSwitchApply->setEnabled(false);
    ActSwitchApply->OnExecute = [this] { ActSwitchApplyExecute(); };
    btnSwitchApply = new QToolButton(Panel3);
    btnSwitchApply->setObjectName(QStringLiteral("btnSwitchApply"));
    btnSwitchApply->setDefaultAction(ActSwitchApply);
    btnSwitchApply->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnSwitchApply->setAutoRaise(true);
    btnSwitchApply->setMinimumSize(64, 44);
    auto *buttons = static_cast<QVBoxLayout *>(Panel3->layout());
    buttons->insertWidget(buttons->count() - 1, btnSwitchApply);
    pmActive->insertAction(pmActive->actions().value(2), ActSwitchApply);

    // A change that the server refused stays pending: it can be confirmed again or dropped.
    DataApplyUpdate->setVisible(true);
    DataCancelUpdate->setVisible(true);
    resize(900, 560);
    OpCtrl();
}

TJobPermissionsForm::~TJobPermissionsForm() {
    // The datasets' handlers call into this form's code: they go before its parts do.
    GroupsDataSet->OnCalcFields = nullptr;
    PermissionsDataSet->OnCalcFields = nullptr;
    PermissionsDataSet->BeforePost = nullptr;
}

QString TJobPermissionsForm::Group() const {
    return cbGroup->GetCode();
}

void TJobPermissionsForm::DoFormInitial() {
    try {
        GroupsDataSet->Open();
    } catch (...) {
        DisConnection();
        throw;
    }
    if (cbGroup->count() > 0)
        cbGroup->setCurrentIndex(0);
    OpenGroup();
    // From here on every change is confirmed at once.
    TDualGridForm::DoFormInitial();
}

void TJobPermissionsForm::SettlePending() {
    if (PermissionsDataSet->Active() && PermissionsDataSet->ChangeCount() > 0) {
        if (Confirm(QStringLiteral("修改未確認,是否確認？")))
            PermissionsDataSet->ApplyUpdates(0);
        PermissionsDataSet->CancelUpdates();
    }
}

void TJobPermissionsForm::OpenGroup() {
    SettlePending();
    Clear();
    try {
        for (TClientDataSet *d : {CandidatesDataSet, PermissionsDataSet}) {
            d->Close();
            d->Params().ParamByName(QStringLiteral("GroupID")).SetAsString(Group());
            if (!Group().isEmpty())
                d->Open();
        }
    } catch (...) {
        DisConnection();
        OpCtrl();
        throw;
    }
    DisConnection();
    OpCtrl();
}

void TJobPermissionsForm::InsertOneData() {
    const QString object = CandidatesDataSet->FieldByName(QStringLiteral("ProgID"))->AsString();
    if (PermissionsDataSet->Locate(QStringLiteral("ProgID"), Variant(object)))
        return;
    PermissionsDataSet->Append();
    try {
        PermissionsDataSet->FieldByName(QStringLiteral("GroupID"))->SetAsString(Group());
        PermissionsDataSet->FieldByName(QStringLiteral("ProgID"))->SetAsString(object);
        PermissionsDataSet->FieldByName(QStringLiteral("Descript"))
            ->SetAsString(CandidatesDataSet->FieldByName(QStringLiteral("Descript"))->AsString());
        // A new permission only reads until it is switched.
        PermissionsDataSet->FieldByName(kCanApply)->SetAsInteger(0);
        PermissionsDataSet->Post();
    } catch (...) {
        PermissionsDataSet->Cancel();
        throw;
    }
}

void TJobPermissionsForm::ActSwitchApplyExecute() {
    QList<TBookmark> rows = gridActive->SelectedRows();
    if (rows.isEmpty() && !PermissionsDataSet->IsEmpty())
        rows << PermissionsDataSet->GetBookmark();
    for (TBookmark b : rows) {
        if (!PermissionsDataSet->BookmarkValid(b))
            continue;
        PermissionsDataSet->GotoBookmark(b);
        TField *apply = PermissionsDataSet->FieldByName(kCanApply);
        PermissionsDataSet->Edit();
        apply->SetAsInteger(apply->AsInteger() != 0 ? 0 : 1);
        PermissionsDataSet->Post();
    }
    gridActive->ClearSelection();
    if (AutoConfirm())
        DataApplyUpdateExecute();
    OpCtrl();
}

void TJobPermissionsForm::DoDataApplyUpdates() {
    if (!PermissionsDataSet->Active())
        return;
    if (PermissionsDataSet->ChangeCount() > 0)
        PermissionsDataSet->ApplyUpdates(0);
    // The group as the server now has it (unless some changes wait to be confirmed again).
    CandidatesDataSet->Close();
    CandidatesDataSet->Open();
    if (PermissionsDataSet->ChangeCount() == 0) {
        PermissionsDataSet->Close();
        PermissionsDataSet->Open();
    }
}

void TJobPermissionsForm::DoDataCancelUpdates() {
    if (PermissionsDataSet->Active())
        PermissionsDataSet->CancelUpdates();
}

void TJobPermissionsForm::OpCtrl() {
    TDualGridForm::OpCtrl();
    if (!PermissionsDataSet)
        return;
    const bool open = PermissionsDataSet->Active();
    ActSwitchApply->setEnabled(open && !PermissionsDataSet->IsEmpty());
    const bool changes = open && PermissionsDataSet->ChangeCount() > 0;
    SetEnabledApply(changes);
    DataCancelUpdate->setEnabled(changes);
}

void TJobPermissionsForm::FormClose(TCloseAction &action) {
    SettlePending();
    TDualGridForm::FormClose(action);
}

#include "uChangeDataForm.h"

#include "ClientDataSet.h"
#include "DBCheckListBox.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "Fields.h"

#include <QGroupBox>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

TChangeDataForm::TChangeDataForm(QWidget *parent)
    : TSingalTBForm(parent), FOperations(
                                 this, [this] { OpCtrl(); },
                                 [this](TDataSet *) {
                                     if (FAutoConfirm)
                                         DataApplyUpdateExecute();
                                 }) {
    setObjectName(QStringLiteral("ChangeDataForm"));
    SetCaption(QStringLiteral("變更設定標準Form"));

    Splitter1 = new QSplitter(Qt::Horizontal, gbEdit);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    dbclbFields = new TDBCheckListBox(Splitter1);
    dbclbFields->setObjectName(QStringLiteral("dbclbFields"));
    dbclbFields->SetDataSource(ActiveSource);
    dbclbFields->SetAutoRefresh(true);
    dbclbFields->OnClickCheck = [this](TDBCheckListBox *s) { dbclbFieldsClickCheck(s); };
    GridActive = new TDBGrid(Splitter1);
    GridActive->setObjectName(QStringLiteral("GridActive"));
    GridActive->SetReadOnly(true);
    GridActive->SetMultiSelect(true);
    GridActive->SetDataSource(ActiveSource);
    GridActive->OnSelectionChange = [this](TDBGrid *) { OpCtrl(); };
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({140, 500});
    auto *edit = new QVBoxLayout(gbEdit);
    edit->addWidget(Splitter1);

    auto action = [this](const char *name, const QString &caption) {
        auto *a =
            new TAction(this, QString::fromLatin1(name), QStringLiteral("DataChange"), caption);
        a->setEnabled(false);
        a->setVisible(false);
        return a;
    };
    ActSelectClear = action("ActSelectClear", QStringLiteral("取消選取"));
    ActSelectAll = action("ActSelectAll", QStringLiteral("全選"));
    ActChangeData = action("ActChangeData", QStringLiteral("變更設定"));
    ActSelectClear->OnExecute = [this] { ActSelectClearExecute(); };
    ActSelectAll->OnExecute = [this] { ActSelectAllExecute(); };
    DataEditPopupMenu->clear();
    DataEditPopupMenu->addAction(ActChangeData);
    DataEditPopupMenu->addSeparator();
    DataEditPopupMenu->addAction(ActSelectAll);
    DataEditPopupMenu->addAction(ActSelectClear);
    for (QWidget *w : std::initializer_list<QWidget *>{dbclbFields, GridActive}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &pos) { DataEditPopupMenu->popup(w->mapToGlobal(pos)); });
    }
    OpCtrl();
}

TChangeDataForm::~TChangeDataForm() {
    dbclbFields->OnClickCheck = nullptr;
    GridActive->OnSelectionChange = nullptr;
}

void TChangeDataForm::DoFormInitial() {
    TSingalTBForm::DoFormInitial();
    FAutoConfirm = true;
}

void TChangeDataForm::ActSelectAllExecute() {
    TClientDataSet *d = ActiveClientDataSet();
    if (d && d->Active())
        FOperations.GridSelectAll(GridActive, {});
}

void TChangeDataForm::ActSelectClearExecute() {
    GridActive->ClearSelection();
    OpCtrl();
}

void TChangeDataForm::SelectRowsDataChange(const std::function<void(TDataSet *)> &proc) {
    TClientDataSet *d = ActiveClientDataSet();
    if (d && d->Active())
        FOperations.GridSelectedUpdate(GridActive, proc);
}

void TChangeDataForm::dbclbFieldsClickCheck(TDBCheckListBox *sender) {
    ShowCheckedField(sender);
}

void TChangeDataForm::OpCtrl() {
    TSingalTBForm::OpCtrl();
    TClientDataSet *d = ActiveClientDataSet();
    const bool open = d && d->Active();
    const bool clear = open && GridActive && GridActive->SelectedCount() > 0;
    if (!ActSelectClear)
        return;
    ActSelectClear->setEnabled(clear);
    ActSelectAll->setEnabled(open && !d->IsEmpty());
    ActChangeData->setEnabled(clear);
}

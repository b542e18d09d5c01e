#include "uStdChangeClassForm.h"

#include "ClientDataSet.h"
#include "DBActions.h"
#include "CodeTableCDS.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uStudentFields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>

TStdChangeClassForm::TStdChangeClassForm() {
    setObjectName(QStringLiteral("StdChangeClassForm"));
    SetCaption(QStringLiteral("學生班級狀態變更"));
    resize(900, 600);
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadStudentINTF"));
    ActiveDataSet->SetProviderName(QStringLiteral("dspStdBasic"));
    DefineStudentFields(ActiveDataSet);
    ShowStudentCodesByName(this, ActiveDataSet);

    auto *selection = static_cast<QHBoxLayout *>(plDataSelection->layout());
    auto combo = [&](const char *name, const QString &label, const char *category,
                     const QString &none) {
        auto *caption = new QLabel(label, plDataSelection);
        TLUMDBCodeComboBox *c = CodeCriterion(plDataSelection, CodeTableMainSource, name,
                                              QLatin1String(category), none);
        caption->setBuddy(c);
        selection->insertWidget(selection->count() - 1, caption);
        selection->insertWidget(selection->count() - 1, c);
        return c;
    };
    cbShowClass =
        combo("cbShowClass", QStringLiteral("顯示班級:"), "st_CLASS", QStringLiteral("(全部)"));
    cbNewClass =
        combo("cbNewClass", QStringLiteral("新班級:"), "st_CLASS", QStringLiteral("(不變更)"));
    cbNewState =
        combo("cbNewState", QStringLiteral("新狀態:"), "st_State", QStringLiteral("(不變更)"));
    lbSelected = new QLabel(plDataSelection);
    lbSelected->setObjectName(QStringLiteral("lbSelected"));
    selection->insertWidget(selection->count() - 1, lbSelected);
    connect(cbShowClass, &QComboBox::currentIndexChanged, this, [this] { ShowClass(); });
    for (TLumCodeComboBox *c : {cbNewClass, cbNewState})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { OpCtrl(); });

    for (QAction *a :
         std::initializer_list<QAction *>{DataRefresh, ActChangeData, ActSelectAll, ActSelectClear,
                                          DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        a->setVisible(true);
    ActChangeData->OnExecute = [this] { ActChangeDataExecute(); };
    ToolBar1->addSeparator();
    for (QAction *a : std::initializer_list<QAction *>{ActSelectAll, ActSelectClear, ActChangeData})
        ToolBar1->addAction(a);
    OpCtrl();
}

TStdChangeClassForm::~TStdChangeClassForm() = default;

void TStdChangeClassForm::DoFormInitial() {
    for (TLUMDBCodeComboBox *c : {cbShowClass, cbNewClass, cbNewState}) {
        const QSignalBlocker quiet(c);
        ChooseNoneIfUnset(c);
    }
    TChangeDataForm::DoFormInitial();
    DataOpenExecute();
}

void TStdChangeClassForm::ShowClass() {
    // Only what is read is filtered: pending changes stay; the selection starts anew.
    const QString code = cbShowClass->GetCode();
    TClientDataSet *d = ActiveDataSet;
    GridActive->ClearSelection();
    d->SetFilter(code.isEmpty() ? QString()
                                : QStringLiteral("ClassID = '%1'")
                                      .arg(QString(code).replace(u'\'', QStringLiteral("''"))));
    d->SetFiltered(!code.isEmpty());
    OpCtrl();
}

void TStdChangeClassForm::ActChangeDataExecute() {
    const QString newClass = cbNewClass->GetCode();
    const QString newState = cbNewState->GetCode();
    if (newClass.isEmpty() && newState.isEmpty())
        throw Exception(QStringLiteral("請先選擇新班級或新狀態"));
    SelectRowsDataChange([&](TDataSet *d) {
        d->Edit();
        if (!newClass.isEmpty())
            d->FieldByName(QStringLiteral("ClassID"))->SetAsString(newClass);
        if (!newState.isEmpty())
            d->FieldByName(QStringLiteral("State"))->SetAsString(newState);
        d->Post();
    });
}

void TStdChangeClassForm::OpCtrl() {
    TChangeDataForm::OpCtrl();
    if (!lbSelected)
        return;
    const int selected = GridActive ? GridActive->SelectedCount() : 0;
    lbSelected->setText(QStringLiteral("已選取 %1 人").arg(selected));
    DataRefresh->setEnabled(ActiveDataSet->Active());
}

#include "uBaseTBQueryFormCDS.h"

#include "ClientDataSet.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "uGenSQLWhere.h"

#include <QToolBar>

TBaseTBQueryFormCDS::TBaseTBQueryFormCDS(QWidget *parent) : TQueryFormBase(parent) {
    setObjectName(QStringLiteral("BaseTBQueryFormCDS"));
    QueryDataSet = new TClientDataSet(this);
    QueryDataSet->SetName(QStringLiteral("QueryDataSet"));
    HookDataSet(QueryDataSet);
    ActiveSource->SetDataSet(QueryDataSet);
    GenSQLWhere = new TGenSQLWhere(this);
    GenSQLWhere->SetName(QStringLiteral("GenSQLWhere"));
    // The two dividers of the table form's tool bar stay out of a query form.
    btnDivider1->setVisible(false);
    btnDivider2->setVisible(false);
    OpCtrl();
}

TBaseTBQueryFormCDS::~TBaseTBQueryFormCDS() {
    QueryDataSet->AfterScroll = nullptr;
    QueryDataSet->BeforePost = nullptr;
}

void TBaseTBQueryFormCDS::DoFormInitial() {
    DataFilterDialog->SetCaption(Caption());
    TQueryFormBase::DoFormInitial();
}

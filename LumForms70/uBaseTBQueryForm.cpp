#include "uBaseTBQueryForm.h"

#include "ClientDataSet.h"
#include "DataSource.h"

TBaseTBQueryForm::TBaseTBQueryForm(QWidget *parent) : TQueryFormBase(parent) {
    ActiveDataSet = new TClientDataSet(this);
    ActiveDataSet->SetName(QStringLiteral("ActiveDataSet"));
    HookDataSet(ActiveDataSet);
    ActiveSource->SetDataSet(ActiveDataSet);
    OpCtrl();
}

TBaseTBQueryForm::~TBaseTBQueryForm() {
    ActiveDataSet->AfterScroll = nullptr;
    ActiveDataSet->BeforePost = nullptr;
}

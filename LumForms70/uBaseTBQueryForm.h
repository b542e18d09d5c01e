#pragma once
// TBaseTBQueryForm: the query form on its own dataset, ActiveDataSet.

#include "uQueryFormBase.h"

class TBaseTBQueryForm : public TQueryFormBase {
    Q_OBJECT
public:
    explicit TBaseTBQueryForm(QWidget *parent = nullptr);
    ~TBaseTBQueryForm() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBQueryForm"); }

    TClientDataSet *ActiveDataSet;

    TClientDataSet *GetActiveDataSet() const override { return ActiveDataSet; }
};

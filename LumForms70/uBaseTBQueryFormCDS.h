#pragma once
// TBaseTBQueryFormCDS: the query form on QueryDataSet, reached everywhere through
// GetActiveDataSet so that a job form can put another dataset behind it; with a condition
// builder (GenSQLWhere) for job forms that turn their criteria edits into a WHERE clause. The
// filter form shows the form's caption.

#include "uQueryFormBase.h"

class TGenSQLWhere;

class TBaseTBQueryFormCDS : public TQueryFormBase {
    Q_OBJECT
public:
    explicit TBaseTBQueryFormCDS(QWidget *parent = nullptr);
    ~TBaseTBQueryFormCDS() override;
    QString ClassName() const override { return QStringLiteral("TBaseTBQueryFormCDS"); }

    TClientDataSet *QueryDataSet;
    TGenSQLWhere *GenSQLWhere;

    TClientDataSet *GetActiveDataSet() const override { return QueryDataSet; }
    void DoFormInitial() override;
};

#pragma once
// The budget plans, shared by every dataset of their class in the process: the plans of the
// fiscal years and the case plans under them.

#include "uSystemTable.h"

// "YearBudgetIDXProvider" of "SrvBudget.SrvBudgetQueryINTF": PlanNo, PlanName, BrUnit,
// PassFG, CloseCase, OverallFG, Year_ID, Budget.
class TYBudgetIdxCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TYBudgetIdxCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TYBudgetIdxCDS"); }
    TSystemTable *GetSystemTable() override;
};

// "CaseBudgetIDXProvider": PlanNo, PlanName, BrUnit, PassFG, CloseCase, ExPlanNo, Year_ID,
// Budget.
class TCaseBudgetIdxCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TCaseBudgetIdxCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TCaseBudgetIdxCDS"); }
    TSystemTable *GetSystemTable() override;
};

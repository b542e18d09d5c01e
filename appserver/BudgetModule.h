#pragma once
// "SrvBudget.SrvBudgetQueryINTF": the budget plans, read only.
//  - "YearBudgetIDXProvider": the plans of the fiscal years (PlanNo, PlanName, the unit that
//    spends it BrUnit, passed PassFG, closed CloseCase, the school's overall plan OverallFG,
//    the fiscal year and the sum budgeted).
//  - "CaseBudgetIDXProvider": the case plans, each under a year's plan (ExPlanNo).
// Both give the same columns: the year's plans have no ExPlanNo, the cases no OverallFG.

#include "ServerModule.h"

class TBudgetModule : public TServerModule {
public:
    explicit TBudgetModule(const TServerContext &context);
};

#include "BudgetModule.h"

#include "DbTypes.h"

namespace {

// The year's plans carry no parent plan and the case plans no overall flag: both columns are
// there, empty, so that one index serves both.
TProviderDef PlanIndex(const QString &name, const QString &table, const QString &overall,
                       const QString &parent) {
    return {name,
            QStringLiteral("SELECT PlanNo, PlanName, BrUnit, PassFG, CloseCase, %1 AS OverallFG, "
                           "%2 AS ExPlanNo, Year_ID, Budget FROM %3 ORDER BY Year_ID, PlanNo")
                .arg(overall, parent, table),
            table,
            {QStringLiteral("PlanNo")},
            {},
            {{QStringLiteral("PlanNo"), ftString, 20},
             {QStringLiteral("PlanName"), ftString, 80},
             {QStringLiteral("BrUnit"), ftString, 20},
             {QStringLiteral("PassFG"), ftString, 1},
             {QStringLiteral("CloseCase"), ftString, 1},
             {QStringLiteral("OverallFG"), ftString, 1},
             {QStringLiteral("ExPlanNo"), ftString, 20},
             {QStringLiteral("Year_ID"), ftInteger, 0},
             {QStringLiteral("Budget"), ftFloat, 0}},
            true};
}

} // namespace

TBudgetModule::TBudgetModule(const TServerContext &context)
    : TServerModule(
          context,
          {PlanIndex(QStringLiteral("YearBudgetIDXProvider"), QStringLiteral("YearBudgets"),
                     QStringLiteral("OverallFG"), QStringLiteral("CAST(NULL AS VARCHAR(20))")),
           PlanIndex(QStringLiteral("CaseBudgetIDXProvider"), QStringLiteral("CaseBudgets"),
                     QStringLiteral("CAST(NULL AS VARCHAR(1))"), QStringLiteral("ExPlanNo"))}) {}

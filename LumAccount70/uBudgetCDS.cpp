#include "uBudgetCDS.h"

TSystemTable *TYBudgetIdxCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemYBudgetIdx"),
                             QStringLiteral("SrvBudget.SrvBudgetQueryINTF"),
                             QStringLiteral("YearBudgetIDXProvider"));
}

TSystemTable *TCaseBudgetIdxCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemCaseBudgetIdx"),
                             QStringLiteral("SrvBudget.SrvBudgetQueryINTF"),
                             QStringLiteral("CaseBudgetIDXProvider"));
}

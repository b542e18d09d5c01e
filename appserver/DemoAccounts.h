#pragma once
// The demo school's accounts: the chart of account titles, the people and companies it pays or
// is paid by, the budget plans of the fiscal year 113 (the year's plans of the offices and the
// cases under them) and forty balanced vouchers of that year, from the monthly payroll to the
// term's fees and the purchases of the plans. The vouchers before December are checked,
// printed and posted; December's are still open.

class TServerDatabase;

// The fiscal year of the demo accounts (the ROC year 113, the calendar year 2024).
constexpr int kDemoFiscalYear = 113;

void FillDemoAccounts(TServerDatabase &db);

#pragma once
// What the vouchers job needs to print: the fields of voucher items as the job shows and prints
// them (sides and kinds by their names, amounts with thousands separators), the totals of a
// voucher's items, and one voucher of the form's datasets sent to the voucher document.

#include <QString>

class QObject;
class TClientDataSet;
class TDataSet;
class TLumAccPrintVoucher;

// The items of "dspVouchers" (nested) and "dspVoucherItems": item number, side (by its name),
// title code and name, description, unit code and name, payee and its number, related number,
// budget plan, amount. The title's and unit's names come from the server and are never written.
void DefineItemFields(QObject *owner, TClientDataSet *items);

// An amount as the voucher prints it: "1,234,567", cents only when there are some.
QString AmountText(double amount);

struct TVoucherTotals {
    double Debit = 0;
    double Credit = 0;
    int Items = 0;
    bool Balanced() const;
};

// The totals of the items from the current row of `items` on that carry voucher `txNo` (all of
// them with txNo 0); the dataset is left where it was.
TVoucherTotals ItemTotals(TDataSet *items, int txNo = 0);

// Sends the current voucher of `vouchers` with its items (the rows of `items` from the first or
// the current one, as with Continue) to the document.
void PrintVoucher(TLumAccPrintVoucher *module, TDataSet *vouchers, TDataSet *items,
                  const TVoucherTotals &totals, bool Continue);

#pragma once
// "SrvAccGL.ACCGLINTF": the general ledger of the accounting office.
//  - "dspAccTitle": the account titles by number (AccNo, AccName, DC_Mode — the side "D"
//    debit or "C" credit on which the title's balance stands —, ALevel, AParent — the title it
//    sums into), changed by AccNo; a title's number, name and side are required.
//  - "dspVouchers": the vouchers of a fiscal year (parameter Year_ID) with their items nested
//    in "VoucherItems" (the title's and the unit's names read beside their codes). A voucher
//    is written only whole and balanced: once it and its items are written, its debits must
//    add up to its credits, or the voucher is refused and nothing of it stays.
//  - "dspVoucherItems": the items of a year's vouchers from one voucher serial to another
//    (Year_ID, FromNo, ToNo), in voucher and item order, for printing a run of vouchers.
//  - "dspFiscalYears": the fiscal years that have vouchers, newest first, with their count.

#include "ServerModule.h"

class TAccGLModule : public TServerModule {
public:
    explicit TAccGLModule(const TServerContext &context);
};

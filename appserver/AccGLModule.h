#pragma once
// "SrvAccGL.ACCGLINTF": the general ledger of the accounting office. Provider "dspAccTitle":
// the account titles by number (AccNo, AccName, DC_Mode — the side "D" debit or "C" credit on
// which the title's balance stands —, ALevel, AParent — the title it sums into), changed by
// AccNo; a title's number, name and side are required.

#include "ServerModule.h"

class TAccGLModule : public TServerModule {
public:
    explicit TAccGLModule(const TServerContext &context);
};

#pragma once
// "SrvAccTax.AccTaxINTF": the income references of the tax office. Provider "dspIncRef_Orv":
// the people (IDtype "1", by national identity number IDN) and companies (IDtype "2", by
// unified business number BAN) the school pays or is paid by, with the payee's name
// (INCMER_NM), registered address and e-mail, changed by ID — the number itself. A number that
// fails its check is refused; so is removing a payee that vouchers name.

#include "ServerModule.h"

class TAccTaxModule : public TServerModule {
public:
    explicit TAccTaxModule(const TServerContext &context);
};

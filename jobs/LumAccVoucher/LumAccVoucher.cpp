// 會計傳票維護: the vouchers of a fiscal year with their items, confirmed in one batch, and
// printed one by one or in a run. It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uVoucherForm.h"

class TLumAccVoucher : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TVoucherForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumAccVoucher);

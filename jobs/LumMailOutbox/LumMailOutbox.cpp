// The package of the mail outbox ("郵件寄送狀態"): its job form docks into the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uMailOutboxForm.h"

class TLumMailOutbox : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TMailOutboxForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumMailOutbox);

// The package of the reward and punishment notices ("學生獎懲通知單"): its job form docks into
// the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uRewardNotifyForm.h"

class TTqRewardNotify : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TRewardNotifyForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqRewardNotify);

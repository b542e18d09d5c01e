// The package of the absence notices ("學生缺曠課通知單"): its job form docks into the shell.

#include "Packages.h"
#include "uAbsenceNotifyForm.h"
#include "uClientAppControl.h"

class TTqAbsenceNotify : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TAbsenceNotifyForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqAbsenceNotify);

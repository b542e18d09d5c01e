// The package of the weekly absence notices ("學生每週缺曠課通知單"): its job form docks into
// the shell.

#include "Packages.h"
#include "uAbsWeeklyNotifyForm.h"
#include "uClientAppControl.h"

class TTqAbsenceWeeklyNotify : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TAbsWeeklyNotifyForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqAbsenceWeeklyNotify);

// The package of the classes' weekly absence statistics ("班級學生週缺曠課統計表"): its job form
// docks into the shell.

#include "Packages.h"
#include "uClassAbsWeeklyForm.h"
#include "uClientAppControl.h"

class TTqClassAbsWeekly : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TClassAbsWeeklyForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqClassAbsWeekly);

// 權限設定: which server objects each job group may use, and whether it may apply changes
// there. It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uJobPermissionsForm.h"

class TLumJobPermissions : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TJobPermissionsForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumJobPermissions);

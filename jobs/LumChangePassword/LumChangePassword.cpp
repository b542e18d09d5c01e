// The password change job ("密碼變更"): the logged-in user changes the password on the
// security server. It docks into the shell's item area.

#include "Packages.h"
#include "uChangePasswordForm.h"
#include "uClientAppControl.h"

class TLumChangePassword : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TChangePasswordForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumChangePassword);

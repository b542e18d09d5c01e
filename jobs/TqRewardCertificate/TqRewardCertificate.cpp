// The package of "學生獎懲證明": its job form docks into the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uRewardCertificateForm.h"

class TTqRewardCertificate : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TRewardCertificateForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqRewardCertificate);

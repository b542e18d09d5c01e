// The help job ("輔助說明"): the help documents of the job packages, from the version server.
// It docks into the shell's item area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uSYSHelpReadForm.h"

class TLumSYSHelpRead : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TSYSHelpReadForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumSYSHelpRead);

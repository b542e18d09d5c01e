// The notices job ("公告查詢"): the school's notices from the public-information server. It
// docks into the shell's item area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uPublicNewsForm.h"

class TLumPublicNews : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TPublicNewsForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumPublicNews);

// The package of "獎懲建議單及公告單": its job form docks into the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uRewardDocumentsForm.h"

class TTqRewardDocuments : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TRewardDocumentsForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqRewardDocuments);

// The school calendar query ("行事曆查詢"): the start-up job of every user. It docks into the
// shell's item area and shows a month of the school's calendar with the ROC year and the
// school's events of that month.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uUnitActionsQueryForm.h"

class TLumUnitActionsQuery : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TUnitActionsQueryForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumUnitActionsQuery);

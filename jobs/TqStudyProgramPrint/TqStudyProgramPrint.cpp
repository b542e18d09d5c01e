// The package of "學程學門列印": its job form docks into the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStudyProgramPrintForm.h"

class TTqStudyProgramPrint : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStudyProgramPrintForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStudyProgramPrint);

// 學生班級狀態變更: the class or status of the students selected in the grid changed at once and
// confirmed to the academic server in one batch. It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdChangeClassForm.h"

class TTqStdChangeClass : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdChangeClassForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdChangeClass);

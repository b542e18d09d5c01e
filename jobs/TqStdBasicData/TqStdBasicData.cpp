// 學生基本資料維護: the students' basic data of the academic server, edited in briefcase style and
// confirmed in one batch. It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdBasicForms.h"

class TTqStdBasicData : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdBasicDataForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdBasicData);

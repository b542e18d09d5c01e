// 學生基本資料(單筆): the students' basic data of the academic server, edited in briefcase style
// and confirmed in one batch. It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdBasicForms.h"

class TTqStdBasicByNo : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdBasicByNoForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdBasicByNo);

// The package of students per class ("各班人數統計"): its job form docks into the shell's main
// area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdClassChartForm.h"

class TTqStdClassChart : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdClassChartForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdClassChart);

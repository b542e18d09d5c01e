// The package of the course rosters and sheets ("科目名冊及計分表"): its job form docks into the
// shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uSemCourseSheetsForm.h"

class TTqSemCourseSheets : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TSemCourseSheetsForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqSemCourseSheets);

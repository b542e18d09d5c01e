// 課程批次選課: students found by a query are enrolled in a course in one confirm, removed from
// it, or given one score together. It docks into the shell's first area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uCourseBatchForm.h"

class TTqCourseBatch : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TCourseBatchForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqCourseBatch);

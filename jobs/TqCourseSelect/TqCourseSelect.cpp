// 課程選課作業: students enrolled in a course and removed from it, each move confirmed at once.
// It docks into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uCourseSelectForm.h"

class TTqCourseSelect : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TCourseSelectForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqCourseSelect);

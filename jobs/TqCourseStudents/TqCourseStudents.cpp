// 課程選修學生維護: the courses of a term with their students, confirmed in one batch. It docks
// into the shell's main area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uCourseStudentsForm.h"

class TTqCourseStudents : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TCourseStudentsForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqCourseStudents);

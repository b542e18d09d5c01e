// The package of "學生學程審查": its job form docks into the shell.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uGraduateReviewForm.h"

class TTqGraduateReview : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TGraduateReviewForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqGraduateReview);

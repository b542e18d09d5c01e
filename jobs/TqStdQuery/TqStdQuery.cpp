// 學生資料查詢: the students that meet the criteria, read from the academic server, listed,
// sorted, printed and exported. It docks into the shell's first area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdQueryForm.h"

class TTqStdQuery : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdQueryForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdQuery);

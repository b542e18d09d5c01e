// 學生名冊文字匯出入: the student list of the academic server written to a text file, and text
// files of students read back into it and confirmed in one batch. It docks into the shell's main
// area.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uStdTextTransferForm.h"

class TTqStdTextTransfer : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdTextTransferForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdTextTransfer);

// The index of students on the school roll ("在校生索引表"): number, name, sex, class, seat and
// status of every student, read from the academic server, searched by number or name. It docks
// into the shell's main area, beside the job tree.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uIndexGridForm.h"

namespace {

TIndexGridSetup StdOnSchoolIdxSetup() {
    TIndexGridSetup setup;
    setup.FormName = QStringLiteral("StdOnSchoolIdxForm");
    setup.Caption = QStringLiteral("在校生索引表");
    setup.DockTag = 1;
    setup.ProgID = QStringLiteral("SrvAcademic.AcadStudentINTF");
    setup.ProviderName = QStringLiteral("xStdOnSchoolIdxProvider");
    setup.NumberField = QStringLiteral("StudentID");
    setup.NameField = QStringLiteral("Cht_Name");
    setup.SearchLabel = QStringLiteral("學號或姓名:");
    setup.Fields = {{QStringLiteral("StudentID"), ftString, 10, QStringLiteral("學號")},
                    {QStringLiteral("Cht_Name"), ftString, 40, QStringLiteral("姓名")},
                    {QStringLiteral("SexName"), ftString, 120, QStringLiteral("性別")},
                    {QStringLiteral("ClassName"), ftString, 120, QStringLiteral("班級")},
                    {QStringLiteral("SeatNo"), ftInteger, 0, QStringLiteral("座號")},
                    {QStringLiteral("StateName"), ftString, 120, QStringLiteral("狀態")},
                    {QStringLiteral("ClassID"), ftString, 10, QStringLiteral("班級代碼"), false}};
    return setup;
}

class TStdOnSchoolIdxForm : public TIndexGridForm {
public:
    TStdOnSchoolIdxForm() : TIndexGridForm(StdOnSchoolIdxSetup()) {}
};

} // namespace

class TTqStdOnSchoolIdx : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TStdOnSchoolIdxForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TTqStdOnSchoolIdx);

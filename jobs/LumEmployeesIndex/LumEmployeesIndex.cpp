// The staff index ("員工索引表"): number, name, unit, title and telephone extension of every
// employee, read from the personnel server, searched by number or name. It docks into the
// shell's main area, beside the job tree. "新增人員" takes a new person's name and identity
// number through the new-person dialog; the server gives the number and checks the identity
// number again.

#include "Packages.h"
#include "dlgInsertPerson.h"
#include "uClientAppControl.h"
#include "uIndexGridForm.h"
#include "uJobGuard.h"

#include <QLabel>
#include <QPushButton>

namespace {

TIndexGridSetup EmployeesIndexSetup() {
    TIndexGridSetup setup;
    setup.FormName = QStringLiteral("EmployeesIndexForm");
    setup.Caption = QStringLiteral("員工索引表");
    setup.DockTag = 1;
    setup.ProgID = QStringLiteral("SrvPersonnel.PersonnelINTF");
    setup.ProviderName = QStringLiteral("xEmployeesIdxProvider");
    setup.NumberField = QStringLiteral("EmpID");
    setup.NameField = QStringLiteral("Cht_Name");
    setup.SearchLabel = QStringLiteral("編號或姓名:");
    setup.Fields = {{QStringLiteral("EmpID"), ftString, 10, QStringLiteral("員工編號")},
                    {QStringLiteral("Cht_Name"), ftString, 40, QStringLiteral("姓名")},
                    {QStringLiteral("UnitName"), ftString, 60, QStringLiteral("單位")},
                    {QStringLiteral("Title"), ftString, 40, QStringLiteral("職稱")},
                    {QStringLiteral("Extension"), ftString, 10, QStringLiteral("分機")},
                    {QStringLiteral("UnitID"), ftString, 20, QStringLiteral("單位代碼"), false}};
    return setup;
}

// The personnel server's method that adds a person: (name, identity number, unit) -> number.
constexpr int kAddEmployee = 1;

class TEmployeesIndexForm : public TIndexGridForm {
public:
    TEmployeesIndexForm() : TIndexGridForm(EmployeesIndexSetup()) {
        btnAddPerson = AddToolButton(QStringLiteral("btnAddPerson"), QStringLiteral("新增人員"));
        connect(btnAddPerson, &QPushButton::clicked, this,
                [this] { RunGuarded([this] { AddPerson(); }); });
    }

    QPushButton *btnAddPerson = nullptr;

private:
    void AddPerson() {
        QString name, idNo;
        if (!GetNewPersonValidate(name, idNo))
            return;
        const QString empId =
            VarToStr(ServerData->Call(kAddEmployee, {Variant(name), Variant(idNo), Variant()}));
        RefreshAndLocate(empId);
        lblStatus->setText(QStringLiteral("已新增 %1 %2").arg(empId, name));
    }
};

} // namespace

class TLumEmployeesIndex : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TEmployeesIndexForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumEmployeesIndex);

// The index of budget plans ("預算計畫索引"): the plans of the fiscal years and, with "個案計畫"
// checked, the case plans under them, searched by plan number or name. "帶入傳票" hands the
// chosen plan to the open forms (the vouchers job puts it into the item being edited).

#include "Fields.h"
#include "Packages.h"
#include "StatelessDataSet.h"
#include "uAccountMessages.h"
#include "uClientAppControl.h"
#include "uIndexGridForm.h"
#include "uJobGuard.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

TIndexGridSetup BudgetIndexSetup() {
    TIndexGridSetup setup;
    setup.FormName = QStringLiteral("BudgetIndexForm");
    setup.Caption = QStringLiteral("預算計畫索引");
    setup.DockTag = 1;
    setup.ProgID = QStringLiteral("SrvBudget.SrvBudgetQueryINTF");
    setup.ProviderName = QStringLiteral("YearBudgetIDXProvider");
    setup.NumberField = QStringLiteral("PlanNo");
    setup.NameField = QStringLiteral("PlanName");
    setup.SearchLabel = QStringLiteral("計畫編號或名稱:");
    setup.Fields = {{QStringLiteral("PlanNo"), ftString, 20, QStringLiteral("計畫編號")},
                    {QStringLiteral("PlanName"), ftString, 80, QStringLiteral("計畫名稱")},
                    {QStringLiteral("BrUnit"), ftString, 20, QStringLiteral("執行單位")},
                    {QStringLiteral("Year_ID"), ftInteger, 0, QStringLiteral("年度")},
                    {QStringLiteral("Budget"), ftFloat, 0, QStringLiteral("預算金額")},
                    {QStringLiteral("PassFG"), ftString, 1, QStringLiteral("通過")},
                    {QStringLiteral("CloseCase"), ftString, 1, QStringLiteral("結案")},
                    {QStringLiteral("OverallFG"), ftString, 1, QStringLiteral("全校")},
                    {QStringLiteral("ExPlanNo"), ftString, 20, QStringLiteral("所屬計畫")}};
    return setup;
}

class TBudgetIndexForm : public TIndexGridForm {
public:
    TBudgetIndexForm() : TIndexGridForm(BudgetIndexSetup()) {
        chkCases = new QCheckBox(QStringLiteral("個案計畫"), this);
        chkCases->setObjectName(QStringLiteral("chkCases"));
        AddToolWidget(chkCases);
        btnSend = AddToolButton(QStringLiteral("btnSend"), QStringLiteral("帶入傳票"));
        connect(btnSend, &QPushButton::clicked, this, [this] { RunGuarded([this] { Send(); }); });
        connect(chkCases, &QCheckBox::toggled, this, [this](bool cases) {
            RunGuarded([this, cases] {
                auto *index = static_cast<TStatelessCDataSet *>(IndexCDS);
                index->Close();
                index->SetProviderName(cases ? QStringLiteral("CaseBudgetIDXProvider")
                                             : QStringLiteral("YearBudgetIDXProvider"));
                RefreshIndex();
            });
        });
        IndexCDS->FieldByName(QStringLiteral("Budget"))->SetDisplayFormat(QStringLiteral("#,##0"));
    }
    QCheckBox *chkCases;
    QPushButton *btnSend;

private:
    // The chosen plan to the open forms: a year's plan or a case plan.
    void Send() {
        if (!IndexCDS->Active() || IndexCDS->IsEmpty())
            return;
        const auto text = [this](const char *name) {
            TField *f = IndexCDS->FindField(QLatin1String(name));
            return f ? f->AsString() : QString();
        };
        if (chkCases->isChecked())
            CaseBudgetIDSender(text("PlanNo"), text("PlanName"), text("BrUnit"), text("PassFG"),
                               text("CloseCase"), text("ExPlanNo"));
        else
            YearBudgetIDSender(text("PlanNo"), text("PlanName"), text("BrUnit"), text("PassFG"),
                               text("CloseCase"), text("OverallFG"));
    }
};

} // namespace

class TLumBudgetIndex : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TBudgetIndexForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumBudgetIndex);

// The index of account titles ("會計科目索引"): the chart of accounts of the general ledger, by
// number, with each title's side, level and the title it sums into, searched by number or name.
// It docks into the shell's main area, beside the job tree.

#include "Packages.h"
#include "uClientAppControl.h"
#include "uIndexGridForm.h"

namespace {

TIndexGridSetup AccTitleIndexSetup() {
    TIndexGridSetup setup;
    setup.FormName = QStringLiteral("AccTitleIndexForm");
    setup.Caption = QStringLiteral("會計科目索引");
    setup.DockTag = 1;
    setup.ProgID = QStringLiteral("SrvAccGL.ACCGLINTF");
    setup.ProviderName = QStringLiteral("dspAccTitle");
    setup.NumberField = QStringLiteral("AccNo");
    setup.NameField = QStringLiteral("AccName");
    setup.SearchLabel = QStringLiteral("科目代號或名稱:");
    setup.Fields = {{QStringLiteral("AccNo"), ftString, 12, QStringLiteral("科目代號")},
                    {QStringLiteral("AccName"), ftString, 60, QStringLiteral("科目名稱")},
                    {QStringLiteral("DC_Mode"), ftString, 1, QStringLiteral("借貸")},
                    {QStringLiteral("ALevel"), ftInteger, 0, QStringLiteral("層級")},
                    {QStringLiteral("AParent"), ftString, 12, QStringLiteral("上層科目")}};
    return setup;
}

class TAccTitleIndexForm : public TIndexGridForm {
public:
    TAccTitleIndexForm() : TIndexGridForm(AccTitleIndexSetup()) {}
};

} // namespace

class TLumAccTitleIndex : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TAccTitleIndexForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumAccTitleIndex);

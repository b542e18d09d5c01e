// The index of payees ("所得人索引"): the people and companies the school pays or is paid by,
// searched by identity or business number or by name. "帶入傳票" hands the chosen payee to
// the open forms (the vouchers job puts it into the item being edited).

#include "Fields.h"
#include "Packages.h"
#include "uAccountMessages.h"
#include "uClientAppControl.h"
#include "uIndexGridForm.h"
#include "uJobGuard.h"

#include <QPushButton>

namespace {

TIndexGridSetup IncRefIndexSetup() {
    TIndexGridSetup setup;
    setup.FormName = QStringLiteral("IncRefIndexForm");
    setup.Caption = QStringLiteral("所得人索引");
    setup.DockTag = 1;
    setup.ProgID = QStringLiteral("SrvAccTax.AccTaxINTF");
    setup.ProviderName = QStringLiteral("dspIncRef_Orv");
    setup.NumberField = QStringLiteral("ID");
    setup.NameField = QStringLiteral("INCMER_NM");
    setup.SearchLabel = QStringLiteral("證號或名稱:");
    setup.Fields = {{QStringLiteral("ID"), ftString, 10, QStringLiteral("證號")},
                    {QStringLiteral("INCMER_NM"), ftString, 60, QStringLiteral("姓名或名稱")},
                    {QStringLiteral("IDtype"), ftString, 1, QStringLiteral("類別")},
                    {QStringLiteral("HOUHLD_ADDR_X60"), ftString, 120, QStringLiteral("地址")},
                    {QStringLiteral("EMail"), ftString, 80, QStringLiteral("電子郵件")},
                    {QStringLiteral("BAN"), ftString, 8, QStringLiteral("統一編號"), false},
                    {QStringLiteral("IDN"), ftString, 10, QStringLiteral("身分證號"), false}};
    return setup;
}

class TIncRefIndexForm : public TIndexGridForm {
public:
    TIncRefIndexForm() : TIndexGridForm(IncRefIndexSetup()) {
        btnSend = AddToolButton(QStringLiteral("btnSend"), QStringLiteral("帶入傳票"));
        connect(btnSend, &QPushButton::clicked, this, [this] { RunGuarded([this] { Send(); }); });
        IndexCDS->FieldByName(QStringLiteral("IDtype"))->OnGetText = [](TField *f, QString &text,
                                                                        bool) {
            text = f->AsString() == QLatin1String("1")   ? QStringLiteral("個人")
                   : f->AsString() == QLatin1String("2") ? QStringLiteral("公司")
                                                         : f->AsString();
        };
    }
    QPushButton *btnSend;

private:
    // The chosen payee to the open forms.
    void Send() {
        if (!IndexCDS->Active() || IndexCDS->IsEmpty())
            return;
        const auto text = [this](const char *name) {
            return IndexCDS->FieldByName(QLatin1String(name))->AsString();
        };
        INCREFIDSender(text("BAN"), text("IDN"), text("INCMER_NM"), text("HOUHLD_ADDR_X60"),
                       text("ID"), text("IDtype"), text("EMail"));
    }
};

} // namespace

class TLumIncRefIndex : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TIncRefIndexForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumIncRefIndex);

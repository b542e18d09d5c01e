#include "uVoucherPrint.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Fields.h"
#include "uLumAccPrintVoucher.h"

#include <cmath>

void DefineItemFields(QObject *owner, TClientDataSet *items) {
    const struct {
        TFieldType Type;
        const char *Name;
        int Size;
        const char *Label;
        bool Visible;
    } fields[] = {{ftInteger, "Year_ID", 0, "會計年度", false},
                  {ftInteger, "Tx_No", 0, "傳票序號", false},
                  {ftInteger, "TxD_No", 0, "項次", true},
                  {ftString, "DC_Mode", 1, "借貸", true},
                  {ftString, "AccNo", 12, "科目代號", true},
                  {ftString, "AccName", 60, "科目名稱", true},
                  {ftString, "Description", 100, "摘要", true},
                  {ftString, "DepNo", 20, "單位代號", false},
                  {ftString, "DepName", 30, "單位部門", true},
                  {ftString, "Target", 50, "對象", true},
                  {ftString, "TargetID", 10, "對象證號", true},
                  {ftString, "SRC_No", 50, "相關號碼", true},
                  {ftString, "PlanNo", 20, "預算計畫", true},
                  {ftFloat, "Amount", 0, "金額", true},
                  {ftString, "DC_Type", 1, "借貸別", false},
                  {ftString, "Ctrl_type", 2, "控制類別", false}};
    for (const auto &f : fields) {
        TField *field = items->AddField(f.Type, QLatin1String(f.Name), f.Size);
        field->SetDisplayLabel(QString::fromUtf8(f.Label));
        field->SetVisible(f.Visible);
    }
    for (const char *key : {"Year_ID", "Tx_No", "TxD_No"})
        items->FieldByName(QLatin1String(key))->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
    // Read from the titles and the units by the server: shown, never written or compared.
    for (const char *joined : {"AccName", "DepName"}) {
        TField *field = items->FieldByName(QLatin1String(joined));
        field->SetProviderFlags(0);
        field->SetReadOnly(true);
    }
    items->FieldByName(QStringLiteral("TxD_No"))->SetReadOnly(true);
    ShowCodeByName(owner, items->FieldByName(QStringLiteral("DC_Mode")),
                   QStringLiteral("AcDCType"));
    items->FieldByName(QStringLiteral("Amount"))->SetDisplayFormat(QStringLiteral("#,##0.##"));
}

QString AmountText(double amount) {
    return FormatFloat(QStringLiteral("#,##0.##"), amount);
}

bool TVoucherTotals::Balanced() const {
    return std::llround(Debit * 100) == std::llround(Credit * 100);
}

TVoucherTotals ItemTotals(TDataSet *items, int txNo) {
    TVoucherTotals totals;
    if (!items->Active() || items->IsEmpty())
        return totals;
    const TBookmark here = items->GetBookmark();
    items->DisableControls();
    try {
        TField *serial = items->FieldByName(QStringLiteral("Tx_No"));
        TField *side = items->FieldByName(QStringLiteral("DC_Mode"));
        TField *amount = items->FieldByName(QStringLiteral("Amount"));
        for (; !items->Eof() && (txNo == 0 || serial->AsInteger() == txNo); items->Next()) {
            ++totals.Items;
            (side->AsString() == QLatin1String("C") ? totals.Credit : totals.Debit) +=
                amount->AsFloat();
        }
    } catch (...) {
        items->GotoBookmark(here);
        items->EnableControls();
        throw;
    }
    items->GotoBookmark(here);
    items->EnableControls();
    return totals;
}

void PrintVoucher(TLumAccPrintVoucher *module, TDataSet *vouchers, TDataSet *items,
                  const TVoucherTotals &totals, bool Continue) {
    const auto field = [vouchers](const char *name) {
        return vouchers->FieldByName(QLatin1String(name));
    };
    module->Printing(field("Tx_No")->AsInteger(), field("Create_Date")->AsDateTime(),
                     field("Tx_Date")->AsDateTime(), field("Tx_VoucherNo")->AsString(),
                     field("Tx_Description")->AsString(), field("ArAcType")->DisplayText(),
                     field("Creater")->AsString(), AmountText(totals.Debit),
                     AmountText(totals.Credit), items, Continue);
}

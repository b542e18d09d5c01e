#include "uVoucherPrint.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Fields.h"
#include "uJobControls.h"
#include "uLumAccPrintVoucher.h"

#include <cmath>

void DefineItemFields(QObject *owner, TClientDataSet *items) {
    const auto f = [](const char *name, TFieldType type, int size, const char *label,
                      bool visible = true) {
        return TJobField{QLatin1String(name), type, size, QString::fromUtf8(label), visible};
    };
    AddJobFields(
        items, {f("Year_ID", ftInteger, 0, "會計年度", false),
                f("Tx_No", ftInteger, 0, "傳票序號", false), f("TxD_No", ftInteger, 0, "項次"),
                f("DC_Mode", ftString, 1, "借貸"), f("AccNo", ftString, 12, "科目代號"),
                f("AccName", ftString, 60, "科目名稱"), f("Description", ftString, 100, "摘要"),
                f("DepNo", ftString, 20, "單位代號", false), f("DepName", ftString, 30, "單位部門"),
                f("Target", ftString, 50, "對象"), f("TargetID", ftString, 10, "對象證號"),
                f("SRC_No", ftString, 50, "相關號碼"), f("PlanNo", ftString, 20, "預算計畫"),
                f("Amount", ftFloat, 0, "金額"), f("DC_Type", ftString, 1, "借貸別", false),
                f("Ctrl_type", ftString, 2, "控制類別", false)});
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

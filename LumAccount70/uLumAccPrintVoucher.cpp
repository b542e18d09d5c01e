#include "uLumAccPrintVoucher.h"

#include "ClientDataSet.h"
#include "DataSource.h"
#include "Fields.h"
#include "Packages.h"
#include "WordApplication.h"
#include "uDocuReport.h"
#include "uOrganization.h"

namespace {

// Word's visibility put back as it was when the guard goes, whatever happened meanwhile.
class TWordHidden {
public:
    explicit TWordHidden(TDocuReport *report) : FReport(report), FVisible(report->Visible()) {
        FReport->SetVisible(false);
    }
    ~TWordHidden() {
        try {
            FReport->SetVisible(FVisible);
        } catch (...) {
            // Showing the document is not what failed; the caller hears of the first error.
        }
    }
    TWordHidden(const TWordHidden &) = delete;
    TWordHidden &operator=(const TWordHidden &) = delete;

private:
    TDocuReport *FReport;
    bool FVisible;
};

QString DisplayText(TDataSet *dataSet, const char *field) {
    TField *f = dataSet->FindField(QLatin1String(field));
    return f ? f->DisplayText() : QString();
}

} // namespace

TLumAccPrintVoucher::TLumAccPrintVoucher(QObject *owner)
    : TComponent(owner), DocuReport(new TDocuReport(this)), WRMultiLabel(new TWRMultiLabel(this)),
      wrItems(new TDBWRTableIndex(this)), PrintItems(new TClientDataSet(this)),
      PrintItemsSource(new TDataSource(this)) {
    DocuReport->SetName(QStringLiteral("DocuReport"));
    DocuReport->SetOptions(TWReportOptions(InsertPageBreak));
    DocuReport->SetSaveAction(saSaveChanges);
    WRMultiLabel->SetName(QStringLiteral("WRMultiLabel"));
    WRMultiLabel->SetDocuReport(DocuReport);
    // A label whose bookmark the template lacks is left out.
    WRMultiLabel->SetOptions(AutoSend);
    WRMultiLabel->BeforeToWord = [this](TWRObject *) {
        WRMultiLabel->Labels().Clear();
        SetFormLabels();
    };
    PrintItems->SetName(QStringLiteral("PrintItems"));
    PrintItemsSource->SetName(QStringLiteral("PrintItemsSource"));
    PrintItemsSource->SetDataSet(PrintItems);
    wrItems->SetName(QStringLiteral("wrItems"));
    wrItems->SetDocuReport(DocuReport);
    wrItems->SetDataSource(PrintItemsSource);
    wrItems->SetTableIndex(0);
    wrItems->SetStartRow(3);
    wrItems->SetStartCol(0);
    wrItems->SetPageRows(ItemsPerPage);
    wrItems->SetKeepDataTrack(true);
    wrItems->SetIncludeTitle(false);
    SetDocForm(QStringLiteral("會計傳票.doc"));
}

TLumAccPrintVoucher::~TLumAccPrintVoucher() {
    Destroying();
    WRMultiLabel->BeforeToWord = nullptr;
}

void TLumAccPrintVoucher::SetDocForm(const QString &fileName) {
    DocuReport->SetTemplateName(ProgramFolder() + QStringLiteral("TemplateDocs/") + fileName);
}

void TLumAccPrintVoucher::CreatePrintItems() {
    const struct {
        const char *Name;
        TFieldType Type;
        int Size;
        bool Required;
        const char *Label;
    } fields[] = {
        {"ItemNo", ftInteger, 0, false, "項次"},      {"DC_Mode", ftString, 4, true, "借貸方"},
        {"AccName", ftString, 50, false, "科目"},     {"Description", ftString, 100, true, "摘要"},
        {"DepName", ftString, 30, false, "單位部門"}, {"Target", ftString, 50, false, "對象"},
        {"SRC_No", ftString, 50, false, "相關號碼"},  {"Amount", ftString, 16, false, "金額"}};
    for (const auto &f : fields)
        PrintItems->FieldDefs().Add(QLatin1String(f.Name), f.Type, f.Size, f.Required);
    PrintItems->CreateDataSet();
    for (const auto &f : fields)
        PrintItems->FieldByName(QLatin1String(f.Name))->SetDisplayLabel(QString::fromUtf8(f.Label));
}

void TLumAccPrintVoucher::DataSetInitial(TDataSet *dataSet) {
    if (!PrintItems->Active())
        CreatePrintItems();
    PrintItems->EmptyDataSet();
    dataSet->DisableControls();
    try {
        TField *txNo = dataSet->FieldByName(QStringLiteral("Tx_No"));
        int itemNo = 0;
        while (!dataSet->Eof() && txNo->AsInteger() == FTxNo) {
            PrintItems->Append();
            PrintItems->FieldByName(QStringLiteral("ItemNo"))->SetAsInteger(++itemNo);
            PrintItems->FieldByName(QStringLiteral("DC_Mode"))
                ->SetAsString(DisplayText(dataSet, "DC_Mode"));
            // Credit lines stand two blanks further in.
            const bool credit =
                dataSet->FieldByName(QStringLiteral("DC_Mode"))->AsString() == QLatin1String("C");
            PrintItems->FieldByName(QStringLiteral("AccName"))
                ->SetAsString((credit ? QStringLiteral("  ") : QString()) +
                              dataSet->FieldByName(QStringLiteral("AccNo"))->AsString() +
                              DisplayText(dataSet, "AccName"));
            for (const char *field : {"Description", "DepName", "Target", "SRC_No", "Amount"})
                PrintItems->FieldByName(QLatin1String(field))
                    ->SetAsString(DisplayText(dataSet, field));
            PrintItems->Post();
            dataSet->Next();
        }
    } catch (...) {
        if (PrintItems->IsEditing())
            PrintItems->Cancel();
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
}

void TLumAccPrintVoucher::Printing(int txNo, TDateTime createDate, TDateTime txDate,
                                   const QString &txVoucherNo, const QString &txDescription,
                                   const QString &arAcType, const QString &creater,
                                   const QString &dbAmt, const QString &crAmt, TDataSet *dataSet,
                                   bool Continue) {
    FTxNo = txNo;
    FCreateDate = createDate;
    FTxDate = txDate;
    FTxVoucherNo = txVoucherNo;
    FTxDescription = txDescription;
    FArAcType = arAcType;
    FCreater = creater;
    FDBAmt = dbAmt;
    FCRAmt = crAmt;
    if (!Continue) {
        dataSet->First();
        // A run starts a document of its own.
        DocuReport->Close();
    }
    DataSetInitial(dataSet);
    const int items = PrintItems->RecordCount();
    PrintItems->First();
    // A voucher without items prints one page with an empty table, not as many pages as the
    // voucher before it had.
    DocuReport->SetPages(items > 0 ? (items + ItemsPerPage - 1) / ItemsPerPage : 1);
    TWordHidden hidden(DocuReport);
    DocuReport->SendToWord();
}

void TLumAccPrintVoucher::SetFormLabels() {
    const auto label = [this](const char *name, const QString &value) {
        WRMultiLabel->SetLabelText(QLatin1String(name), value);
    };
    label("OrganizationName", Organization ? Organization->FullName : QString());
    label("PrintDate", DateToStr(Date()));
    label("DB_AMT", FDBAmt);
    label("CR_AMT", FCRAmt);
    label("ArAcType", FArAcType);
    label("Tx_No", QString::number(FTxNo));
    label("Create_Date", DateToStr(FCreateDate));
    label("Tx_VoucherNo", FTxVoucherNo);
    if (FTxDate.Value() != 0)
        label("Tx_Date", DateToStr(FTxDate));
    label("Creater", FCreater);
    label("Tx_Description", FTxDescription);
    label("PageNum",
          QStringLiteral("%1-%2").arg(DocuReport->CurrentPage()).arg(DocuReport->Pages()));
}

void TLumAccPrintVoucher::PrintPreview() {
    DocuReport->PrintPreview();
}

void TLumAccPrintVoucher::PrintOut() {
    DocuReport->PrintOut();
}

void TLumAccPrintVoucher::SaveAs(const QString &fileName) {
    DocuReport->SaveAs(fileName, wdFormatDocument);
}

void TLumAccPrintVoucher::SaveAsPdf(const QString &fileName) {
    DocuReport->SaveAs(fileName, wdFormatPDF);
}

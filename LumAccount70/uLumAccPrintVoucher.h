#pragma once
// TLumAccPrintVoucher: the accounting voucher in Word ("會計傳票.doc" of the program folder's
// TemplateDocs). One call of Printing puts one voucher into the document: its numbers, dates,
// description, kind, maker and totals into the labels, and its items into the template's first
// table below its third row, twelve a page, the template repeated for every further twelve.
// The items are the consecutive rows of the caller's dataset that carry the voucher's Tx_No,
// so that a run of vouchers ordered by Tx_No prints with one call each: the first with
// Continue false (the dataset from its first row, a new document), the others with Continue
// true (from the row the previous call left, added to the same document).
//
// The document made is previewed (the preview window, from which the user prints or saves a
// PDF), printed or saved.

#include "Component.h"
#include "DateTime.h"

#include <QString>

class TClientDataSet;
class TDBWRTableIndex;
class TDataSet;
class TDataSource;
class TDocuReport;
class TWRMultiLabel;

class TLumAccPrintVoucher : public TComponent {
    Q_OBJECT
public:
    explicit TLumAccPrintVoucher(QObject *owner = nullptr);
    ~TLumAccPrintVoucher() override;
    QString ClassName() const override { return QStringLiteral("TLumAccPrintVoucher"); }

    TDocuReport *DocuReport;
    TWRMultiLabel *WRMultiLabel;
    // The items of the page being sent: table 0, below row 3, twelve rows a page, the rows
    // followed from page to page, no title row.
    TDBWRTableIndex *wrItems;
    // ItemNo "項次", DC_Mode "借貸方", AccName "科目", Description "摘要", DepName "單位部門",
    // Target "對象", SRC_No "相關號碼", Amount "金額" (all text but ItemNo).
    TClientDataSet *PrintItems;
    TDataSource *PrintItemsSource;

    static constexpr int ItemsPerPage = 12;

    // The template by its bare file name ("會計傳票.doc").
    void SetDocForm(const QString &fileName);

    // Prints the voucher whose items are the rows of dataSet from its first row (Continue
    // false) or its current row (true) on, while they carry txNo; dataSet is left on the row
    // after them. The dataset offers Tx_No, AccNo, AccName, DC_Mode, Description, DepName,
    // Target, SRC_No and Amount. Word is hidden while the voucher is sent and shown again as
    // it was afterwards, also when sending fails.
    void Printing(int txNo, TDateTime createDate, TDateTime txDate, const QString &txVoucherNo,
                  const QString &txDescription, const QString &arAcType, const QString &creater,
                  const QString &dbAmt, const QString &crAmt, TDataSet *dataSet, bool Continue);
    // The items of the voucher into PrintItems, from dataSet's current row on.
    void DataSetInitial(TDataSet *dataSet);
    // The labels of the page being sent.
    void SetFormLabels();
    void PrintInitial() {}
    void BatchPrint() {}

    // The document made last: the preview window, the printer, a Word or PDF file.
    void PrintPreview();
    void PrintOut();
    void SaveAs(const QString &fileName);
    void SaveAsPdf(const QString &fileName);

private:
    void CreatePrintItems();

    int FTxNo = 0;
    TDateTime FCreateDate;
    TDateTime FTxDate;
    QString FTxVoucherNo;
    QString FTxDescription;
    QString FArAcType;
    QString FCreater;
    QString FDBAmt;
    QString FCRAmt;
};

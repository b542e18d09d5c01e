#pragma once
// 會計傳票維護: the vouchers of a fiscal year, each with its items, on "SrvAccGL.ACCGLINTF"
// ("dspVouchers", the items nested in each voucher). The year is chosen at the top; the
// vouchers are listed with the chosen one's data beside them, its items below with their
// debit and credit totals. Vouchers and items are added, changed and deleted and everything is
// confirmed in one batch; the server refuses a voucher whose debits and credits differ.
//
// The payee of the current item and its budget plan are picked in the accounting indexes,
// which send them here (the payee, the year's or a case's plan); the current voucher and item
// are sent to the other forms as they change. A voucher, or a run of the year's vouchers from
// one serial to another, is printed on the voucher document and shown in the preview window,
// from which it is printed or saved as a PDF.

#include "uMasterDetailTBBaseForm.h"
#include "uVoucherPrint.h"

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QSpinBox;
class TAccTitleCDS;
class TCodeFieldLink;
class TDBGrid;
class TJobServerData;
class TLUMDBCodeComboBox;
class TLumAccPrintVoucher;
class TStatelessCDataSet;
class TTqDBNumEdit;

class TVoucherForm : public TMasterDetailTBBaseForm {
    Q_OBJECT
public:
    TVoucherForm();
    ~TVoucherForm() override;

    QLabel *lbYear;
    QComboBox *cbYear;
    TDBGrid *gridVouchers, *gridItems;
    TTqDBNumEdit *edTx_VoucherNo, *edTx_Date, *edTx_Description;
    TLUMDBCodeComboBox *cbArAcType, *cbPayType;
    // "借方合計 … 貸方合計 …", and whether they differ.
    QLabel *lbTotals;
    QSpinBox *seFromNo, *seToNo;
    TAction *ActMasterEdit = nullptr;
    // "列印傳票": the current voucher; "連續列印": the vouchers from seFromNo to seToNo.
    TAction *ActPrintVoucher = nullptr;
    TAction *ActPrintRun = nullptr;
    // The account titles, shared with every form of the process, for the titles' names.
    TAccTitleCDS *AccTitles;
    // The fiscal years with vouchers, and the items of a run of vouchers to print.
    TJobServerData *LedgerData;
    TStatelessCDataSet *FiscalYears, *RunItems;
    TLumAccPrintVoucher *PrintVoucher;

    // The fiscal year shown (an ROC year).
    int FiscalYear() const;
    void SetFiscalYear(int year);
    // The totals of the current voucher's items.
    TVoucherTotals CurrentTotals() const;

    void DoFormInitial() override;
    void DoDataOpen() override;
    void DoMasterInsert() override;
    void DoDataInsert() override;
    void OpCtrl() override;

    void ActPrintVoucherExecute();
    void ActPrintRunExecute();

private:
    void ActMasterEditExecute();
    void MasterNewRecord(TDataSet *dataSet);
    void DetailNewRecord(TDataSet *dataSet);
    void MasterBeforePost(TDataSet *dataSet);
    void DetailBeforePost(TDataSet *dataSet);
    // The title's name beside a title code typed; false for a code that is no title.
    bool ShowTitleName(TDataSet *items);
    void ShowTotals();
    void SendVoucher();
    void SendItem();
    // A value picked in an index for the current item: the item goes into editing.
    void SetItemFields(const QList<std::pair<QString, QString>> &values);
    // Printing needs the vouchers as the server has them.
    void CheckNothingPending() const;
    void ListFiscalYears();
    std::vector<std::unique_ptr<TCodeFieldLink>> FLinks;
    bool FEditingVoucher = false;
    mutable bool FCounting = false; // the items are being walked for their totals
    int FNextTxNo = 1;
    int FNextItemNo = 1;
    QString FNewSide;
    double FNewAmount = 0;
};

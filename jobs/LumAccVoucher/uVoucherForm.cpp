#include "uVoucherForm.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "StatelessDataSet.h"
#include "uAccountMessages.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uCodeFieldLink.h"
#include "uDocuReport.h"
#include "uJobControls.h"
#include "uJobGuard.h"
#include "uJobServerData.h"
#include "uJxProgressDialog.h"
#include "uLoginUserInfo.h"
#include "uLumAccPrintVoucher.h"
#include "uLumAccUtility.h"
#include "uTqDBNumEdit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

void DefineVoucherFields(QObject *owner, TClientDataSet *vouchers) {
    const auto f = [](const char *name, TFieldType type, int size, const char *label,
                      bool visible = true) {
        return TJobField{QLatin1String(name), type, size, QString::fromUtf8(label), visible};
    };
    AddJobFields(
        vouchers,
        {f("Year_ID", ftInteger, 0, "會計年度", false), f("Tx_No", ftInteger, 0, "序號"),
         f("Tx_VoucherNo", ftString, 20, "傳票號碼"), f("Tx_Date", ftDateTime, 0, "傳票日期"),
         f("Create_Date", ftDateTime, 0, "製票日期", false),
         f("Tx_Description", ftString, 200, "摘要"), f("ArAcType", ftString, 2, "收支類別"),
         f("PayType", ftString, 2, "付款方式"), f("Creater", ftString, 10, "製票人"),
         f("Checked", ftString, 1, "覆核"), f("Printed", ftString, 1, "列印", false),
         f("Posted", ftString, 1, "過帳"), f("Closed_YN", ftString, 1, "結帳", false),
         f("VoucherItems", ftDataSet, 0, "傳票明細", false)});
    for (const char *key : {"Year_ID", "Tx_No"})
        vouchers->FieldByName(QLatin1String(key))
            ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
    for (const char *date : {"Tx_Date", "Create_Date"})
        vouchers->FieldByName(QLatin1String(date))->SetDisplayFormat(QStringLiteral("yyyy/mm/dd"));
    ShowCodeByName(owner, vouchers->FieldByName(QStringLiteral("ArAcType")),
                   QStringLiteral("ArAcType"));
    ShowCodeByName(owner, vouchers->FieldByName(QStringLiteral("PayType")),
                   QStringLiteral("PayType"));
    ShowCodeByName(owner, vouchers->FieldByName(QStringLiteral("Posted")),
                   QStringLiteral("AcPostST"));
}

// The largest value of an integer field over the dataset's records (0 without records); the
// dataset is left where it was.
int LargestOf(TDataSet *dataSet, const char *fieldName) {
    if (!dataSet->Active() || dataSet->IsEmpty())
        return 0;
    const TBookmark here = dataSet->GetBookmark();
    dataSet->DisableControls();
    int largest = 0;
    TField *field = dataSet->FieldByName(QLatin1String(fieldName));
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        largest = std::max(largest, field->AsInteger());
    dataSet->GotoBookmark(here);
    dataSet->EnableControls();
    return largest;
}

int RocYear(TDateTime date) {
    return date.ToDate().year() - 1911;
}

} // namespace

TVoucherForm::TVoucherForm() {
    setObjectName(QStringLiteral("VoucherForm"));
    SetCaption(QStringLiteral("會計傳票維護"));
    SocketConnection->SetServerName(QStringLiteral("SrvAccGL.ACCGLINTF"));
    MasterDataSet->SetProviderName(QStringLiteral("dspVouchers"));
    MasterDataSet->Params().CreateParam(ftInteger, QStringLiteral("Year_ID"));
    DefineVoucherFields(this, MasterDataSet);
    DetailDataSet->SetDataSetField(
        static_cast<TDataSetField *>(MasterDataSet->FieldByName(QStringLiteral("VoucherItems"))));
    DefineItemFields(this, DetailDataSet);

    AccTitles = new TAccTitleCDS(this);
    AccTitles->SetName(QStringLiteral("AccTitles"));
    LedgerData = new TJobServerData(this, QStringLiteral("SrvAccGL.ACCGLINTF"));
    FiscalYears = LedgerData->AddDataSet(QStringLiteral("dspFiscalYears"));
    FiscalYears->SetName(QStringLiteral("FiscalYears"));
    RunItems = LedgerData->AddDataSet(QStringLiteral("dspVoucherItems"));
    RunItems->SetName(QStringLiteral("RunItems"));
    DefineItemFields(this, RunItems);
    for (const char *param : {"Year_ID", "FromNo", "ToNo"})
        RunItems->Params().CreateParam(ftInteger, QLatin1String(param));
    PrintVoucher = new TLumAccPrintVoucher(this);
    PrintVoucher->SetName(QStringLiteral("PrintVoucher"));
    // The document is shown in the preview window, not handed to the desktop's word processor.
    PrintVoucher->DocuReport->SetVisible(false);

    MasterDataSet->OnNewRecord = [this](TDataSet *d) { MasterNewRecord(d); };
    MasterDataSet->BeforePost = [this](TDataSet *d) { MasterBeforePost(d); };
    MasterDataSet->AfterPost = [this](TDataSet *) { FEditingVoucher = false; };
    MasterDataSet->AfterCancel = [this](TDataSet *) { FEditingVoucher = false; };
    DetailDataSet->OnNewRecord = [this](TDataSet *d) { DetailNewRecord(d); };
    DetailDataSet->BeforePost = [this](TDataSet *d) { DetailBeforePost(d); };
    DetailDataSet->FieldByName(QStringLiteral("AccNo"))->OnChange = [this](TField *) {
        ShowTitleName(DetailDataSet);
    };
    MasterSource->OnDataChange = [this](TDataSource *, TField *field) {
        if (!field)
            SendVoucher();
        ShowTotals();
    };
    DetailSource->OnDataChange = [this](TDataSource *, TField *field) {
        if (!field && !FCounting)
            SendItem();
        ShowTotals();
    };

    // The payee and the budget plan picked in the accounting indexes.
    SetMessageHandler(WM_ACCINCREFID, [this](TMessage &m) {
        QString ban, idn, name, address, id, type, mail;
        INCREFIDReceiver(m, ban, idn, name, address, id, type, mail);
        SetItemFields({{QStringLiteral("Target"), name}, {QStringLiteral("TargetID"), id}});
    });
    SetMessageHandler(WM_ACCYEARBUDGETID, [this](TMessage &m) {
        QString planNo, planName, unit, pass, closed, overall;
        YearBudgetIDReceiver(m, planNo, planName, unit, pass, closed, overall);
        SetItemFields({{QStringLiteral("PlanNo"), planNo}});
    });
    SetMessageHandler(WM_ACCCASEBUDGETID, [this](TMessage &m) {
        QString planNo, planName, unit, pass, closed, parent;
        CaseBudgetIDReceiver(m, planNo, planName, unit, pass, closed, parent);
        SetItemFields({{QStringLiteral("PlanNo"), planNo}});
    });

    // The year at the top, beside the read button; the run's serials after it.
    lbYear = new QLabel(QStringLiteral("會計年度:"), plDataSelection);
    cbYear = new QComboBox(plDataSelection);
    cbYear->setObjectName(QStringLiteral("cbYear"));
    lbYear->setBuddy(cbYear);
    seFromNo = new QSpinBox(plDataSelection);
    seFromNo->setObjectName(QStringLiteral("seFromNo"));
    seToNo = new QSpinBox(plDataSelection);
    seToNo->setObjectName(QStringLiteral("seToNo"));
    for (QSpinBox *box : {seFromNo, seToNo})
        box->setRange(1, 99999);
    auto *selection = static_cast<QHBoxLayout *>(plDataSelection->layout());
    selection->insertWidget(0, lbYear);
    selection->insertWidget(1, cbYear);
    selection->insertWidget(3, new QLabel(QStringLiteral("連續列印序號:"), plDataSelection));
    selection->insertWidget(4, seFromNo);
    selection->insertWidget(5, new QLabel(QStringLiteral("至"), plDataSelection));
    selection->insertWidget(6, seToNo);
    // Another year is read at once (changes of the year shown first confirmed or dropped).
    connect(cbYear, &QComboBox::activated, this,
            [this] { RunGuarded([this] { DataOpenExecute(); }); });

    auto *splitter = new QSplitter(Qt::Vertical, ClientPanel);
    auto *top = new QWidget(splitter);
    auto *vouchers = new QGroupBox(QStringLiteral("傳票"), top);
    vouchers->setObjectName(QStringLiteral("gbVouchers"));
    gridVouchers = JobGrid(vouchers, "gridVouchers", MasterSource, true);
    (new QVBoxLayout(vouchers))->addWidget(gridVouchers);
    auto *voucher = new QGroupBox(QStringLiteral("傳票資料"), top);
    voucher->setObjectName(QStringLiteral("gbVoucher"));
    edTx_VoucherNo = JobFieldEdit(voucher, MasterSource, "Tx_VoucherNo");
    edTx_Date = JobFieldEdit(voucher, MasterSource, "Tx_Date");
    edTx_Description = JobFieldEdit(voucher, MasterSource, "Tx_Description");
    cbArAcType = DataCodeList(voucher, "cbArAcType", CodeTableMainSource,
                              QStringLiteral("Main_Code='ArAcType'"), "Code", "Descript");
    cbPayType = DataCodeList(voucher, "cbPayType", CodeTableMainSource,
                             QStringLiteral("Main_Code='PayType'"), "Code", "Descript");
    FLinks.push_back(
        std::make_unique<TCodeFieldLink>(cbArAcType, MasterSource, QStringLiteral("ArAcType")));
    FLinks.push_back(
        std::make_unique<TCodeFieldLink>(cbPayType, MasterSource, QStringLiteral("PayType")));
    auto *form = new QFormLayout(voucher);
    form->addRow(QStringLiteral("傳票號碼:"), edTx_VoucherNo);
    form->addRow(QStringLiteral("傳票日期:"), edTx_Date);
    form->addRow(QStringLiteral("摘要:"), edTx_Description);
    form->addRow(QStringLiteral("收支類別:"), cbArAcType);
    form->addRow(QStringLiteral("付款方式:"), cbPayType);
    auto *topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(vouchers, 3);
    topRow->addWidget(voucher, 2);
    auto *items = new QGroupBox(QStringLiteral("傳票明細"), splitter);
    items->setObjectName(QStringLiteral("gbItems"));
    gridItems = JobGrid(items, "gridItems", DetailSource, false);
    lbTotals = new QLabel(items);
    lbTotals->setObjectName(QStringLiteral("lbTotals"));
    auto *itemsLayout = new QVBoxLayout(items);
    itemsLayout->addWidget(gridItems, 1);
    itemsLayout->addWidget(lbTotals);
    splitter->setSizes({300, 300});
    ClientLayout->addWidget(splitter, 1);
    connect(gridVouchers, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        MasterPopupMenu->popup(gridVouchers->viewport()->mapToGlobal(pos));
    });
    connect(gridItems, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        DataEditPopupMenu->popup(gridItems->viewport()->mapToGlobal(pos));
    });

    MasterInsert->setText(QStringLiteral("新增傳票"));
    MasterInsert->SetHint(QStringLiteral("新增一張傳票"));
    MasterDelete->setText(QStringLiteral("刪除傳票"));
    MasterDelete->SetHint(QStringLiteral("刪除傳票及其明細"));
    ActMasterEdit = new TAction(this, QStringLiteral("ActMasterEdit"), QStringLiteral("Dataset"),
                                QStringLiteral("傳票修改"));
    ActMasterEdit->SetHint(QStringLiteral("修改傳票資料"));
    ActMasterEdit->OnExecute = [this] { ActMasterEditExecute(); };
    MasterPopupMenu->insertAction(MasterDelete, ActMasterEdit);
    DataInsert->SetHint(QStringLiteral("新增一筆傳票明細"));
    DataSetDelete->SetHint(QStringLiteral("刪除傳票明細"));
    ActPrintVoucher = new TAction(this, QStringLiteral("ActPrintVoucher"), QStringLiteral("Print"),
                                  QStringLiteral("列印傳票"));
    ActPrintVoucher->SetHint(QStringLiteral("預覽列印目前的傳票"));
    ActPrintVoucher->OnExecute = [this] { ActPrintVoucherExecute(); };
    ActPrintRun = new TAction(this, QStringLiteral("ActPrintRun"), QStringLiteral("Print"),
                              QStringLiteral("連續列印"));
    ActPrintRun->SetHint(QStringLiteral("預覽列印序號範圍內的傳票"));
    ActPrintRun->OnExecute = [this] { ActPrintRunExecute(); };
    for (QAction *action : std::initializer_list<QAction *>{
             DataRefresh, MasterInsert, MasterDelete, DataInsert, DataEdit, DataSetDelete,
             DataSetPost, DataSetCancel, DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        action->setVisible(true);
    ToolBar1->addSeparator();
    for (QAction *action :
         std::initializer_list<QAction *>{MasterInsert, ActMasterEdit, MasterDelete, DataSetDelete,
                                          ActPrintVoucher, ActPrintRun})
        ToolBar1->addAction(action);
    resize(1000, 680);
    OpCtrl();
}

TVoucherForm::~TVoucherForm() {
    // The datasets' handlers call into this form: they go before its parts do.
    MasterDataSet->OnNewRecord = nullptr;
    MasterDataSet->BeforePost = nullptr;
    MasterDataSet->AfterPost = nullptr;
    MasterDataSet->AfterCancel = nullptr;
    DetailDataSet->OnNewRecord = nullptr;
    DetailDataSet->BeforePost = nullptr;
    MasterSource->OnDataChange = nullptr;
    DetailSource->OnDataChange = nullptr;
    if (TField *accNo = DetailDataSet->FindField(QStringLiteral("AccNo")))
        accNo->OnChange = nullptr;
}

int TVoucherForm::FiscalYear() const {
    return cbYear->currentData().toInt();
}

void TVoucherForm::SetFiscalYear(int year) {
    int index = cbYear->findData(year);
    if (index < 0) {
        cbYear->addItem(QString::number(year), year);
        index = cbYear->count() - 1;
    }
    cbYear->setCurrentIndex(index);
}

void TVoucherForm::ListFiscalYears() {
    // The years with vouchers, newest first, and this year, so that its first voucher can be
    // made; the newest year with vouchers is shown.
    LedgerData->Open(FiscalYears);
    QList<int> years;
    for (FiscalYears->First(); !FiscalYears->Eof(); FiscalYears->Next())
        years << FiscalYears->FieldByName(QStringLiteral("Year_ID"))->AsInteger();
    const int thisYear = RocYear(Date());
    const int shown = years.isEmpty() ? thisYear : years.first();
    if (!years.contains(thisYear))
        years << thisYear;
    std::sort(years.begin(), years.end(), std::greater<int>());
    cbYear->clear();
    for (int year : years)
        cbYear->addItem(QString::number(year), year);
    SetFiscalYear(shown);
}

void TVoucherForm::DoFormInitial() {
    TMasterDetailTBBaseForm::DoFormInitial();
    AccTitles->Open();
    ListFiscalYears();
    DataOpenExecute();
}

void TVoucherForm::DoDataOpen() {
    MasterDataSet->Close();
    MasterDataSet->Params().ParamByName(QStringLiteral("Year_ID")).SetAsInteger(FiscalYear());
    MasterDataSet->Open();
    const int last = LargestOf(MasterDataSet, "Tx_No");
    seFromNo->setValue(1);
    seToNo->setValue(std::max(last, 1));
}

void TVoucherForm::DoMasterInsert() {
    FNextTxNo = LargestOf(MasterDataSet, "Tx_No") + 1;
    FEditingVoucher = true;
    TMasterDetailTBBaseForm::DoMasterInsert();
}

void TVoucherForm::MasterNewRecord(TDataSet *d) {
    const int year = FiscalYear();
    const auto set = [d](const char *name, const Variant &value) {
        d->FieldByName(QLatin1String(name))->SetValue(value);
    };
    set("Year_ID", Variant(year));
    set("Tx_No", Variant(FNextTxNo));
    set("Tx_VoucherNo",
        Variant(QStringLiteral("%1%2").arg(year).arg(FNextTxNo, 4, 10, QLatin1Char('0'))));
    // Today when it falls in the year shown, else the year's first day.
    const TDateTime today = Date();
    set("Tx_Date",
        Variant(RocYear(today) == year ? today : TDateTime::FromDate(QDate(year + 1911, 1, 1))));
    set("Create_Date", Variant(today));
    set("Creater", Variant(CurrentUserInfo ? CurrentUserInfo->ID() : QString()));
    set("ArAcType", Variant(QStringLiteral("3")));
    for (const char *flag : {"Checked", "Printed", "Closed_YN"})
        set(flag, Variant(QStringLiteral("N")));
    set("Posted", Variant(QStringLiteral("0")));
}

void TVoucherForm::DoDataInsert() {
    // The new item balances the voucher: it takes the side that falls short and the amount
    // missing there.
    const TVoucherTotals totals = CurrentTotals();
    FNextItemNo = LargestOf(DetailDataSet, "TxD_No") + 1;
    FNewSide = totals.Debit > totals.Credit ? QStringLiteral("C") : QStringLiteral("D");
    FNewAmount = std::abs(totals.Debit - totals.Credit);
    TMasterDetailTBBaseForm::DoDataInsert();
}

void TVoucherForm::DetailNewRecord(TDataSet *d) {
    for (const char *key : {"Year_ID", "Tx_No"})
        d->FieldByName(QLatin1String(key))
            ->SetValue(MasterDataSet->FieldByName(QLatin1String(key))->Value());
    TField *itemNo = d->FieldByName(QStringLiteral("TxD_No"));
    itemNo->SetReadOnly(false);
    itemNo->SetAsInteger(FNextItemNo);
    itemNo->SetReadOnly(true);
    d->FieldByName(QStringLiteral("DC_Mode"))
        ->SetAsString(FNewSide.isEmpty() ? QStringLiteral("D") : FNewSide);
    d->FieldByName(QStringLiteral("DC_Type"))->SetAsString(FNewSide);
    if (FNewAmount > 0)
        d->FieldByName(QStringLiteral("Amount"))->SetAsFloat(FNewAmount);
    d->FieldByName(QStringLiteral("Description"))
        ->SetAsString(MasterDataSet->FieldByName(QStringLiteral("Tx_Description"))->AsString());
}

bool TVoucherForm::ShowTitleName(TDataSet *items) {
    const QString accNo = items->FieldByName(QStringLiteral("AccNo"))->AsString().trimmed();
    const bool found = AccTitles->Active() && !accNo.isEmpty() &&
                       AccTitles->Locate(QStringLiteral("AccNo"), Variant(accNo), {});
    TField *name = items->FieldByName(QStringLiteral("AccName"));
    name->SetReadOnly(false);
    if (found)
        name->SetAsString(AccTitles->FieldByName(QStringLiteral("AccName"))->AsString());
    else
        name->Clear();
    name->SetReadOnly(true);
    return found;
}

void TVoucherForm::MasterBeforePost(TDataSet *d) {
    if (!FEditingVoucher)
        return; // a change of the voucher's items, written into it
    const TDateTime date = d->FieldByName(QStringLiteral("Tx_Date"))->AsDateTime();
    if (d->FieldByName(QStringLiteral("Tx_Date"))->IsNull()) {
        if (edTx_Date->isVisible())
            edTx_Date->setFocus();
        throw Exception(QStringLiteral("「傳票日期」必須輸入"));
    }
    const int year = d->FieldByName(QStringLiteral("Year_ID"))->AsInteger();
    if (RocYear(date) != year)
        throw Exception(
            QStringLiteral("傳票日期 %1 不在 %2 會計年度內").arg(DateToStr(date)).arg(year));
}

void TVoucherForm::DetailBeforePost(TDataSet *d) {
    const QString accNo = d->FieldByName(QStringLiteral("AccNo"))->AsString().trimmed();
    if (accNo.isEmpty())
        throw Exception(QStringLiteral("「會計科目」必須輸入"));
    if (!ShowTitleName(d))
        throw Exception(QStringLiteral("會計科目 %1 不存在").arg(accNo));
    const QString side = d->FieldByName(QStringLiteral("DC_Mode"))->AsString();
    if (side != QLatin1String("D") && side != QLatin1String("C"))
        throw Exception(QStringLiteral("「借貸」必須是 D (借方) 或 C (貸方)"));
    d->FieldByName(QStringLiteral("DC_Type"))->SetAsString(side);
    if (d->FieldByName(QStringLiteral("Description"))->AsString().trimmed().isEmpty())
        throw Exception(QStringLiteral("「摘要」必須輸入"));
    if (!(d->FieldByName(QStringLiteral("Amount"))->AsFloat() > 0))
        throw Exception(QStringLiteral("「金額」必須大於 0"));
}

TVoucherTotals TVoucherForm::CurrentTotals() const {
    if (!DetailDataSet->Active() || DetailDataSet->IsEditing() || DetailDataSet->IsEmpty())
        return {};
    // The walk over the items tells the data sources when it ends; what they do then must not
    // count again.
    FCounting = true;
    const TBookmark here = DetailDataSet->GetBookmark();
    TVoucherTotals totals;
    DetailDataSet->DisableControls();
    try {
        DetailDataSet->First();
        totals = ItemTotals(DetailDataSet);
        DetailDataSet->GotoBookmark(here);
    } catch (...) {
        DetailDataSet->EnableControls();
        FCounting = false;
        throw;
    }
    DetailDataSet->EnableControls();
    FCounting = false;
    return totals;
}

void TVoucherForm::ShowTotals() {
    if (FCounting || !DetailDataSet->Active() || DetailDataSet->IsEditing())
        return;
    const TVoucherTotals totals = CurrentTotals();
    lbTotals->setText(QStringLiteral("借方合計:%1　貸方合計:%2%3")
                          .arg(AmountText(totals.Debit), AmountText(totals.Credit),
                               totals.Balanced() ? QString() : QStringLiteral("　(借貸不平衡)")));
}

void TVoucherForm::SendVoucher() {
    TClientDataSet *m = MasterDataSet;
    if (!m->Active() || m->IsEmpty() || m->State() != dsBrowse)
        return;
    const auto text = [m](const char *name) {
        return m->FieldByName(QLatin1String(name))->AsString();
    };
    VoucherSender(text("Year_ID"), m->FieldByName(QStringLiteral("Tx_No"))->AsInteger(),
                  m->FieldByName(QStringLiteral("Create_Date"))->AsDateTime(),
                  m->FieldByName(QStringLiteral("Tx_Date"))->AsDateTime(), text("Tx_VoucherNo"),
                  text("Tx_Description"), text("Checked"), text("Printed"), text("Posted"),
                  text("Closed_YN"));
}

void TVoucherForm::SendItem() {
    TClientDataSet *d = DetailDataSet;
    if (!d->Active() || d->IsEmpty() || d->State() != dsBrowse)
        return;
    const auto text = [d](const char *name) {
        return d->FieldByName(QLatin1String(name))->AsString();
    };
    VoucherItemSender(text("Year_ID"), d->FieldByName(QStringLiteral("Tx_No"))->AsInteger(),
                      d->FieldByName(QStringLiteral("TxD_No"))->AsInteger(), text("AccNo"),
                      text("DC_Mode"), text("DC_Type"), text("Ctrl_type"),
                      d->FieldByName(QStringLiteral("Amount"))->AsFloat());
}

void TVoucherForm::SetItemFields(const QList<std::pair<QString, QString>> &values) {
    TClientDataSet *d = DetailDataSet;
    if (!d->Active() || (d->IsEmpty() && !d->IsEditing()))
        return;
    if (!d->IsEditing())
        d->Edit();
    for (const auto &[name, value] : values)
        d->FieldByName(name)->SetAsString(value);
    OpCtrl();
}

void TVoucherForm::OpCtrl() {
    TMasterDetailTBBaseForm::OpCtrl();
    if (!ActMasterEdit)
        return;
    const TClientDataSet *m = MasterDataSet;
    const TClientDataSet *d = DetailDataSet;
    const bool browsing = m->Active() && m->State() == dsBrowse && !d->IsEditing();
    ActMasterEdit->setEnabled(browsing && !m->IsEmpty());
    const bool printable = browsing && !m->IsEmpty() && m->ChangeCount() == 0;
    ActPrintVoucher->setEnabled(printable);
    ActPrintRun->setEnabled(printable);
    // "確定" and "復原" go to the record being edited: an item while one is, else the voucher.
    TDataSource *target = d->Active() && d->IsEditing() ? DetailSource : MasterSource;
    for (TDataSetAction *action : {DataSetPost, DataSetCancel})
        if (action->DataSource() != target)
            action->SetDataSource(target);
}

void TVoucherForm::ActMasterEditExecute() {
    Guarded(
        [this] {
            FEditingVoucher = true;
            MasterDataSet->Edit();
        },
        [this] { OpCtrl(); });
}

void TVoucherForm::CheckNothingPending() const {
    if (MasterDataSet->ChangeCount() > 0 || MasterDataSet->IsEditing() ||
        DetailDataSet->IsEditing())
        throw Exception(QStringLiteral("傳票尚有未確認的異動,請先確認後再列印"));
    if (!MasterDataSet->Active() || MasterDataSet->IsEmpty())
        throw Exception(QStringLiteral("沒有可列印的傳票"));
}

void TVoucherForm::ActPrintVoucherExecute() {
    Guarded(
        [this] {
            CheckNothingPending();
            const TVoucherTotals totals = CurrentTotals();
            const TBookmark here = DetailDataSet->GetBookmark();
            ::PrintVoucher(PrintVoucher, MasterDataSet, DetailDataSet, totals, false);
            if (DetailDataSet->BookmarkValid(here))
                DetailDataSet->GotoBookmark(here);
            PrintVoucher->PrintPreview();
        },
        [this] { OpCtrl(); });
}

void TVoucherForm::ActPrintRunExecute() {
    Guarded(
        [this] {
            CheckNothingPending();
            const int from = seFromNo->value();
            const int to = seToNo->value();
            if (from > to)
                throw Exception(QStringLiteral("連續列印的起始序號不可大於結束序號"));
            RunItems->Params().ParamByName(QStringLiteral("Year_ID")).SetAsInteger(FiscalYear());
            RunItems->Params().ParamByName(QStringLiteral("FromNo")).SetAsInteger(from);
            RunItems->Params().ParamByName(QStringLiteral("ToNo")).SetAsInteger(to);
            LedgerData->Open(RunItems);
            QList<TBookmark> run;
            const TBookmark here = MasterDataSet->GetBookmark();
            MasterDataSet->DisableControls();
            TField *serial = MasterDataSet->FieldByName(QStringLiteral("Tx_No"));
            for (MasterDataSet->First(); !MasterDataSet->Eof(); MasterDataSet->Next())
                if (serial->AsInteger() >= from && serial->AsInteger() <= to)
                    run << MasterDataSet->GetBookmark();
            MasterDataSet->GotoBookmark(here);
            MasterDataSet->EnableControls();
            if (run.isEmpty())
                throw Exception(QStringLiteral("序號 %1 至 %2 沒有傳票").arg(from).arg(to));
            struct TProgressClose {
                ~TProgressClose() { CloseProgressDialog(); }
            } progress;
            MasterDataSet->DisableControls();
            try {
                RunItems->First();
                for (int i = 0; i < run.size(); ++i) {
                    MasterDataSet->GotoBookmark(run[i]);
                    const int txNo = serial->AsInteger();
                    ShowProgressDialog(
                        QStringLiteral("列印傳票 %1 (%2/%3)").arg(txNo).arg(i + 1).arg(run.size()),
                        (i * 100) / run.size());
                    // The run's items of vouchers before this one that the list lacks are
                    // passed over, so that each voucher finds its own.
                    TField *itemSerial = RunItems->FieldByName(QStringLiteral("Tx_No"));
                    while (!RunItems->Eof() && itemSerial->AsInteger() < txNo)
                        RunItems->Next();
                    ::PrintVoucher(PrintVoucher, MasterDataSet, RunItems,
                                   ItemTotals(RunItems, txNo), i > 0);
                }
            } catch (...) {
                MasterDataSet->GotoBookmark(here);
                MasterDataSet->EnableControls();
                throw;
            }
            MasterDataSet->GotoBookmark(here);
            MasterDataSet->EnableControls();
            PrintVoucher->PrintPreview();
        },
        [this] { OpCtrl(); });
}

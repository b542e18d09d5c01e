// 會計傳票維護 against a real server, as the accounting office works it: the newest year's
// vouchers with their items and totals; a voucher of thirteen items entered, each new item
// offered the side and amount that balance it, confirmed and printed on two pages; the payee
// and the budget plan of an item picked in their indexes; an unbalanced voucher refused by the
// server through the reconcile dialog with nothing written; a run of vouchers printed in one
// document; and the accounting index datasets sharing one table per class.

#include "ClientDataSet.h"
#include "DBActions.h"
#include "DBGrid.h"
#include "DBGridModel.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "PrintTestSupport.h"
#include "uBudgetCDS.h"
#include "uDocuReport.h"
#include "uIncRefCDS.h"
#include "uLumAccUtility.h"
#include "uMasterDetailTBBaseForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

namespace {

struct TVoucherJob {
    TMasterDetailTBBaseForm *Form = nullptr;
    TDBGrid *Vouchers = nullptr, *Items = nullptr;
    QComboBox *Year = nullptr;
    QLabel *Totals = nullptr;

    TVoucherJob(TForm *form, const QStringList &errors)
        : Form(qobject_cast<TMasterDetailTBBaseForm *>(form)) {
        if (!Form)
            qFatal("LumAccVoucher.bpl gives no master/detail form: %s",
                   qPrintable(errors.join(u' ')));
        Vouchers = Form->findChild<TDBGrid *>(QStringLiteral("gridVouchers"));
        Items = Form->findChild<TDBGrid *>(QStringLiteral("gridItems"));
        Year = Form->findChild<QComboBox *>(QStringLiteral("cbYear"));
        Totals = Form->findChild<QLabel *>(QStringLiteral("lbTotals"));
        if (!Vouchers || !Items || !Year || !Totals)
            qFatal("the vouchers job lacks its controls");
        Form->resize(1100, 720);
        Form->show();
    }
    TClientDataSet *M() const { return Form->MasterDataSet; }
    TClientDataSet *D() const { return Form->DetailDataSet; }
    TAction *Action(const char *name) const {
        auto *action = Form->findChild<TAction *>(QLatin1String(name));
        if (!action)
            qFatal("the vouchers job has no action %s", name);
        return action;
    }
    static int Column(TDBGrid *grid, const QString &label) {
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == label)
                return c;
        return -1;
    }
    void TypeCell(const QString &label, const QString &text) {
        TDBGridModel *model = Items->Model();
        QVERIFY(model && model->CurrentRow() >= 0);
        QVERIFY(model->setData(model->index(model->CurrentRow(), Column(Items, label)), text));
    }
    // A new voucher with its description, posted.
    void NewVoucher(const QString &description) {
        Form->MasterInsert->trigger();
        QCOMPARE(M()->State(), dsInsert);
        auto *edit = Form->findChild<QLineEdit *>(QStringLiteral("edTx_Description"));
        QVERIFY(edit);
        edit->setFocus();
        TypeText(edit, description);
        ClickToolButton(Form, Form->DataSetPost);
        QCOMPARE(M()->State(), dsBrowse);
    }
    // A new item of that title; the side and amount typed unless the balancing ones offered
    // are taken.
    void AddItem(const QString &accNo, const QString &amount = QString(),
                 const QString &side = QString()) {
        ClickToolButton(Form, Form->DataInsert);
        QCOMPARE(D()->State(), dsInsert);
        TypeCell(QStringLiteral("科目代號"), accNo);
        if (!side.isEmpty())
            TypeCell(QStringLiteral("借貸"), side);
        if (!amount.isEmpty()) {
            TypeCell(QStringLiteral("金額"), amount);
            QCOMPARE(D()->FieldByName("Amount")->AsFloat(), amount.toDouble());
        }
        ClickToolButton(Form, Form->DataSetPost);
        QCOMPARE(D()->State(), dsBrowse);
    }
};

// The pages a run of vouchers prints: a page for every twelve items of each, one at least.
int RunPages(TJobTestBench &bench, int from, int to) {
    int pages = 0;
    for (int txNo = from; txNo <= to; ++txNo) {
        const int items =
            bench
                .Query(QStringLiteral("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = 113 "
                                      "AND Tx_No = %1")
                           .arg(txNo))
                .toInt();
        pages += std::max(1, (items + 11) / 12);
    }
    return pages;
}

} // namespace

class TstAccVoucher : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    int Count(const QString &sql) const { return FBench->Query(sql).toInt(); }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() {
        TAnswer no(QMessageBox::No); // changes a failed test left are dropped
        FBench->CloseJobs();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
    }

    void theNewestYearsVouchersWithTheirTotals() {
        TVoucherJob job(FBench->Run("LumAccVoucher.bpl"), FBench->Errors);
        QCOMPARE(job.Year->currentText(), QStringLiteral("113"));
        QCOMPARE(job.M()->RecordCount(), 40);
        QVERIFY(job.M()->Locate("Tx_No", Variant(1)));
        QCOMPARE(job.D()->RecordCount(),
                 Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = 113 AND Tx_No = 1"));
        const double debit = FBench
                                 ->Query("SELECT SUM(Amount) FROM AccVoucherItems WHERE "
                                         "Year_ID = 113 AND Tx_No = 1 AND DC_Mode = 'D'")
                                 .toDouble();
        QCOMPARE(job.Totals->text(), QStringLiteral("借方合計:%1　貸方合計:%1")
                                         .arg(FormatFloat(QStringLiteral("#,##0.##"), debit)));
        // Sides and kinds by their names.
        QCOMPARE(job.Items->model()
                     ->index(0, TVoucherJob::Column(job.Items, QStringLiteral("借貸")))
                     .data()
                     .toString(),
                 QStringLiteral("借方"));
    }

    void aVoucherOfThirteenItemsConfirmedAndPrinted() {
        TVoucherJob job(FBench->Run("LumAccVoucher.bpl"), FBench->Errors);
        job.NewVoucher(QStringLiteral("購置教學用品"));
        QCOMPARE(job.M()->FieldByName("Tx_No")->AsInteger(), 41);
        QCOMPARE(job.M()->FieldByName("Tx_VoucherNo")->AsString(), QStringLiteral("1130041"));
        for (int i = 0; i < 12; ++i)
            job.AddItem(QStringLiteral("5102"), QStringLiteral("1250"), QStringLiteral("D"));
        // The thirteenth is offered the credit that balances the voucher.
        job.AddItem(QStringLiteral("1102"));
        QCOMPARE(job.D()->FieldByName("DC_Mode")->AsString(), QStringLiteral("C"));
        QCOMPARE(job.D()->FieldByName("Amount")->AsFloat(), 15000.0);
        QCOMPARE(job.D()->FieldByName("AccName")->AsString(), QStringLiteral("銀行存款"));
        QCOMPARE(job.Totals->text(), QStringLiteral("借方合計:15,000　貸方合計:15,000"));
        // Printing waits for the confirm.
        QVERIFY(!job.Action("ActPrintVoucher")->isEnabled());
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = 113 AND Tx_No = 41"),
                 13);
        QCOMPARE(FBench->Query("SELECT Creater FROM AccVouchers WHERE Tx_No = 41").toString(),
                 QStringLiteral("ADMIN"));

        QVERIFY(job.M()->Locate("Tx_No", Variant(41)));
        QVERIFY(job.Action("ActPrintVoucher")->isEnabled());
        job.Action("ActPrintVoucher")->trigger();
        auto *report = job.Form->findChild<TDocuReport *>(QStringLiteral("DocuReport"));
        QVERIFY(report && report->Document());
        // Two pages, the second holding the thirteenth item; the totals on both.
        QCOMPARE(report->Pages(), 2);
        TWordDocument *doc = report->Document();
        QCOMPARE(doc->TableCount(), 4);
        QCOMPARE(doc->Table(3).Cell(4, 1).Text(), QStringLiteral("13"));
        QCOMPARE(doc->Table(3).Cell(4, 3).Text(), QStringLiteral("  1102銀行存款"));
        QCOMPARE(doc->Table(3).Cell(5, 1).Text(), QString());
        for (int table : {1, 3})
            QCOMPARE(doc->Table(table).Cell(16, 5).Text(), QStringLiteral("15,000"));
        QCOMPARE(doc->Table(3).Cell(1, 7).Text(), QStringLiteral("2-2"));
        if (!HasOfficeSuite())
            QSKIP("the office suite (soffice) is not installed");
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        TPdfPreviewForm *preview = OpenPreview();
        QVERIFY(preview);
        QCOMPARE(preview->PageCount(), 2);
        const QString text = PdfText(preview->PdfPath());
        QVERIFY2(text.contains(QStringLiteral("1130041")), qPrintable(text));
        preview->close();
    }

    void thePayeeAndThePlanComeFromTheIndexes() {
        TVoucherJob job(FBench->Run("LumAccVoucher.bpl"), FBench->Errors);
        job.NewVoucher(QStringLiteral("支付保全費"));
        job.AddItem(QStringLiteral("5102"), QStringLiteral("8000"));
        TForm *payees = FBench->Run("LumIncRefIndex.bpl");
        QVERIFY(payees);
        payees->show();
        auto *search = payees->findChild<QLineEdit *>(QStringLiteral("edSearch"));
        QVERIFY(search);
        TypeText(search, QStringLiteral("安心保全"));
        const QString payee =
            FBench->Query("SELECT ID FROM IncomeRefs WHERE INCMER_NM = '安心保全股份有限公司'")
                .toString();
        QTest::mouseClick(payees->findChild<QPushButton *>(QStringLiteral("btnSend")),
                          Qt::LeftButton);
        QCOMPARE(job.D()->State(), dsEdit);
        QCOMPARE(job.D()->FieldByName("Target")->AsString(),
                 QStringLiteral("安心保全股份有限公司"));
        QCOMPARE(job.D()->FieldByName("TargetID")->AsString(), payee);

        TForm *plans = FBench->Run("LumBudgetIndex.bpl");
        QVERIFY(plans);
        plans->show();
        plans->findChild<QCheckBox *>(QStringLiteral("chkCases"))->setChecked(true);
        TypeText(plans->findChild<QLineEdit *>(QStringLiteral("edSearch")),
                 QStringLiteral("校園安全維護"));
        QTest::mouseClick(plans->findChild<QPushButton *>(QStringLiteral("btnSend")),
                          Qt::LeftButton);
        QCOMPARE(job.D()->FieldByName("PlanNo")->AsString(), QStringLiteral("C113-002"));
        ClickToolButton(job.Form, job.Form->DataSetPost);
        job.AddItem(QStringLiteral("1102"));
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QCOMPARE(FBench
                     ->Query("SELECT TargetID || '/' || PlanNo FROM AccVoucherItems WHERE "
                             "Tx_No = 42 AND TxD_No = 1")
                     .toString(),
                 payee + QStringLiteral("/C113-002"));
    }

    void anUnbalancedVoucherIsRefusedByTheServer() {
        TVoucherJob job(FBench->Run("LumAccVoucher.bpl"), FBench->Errors);
        const int vouchers = Count("SELECT COUNT(*) FROM AccVouchers");
        job.NewVoucher(QStringLiteral("租借場地"));
        job.AddItem(QStringLiteral("1101"), QStringLiteral("500"));
        // Offered the credit of 500; the user types 400.
        job.AddItem(QStringLiteral("4103"), QStringLiteral("400"));
        QCOMPARE(job.D()->FieldByName("DC_Mode")->AsString(), QStringLiteral("C"));
        QVERIFY(job.Totals->text().endsWith(QStringLiteral("(借貸不平衡)")));
        const int txNo = job.M()->FieldByName("Tx_No")->AsInteger();
        TRefusals refusals;
        QTest::mouseClick(job.Form->btnApply, Qt::LeftButton);
        QCOMPARE(
            refusals.Texts,
            QStringList{QStringLiteral("傳票 113-%1 借貸不平衡:借方合計 500.00,貸方合計 400.00")
                            .arg(txNo)});
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVouchers"), vouchers);
        QCOMPARE(
            Count(
                QStringLiteral("SELECT COUNT(*) FROM AccVoucherItems WHERE Tx_No = %1").arg(txNo)),
            0);
        // The voucher is still there to be mended.
        QVERIFY(job.M()->ChangeCount() > 0);
    }

    void aRunOfVouchersInOneDocument() {
        TVoucherJob job(FBench->Run("LumAccVoucher.bpl"), FBench->Errors);
        // Five vouchers around the longest one.
        const int longest = Count("SELECT Tx_No FROM AccVoucherItems WHERE Year_ID = 113 GROUP BY "
                                  "Tx_No ORDER BY COUNT(*) DESC, Tx_No");
        const int from = longest - 2, to = longest + 2;
        job.Form->findChild<QSpinBox *>(QStringLiteral("seFromNo"))->setValue(from);
        job.Form->findChild<QSpinBox *>(QStringLiteral("seToNo"))->setValue(to);
        job.Action("ActPrintRun")->trigger();
        QVERIFY2(FBench->Errors.isEmpty() || !HasOfficeSuite(),
                 qPrintable(FBench->Errors.join(u'\n')));
        auto *report = job.Form->findChild<TDocuReport *>(QStringLiteral("DocuReport"));
        QVERIFY(report && report->Document());
        const int pages = RunPages(*FBench, from, to);
        QVERIFY(pages > 5); // the longest voucher takes two
        QCOMPARE(report->Document()->TableCount(), 2 * pages);
        const auto number = [](int txNo) {
            return QStringLiteral("113%1").arg(txNo, 4, 10, QLatin1Char('0'));
        };
        QCOMPARE(report->Document()->Table(1).Cell(1, 2).Text(), number(from));
        QCOMPARE(report->Document()->Table(2 * pages - 1).Cell(1, 2).Text(), number(to));
        // The voucher shown stays where it was.
        QCOMPARE(job.M()->RecNo(), 1);
        if (HasOfficeSuite()) {
            TPdfPreviewForm *preview = OpenPreview();
            QVERIFY(preview);
            QCOMPARE(preview->PageCount(), pages);
            preview->close();
        }
        FBench->Errors.clear();
        // A range without vouchers is told.
        job.Form->findChild<QSpinBox *>(QStringLiteral("seFromNo"))->setValue(900);
        job.Form->findChild<QSpinBox *>(QStringLiteral("seToNo"))->setValue(901);
        job.Action("ActPrintRun")->trigger();
        QCOMPARE(FBench->Errors, QStringList{QStringLiteral("序號 900 至 901 沒有傳票")});
        FBench->Errors.clear();
    }

    void theIndexDatasetsShareOneTablePerClass() {
        TAccTitleCDS a, b;
        a.Open();
        b.Open();
        QCOMPARE(a.GetSystemTable(), b.GetSystemTable());
        QCOMPARE(a.GetSystemTableName(), QStringLiteral("SystemAccTitle"));
        QCOMPARE(b.RecordCount(), Count("SELECT COUNT(*) FROM AccTitles"));
        TIncRefIndexCDS payees;
        payees.Open();
        QCOMPARE(payees.GetSystemTableName(), QStringLiteral("SystemIncRefIndex"));
        QCOMPARE(payees.RecordCount(), Count("SELECT COUNT(*) FROM IncomeRefs"));
        TYBudgetIdxCDS years;
        TCaseBudgetIdxCDS cases;
        years.Open();
        cases.Open();
        QVERIFY(years.GetSystemTable() != cases.GetSystemTable());
        QCOMPARE(years.RecordCount(), 4);
        QCOMPARE(cases.RecordCount(), 4);
    }
};

LUM_TEST_MAIN(TstAccVoucher)
#include "tst_accvoucher.moc"

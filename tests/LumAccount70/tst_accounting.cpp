// The accounting common module without a server: the message records between open forms (keys
// in their order, values as text, empty values not carried, strict conversions back), and the
// voucher document filled from the template the build makes: twelve items a page, the page
// count and "PageNum", a run of vouchers with Continue, credit lines indented, a voucher date
// of zero left out, a voucher without items, and Word hidden while sending and shown again.

#include "ClientDataSet.h"
#include "FixedClock.h"
#include "Form.h"
#include "Packages.h"
#include "ReportTestSupport.h"
#include "ReportTestUtil.h"
#include "StringList.h"
#include "TestMain.h"
#include "uAccountMessages.h"
#include "uDocuReport.h"
#include "uLumAccPrintVoucher.h"
#include "uLumMessages.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class TAccountListener : public TForm {
public:
    TAccountListener() {
        SetMessageHandler(WM_ACCVOUCHER, [this](TMessage &m) {
            Lines = m.Strings->Text();
            QString year, no, description, checked, printed, posted, closed;
            VoucherReceiver(m, year, TxNo, CreateDate, TxDate, no, description, checked, printed,
                            posted, closed);
            Values = {year, no, description, checked, printed, posted, closed};
        });
        SetMessageHandler(WM_ACCVOUCHERITEM, [this](TMessage &m) {
            Lines = m.Strings->Text();
            QString year, accNo, side, type, ctrl;
            int txNo = 0, itemNo = 0;
            VoucherItemReceiver(m, year, txNo, itemNo, accNo, side, type, ctrl, Amount);
            Values = {year, QString::number(txNo), QString::number(itemNo), accNo, side, type,
                      ctrl};
        });
        SetMessageHandler(WM_ACCINCREFID, [this](TMessage &m) {
            Lines = m.Strings->Text();
            Values = QStringList(7);
            INCREFIDReceiver(m, Values[0], Values[1], Values[2], Values[3], Values[4], Values[5],
                             Values[6]);
        });
        SetMessageHandler(WM_ACCCASEBUDGETID, [this](TMessage &m) {
            Lines = m.Strings->Text();
            Values = QStringList(6);
            CaseBudgetIDReceiver(m, Values[0], Values[1], Values[2], Values[3], Values[4],
                                 Values[5]);
        });
    }
    QString Lines;
    QStringList Values;
    int TxNo = 0;
    TDateTime CreateDate, TxDate;
    long double Amount = 0;
};

// A message of that number with the given lines, delivered to the open forms.
void Deliver(quint32 msg, const QString &lines) {
    TStringList list;
    list.SetText(lines);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

const QStringList kItemFields{"Tx_No:i", "AccNo",  "AccName", "DC_Mode", "Description",
                              "DepName", "Target", "SRC_No",  "Amount"};

QVariantList Item(int txNo, const char *accNo, const char *side, const char *text,
                  const char *amount) {
    return {txNo,
            accNo,
            QString::fromUtf8(accNo[0] == '5' ? "業務費" : "銀行存款"),
            side,
            QString::fromUtf8(text),
            QStringLiteral("總務處"),
            QString(),
            QStringLiteral("P001"),
            amount};
}

// Items of voucher 1 (count of them, the last a credit) and voucher 2 (three).
std::unique_ptr<TClientDataSet> Items(int first) {
    QList<QVariantList> rows;
    for (int i = 1; i < first; ++i)
        rows << Item(1, "5102", "D", "文具", "1,000");
    rows << Item(1, "1102", "C", "支付文具", "12,000");
    rows << Item(2, "5102", "D", "影印紙", "500") << Item(2, "5102", "D", "碳粉", "700")
         << Item(2, "1102", "C", "支付", "1,200");
    auto ds = MakeDataSet(QStringLiteral("Items"), kItemFields, rows);
    // The side shows by its name, as the job's code table makes it.
    ds->FieldByName(QStringLiteral("DC_Mode"))->OnGetText = [](TField *f, QString &text, bool) {
        text =
            f->AsString() == QLatin1String("C") ? QStringLiteral("貸方") : QStringLiteral("借方");
    };
    return ds;
}

QString CellText(TDocuReport *report, int table, int row, int col) {
    return report->Document()->Table(table).Cell(row, col).Text();
}

// The item column of a page copy (tables 1, 3, 5, ... hold the items of pages 1, 2, 3, ...).
QStringList PageColumn(TDocuReport *report, int page, int col) {
    QStringList texts;
    for (int row = 4; row <= 15; ++row)
        texts << CellText(report, 2 * page - 1, row, col);
    while (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}

} // namespace

class TstAccounting : public QObject {
    Q_OBJECT
    QTemporaryDir FDocuments;
    TFakeViewer FViewer;

    void Print(TLumAccPrintVoucher &voucher, int txNo, TDataSet *items, bool Continue,
               TDateTime date = TDateTime::FromDate(QDate(2024, 5, 6))) {
        voucher.Printing(txNo, TDateTime::FromDate(QDate(2024, 5, 5)), date,
                         QStringLiteral("113%1").arg(txNo, 4, 10, QLatin1Char('0')),
                         QStringLiteral("購置文具"), QStringLiteral("一般收支"),
                         QStringLiteral("E008"), QStringLiteral("12,000"), QStringLiteral("12,000"),
                         items, Continue);
    }
    void Attach(TLumAccPrintVoucher &voucher) {
        voucher.DocuReport->WordApplication()->SetViewer(&FViewer);
        voucher.DocuReport->WordApplication()->SetDocumentsFolder(FDocuments.path());
    }

private Q_SLOTS:
    void messagesCarryTheirKeysInOrder() {
        TAccountListener a, b;
        VoucherSender(QStringLiteral("113"), 25, TDateTime::FromDate(QDate(2024, 5, 5)),
                      TDateTime::FromDate(QDate(2024, 5, 6)), QStringLiteral("1130025"),
                      QStringLiteral("購置文具"), QStringLiteral("Y"), QString(),
                      QStringLiteral("0"), QStringLiteral("N"));
        // The keys in their order; the empty Printed is not carried and reads back empty.
        QCOMPARE(a.Lines, QStringLiteral("Year_ID=113\nTx_No=25\nTx_VoucherNo=1130025\n"
                                         "Tx_Date=2024/05/06\nTx_Description=購置文具\n"
                                         "Create_Date=2024/05/05\nChecked=Y\nPosted=0\n"
                                         "Closed_YN=N\n"));
        QCOMPARE(b.TxNo, 25);
        QCOMPARE(b.CreateDate.ToDate(), QDate(2024, 5, 5));
        QCOMPARE(b.TxDate.ToDate(), QDate(2024, 5, 6));
        QCOMPARE(b.Values, (QStringList{"113", "1130025", "購置文具", "Y", "", "0", "N"}));

        // Amounts as the shortest decimal text.
        VoucherItemSender(QStringLiteral("113"), 25, 3, QStringLiteral("5102"), QStringLiteral("D"),
                          QStringLiteral("D"), QString(), 12345.5L);
        QCOMPARE(a.Lines, QStringLiteral("Year_ID=113\nTx_No=25\nTxD_No=3\nAccNo=5102\n"
                                         "Amount=12345.5\nDC_Mode=D\nDC_Type=D\n"));
        QCOMPARE(b.Amount, 12345.5L);
        QCOMPARE(b.Values, (QStringList{"113", "25", "3", "5102", "D", "D", ""}));
        VoucherItemSender(QStringLiteral("113"), 25, 4, QStringLiteral("1102"), QStringLiteral("C"),
                          QString(), QString(), 3000);
        QVERIFY(a.Lines.contains(QStringLiteral("Amount=3000\n")));

        INCREFIDSender(QString(), QStringLiteral("A123456789"), QStringLiteral("王大明"),
                       QStringLiteral("臺北市"), QStringLiteral("A123456789"), QStringLiteral("1"),
                       QString());
        QCOMPARE(a.Lines,
                 QStringLiteral("IDN=A123456789\nINCMER_NM=王大明\nHOUHLD_ADDR_X60=臺北市\n"
                                "ID=A123456789\nIDtype=1\n"));
        QCOMPARE(b.Values,
                 (QStringList{"", "A123456789", "王大明", "臺北市", "A123456789", "1", ""}));
        CaseBudgetIDSender(QStringLiteral("C113-001"), QStringLiteral("資訊教室"),
                           QStringLiteral("A10"), QStringLiteral("Y"), QStringLiteral("N"),
                           QStringLiteral("113-01"));
        QCOMPARE(a.Lines, QStringLiteral("PlanNo=C113-001\nPlanName=資訊教室\nBrUnit=A10\n"
                                         "PassFG=Y\nCloseCase=N\nExPlanNo=113-01\n"));
    }

    // A receiver's integers, dates and amounts convert strictly: an empty value raises.
    void emptyNumbersAndDatesRaiseTheConversionError() {
        TAccountListener listener;
        const QString voucher = QStringLiteral("Year_ID=113\nTx_No=%1\nTx_Date=%2\n"
                                               "Create_Date=2024/05/05\n");
        QVERIFY_THROWS_EXCEPTION(EConvertError,
                                 Deliver(WM_ACCVOUCHER, voucher.arg("", "2024/05/06")));
        QVERIFY_THROWS_EXCEPTION(EConvertError, Deliver(WM_ACCVOUCHER, voucher.arg("7", "")));
        QVERIFY_THROWS_EXCEPTION(EConvertError,
                                 Deliver(WM_ACCVOUCHER, voucher.arg("7x", "2024/05/06")));
        Deliver(WM_ACCVOUCHER, voucher.arg("7", "2024/05/06"));
        QCOMPARE(listener.TxNo, 7);
        const QString item = QStringLiteral("Year_ID=113\nTx_No=7\nTxD_No=1\nAmount=%1\n");
        QVERIFY_THROWS_EXCEPTION(EConvertError, Deliver(WM_ACCVOUCHERITEM, item.arg("")));
        QVERIFY_THROWS_EXCEPTION(EConvertError, Deliver(WM_ACCVOUCHERITEM, item.arg("1,000")));
        Deliver(WM_ACCVOUCHERITEM, item.arg("1000.25"));
        QCOMPARE(listener.Amount, 1000.25L);
    }

    void twelveItemsFillOnePageAndThirteenTwo() {
        TFixedClock clock(QDate(2024, 5, 7));
        TLumAccPrintVoucher voucher;
        Attach(voucher);
        QCOMPARE(voucher.DocuReport->TemplateName(),
                 ProgramFolder() + QStringLiteral("TemplateDocs/會計傳票.doc"));
        auto twelve = Items(12);
        Print(voucher, 1, twelve.get(), false);
        TDocuReport *report = voucher.DocuReport;
        QCOMPARE(report->Pages(), 1);
        // The voucher's table and the signature boxes, once.
        QCOMPARE(report->Document()->TableCount(), 2);
        QCOMPARE(PageColumn(report, 1, 1).size(), 12);
        QCOMPARE(CellText(report, 1, 1, 7), QStringLiteral("1-1"));
        // The dataset is left on the first item of the next voucher.
        QCOMPARE(twelve->FieldByName(QStringLiteral("Tx_No"))->AsInteger(), 2);

        auto thirteen = Items(13);
        Print(voucher, 1, thirteen.get(), false);
        QCOMPARE(report->Pages(), 2);
        QCOMPARE(report->Document()->TableCount(), 4);
        QCOMPARE(PageColumn(report, 1, 1),
                 (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
        QCOMPARE(PageColumn(report, 2, 1), QStringList{"13"});
        QCOMPARE(PageColumn(report, 2, 4), QStringList{"支付文具"});
        // Each page has the page and the totals.
        QCOMPARE(CellText(report, 1, 1, 7), QStringLiteral("1-2"));
        QCOMPARE(CellText(report, 3, 1, 7), QStringLiteral("2-2"));
        for (int table : {1, 3}) {
            QCOMPARE(CellText(report, table, 16, 3), QStringLiteral("12,000"));
            QCOMPARE(CellText(report, table, 16, 5), QStringLiteral("12,000"));
            QCOMPARE(CellText(report, table, 1, 2), QStringLiteral("1130001"));
            QCOMPARE(CellText(report, table, 1, 3), QStringLiteral("傳票日期：2024/05/06"));
            QCOMPARE(CellText(report, table, 2, 6), QStringLiteral("E008"));
        }
        const QString text = report->Document()->Content().Text();
        QVERIFY(text.contains(QStringLiteral("傳票序號：1　　列印日期：2024/05/07")));
    }

    void aRunOfVouchersAndItsAccountTexts() {
        TLumAccPrintVoucher voucher;
        Attach(voucher);
        auto items = Items(2);
        Print(voucher, 1, items.get(), false);
        Print(voucher, 2, items.get(), true);
        TDocuReport *report = voucher.DocuReport;
        QVERIFY(items->Eof());
        // One document: the first voucher's page, then the second's.
        QCOMPARE(report->Document()->TableCount(), 4);
        QCOMPARE(PageColumn(report, 1, 4), (QStringList{"文具", "支付文具"}));
        QCOMPARE(PageColumn(report, 2, 4), (QStringList{"影印紙", "碳粉", "支付"}));
        QCOMPARE(CellText(report, 3, 1, 2), QStringLiteral("1130002"));
        // The sides by their names; the title is its code and name, a credit's two blanks in.
        QCOMPARE(PageColumn(report, 2, 2), (QStringList{"借方", "借方", "貸方"}));
        QCOMPARE(PageColumn(report, 2, 3),
                 (QStringList{"5102業務費", "5102業務費", "  1102銀行存款"}));
        QCOMPARE(PageColumn(report, 2, 8), (QStringList{"500", "700", "1,200"}));

        // Continue false starts again from the first row, in a new document.
        Print(voucher, 1, items.get(), false);
        QCOMPARE(report->Document()->TableCount(), 2);
        QCOMPARE(PageColumn(report, 1, 1), (QStringList{"1", "2"}));
    }

    void aZeroDateAndAVoucherWithoutItems() {
        TLumAccPrintVoucher voucher;
        Attach(voucher);
        auto items = Items(13);
        Print(voucher, 1, items.get(), false, TDateTime());
        QCOMPARE(voucher.WRMultiLabel->Labels().IndexOfName(QStringLiteral("Tx_Date")), -1);
        QCOMPARE(CellText(voucher.DocuReport, 1, 1, 3), QStringLiteral("傳票日期："));
        // A voucher the rows do not hold prints one page, its table empty.
        Print(voucher, 9, items.get(), false);
        QCOMPARE(voucher.DocuReport->Pages(), 1);
        QCOMPARE(voucher.DocuReport->Document()->TableCount(), 2);
        QVERIFY(PageColumn(voucher.DocuReport, 1, 1).isEmpty());
        QCOMPARE(CellText(voucher.DocuReport, 1, 1, 7), QStringLiteral("1-1"));
    }

    void wordIsShownAgainWhateverHappens() {
        TLumAccPrintVoucher voucher;
        Attach(voucher);
        auto items = Items(3);
        const int shown = FViewer.Shown.size();
        Print(voucher, 1, items.get(), false);
        QVERIFY(voucher.DocuReport->Visible());
        QVERIFY(voucher.DocuReport->WordApplication()->Visible());
        QCOMPARE(FViewer.Shown.size(), shown + 1);
        // A template that is not there: the error names it, and Word is visible again.
        voucher.SetDocForm(QStringLiteral("沒有這個範本.doc"));
        try {
            Print(voucher, 1, items.get(), false);
            QFAIL("a missing template prints");
        } catch (const EDocuReport &e) {
            QVERIFY(e.Message().contains(QStringLiteral("沒有這個範本")));
        }
        QVERIFY(voucher.DocuReport->Visible());
    }
};

LUM_TEST_MAIN(TstAccounting)
#include "tst_accounting.moc"

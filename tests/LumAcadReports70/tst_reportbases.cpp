// The report bases: the term code and its texts, the page header, the envelope's window, the
// student line, the receiver of the letters, the master chosen by a condition (read once per
// condition, through the module's socket connection) or copied from a dataset.

#include "AcadReportTestSupport.h"
#include "DataSource.h"
#include "QRPreviewForm.h"
#include "QuickReport.h"
#include "ReportUi.h"
#include "SocketConnection.h"
#include "TestMain.h"
#include "uLoginUserInfo.h"
#include "uLumQrEAcadStudent.h"
#include "uLumQrHAcad.h"
#include "uObjServers.h"

#include <QApplication>
#include <QTcpServer>

namespace {

QString ErrorOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const Exception &e) {
        return e.Message();
    }
    return {};
}

// The texts of a prepared page with where they start (mm from the paper's corner).
std::vector<TQRDrawItem> Texts(TQuickRep &report, int page) {
    std::vector<TQRDrawItem> texts;
    for (const TQRDrawItem &item : report.Prepared()->PageItems(page))
        if (item.Kind == TQRDrawItem::TextItem)
            texts.push_back(item);
    return texts;
}

const TQRDrawItem *TextStarting(const std::vector<TQRDrawItem> &texts, const QString &start) {
    for (const TQRDrawItem &item : texts)
        if (item.Text.startsWith(start))
            return &item;
    return nullptr;
}

// A list with the school's header over a few pages.
class TRoll : public TLumQrHAcad {
public:
    explicit TRoll(TDataSet *rows) {
        SetReportTitle(QStringLiteral("學生名冊"));
        SetDataSet(rows);
        (new TQRBand(this, rbDetail, 8))->AddDBText(0, 1, 40, 6, rows, QStringLiteral("No"));
    }
};

} // namespace

class TstReportBases : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    int FFiles = 0;
    QString NewPdf() { return FDir.filePath(QStringLiteral("b%1.pdf").arg(++FFiles)); }

private Q_SLOTS:
    void initTestCase() { LoadCodeTable(); }

    void theTermCodeAndItsTexts() {
        const auto check = [](auto &report) {
            QCOMPARE(report.YSemester(), QStringLiteral("1122")); // the current term
            report.SetYSemester(QStringLiteral("0942"));
            QCOMPARE(report.GetAYear(), QStringLiteral("094"));
            QCOMPARE(report.GetASemester(), QStringLiteral("下學期"));
            QCOMPARE(report.GetYSemFMT(), QStringLiteral("094 學年度 下學期 "));
            report.SetYSemester(QStringLiteral("0943")); // a semester the code table lacks
            QCOMPARE(report.GetASemester(), QStringLiteral("3"));
            QCOMPARE(report.GetYSemFMT(), QStringLiteral("094 學年度 3 "));
            QCOMPARE(ErrorOf([&] { report.SetYSemester(QString()); }),
                     QStringLiteral("Set YSemester Error"));
            QCOMPARE(report.YSemester(), QStringLiteral("0943"));
        };
        TLumQrHAcad list;
        check(list);
        TLumQrEAcadStudent letter;
        check(letter);
    }

    void thePageHeaderShowsSchoolTitlePagesDateAndUser() {
        TFixedClock clock(QDate(2024, 4, 1));
        CurrentUserInfo->Cht_Name = QStringLiteral("王老師");
        QList<QVariantList> rows;
        for (int i = 1; i <= 40; ++i)
            rows << QVariantList{QStringLiteral("N%1").arg(i)};
        auto data = MakeDataSet(QStringLiteral("Rows"), {QStringLiteral("No")}, rows);
        TRoll roll(data.get());
        roll.moMessage->Lines().Add(QStringLiteral("資料: 上學期"));
        const QString pdf = NewPdf();
        roll.ExportToPdf(pdf);
        const QStringList pages = PdfPageTexts(pdf);
        QCOMPARE(pages.size(), 2);
        for (int p = 0; p < 2; ++p) {
            const QString page = Squeezed(pages[p]);
            QVERIFY2(page.contains(QStringLiteral("臺北市立示範高級中學")), qPrintable(page));
            QVERIFY(page.contains(QStringLiteral("學生名冊")));
            QVERIFY(page.contains(QStringLiteral("列印日期：113/04/01")));
            QVERIFY(page.contains(QStringLiteral("第 %1 頁 / 共 2 頁").arg(p + 1)));
            QVERIFY(page.contains(QStringLiteral("資料: 上學期")));
            QVERIFY(QString(page).remove(u' ').contains(QStringLiteral("製表人：王老師")));
        }
        // On landscape paper the header spans the wider page.
        roll.Page().Orientation = QPageLayout::Landscape;
        roll.ExportToPdf(pdf);
        const std::vector<TQRDrawItem> texts = Texts(roll, 0);
        const TQRDrawItem *user = TextStarting(texts, QStringLiteral("王老師"));
        QVERIFY(user && user->Position.x() > 240);
        const TQRDrawItem *school = TextStarting(texts, QStringLiteral("臺北市立示範高級中學"));
        QVERIFY(school && school->Position.x() > 110 && school->Position.x() < 148);
        CurrentUserInfo->Cht_Name.clear();
    }

    void lettersGoOnePerStudentByClassAndSeatThroughTheWindow() {
        auto students = Students();
        TLumQrEAcadStudent letters;
        letters.OpenStudents(students.get());
        const QString pdf = NewPdf();
        letters.ExportToPdf(pdf);
        QCOMPARE(PdfPageCount(pdf), 5);
        const QStringList pages = PdfPageTexts(pdf);
        const QStringList receivers{"李大華 收", "王大明 收", "陳爸爸 收", "林父 收", "張父 收"};
        for (int p = 0; p < 5; ++p)
            QVERIFY2(pages[p].contains(receivers[p]), qPrintable(pages[p]));
        // Post code, address and receiver lie in the field the window shows: 22 to 102 mm from
        // the sheet's left edge, 50 to 85 mm from its top.
        const std::vector<TQRDrawItem> texts = Texts(letters, 1);
        for (const QString &start : {QStringLiteral("100"), QStringLiteral("臺北市中正區"),
                                     QStringLiteral("王大明 收"), QStringLiteral("臺北市立示範")}) {
            const TQRDrawItem *item = nullptr;
            for (const TQRDrawItem &text : texts)
                if (text.Text.startsWith(start) && text.Position.y() > 45)
                    item = &text;
            QVERIFY2(item, qPrintable(start));
            QVERIFY2(item->Position.x() >= 22 && item->Position.x() < 60, qPrintable(start));
            QVERIFY2(item->Position.y() > 50 && item->Position.y() < 85, qPrintable(start));
        }
        // The student line of the current row, codes by their descriptions.
        students->Locate(QStringLiteral("StudentID"), Variant(QStringLiteral("S2001")));
        letters.ReceiverDataSet->Locate(QStringLiteral("StudentID"),
                                        Variant(QStringLiteral("S2001")));
        QCOMPARE(letters.GetStudentInfo(),
                 QStringLiteral("學號:S2001 - 林志玲,就讀本校商業科-日間部,2年孝班座號:1"));
    }

    void theReceiverFollowsMailTo() {
        auto students = Students();
        TLumQrEAcadStudent letters;
        letters.OpenStudents(students.get());
        QCOMPARE(letters.MailTo(), mttGenearch);
        QCOMPARE(letters.Receiver->DataField(), QStringLiteral("Genearch"));
        const auto firstReceiver = [&] {
            const QString pdf = NewPdf();
            letters.ExportToPdf(pdf);
            return Squeezed(PdfPageTexts(pdf).value(0));
        };
        letters.SetMailTo(mttStudent);
        QVERIFY(firstReceiver().contains(QStringLiteral("李美華 收")));
        letters.SetMailTo(mttEmergent);
        QVERIFY(firstReceiver().contains(QStringLiteral("李阿姨 收")));
        // The same value again changes nothing: a receiver bound by hand stays.
        letters.Receiver->SetDataField(QStringLiteral("Cht_Name"));
        letters.SetMailTo(mttEmergent);
        QCOMPARE(letters.Receiver->DataField(), QStringLiteral("Cht_Name"));
    }

    void studentsByConditionAreReadOncePerCondition() {
        TLocalSchool school;
        TLumQrEAcadStudent letters;
        school.Attach(letters.RemoteData());
        letters.OpenStudents(QStringLiteral("AClassName='01'"));
        QCOMPARE(letters.ReceiverDataSet->CommandText(),
                 QStringLiteral("Select * from vStudentAll Where AClassName='01'"));
        QCOMPARE(letters.ReceiverDataSet->RecordCount(), 3);
        letters.OpenStudents(QStringLiteral("AClassName='01'"));
        QCOMPARE(school.Reads(QStringLiteral("cmvStudentAllProvider")), 1);
        // Rows copied from a dataset in between: the condition is read again.
        auto students = Students();
        letters.OpenStudents(students.get());
        QCOMPARE(letters.ReceiverDataSet->RecordCount(), 5);
        letters.SetWhereMaster(QStringLiteral("AClassName='01'"));
        QCOMPARE(school.Reads(QStringLiteral("cmvStudentAllProvider")), 2);
        QCOMPARE(letters.ReceiverDataSet->RecordCount(), 3);
        // No condition selects nobody, and nobody gets a letter.
        letters.OpenStudents(QString());
        QCOMPARE(letters.ReceiverDataSet->CommandText(),
                 QStringLiteral("Select * from vStudentAll Where ID is Null"));
        QCOMPARE(letters.ReceiverDataSet->RecordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, letters.ExportToPdf(NewPdf()));
        QCOMPARE(letters.PageCount(), 0);
    }

    void lettersArePreviewedAndPrinted() {
        auto students = Students();
        TLumQrEAcadStudent letters;
        letters.SetReportTitle(QStringLiteral("家長通知"));
        letters.OpenStudents(students.get());
        const QString printed = NewPdf();
        SetReportPrinterOutputFile(printed);
        letters.PrintReport();
        SetReportPrinterOutputFile(QString());
        QCOMPARE(PdfPageCount(printed), 5);
        letters.ShowPreview();
        TQRPreviewForm *preview = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *form = qobject_cast<TQRPreviewForm *>(window); form && form->isVisible())
                preview = form;
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QStringLiteral("預覽列印 - 家長通知"));
        preview->close();
    }

    void remoteReadsGoThroughTheSocketConnectionAndDropIt() {
        // A port nobody listens on.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const int port = closed.serverPort();
        closed.close();
        TLumQrEAcadStudent letters;
        TSocketConnection *connection =
            letters.Connection(QStringLiteral("SrvAcademic.AcadStudentINTF"));
        auto *broker = qobject_cast<TRADObjectBroker *>(connection->ObjectBroker());
        QVERIFY(broker);
        QCOMPARE(broker->ServerName(), QStringLiteral("SrvAcademic"));
        broker->Servers().clear();
        broker->AddServer(QStringLiteral("127.0.0.1"), port);
        QVERIFY(
            !ErrorOf([&] { letters.OpenStudents(QStringLiteral("StudentID='S1001'")); }).isEmpty());
        QCOMPARE(letters.ReceiverDataSet->CommandText(),
                 QStringLiteral("Select * from vStudentAll Where StudentID='S1001'"));
        QVERIFY(!connection->Connected());
        QVERIFY(!letters.ReceiverDataSet->Active());
    }
};

LUM_TEST_MAIN(TstReportBases)
#include "tst_reportbases.moc"

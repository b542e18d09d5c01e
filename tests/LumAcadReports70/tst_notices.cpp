// The three notices to families: their period at creation, one letter per student (by class and
// seat) with the student line, the period's rows, the subtotal, the term totals and the remarks;
// reward rows that were not approved and posted never print; the weekly display rules; the
// statements and default conditions they build, run as SQL against the school's tables.

#include "AcadReportTestSupport.h"
#include "QuickReport.h"
#include "TestMain.h"
#include "uLumQrEAcadStudent_AbsWeeklyNotify.h"
#include "uLumQrEAcadStudent_AbsenceNotify.h"
#include "uLumQrEAcadStudent_RewardNotify.h"

namespace {

// The lines of a page that hold something, without their blanks.
QStringList Lines(const QString &page) {
    QStringList lines;
    for (const QString &line : page.split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << QString(line).remove(u' ');
    return lines;
}

QString Flat(const QString &text) {
    return QString(text).remove(u' ');
}

// The lines of `page` from the one starting with `from` up to (not with) the one starting
// with `to`.
QStringList Between(const QStringList &lines, const QString &from, const QString &to) {
    QStringList out;
    bool in = false;
    for (const QString &line : lines) {
        if (line.startsWith(Flat(to)) && in)
            break;
        in = in || line.startsWith(Flat(from));
        if (in)
            out << line;
    }
    return out;
}

QStringList Want(const QStringList &lines) {
    QStringList out;
    for (const QString &line : lines)
        out << Flat(line);
    return out;
}

const QString kSchool = QStringLiteral("臺北市立示範高級中學");
const QString kAbsenceRemarks[] = {
    QStringLiteral("1.依據教育部學生德育成績考查辦法,曠課達45小時予以退學."),
    QStringLiteral("2.請家長注意貴子弟之學習"), QStringLiteral("3.請家長簽名：")};

} // namespace

class TstNotices : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    int FFiles = 0;
    QString NewPdf() { return FDir.filePath(QStringLiteral("n%1.pdf").arg(++FFiles)); }
    QStringList Pages(TQuickRep &report) {
        const QString pdf = NewPdf();
        report.ExportToPdf(pdf);
        return PdfPageTexts(pdf);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        LoadCodeTable();
    }

    void thePeriodRunsFromTheFirstOfYesterdaysMonthToYesterday_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("mid-month") << QDate(2024, 4, 15) << QDate(2024, 4, 1) << QDate(2024, 4, 14);
        QTest::newRow("first of a month")
            << QDate(2024, 3, 1) << QDate(2024, 2, 1) << QDate(2024, 2, 29);
        QTest::newRow("new year") << QDate(2025, 1, 1) << QDate(2024, 12, 1) << QDate(2024, 12, 31);
    }
    void thePeriodRunsFromTheFirstOfYesterdaysMonthToYesterday() {
        QFETCH(QDate, today);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        TFixedClock clock(today, QTime(0, 10));
        TLumQrEAcadStudent_AbsenceNotify absence;
        TLumQrEAcadStudent_AbsWeeklyNotify weekly;
        TLumQrEAcadStudent_RewardNotify reward;
        for (const auto &[fromDate, toDate] : {std::pair{absence.FromDate(), absence.ToDate()},
                                               std::pair{weekly.FromDate(), weekly.ToDate()},
                                               std::pair{reward.FromDate(), reward.ToDate()}}) {
            QCOMPARE(fromDate.ToDate(), from);
            QCOMPARE(toDate.ToDate(), to);
            QCOMPARE(toDate.TimePart().Value(), 0.0);
        }
    }

    void absenceLettersShowEachStudentsRowsTotalsAndRemarks() {
        TFixedClock clock(QDate(2024, 4, 1));
        auto students = Students();
        auto details = AbsenceDetails();
        auto statics = SemStatics();
        TLumQrEAcadStudent_AbsenceNotify notice;
        notice.SetFootMemo(QStringLiteral("請於一週內回覆導師"));
        notice.OpenStudents(students.get());
        notice.OpenDetail(details.get());
        notice.OpenSemStatic(statics.get());
        const QStringList pages = Pages(notice);
        QCOMPARE(pages.size(), 5);
        // By class, and in a class by seat: 李美華 (1), 王小明 (2), 陳大同 (3), then 孝班.
        const QStringList ids{"S1002", "S1001", "S1003", "S2001", "S2002"};
        for (int p = 0; p < 5; ++p) {
            const QStringList lines = Lines(pages[p]);
            QCOMPARE(lines.value(0), kSchool);
            QCOMPARE(lines.value(1), QStringLiteral("學生缺曠課通知單"));
            QCOMPARE(lines.filter(QStringLiteral("查貴子弟學號:") + ids[p]).size(), 1);
            QVERIFY(lines.contains(Flat("於 2024/03/01 至 2024/03/31 期間缺課節數記錄如下：")));
            QVERIFY(lines.contains(Flat("備註說明: 請於一週內回覆導師")));
            QCOMPARE(lines.mid(lines.size() - 3),
                     QStringList(std::begin(kAbsenceRemarks), std::end(kAbsenceRemarks)));
        }
        // 王小明: his rows (course names, "*" leave type empty), the subtotal with the truancy
        // (absent − leave periods) and the term's totals.
        const QStringList wang = Lines(pages[1]);
        QVERIFY(
            wang.contains(Flat("查貴子弟學號:S1001 - 王小明,就讀本校資訊科-日間部,1年忠班座號:2")));
        QCOMPARE(Between(wang, QStringLiteral("日期"), QStringLiteral("備註說明")),
                 Want({"日期 星期 科目 節次 缺課 遲到 請假節數 假別",
                       "2024/02/20 二 國文 1,2 2 0 0", "2024/03/04 一 國文 1,2 2 0 0",
                       "2024/03/06 三 數學 3,4,5 3 1 1 病假", "2024/03/08 五 英文 7 1 0 0",
                       "小計 8 1 1 曠課:7", "本學期缺課與請假節數累計如下：",
                       "缺課:21 遲到:3 事假:2 病假:4 公假:1 其他假:0 曠課:14"}));
        // 林志玲 has no rows and no totals yet: the headings and a zero subtotal.
        QCOMPARE(Between(Lines(pages[3]), QStringLiteral("日期"), QStringLiteral("備註說明")),
                 Want({"日期 星期 科目 節次 缺課 遲到 請假節數 假別", "小計 0 0 0 曠課:0",
                       "本學期缺課與請假節數累計如下："}));

        // Without the detail the subtotal and the totals still print.
        notice.SetEnableDetail(false);
        const QStringList brief = Lines(Pages(notice)[1]);
        QCOMPARE(Between(brief, QStringLiteral("小計"), QStringLiteral("備註說明")),
                 Want({"小計 8 1 1 曠課:7", "本學期缺課與請假節數累計如下：",
                       "缺課:21 遲到:3 事假:2 病假:4 公假:1 其他假:0 曠課:14"}));
        QVERIFY(brief.filter(QStringLiteral("國文")).isEmpty());
        QVERIFY(brief.filter(QStringLiteral("日期星期")).isEmpty());
    }

    void absenceStatementsTakeTheDefaultsOfTermPeriodAndStudents() {
        TFixedClock clock(QDate(2024, 4, 1));
        TLocalSchool school;
        TLumQrEAcadStudent_AbsenceNotify notice;
        school.Attach(notice.RemoteData());
        // No students opened: no student condition, and no letters.
        notice.OpenDetail(QString(), false);
        QCOMPARE(notice.AbsenceDetail->CommandText(),
                 QStringLiteral("Select * from vLumStudentAbsenceDetail Where ( YSemester='1122' "
                                "And ( AbsenceDate Between '2024/03/01' and '2024/03/31' ) )"));
        QVERIFY_THROWS_EXCEPTION(EReportEmpty, notice.ExportToPdf(NewPdf()));

        notice.OpenStudents(QStringLiteral("AClassName='01'"));
        const QString students = QStringLiteral("( StudentID In (  'S1002', 'S1001', 'S1003' ))");
        notice.OpenDetail(QString(), false);
        QCOMPARE(
            notice.AbsenceDetail->CommandText(),
            QStringLiteral("Select * from vLumStudentAbsenceDetail Where ( ( YSemester='1122' "
                           "And ( AbsenceDate Between '2024/03/01' and '2024/03/31' ) ) And ") +
                students + QStringLiteral(" )"));
        // The server's rows: the class's, of the term and the period only.
        QStringList numbers;
        TClientDataSet *rows = notice.AbsenceDetail;
        rows->SetMasterSource(nullptr);
        for (rows->First(); !rows->Eof(); rows->Next())
            numbers << rows->FieldByName(QStringLiteral("AbsenceNo"))->AsString();
        QCOMPARE(numbers, QStringList({"A001", "A002", "A004", "A005"}));
        rows->SetMasterSource(notice.ReceiverSource);

        // A condition of the caller's: alone, or with the defaults after it.
        notice.OpenDetail(QStringLiteral("SecLate>0"), false);
        QCOMPARE(notice.AbsenceDetail->CommandText(),
                 QStringLiteral("Select * from vLumStudentAbsenceDetail Where SecLate>0"));
        notice.SetFromDate(TDateTime::FromDate(QDate(2024, 3, 5)));
        notice.SetToDate(TDateTime::FromDate(QDate(2024, 3, 5)));
        notice.OpenDetail(QStringLiteral("SecLate>0"), true);
        QCOMPARE(notice.AbsenceDetail->CommandText(),
                 QStringLiteral("Select * from vLumStudentAbsenceDetail Where ( ( ( SecLate>0 And "
                                "YSemester='1122' ) And AbsenceDate='2024/03/05' ) And ") +
                     students + QStringLiteral(" )"));
        notice.OpenSemStatic(QString(), false);
        QCOMPARE(notice.AbsenceSemStatic->CommandText(),
                 QStringLiteral("Select * from SemStaticStudents Where ( YSemester='1122' And ") +
                     students + QStringLiteral(" )"));
        QCOMPARE(notice.AbsenceSemStatic->RecordCount() + 0, 1); // 李美華's, under the first
        notice.OpenSemStatic(QStringLiteral("Absence>10"), false);
        QCOMPARE(notice.AbsenceSemStatic->CommandText(),
                 QStringLiteral("Select * from SemStaticStudents Where Absence>10"));
        QCOMPARE(school.Reads(QStringLiteral("cmvLumStudentAbsenceDetailProvider")), 4);
    }

    void rewardRowsPrintOnlyWhenApprovedAndPosted() {
        TFixedClock clock(QDate(2024, 4, 1));
        TLocalSchool school;
        auto students = Students();
        auto rewards = Rewards();
        auto statics = SemStatics();
        TLumQrEAcadStudent_RewardNotify notice;
        school.Attach(notice.RemoteData());
        notice.OpenStudents(students.get());
        notice.OpenSemStatic(statics.get());
        // From the caller's rows and from the server's, whatever they hold.
        for (const bool remote : {false, true}) {
            if (remote) {
                notice.OpenDetail(QString(), true);
                QCOMPARE(notice.RewardSemDetail->CommandText(),
                         QStringLiteral(
                             "Select * from vLumRewardPunishDetail Where ( ( YSemester='1122' "
                             "And ( Dispatchdate Between '2024/03/01' and '2024/03/31' ) ) "
                             "And ( StudentID In (  'S1002', 'S1001', 'S1003', 'S2001', "
                             "'S2002' )) )"));
            } else {
                notice.OpenDetail(rewards.get());
            }
            const QStringList pages = Pages(notice);
            QCOMPARE(pages.size(), 5);
            const QString all = Flat(pages.join(QString()));
            for (const char *hidden : {"未核發事由", "未核可事由", "未處理事由"})
                QVERIFY2(!all.contains(QString::fromUtf8(hidden)), hidden);
            const QStringList wang = Lines(pages[1]);
            QCOMPARE(Between(wang, QStringLiteral("發文於"), QStringLiteral("備註說明")),
                     Want({"發文於 2024/03/01 至 2024/03/31 期間獎懲記錄如下：",
                           "發文日期 事由/ 獎懲種類 次數 獎懲依據",
                           "2024/03/05 熱心服務 嘉獎 2 獎懲辦法第4條", "本學期獎懲統計如下：",
                           "嘉獎:3 小功:1 大功:0 申誡:1 小過:0 大過:0 定期察看:否"}));
            // The reply form carries the student line as the envelope does.
            const QString line =
                QStringLiteral("學號:S1001-王小明,就讀本校資訊科-日間部,1年忠班座號:2");
            QCOMPARE(wang.filter(line).size(), 2);
            QVERIFY(wang.contains(QStringLiteral("查貴子弟") + line));
            QCOMPARE(wang.mid(wang.size() - 3),
                     Want({"*.通知書回條(本回條請貴子弟攜回,送交訓導處)", line, "*.請家長簽名："}));
            QVERIFY(Flat(pages[4]).contains(QStringLiteral("拾金不昧小功1")));
        }
        // Switching the filter off by hand is the caller's doing; reopening keeps it on.
        QVERIFY(notice.RewardSemDetail->Filtered());
    }

    void weeklyLinesPrintZerosAndNoLeaveEmpty() {
        TFixedClock clock(QDate(2024, 4, 1));
        auto students = Students();
        auto weeks = Weeks();
        TLumQrEAcadStudent_AbsWeeklyNotify notice;
        notice.OpenStudents(students.get());
        notice.OpenStudentAbsenceWeekly(weeks.get());
        const QStringList pages = Pages(notice);
        QCOMPARE(pages.size(), 5);
        QVERIFY(Flat(pages[0]).contains(QStringLiteral("學生每週缺曠課通知單")));
        // 王小明's weeks in order: Monday 2, Wednesday 3 with a sick leave of 1; the week's
        // 5 / 1 / 4 and the running 9 / 1 / 8. Nothing else on the line.
        const QStringList wang = Lines(pages[1]);
        QCOMPARE(Between(wang, QStringLiteral("2024/03/03"), QStringLiteral("備註說明")),
                 Want({"2024/03/03 1 3 4 0 4 4 0 4", "2024/03/10 2 3 1 病假 5 1 4 9 1 8"}));
        QCOMPARE(
            Between(wang, QStringLiteral("日一"), QStringLiteral("2024/03/03")),
            Want({"日 一 二 三 四 五 六 週缺/假/曠 至本週累計", "週起始日期",
                  "缺 假 假別 缺 假 假別 缺 假 假別 缺 假 假別 缺 假 假別 缺 假 假別 缺 假 假別 "
                  "缺 假 曠 缺課 請假 曠課"}));
        QCOMPARE(wang.mid(wang.size() - 3),
                 QStringList(std::begin(kAbsenceRemarks), std::end(kAbsenceRemarks)));
    }

    void weeklyStatementGetsWhereBeforeItsCondition() {
        TFixedClock clock(QDate(2024, 4, 1));
        TLocalSchool school;
        TLumQrEAcadStudent_AbsWeeklyNotify notice;
        school.Attach(notice.RemoteData());
        notice.OpenStudents(QStringLiteral("StudentID='S1001'"));
        notice.OpenStudentAbsenceWeekly(QString(), false);
        QCOMPARE(
            notice.StudentAbsenceWeekly->CommandText(),
            QStringLiteral("Select * from vLumStudentAbsenceWeekly Where ( ( BeginDate Between "
                           "'2024/03/01' and '2024/03/31' ) And ( StudentID In (  'S1001' )) )"));
        QCOMPARE(notice.StudentAbsenceWeekly->RecordCount(), 2);
        // A caller's text with the word Where gets it once.
        for (const QString &text :
             {QStringLiteral("StudentID='S2002'"), QStringLiteral(" where StudentID='S2002'")}) {
            notice.OpenStudentAbsenceWeekly(text, false);
            QCOMPARE(notice.StudentAbsenceWeekly->CommandText(),
                     QStringLiteral("Select * from vLumStudentAbsenceWeekly Where "
                                    "StudentID='S2002'"));
        }
        // No period and no students: the bare statement.
        TLumQrEAcadStudent_AbsWeeklyNotify bare;
        school.Attach(bare.RemoteData());
        bare.SetFromDate(TDateTime());
        bare.SetToDate(TDateTime());
        bare.OpenStudentAbsenceWeekly(QString(), true);
        QCOMPARE(bare.StudentAbsenceWeekly->CommandText(),
                 QStringLiteral("Select * from vLumStudentAbsenceWeekly "));
    }
};

LUM_TEST_MAIN(TstNotices)
#include "tst_notices.moc"

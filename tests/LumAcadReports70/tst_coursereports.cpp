// The course and class reports: a group per course under its header, the roster's count, the
// score sheet's PrintSpace and GradeKinds, grades below 0 printed empty, the roll-call and blank
// sheets, the order of students within a course, the class list gathered in memory (two
// students of one class make one class), the weekly class statistics, and the statements.

#include "AcadReportTestSupport.h"
#include "QuickReport.h"
#include "TestMain.h"
#include "uGenSQLWhere.h"
#include "uLumQrHAcadClassmate_AbsWeekly.h"
#include "uLumQrHAcadSemCourseGrade_Absence.h"
#include "uLumQrHAcadSemCourseGrade_Grades.h"
#include "uLumQrHAcadSemCourseGrade_Grades_Empty.h"

namespace {

QString Flat(const QString &text) {
    return QString(text).remove(u' ');
}

QStringList Lines(const QString &page) {
    QStringList lines;
    for (const QString &line : page.split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << Flat(line);
    return lines;
}

QStringList Want(const QStringList &lines) {
    QStringList out;
    for (const QString &line : lines)
        out << Flat(line);
    return out;
}

// The students' lines of a course page: from the one after the headings to the count.
QStringList StudentLines(const QString &page) {
    QStringList out;
    for (const QString &line : Lines(page))
        if (line.startsWith(u'S') && line.size() > 5 && line[1].isDigit())
            out << line;
    return out;
}

} // namespace

class TstCourseReports : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    int FFiles = 0;
    QStringList Pages(TQuickRep &report) {
        const QString pdf = FDir.filePath(QStringLiteral("c%1.pdf").arg(++FFiles));
        report.ExportToPdf(pdf);
        return PdfPageTexts(pdf);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        LoadCodeTable();
    }

    void eachCourseStartsAPageUnderItsHeaderWithItsCount() {
        TFixedClock clock(QDate(2024, 4, 1));
        auto courses = Courses();
        auto grades = Grades();
        TLumQrHAcadSemCourseGrade roster;
        roster.OpenSemCourses(courses.get());
        roster.OpenSemGrade(grades.get());
        roster.moFooter->Lines().Add(QStringLiteral("請核對修課名單"));
        const QStringList pages = Pages(roster);
        QCOMPARE(pages.size(), 2);
        const QStringList first = Lines(pages[0]);
        QVERIFY(first.contains(QStringLiteral("科目修課學生")));
        QCOMPARE(first.mid(4, 4),
                 Want({"課號： SC1 課名： 國文 學分： 3", "選課別： 必修 班次： 1 教師： 王老師",
                       "科系： 資訊科 修業類別： 日間部 編號： C01",
                       "年級： 1 班別： 忠 教室節次： 二1,2 202教室"}));
        QVERIFY(first.contains(Flat("學 號 姓 名 座位")));
        // By student number within the course.
        QCOMPARE(StudentLines(pages[0]),
                 Want({"S1001 王小明 3", "S1002 李美華 2", "S1003 陳大同 1"}));
        QVERIFY(first.contains(QStringLiteral("學生合計：3人")));
        QCOMPARE(first.last(), QStringLiteral("請核對修課名單"));
        const QStringList second = Lines(pages[1]);
        QVERIFY(second.contains(Flat("課號： SC2 課名： 數學 學分： 2")));
        QVERIFY(second.contains(QStringLiteral("學生合計：1人")));

        // By seat within each course; the courses stay apart.
        roster.SetSemGradeIndexFields(QStringLiteral("SeatNo"));
        QCOMPARE(roster.SemGradeIndexFields(), QStringLiteral("SemCourseID;SeatNo"));
        QCOMPARE(StudentLines(Pages(roster)[0]),
                 Want({"S1003 陳大同 1", "S1002 李美華 2", "S1001 王小明 3"}));
        // Without the header's year and class.
        roster.SetEnableFit(false);
        const QStringList unfit = Lines(Pages(roster)[0]);
        QVERIFY(unfit.contains(Flat("教室節次： 二1,2 202教室")));
        QVERIFY(unfit.filter(QStringLiteral("年級：")).isEmpty());
        QVERIFY(unfit.filter(QStringLiteral("班別：")).isEmpty());
    }

    void theScoreSheetPrintsTheGradesItIsAskedFor_data() {
        QTest::addColumn<bool>("printSpace");
        QTest::addColumn<int>("kinds");
        QTest::addColumn<QString>("headings");
        QTest::addColumn<QString>("wang"); // 王小明's line in SC1
        QTest::addColumn<QString>("lee");  // 李美華's: grades not entered
        const int all = gtNormal | gtMid | gtEnd | gtSemester;
        QTest::newRow("a form to fill in") << true << all << "期中學期"
                                           << ""
                                           << "";
        QTest::newRow("every grade") << false << all << "期中學期登錄時間"
                                     << "91872024/01/2010:05:00"
                                     << "2024/01/2010:05:00";
        QTest::newRow("midterm only") << false << int(gtMid) << "期中登錄時間"
                                      << "912024/01/2010:05:00"
                                      << "2024/01/2010:05:00";
        QTest::newRow("semester only") << false << int(gtSemester) << "學期登錄時間"
                                       << "872024/01/2010:05:00"
                                       << "2024/01/2010:05:00";
        QTest::newRow("space wins over kinds") << true << int(gtMid) << "期中"
                                               << ""
                                               << "";
        QTest::newRow("coursework and final have no columns")
            << false << int(gtNormal | gtEnd) << "登錄時間"
            << "2024/01/2010:05:00"
            << "2024/01/2010:05:00";
    }
    void theScoreSheetPrintsTheGradesItIsAskedFor() {
        QFETCH(bool, printSpace);
        QFETCH(int, kinds);
        QFETCH(QString, headings);
        QFETCH(QString, wang);
        QFETCH(QString, lee);
        TFixedClock clock(QDate(2024, 4, 1));
        auto courses = Courses();
        auto grades = Grades();
        TLumQrHAcadSemCourseGrade_Grades sheet;
        QVERIFY(sheet.PrintSpace());
        QCOMPARE(int(sheet.GradeKinds()), gtNormal | gtMid | gtEnd | gtSemester);
        sheet.OpenSemCourses(courses.get());
        sheet.OpenSemGrade(grades.get());
        sheet.SetGradeKinds(TGradeTypes(kinds));
        sheet.SetPrintSpace(printSpace);
        QCOMPARE(int(sheet.GradeKinds()), kinds);
        QCOMPARE(sheet.GetEnableMidGrade(), bool(kinds & gtMid));
        QCOMPARE(sheet.GetEnableEndGrade(), bool(kinds & gtEnd));
        const QStringList lines = Lines(Pages(sheet)[0]);
        QVERIFY(lines.contains(Flat("112 學年度 下學期 - 科目計分表")));
        QVERIFY(lines.contains(QStringLiteral("學號姓名座位入學方式身心障礙學生系所") + headings));
        const QStringList students = StudentLines(Pages(sheet)[0]);
        QCOMPARE(students.value(0), QStringLiteral("S1001王小明3甄選入學視障資訊科") + wang);
        QCOMPARE(students.value(1), QStringLiteral("S1002李美華2登記分發無資訊科") + lee);
        QVERIFY(lines.contains(QStringLiteral("教師簽章：年月日")));
        // The report's title is the sheet's own until it runs.
        QCOMPARE(TLumQrHAcadSemCourseGrade_Grades().ReportTitle(),
                 QStringLiteral("科目修課學生計分表"));
    }

    void theRollCallAndBlankSheetsLeaveCellsForHandEntry() {
        TFixedClock clock(QDate(2024, 4, 1));
        auto courses = Courses();
        auto grades = Grades();
        TLumQrHAcadSemCourseGrade_Absence roll;
        roll.OpenSemCourses(courses.get());
        roll.OpenSemGrade(grades.get());
        const QStringList rollPage = Lines(Pages(roll)[0]);
        QCOMPARE(roll.Prepared()->PageLayout().orientation(), QPageLayout::Landscape);
        QVERIFY(rollPage.contains(Flat("112 學年度 下學期 - 科目點名表")));
        QVERIFY(rollPage.contains(QStringLiteral("日期日期日期日期日期日期")));
        QVERIFY(
            rollPage.contains(QStringLiteral("學號姓名座位入學方式學生系所身心障礙缺課遲到請假")));
        QVERIFY(rollPage.contains(QStringLiteral("缺課遲到").repeated(6)));
        // The term's absent, late and leave periods; the lessons' cells empty.
        QCOMPARE(StudentLines(Pages(roll)[0]), Want({"S1001 王小明 3 甄選入學 資訊科 視障 5 1 2",
                                                     "S1002 李美華 2 登記分發 資訊科 無 0 0 0",
                                                     "S1003 陳大同 1 登記分發 資訊科 無 2 0 1"}));

        TLumQrHAcadSemCourseGrade_Grades_Empty blank;
        QVERIFY(blank.PrintSpace());
        blank.SetPrintSpace(false); // kept, and the sheet stays blank
        blank.OpenSemCourses(courses.get());
        blank.OpenSemGrade(grades.get());
        const QString page = Pages(blank)[0];
        const QStringList lines = Lines(page);
        QVERIFY(lines.contains(Flat("112 學年度 下學期 - 科目計分表(空白)")));
        QVERIFY(lines.contains(
            QStringLiteral("學號姓名座位入學方式學生系所身心障礙平時成績期中成績期末成績")));
        QVERIFY(lines.contains(QStringLiteral("學期期末")) &&
                lines.contains(QStringLiteral("成績應考")));
        QCOMPARE(StudentLines(page),
                 Want({"S1001 王小明 3 甄選入學 資訊科 視障", "S1002 李美華 2 登記分發 資訊科 無",
                       "S1003 陳大同 1 登記分發 資訊科 無"}));
        QVERIFY(lines.contains(QStringLiteral("教師簽章：年月日")));
    }

    void courseStatementsAddTheTermAndTheCourses() {
        TLocalSchool school;
        TLumQrHAcadSemCourseGrade roster;
        school.Attach(roster.RemoteData());
        QCOMPARE(roster.SemCoursesDataSet->CommandText(),
                 QStringLiteral("Select * From vTqSemCourses Where SemCourseID is Null"));
        // No courses and no condition: nobody, and a statement the server can run.
        roster.OpenSemGrade(QString(), true);
        QCOMPARE(roster.SemGradeDetail->CommandText(),
                 QStringLiteral("Select * From vLumSemGradeBySTD Where SemCourseID is Null"));
        QCOMPARE(roster.SemGradeDetail->RecordCount(), 0);
        roster.OpenSemCourses(QStringLiteral("Unit_ID='A1'"));
        roster.OpenSemCourses(QStringLiteral("Unit_ID='A1'"));
        QCOMPARE(school.Reads(QStringLiteral("cmvTqSemCoursesProvider")), 1);
        QCOMPARE(roster.SemCoursesDataSet->CommandText(),
                 QStringLiteral("Select * From vTqSemCourses Where ( Unit_ID='A1' And "
                                "YSemester='1122' )"));
        QCOMPARE(roster.SemCoursesDataSet->RecordCount(), 2);
        roster.OpenSemGrade(QString(), false);
        QCOMPARE(roster.SemGradeDetail->CommandText(),
                 QStringLiteral("Select * From vLumSemGradeBySTD Where ( SemCourseID In (  'SC1', "
                                "'SC2' ))"));
        roster.OpenSemGrade(QStringLiteral("SeatNo>1"), true);
        QCOMPARE(
            roster.SemGradeDetail->CommandText(),
            QStringLiteral("Select * From vLumSemGradeBySTD Where ( SeatNo>1 And ( SemCourseID "
                           "In (  'SC1', 'SC2' )) )"));
        roster.OpenSemGrade(QStringLiteral("SeatNo>1"), false);
        QCOMPARE(roster.SemGradeDetail->CommandText(),
                 QStringLiteral("Select * From vLumSemGradeBySTD Where SeatNo>1"));
        QCOMPARE(StudentLines(Pages(roster)[0]), Want({"S1001 王小明 3", "S1002 李美華 2"}));
        // Another term.
        roster.SetYSemester(QStringLiteral("1121"));
        roster.OpenSemCourses(QString());
        QCOMPARE(roster.SemCoursesDataSet->CommandText(),
                 QStringLiteral("Select * From vTqSemCourses Where YSemester='1121'"));
        QCOMPARE(roster.SemCoursesDataSet->RecordCount(), 0);
    }

    void theClassListIsGatheredFromTheRows() {
        auto weeks = Weeks();
        weeks->SetRecNo(3);
        TLumQrHAcadClassmate classes;
        classes.OpenClassmateMaster(weeks.get());
        // Two students of one class make one class; the rows keep their place.
        QCOMPARE(classes.AClassMaster->RecordCount(), 2);
        QCOMPARE(weeks->RecNo(), 3);
        QCOMPARE(classes.AClassMaster->RecNo(), 1);
        QCOMPARE(classes.AClassMaster->FieldByName(QStringLiteral("Unit_ID"))->DisplayText(),
                 QStringLiteral("資訊科"));
        QCOMPARE(classes.AClassMaster->ChangeCount(), 0);
        QVERIFY(!classes.AClassDetail->Active());
        const QStringList pages = Pages(classes);
        QCOMPARE(pages.size(), 2);
        QVERIFY(
            Lines(pages[0]).contains(Flat("科系： 資訊科 年級： 1 班別： 忠 修業類別： 日間部")));
        QVERIFY(
            Lines(pages[1]).contains(Flat("科系： 商業科 年級： 2 班別： 孝 修業類別： 日間部")));
        // No period: the message shows no dates.
        QVERIFY(Lines(pages[0]).filter(QStringLiteral("資料:至")).size() == 1);
        QVERIFY(!Flat(pages[0]).contains(QStringLiteral("1899")));
    }

    void weeklyClassStatisticsByClassSeatAndWeek() {
        TFixedClock clock(QDate(2024, 4, 1));
        auto weeks = Weeks();
        TLumQrHAcadClassmate_AbsWeekly report;
        report.SetFromDate(TDateTime::FromDate(QDate(2024, 3, 1)));
        report.SetToDate(TDateTime::FromDate(QDate(2024, 3, 31)));
        report.SetFootMemo(QStringLiteral("導師：請於週會宣導"));
        report.OpenClassmateDetail(weeks.get());
        const QStringList pages = Pages(report);
        QCOMPARE(pages.size(), 2);
        const QStringList first = Lines(pages[0]);
        QVERIFY(first.contains(QStringLiteral("班級學生週缺曠課統計表")));
        QVERIFY(first.value(3).startsWith(QStringLiteral("資料:2024/03/01至2024/03/31")));
        QVERIFY(first.contains(QStringLiteral("日一二三四五六週小計累計")));
        QVERIFY(first.contains(QStringLiteral("缺假假別").repeated(7) +
                               QStringLiteral("缺假曠缺假曠")));
        // By seat, each student's weeks in order; zeros and "*" empty.
        QStringList rows = first.filter(QRegularExpression(QStringLiteral("^S\\d")));
        QCOMPARE(rows, Want({"S1002 李美華 1 2024/03/10 4 4 事假 4 4 0 4 4 0",
                             "S1001 王小明 2 2024/03/03 1 3 4 0 4 4 0 4",
                             "S1001 王小明 2 2024/03/10 2 3 1 病假 5 1 4 9 1 8"}));
        QCOMPARE(first.last(), QStringLiteral("導師：請於週會宣導"));
        QCOMPARE(report.FootMemo(), QStringLiteral("導師：請於週會宣導\n"));
        QCOMPARE(Lines(pages[1]).filter(QRegularExpression(QStringLiteral("^S\\d"))),
                 Want({"S2002 張國榮 2 2024/03/03 1 1 公假 1 1 0 1 1 0"}));
    }

    void weeklyClassRowsByCondition() {
        TLocalSchool school;
        TLumQrHAcadClassmate_AbsWeekly report;
        school.Attach(report.RemoteData());
        report.SetFromDate(TDateTime::FromDate(QDate(2024, 3, 4)));
        report.SetToDate(TDateTime::FromDate(QDate(2024, 3, 31)));
        report.OpenMaster(QStringLiteral("AClassName='01'"));
        QCOMPARE(report.AClassDetail->CommandText(),
                 QStringLiteral("select * from vLumStudentAbsenceWeekly Where ( ( AClassName='01' "
                                "And YSemester='1122' ) And ( BeginDate Between '2024/03/04' and "
                                "'2024/03/31' ) )"));
        QCOMPARE(report.AClassMaster->RecordCount(), 1);
        QCOMPARE(report.AClassDetail->RecordCount(), 2); // the class's weeks of 2024/03/10
        report.OpenMaster(QStringLiteral("AClassName='01'"));
        QCOMPARE(school.Reads(QStringLiteral("cmvLumStudentAbsenceWeekly")), 1);
    }
};

LUM_TEST_MAIN(TstCourseReports)
#include "tst_coursereports.moc"

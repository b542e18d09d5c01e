// The reports against the application server and its demo school, every read through the
// modules' own socket connections (code tables and the course index too): the absence notices
// of one class for last month (one letter per student in seat order, each subtotal and term
// total as the database has it), the reward notices (only approved and posted rows), a course
// roster and score sheet, and a class's weekly statistics.

#include "AppServerFixture.h"
#include "CodeTableCDS.h"
#include "FixedClock.h"
#include "ReportTestSupport.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uLumQrEAcadStudent_AbsenceNotify.h"
#include "uLumQrEAcadStudent_RewardNotify.h"
#include "uLumQrHAcadClassmate_AbsWeekly.h"
#include "uLumQrHAcadSemCourseGrade_Grades.h"
#include "uSystemTable.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QString Flat(const QString &text) {
    return QString(text).remove(u' ');
}

QStringList Lines(const QString &text) {
    QStringList lines;
    for (const QString &line : text.split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << Flat(line);
    return lines;
}

} // namespace

class TstReportsOnServer : public QObject {
    Q_OBJECT
    // The demo school is made for this day: its term's roll calls reach up to the day before.
    TFixedClock FClock{QDate(2024, 12, 16)};
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FDir;
    int FFiles = 0;

    QString Text(TQuickRep &report) {
        const QString pdf = FDir.filePath(QStringLiteral("s%1.pdf").arg(++FFiles));
        report.ExportToPdf(pdf);
        return PdfLayoutText(pdf);
    }
    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }
    QString Value(const QString &sql) const { return FServer->Query(sql).toString(); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        for (TSystemTable *table : {CodeTableSystemTable(),
                                    SharedSystemTable(QStringLiteral("SystemOrvCoursesIndex"),
                                                      QStringLiteral("SrvAcademic.AcadCourseINTF"),
                                                      QStringLiteral("xOrvCoursesIdxProvider"))}) {
            table->Broker()->Servers().clear();
            table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        }
    }
    void cleanupTestCase() { FServer.reset(); }

    void absenceNoticesOfAClassForLastMonth() {
        const QString period = QStringLiteral("AbsenceDate Between '2024/11/01' and '2024/11/30'");
        const QString klass =
            Value(QStringLiteral("SELECT ClassType FROM vLumStudentAbsenceDetail WHERE %1 GROUP "
                                 "BY ClassType ORDER BY COUNT(*) DESC, ClassType LIMIT 1")
                      .arg(period));
        QVERIFY(!klass.isEmpty());
        TLumQrEAcadStudent_AbsenceNotify notice;
        QCOMPARE(notice.YSemester(), QStringLiteral("1131"));
        notice.SetFromDate(TDateTime::FromDate(QDate(2024, 11, 1)));
        notice.SetToDate(TDateTime::FromDate(QDate(2024, 11, 30)));
        notice.OpenStudents(QStringLiteral("ClassType='%1'").arg(klass));
        notice.OpenDetail(QString(), true);
        notice.OpenSemStatic(QString(), true);
        const QString text = Text(notice);
        // One letter per student of the class, by seat.
        const int students = Count(
            QStringLiteral("SELECT COUNT(*) FROM vStudentAll WHERE ClassType='%1'").arg(klass));
        QVERIFY(students > 20);
        const QStringList letters = Flat(text).split(QStringLiteral("查貴子弟"));
        QCOMPARE(letters.size() - 1, students);
        int seat = 0;
        for (int l = 1; l < letters.size(); ++l) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^學號:(\\w+)-.*班座號:(\\d+)"))
                    .match(letters[l]);
            QVERIFY2(m.hasMatch(), qPrintable(letters[l].left(80)));
            QVERIFY(m.captured(2).toInt() > seat);
            seat = m.captured(2).toInt();
        }
        // The student absent most: his rows' sums and his term totals.
        const QString student =
            Value(QStringLiteral("SELECT StudentID FROM vLumStudentAbsenceDetail WHERE %1 AND "
                                 "ClassType='%2' GROUP BY StudentID ORDER BY SUM(SecAbsence) DESC, "
                                 "StudentID LIMIT 1")
                      .arg(period, klass));
        QString letter;
        for (const QString &l : letters)
            if (l.startsWith(QStringLiteral("學號:") + student))
                letter = l;
        const auto sum = [&](const char *what) {
            return Count(QStringLiteral("SELECT SUM(%1) FROM vLumStudentAbsenceDetail WHERE %2 AND "
                                        "StudentID='%3'")
                             .arg(QLatin1String(what), period, student));
        };
        QVERIFY2(letter.contains(QStringLiteral("小計%1%2%3曠課:%4")
                                     .arg(sum("SecAbsence"))
                                     .arg(sum("SecLate"))
                                     .arg(sum("SecVAC"))
                                     .arg(sum("SecAbsence - SecVAC"))),
                 qPrintable(letter));
        const auto total = [&](const char *what) {
            return Count(QStringLiteral("SELECT %1 FROM SemStaticStudents WHERE YSemester='1131' "
                                        "AND StudentID='%2'")
                             .arg(QLatin1String(what), student));
        };
        QVERIFY(letter.contains(QStringLiteral("缺課:%1遲到:%2事假:%3")
                                    .arg(total("Absence"))
                                    .arg(total("AbsLate"))
                                    .arg(total("AskFor"))));
        QVERIFY(letter.contains(QStringLiteral("曠課:%1").arg(total("Truancy"))));
        // Courses by their names.
        const QString course =
            Value(QStringLiteral("SELECT CourseName FROM vLumStudentAbsenceDetail WHERE %1 AND "
                                 "StudentID='%2' LIMIT 1")
                      .arg(period, student));
        QVERIFY2(!course.isEmpty() && letter.contains(Flat(course)), qPrintable(course));
        QVERIFY(letter.contains(QStringLiteral("3.請家長簽名：")));
    }

    void rewardNoticesShowOnlyApprovedAndPostedRows() {
        // The last three weeks: what was issued in the last week is not posted yet.
        const QString period = QStringLiteral("Dispatchdate Between '2024/11/25' and '2024/12/15'");
        const QString klass =
            Value(QStringLiteral("SELECT ClassType FROM vLumRewardPunishDetail WHERE %1 AND NOT "
                                 "(Verify='Y' AND TranYN='Y') GROUP BY ClassType ORDER BY COUNT(*) "
                                 "DESC, ClassType LIMIT 1")
                      .arg(period));
        QVERIFY(!klass.isEmpty());
        const QString rows =
            QStringLiteral(
                "SELECT COUNT(*) FROM vLumRewardPunishDetail WHERE %1 AND ClassType='%2'")
                .arg(period, klass);
        const int shown = Count(rows + QStringLiteral(" AND Verify='Y' AND TranYN='Y'"));
        QVERIFY(Count(rows) > shown);
        TLumQrEAcadStudent_RewardNotify notice;
        notice.SetFromDate(TDateTime::FromDate(QDate(2024, 11, 25)));
        notice.SetToDate(TDateTime::FromDate(QDate(2024, 12, 15)));
        notice.OpenStudents(QStringLiteral("ClassType='%1'").arg(klass));
        notice.OpenDetail(QString(), true);
        notice.OpenSemStatic(QString(), true);
        const QStringList lines = Lines(Text(notice));
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^2024/1[12]/\\d\\d"))).size(),
                 shown);
    }

    void aCourseRosterAndItsScoreSheet() {
        const QString course = Value(QStringLiteral(
            "SELECT CourseID FROM SemCourses WHERE Semester='1131' ORDER BY CourseID LIMIT 1"));
        const int students = Count(
            QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID='%1'").arg(course));
        QVERIFY(students > 0);
        TLumQrHAcadSemCourseGrade_Grades sheet;
        sheet.SetPrintSpace(false);
        sheet.SetGradeKinds(TGradeTypes(gtMid));
        sheet.OpenSemCourses(QStringLiteral("SemCourseID='%1'").arg(course));
        sheet.OpenSemGrade(QString(), true);
        const QStringList lines = Lines(Text(sheet));
        QVERIFY(lines.contains(QStringLiteral("學生合計：%1人").arg(students)));
        QVERIFY(lines.filter(QStringLiteral("課號：") + course).size() >= 1);
        // Every midterm entered prints; one not entered (-1) prints nothing.
        const QString someone = Value(
            QStringLiteral("SELECT StudentID || ' ' || MidResults FROM vLumSemGradeBySTD WHERE "
                           "SemCourseID='%1' AND MidResults >= 0 LIMIT 1")
                .arg(course));
        const QStringList parts = someone.split(u' ');
        QVERIFY(lines
                    .filter(QRegularExpression(QStringLiteral("^%1.*%2").arg(
                        parts.value(0), QString::number(parts.value(1).toDouble()))))
                    .size() == 1);
        QVERIFY(Flat(lines.join(u'\n')).indexOf(QStringLiteral("-1")) < 0);
    }

    void aClassesWeeklyStatistics() {
        const QString klass = Value(QStringLiteral(
            "SELECT ClassType FROM vLumStudentAbsenceWeekly GROUP BY ClassType ORDER BY "
            "ClassType LIMIT 1"));
        TLumQrHAcadClassmate_AbsWeekly report;
        report.SetFromDate(TDateTime::FromDate(QDate(2024, 11, 1)));
        report.SetToDate(TDateTime::FromDate(QDate(2024, 11, 30)));
        report.OpenMaster(QStringLiteral("ClassType='%1'").arg(klass));
        const int weeks =
            Count(QStringLiteral("SELECT COUNT(*) FROM vLumStudentAbsenceWeekly WHERE "
                                 "ClassType='%1' AND YSemester='1131' AND BeginDate Between "
                                 "'2024/11/01' and '2024/11/30'")
                      .arg(klass));
        QVERIFY(weeks > 0);
        QCOMPARE(report.AClassMaster->RecordCount(), 1);
        const QStringList lines = Lines(Text(report));
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("\\d2024/11/\\d\\d"))).size(),
                 weeks);
    }
};

LUM_TEST_MAIN(TstReportsOnServer)
#include "tst_reportsonserver.moc"

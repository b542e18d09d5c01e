#include "AcadViews.h"

#include <QStringList>
#include <utility>

namespace {

// The pieces of date arithmetic that the two engines spell differently. Stored dates are text
// "yyyy-MM-dd"; Day() turns one into what the engine computes with (the text itself on SQLite,
// a DATE on PostgreSQL), the other pieces take and give such days.
class TDateSql {
public:
    explicit TDateSql(bool sqlite) : FSQLite(sqlite) {}

    QString Day(const QString &column) const {
        return FSQLite ? QStringLiteral("NULLIF(%1, '')").arg(column)
                       : QStringLiteral("CAST(NULLIF(%1, '') AS DATE)").arg(column);
    }
    // 0 for Sunday to 6 for Saturday.
    QString WeekDay(const QString &day) const {
        return FSQLite ? QStringLiteral("CAST(strftime('%w', %1) AS INTEGER)").arg(day)
                       : QStringLiteral("CAST(EXTRACT(DOW FROM %1) AS INTEGER)").arg(day);
    }
    QString AddDays(const QString &day, const QString &days) const {
        return FSQLite ? QStringLiteral("date(%1, (%2) || ' days')").arg(day, days)
                       : QStringLiteral("(%1 + (%2))").arg(day, days);
    }
    // The Sunday that starts the week of the day.
    QString WeekStart(const QString &day) const {
        return AddDays(day, QStringLiteral("-") + WeekDay(day));
    }
    // Days from `from` to `to`.
    QString DaysBetween(const QString &from, const QString &to) const {
        return FSQLite
                   ? QStringLiteral("CAST(julianday(%2) - julianday(%1) AS INTEGER)").arg(from, to)
                   : QStringLiteral("(%2 - %1)").arg(from, to);
    }
    QString Year(const QString &day) const { return Part(day, "%Y", "YEAR"); }
    QString Month(const QString &day) const { return Part(day, "%m", "MONTH"); }
    QString DayOfMonth(const QString &day) const { return Part(day, "%d", "DAY"); }
    QString DayOfYear(const QString &day) const { return Part(day, "%j", "DOY"); }
    // A day as the view shows it.
    QString Show(const QString &day) const {
        return FSQLite ? QStringLiteral("REPLACE(%1, '-', '/')").arg(day) : day;
    }

private:
    QString Part(const QString &day, const char *sqlite, const char *postgres) const {
        return FSQLite ? QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                             .arg(QLatin1String(sqlite), day)
                       : QStringLiteral("CAST(EXTRACT(%1 FROM %2) AS INTEGER)")
                             .arg(QLatin1String(postgres), day);
    }
    bool FSQLite;
};

// The student's identity: the identity number, or the student number while there is none.
QString PersonID(const QString &student) {
    return QStringLiteral("COALESCE(NULLIF(TRIM(%1.IDNo), ''), %1.StudentID)").arg(student);
}

// The class fields of a student s whose class is k (ClassTypeDef).
const char *const kClassFields = "k.Unit_ID, s.ClassID AS ClassType, k.NGrade, k.AClassName";

QString StudentAll(const TDateSql &d) {
    const QString born = d.Day(QStringLiteral("s.Birthday"));
    return QStringLiteral(
               "CREATE VIEW vStudentAll AS SELECT %1 AS ID, s.StudentID, s.Cht_Name, s.Eng_Name, "
               "s.Buddha_Name, s.Passport, s.Nationality, s.Sex, %2 - 1911 AS Birth_Year, "
               "%3 AS Birth_Month, %4 AS Birth_Day, %5 AS Birthday, s.Birth_Residence, %6, "
               "s.DiplomaType, s.SeatNo, s.State, s.ClassID, s.IDNo, s.EnterType, "
               "s.EnterNormalType, s.Genearch, s.GenearchRelation, s.GenearchTel, "
               "s.GenearchEMail, s.Emergent, "
               "s.EmergentRelation, s.EmergentTel, s.PostCode, s.Address, s.Tel "
               "FROM StdOnSchool s LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID")
        .arg(PersonID(QStringLiteral("s")), d.Year(born), d.Month(born), d.DayOfMonth(born),
             d.Show(born), QLatin1String(kClassFields));
}

QString AbsenceDetail(const TDateSql &d) {
    const QString day = d.Day(QStringLiteral("a.AbsenceDate"));
    return QStringLiteral(
               "CREATE VIEW vLumStudentAbsenceDetail AS SELECT a.YSemester, a.StudentID, "
               "a.AbsenceNo, %1 AS AbsenceDate, %2 + 1 AS Week, a.SemCourseID, "
               "c.SubjectID AS CourseID, c.CourseName, a.SecAbsence, a.SecLate, a.SecVAC, "
               "a.VAC_ID, a.ASectionList, %3, s.Cht_Name, s.SeatNo, a.TranYN, %4 AS ID "
               "FROM StdAbsence a JOIN StdOnSchool s ON s.StudentID = a.StudentID "
               "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID "
               "LEFT JOIN SemCourses c ON c.CourseID = a.SemCourseID")
        .arg(d.Show(day), d.WeekDay(day), QLatin1String(kClassFields),
             PersonID(QStringLiteral("s")));
}

QString AbsenceWeekly(const TDateSql &d) {
    // The days with absences, by week; then the week's figures per day of the week.
    const QString day = d.Day(QStringLiteral("a.AbsenceDate"));
    const QString days =
        QStringLiteral("SELECT a.YSemester, a.StudentID, %1 AS WeekStart, %2 AS WeekDay, "
                       "a.SecAbsence, a.SecVAC, CASE WHEN a.SecVAC > 0 THEN a.VAC_ID END AS "
                       "LeaveType FROM StdAbsence a WHERE a.SecAbsence > 0 OR a.SecVAC > 0")
            .arg(d.WeekStart(day), d.WeekDay(day));
    QStringList perDay;
    for (int i = 0; i < 7; ++i)
        perDay << QStringLiteral("SUM(CASE WHEN WeekDay = %1 THEN SecAbsence ELSE 0 END) AS "
                                 "AbsWeek%2")
                      .arg(i)
                      .arg(i + 1);
    for (int i = 0; i < 7; ++i)
        perDay << QStringLiteral("SUM(CASE WHEN WeekDay = %1 THEN SecVAC ELSE 0 END) AS "
                                 "AskWeek%2")
                      .arg(i)
                      .arg(i + 1);
    for (int i = 0; i < 7; ++i)
        perDay << QStringLiteral("COALESCE(MIN(CASE WHEN WeekDay = %1 THEN LeaveType END), '*') "
                                 "AS AskWeek%2VAC")
                      .arg(i)
                      .arg(i + 1);
    const QString weeks = QStringLiteral("SELECT YSemester, StudentID, WeekStart, %1, "
                                         "SUM(SecAbsence) AS SubAbsence, SUM(SecVAC) AS SubAskFor "
                                         "FROM (%2) x GROUP BY YSemester, StudentID, WeekStart")
                              .arg(perDay.join(QStringLiteral(", ")), days);
    QStringList columns;
    for (const char *kind : {"AbsWeek%1", "AskWeek%1", "AskWeek%1VAC"})
        for (int i = 1; i <= 7; ++i)
            columns << QStringLiteral("w.") + QString::fromLatin1(kind).arg(i);
    const auto running = [](const char *column) {
        return QStringLiteral("SUM(%1) OVER (PARTITION BY w.YSemester, w.StudentID ORDER BY "
                              "w.WeekStart ROWS BETWEEN UNBOUNDED PRECEDING AND CURRENT ROW)")
            .arg(QLatin1String(column));
    };
    const QString termStart = d.WeekStart(d.Day(QStringLiteral("t.BeginDate")));
    return QStringLiteral(
               "CREATE VIEW vLumStudentAbsenceWeekly AS SELECT w.YSemester, w.StudentID, "
               "s.Cht_Name, %1, s.SeatNo, %2 - 1911 AS AYear, (%3 + 6) / 7 AS YWeekNo, "
               "%4 / 7 + 1 AS SemWeekNo, %5 AS BeginDate, %6 AS EndDate, %7, w.SubAbsence, "
               "w.SubAskFor, w.SubAbsence - w.SubAskFor AS WeekRealAbs, %8 AS AccAbsence, "
               "%9 AS AccAskFor, %8 - %9 AS AccRealAbs FROM (%10) w "
               "JOIN StdOnSchool s ON s.StudentID = w.StudentID "
               "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID "
               "LEFT JOIN SchoolTerms t ON t.YSemester = w.YSemester")
        .arg(QLatin1String(kClassFields), d.Year(QStringLiteral("w.WeekStart")),
             d.DayOfYear(QStringLiteral("w.WeekStart")),
             d.DaysBetween(termStart, QStringLiteral("w.WeekStart")),
             d.Show(QStringLiteral("w.WeekStart")),
             d.Show(d.AddDays(QStringLiteral("w.WeekStart"), QStringLiteral("6"))),
             columns.join(QStringLiteral(", ")), running("w.SubAbsence"), running("w.SubAskFor"),
             weeks);
}

QString SemStatic() {
    // Every student and term with anything recorded, then the term's sums of each.
    const QString terms = QStringLiteral("SELECT YSemester, StudentID FROM StdAbsence UNION "
                                         "SELECT YSemester, StudentID FROM RewardPunish UNION "
                                         "SELECT YSemester, StudentID FROM SemConduct UNION "
                                         "SELECT c.Semester, e.StudentID FROM CourseStudents e "
                                         "JOIN SemCourses c ON c.CourseID = e.CourseID");
    const QString absence = QStringLiteral(
        "SELECT YSemester, StudentID, SUM(SecAbsence) AS Absence, "
        "SUM(SecAbsence - SecVAC) AS Truancy, SUM(SecLate) AS AbsLate, "
        "SUM(CASE WHEN VAC_ID = '01' THEN SecVAC ELSE 0 END) AS AskFor, "
        "SUM(CASE WHEN VAC_ID = '02' THEN SecVAC ELSE 0 END) AS AskFor_Sick, "
        "SUM(CASE WHEN VAC_ID = '03' THEN SecVAC ELSE 0 END) AS AskFor_Pub, "
        "SUM(CASE WHEN VAC_ID IN ('01', '02', '03') THEN 0 ELSE SecVAC END) AS AskFor_Other "
        "FROM StdAbsence GROUP BY YSemester, StudentID");
    QStringList kinds;
    const char *const names[] = {"Citecnt",      "SmallMerit",   "GreatMerit", "Caution",
                                 "SmallDemerit", "MajorDemerit", "DateLook"};
    for (int i = 0; i < 7; ++i)
        kinds << QStringLiteral("SUM(CASE WHEN VerifyKind = '%1' THEN VerifyCnt ELSE 0 END) AS %2")
                     .arg(i + 1)
                     .arg(QLatin1String(names[i]));
    const QString rewards = QStringLiteral("SELECT YSemester, StudentID, %1 FROM RewardPunish "
                                           "WHERE Verify = 'Y' AND TranYN = 'Y' "
                                           "GROUP BY YSemester, StudentID")
                                .arg(kinds.join(QStringLiteral(", ")));
    QStringList columns;
    for (const char *c :
         {"Absence", "Truancy", "AbsLate", "AskFor", "AskFor_Sick", "AskFor_Pub", "AskFor_Other"})
        columns << QStringLiteral("COALESCE(a.%1, 0) AS %1").arg(QLatin1String(c));
    columns << QStringLiteral("m.Conduct") << QStringLiteral("m.Comment");
    for (const char *c : names)
        columns << QStringLiteral("COALESCE(r.%1, 0) AS %1").arg(QLatin1String(c));
    return QStringLiteral("CREATE VIEW SemStaticStudents AS SELECT n.YSemester, n.StudentID, "
                          "s.Cht_Name, %1 FROM (%2) n "
                          "JOIN StdOnSchool s ON s.StudentID = n.StudentID "
                          "LEFT JOIN (%3) a ON a.YSemester = n.YSemester AND "
                          "a.StudentID = n.StudentID "
                          "LEFT JOIN SemConduct m ON m.YSemester = n.YSemester AND "
                          "m.StudentID = n.StudentID "
                          "LEFT JOIN (%4) r ON r.YSemester = n.YSemester AND "
                          "r.StudentID = n.StudentID")
        .arg(columns.join(QStringLiteral(", ")), terms, absence, rewards);
}

QString RewardDetail(const TDateSql &d) {
    return QStringLiteral(
               "CREATE VIEW vLumRewardPunishDetail AS SELECT r.RewardNo, r.YSemester, "
               "r.StudentID, %1 AS Dispatchdate, r.Dispatchword, r.Dispatchno, r.Verify, "
               "r.VerifyKind, r.VerifyCnt, r.Origin, r.Basis, %2 AS VerifyDate, r.TranYN, "
               "r.OriginType, r.Kind, r.RepuCnt, %3 AS SuggestDate, r.SuggestUnit_ID, "
               "s.Cht_Name, %4, s.SeatNo, %5 AS CheckedDate, r.BillNo "
               "FROM RewardPunish r JOIN StdOnSchool s ON s.StudentID = r.StudentID "
               "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID")
        .arg(d.Show(d.Day(QStringLiteral("r.Dispatchdate"))),
             d.Show(d.Day(QStringLiteral("r.VerifyDate"))),
             d.Show(d.Day(QStringLiteral("r.SuggestDate"))), QLatin1String(kClassFields),
             d.Show(d.Day(QStringLiteral("r.CheckedDate"))));
}

// The students of each study programme with their class and the programme's name.
QString StudentStudyInfo() {
    return QStringLiteral(
               "CREATE VIEW vLumStudentStudyInfo AS SELECT ss.StudyID, ss.StudentID, s.Cht_Name, "
               "%1, s.SeatNo, ss.EnterYSemester, ss.State AS StudyState, s.State, i.StudyName, "
               "i.Unit_ID AS StudyUnit_ID FROM StudentStudy ss "
               "JOIN StdOnSchool s ON s.StudentID = ss.StudentID "
               "JOIN StudyInfo i ON i.StudyID = ss.StudyID "
               "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID")
        .arg(QLatin1String(kClassFields));
}

QString SemCoursesView() {
    return QStringLiteral(
        "CREATE VIEW vTqSemCourses AS SELECT c.CourseID AS SemCourseID, c.Semester AS YSemester, "
        "COALESCE(o.Unit_ID, k.Unit_ID) AS Unit_ID, c.SubjectID AS CourseID, c.CourseName, "
        "c.CourseSEQNo, k.Unit_ID AS FitUnitID, c.ClassID AS ClassType, k.NGrade AS Grade, "
        "k.AClassName, o.Choose, c.Credits AS Credit, COALESCE(c.TimeRoomList, '') AS "
        "TimeRoomList, COALESCE(e.Cht_Name, '') AS TeacherList, c.TeacherID, "
        "(SELECT COUNT(*) FROM CourseStudents cs WHERE cs.CourseID = c.CourseID) AS StudentCount "
        "FROM SemCourses c LEFT JOIN Courses o ON o.CourseID = c.SubjectID "
        "LEFT JOIN ClassTypeDef k ON k.ClassType = c.ClassID "
        "LEFT JOIN Employees e ON e.EmpID = c.TeacherID");
}

QString SemGrades() {
    QStringList grades;
    for (const auto &[stored, shown] :
         {std::pair{"ComResults", "ComResults"}, std::pair{"MidResults", "MidResults"},
          std::pair{"EndResults", "EndResults"}, std::pair{"Score", "SemResults"}})
        grades << QStringLiteral("COALESCE(e.%1, -1) AS %2")
                      .arg(QLatin1String(stored), QLatin1String(shown));
    return QStringLiteral(
               "CREATE VIEW vLumSemGradeBySTD AS SELECT e.CourseID AS SemCourseID, "
               "c.Semester AS YSemester, c.SubjectID AS CourseID, e.StudentID, s.Cht_Name, "
               "s.SeatNo, s.EnterNormalType, c.TeacherID, %1, s.EnterType, %2, "
               "e.SemResultsTime, COALESCE(a.Absence, 0) AS Absence, "
               "COALESCE(a.AbsLate, 0) AS AbsLate, COALESCE(a.AskFor, 0) AS AskFor "
               "FROM CourseStudents e JOIN SemCourses c ON c.CourseID = e.CourseID "
               "JOIN StdOnSchool s ON s.StudentID = e.StudentID "
               "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID "
               "LEFT JOIN (SELECT SemCourseID, StudentID, SUM(SecAbsence) AS Absence, "
               "SUM(SecLate) AS AbsLate, SUM(SecVAC) AS AskFor FROM StdAbsence "
               "GROUP BY SemCourseID, StudentID) a ON a.SemCourseID = e.CourseID AND "
               "a.StudentID = e.StudentID")
        .arg(QLatin1String(kClassFields), grades.join(QStringLiteral(", ")));
}

} // namespace

QList<TViewDef> AcademicViews(bool sqlite) {
    const TDateSql d(sqlite);
    return {{QStringLiteral("vStudentAll"), StudentAll(d)},
            {QStringLiteral("vLumStudentAbsenceDetail"), AbsenceDetail(d)},
            {QStringLiteral("vLumStudentAbsenceWeekly"), AbsenceWeekly(d)},
            {QStringLiteral("SemStaticStudents"), SemStatic()},
            {QStringLiteral("vLumRewardPunishDetail"), RewardDetail(d)},
            {QStringLiteral("vTqSemCourses"), SemCoursesView()},
            {QStringLiteral("vLumSemGradeBySTD"), SemGrades()},
            {QStringLiteral("vLumStudentStudyInfo"), StudentStudyInfo()}};
}

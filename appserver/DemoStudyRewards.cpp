#include "DemoStudyRewards.h"

#include "BatchInsert.h"
#include "DemoRandom.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QSet>
#include <QSqlQuery>

namespace {

QString Day(const QDate &date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// Every student follows the programme of the department and the year of entry ("B10-112"):
// first-year students entered this school year, those of the second year the year before.
void FillStudentStudies(TServerDatabase &db, const TDemoTerm &term) {
    const int year = term.Code.left(term.Code.size() - 1).toInt();
    QSet<QString> studies;
    for (QSqlQuery q = db.Exec(QStringLiteral("SELECT StudyID FROM StudyInfo")); q.next();)
        studies << q.value(0).toString();
    // Read whole before writing: a query stays open on its connection while it is read.
    QList<QVariantList> rows;
    QSqlQuery q =
        db.Exec(QStringLiteral("SELECT s.StudentID, k.Unit_ID, k.NGrade FROM StdOnSchool s "
                               "JOIN ClassTypeDef k ON k.ClassType = s.ClassID "
                               "ORDER BY s.StudentID"));
    while (q.next()) {
        const int entered = year - q.value(2).toInt() + 1;
        const QString study = QStringLiteral("%1-%2").arg(q.value(1).toString()).arg(entered);
        if (studies.contains(study))
            rows.append({q.value(0).toString(), study, QStringLiteral("%11").arg(entered),
                         QStringLiteral("0"),
                         QStringLiteral("E003-%1/08/20(09:00)-10.0.0.21").arg(entered - 100)});
    }
    q.finish();
    TBatchInsert insert(db, QStringLiteral("StudentStudy"),
                        {"StudentID", "StudyID", "EnterYSemester", "State", "EditInfo"});
    for (const QVariantList &row : rows)
        insert.Add(row);
    insert.Flush();
}

// The conduct marks of the two terms before this one, for the students who were at school
// then, with the tutor's comment.
void FillConduct(TServerDatabase &db, const TDemoTerm &term) {
    static const char *const comments[] = {"品行端正,熱心服務",       "待人有禮,學習認真",
                                           "個性開朗,樂於助人",       "守規矩,宜多參與活動",
                                           "生活常規尚可,宜加強自律", "勤學負責,表現優良"};
    TDemoRandom random(20240906);
    const int year = term.Code.left(term.Code.size() - 1).toInt();
    QStringList students;
    for (QSqlQuery q = db.Exec(QStringLiteral("SELECT s.StudentID FROM StdOnSchool s JOIN "
                                              "ClassTypeDef k ON k.ClassType = s.ClassID WHERE "
                                              "k.NGrade >= 2 ORDER BY s.StudentID"));
         q.next();)
        students << q.value(0).toString();
    TBatchInsert rows(db, QStringLiteral("SemConduct"),
                      {"YSemester", "StudentID", "Conduct", "Comment", "EditInfo"});
    for (const QString &student : students)
        for (const char semester : {'1', '2'}) {
            const int mark = (random.Between(70, 95) + random.Between(75, 92)) / 2;
            rows.Add(
                {QStringLiteral("%1%2").arg(year - 1).arg(QLatin1Char(semester)), student,
                 double(mark), QString::fromUtf8(comments[random.Below(6)]),
                 QStringLiteral("E006-%1/%2(16:00)-10.0.0.35")
                     .arg(year - 100 + (semester == '1' ? 0 : 1))
                     .arg(semester == '1' ? QStringLiteral("01/20") : QStringLiteral("06/30"))});
        }
    rows.Flush();
}

// One dispatch number per day of dispatch; the approved rows checked when dispatched, except
// those of the last day.
void NumberDispatches(TServerDatabase &db, const TDemoTerm &term) {
    const QStringList days = [&] {
        QStringList list;
        for (QSqlQuery q = db.Exec(QStringLiteral("SELECT DISTINCT Dispatchdate FROM RewardPunish "
                                                  "WHERE YSemester = ? ORDER BY Dispatchdate"),
                                   {term.Code});
             q.next();)
            list << q.value(0).toString();
        return list;
    }();
    const QString yesterday = Day(term.Today.addDays(-1));
    int number = 0;
    for (const QString &day : days) {
        const QString checked = day < yesterday ? QStringLiteral("CASE WHEN Verify = 'Y' THEN "
                                                                 "Dispatchdate ELSE NULL END")
                                                : QStringLiteral("NULL");
        db.Exec(QStringLiteral("UPDATE RewardPunish SET Dispatchno = ?, CheckedDate = %1 WHERE "
                               "YSemester = ? AND Dispatchdate = ?")
                    .arg(checked),
                {QStringLiteral("%1%2").arg(term.Code.left(3)).arg(++number, 7, 10, QChar(u'0')),
                 term.Code, day});
    }
}

// The proposals: the rows one unit proposed on one day, rewards and punishments apart.
void FillBills(TServerDatabase &db, const TDemoTerm &term) {
    QMap<QString, QString> proposers; // unit: the first of its staff
    for (QSqlQuery q = db.Exec(QStringLiteral("SELECT UnitID, Cht_Name FROM Employees ORDER BY "
                                              "UnitID, EmpID"));
         q.next();)
        if (!proposers.contains(q.value(0).toString()))
            proposers[q.value(0).toString()] = q.value(1).toString();
    struct TBill {
        QString Day, Unit, Kind;
    };
    QList<TBill> bills;
    for (QSqlQuery q = db.Exec(
             QStringLiteral("SELECT DISTINCT SuggestDate, SuggestUnit_ID, CASE WHEN Kind IN ('1', "
                            "'2', '3') THEN '1' ELSE '2' END FROM RewardPunish WHERE YSemester = ? "
                            "ORDER BY 1, 2, 3"),
             {term.Code});
         q.next();)
        bills.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    TBatchInsert rows(
        db, QStringLiteral("RewardBills"),
        {"RewardNo", "YSemester", "Unit_ID", "SuggestName", "SuggestDate", "Reworpun", "EditInfo"});
    int number = 0;
    for (const TBill &b : bills) {
        const QString no = QStringLiteral("S%1%2").arg(term.Code).arg(++number, 5, 10, QChar(u'0'));
        rows.Add(
            {no, term.Code, b.Unit, proposers.value(b.Unit), b.Day, b.Kind,
             QStringLiteral("E006-%1(15:00)-10.0.0.35")
                 .arg(QDate::fromString(b.Day, Qt::ISODate).toString(QStringLiteral("yy/MM/dd")))});
        db.Exec(QStringLiteral("UPDATE RewardPunish SET BillNo = ? WHERE YSemester = ? AND "
                               "SuggestDate = ? AND SuggestUnit_ID = ? AND (CASE WHEN Kind IN "
                               "('1', '2', '3') THEN '1' ELSE '2' END) = ?"),
                {no, term.Code, b.Day, b.Unit, b.Kind});
    }
    rows.Flush();
}

} // namespace

void FillDemoStudyRewards(TServerDatabase &db, const TDemoTerm &term) {
    FillStudentStudies(db, term);
    FillConduct(db, term);
    NumberDispatches(db, term);
    FillBills(db, term);
}

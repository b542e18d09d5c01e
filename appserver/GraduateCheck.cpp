#include "GraduateCheck.h"

#include "Packet.h"
#include "ServerDatabase.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>
#include <vector>

namespace {

// Rows written into a data packet of declared fields.
class TRows {
public:
    TRows(std::initializer_list<std::pair<const char *, TFieldType>> fields) {
        for (const auto &[name, type] : fields)
            FDefs.push_back(TFieldDef::Make(QLatin1String(name), type, type == ftString ? 200 : 0));
        FWriter = std::make_unique<TPacketWriter>(pkData, FDefs, true);
    }
    void Add(const std::vector<Variant> &values) { FWriter->WriteRow(usUnmodified, values); }
    QByteArray Finish() { return FWriter->Finish(); }

private:
    std::vector<TFieldDef> FDefs;
    std::unique_ptr<TPacketWriter> FWriter;
};

Variant Text(const QVariant &v) {
    return v.isNull() ? Variant::Null() : Variant(v.toString());
}
Variant Number(const QVariant &v) {
    return v.isNull() ? Variant::Null() : Variant(v.toDouble());
}
Variant Whole(const QVariant &v) {
    return v.isNull() ? Variant::Null() : Variant(v.toInt());
}
Variant YesNo(bool yes) {
    return Variant(yes ? QStringLiteral("Y") : QStringLiteral("N"));
}

struct TBest {
    double Score = -1;
    double Credit = 0;
    bool Passed = false;
};

} // namespace

TGraduateCheck GraduateCheck(TServerDatabase &db, const QString &studentID, const QString &studyID,
                             bool countEnrolled) {
    TGraduateCheck out;
    // Every grade of the student, and the best of each course.
    TRows grades{{"StudentID", ftString},  {"YSemester", ftString}, {"CourseID", ftString},
                 {"CourseName", ftString}, {"Choose", ftString},    {"Credit", ftFloat},
                 {"Score", ftFloat},       {"PassYN", ftString}};
    QHash<QString, TBest> best;
    double passedTotal = 0;
    QSqlQuery q = db.Exec(
        QStringLiteral("SELECT c.Semester, c.SubjectID, COALESCE(o.CourseName, c.CourseName), "
                       "o.Choose, COALESCE(o.Credit, c.Credits), COALESCE(e.Score, -1), "
                       "COALESCE(o.PassScore, 60) FROM CourseStudents e "
                       "JOIN SemCourses c ON c.CourseID = e.CourseID "
                       "LEFT JOIN Courses o ON o.CourseID = c.SubjectID "
                       "WHERE e.StudentID = ? ORDER BY c.Semester, c.SubjectID, c.CourseID"),
        {studentID});
    while (q.next()) {
        const QString course = q.value(1).isNull() ? q.value(2).toString() : q.value(1).toString();
        const double score = q.value(5).toDouble();
        const double credit = q.value(4).toDouble();
        const bool passed =
            score == -2 || score >= q.value(6).toDouble() || (countEnrolled && score == -1);
        grades.Add({Variant(studentID), Text(q.value(0)), Variant(course), Text(q.value(2)),
                    Text(q.value(3)), Variant(credit), Variant(score), YesNo(passed)});
        // The grade that passed, else the highest.
        auto b = best.find(course);
        if (b == best.end()) {
            best.insert(course, {score, credit, passed});
            passedTotal += passed ? credit : 0;
        } else if (passed && !b->Passed) {
            *b = {score, credit, true};
            passedTotal += credit;
        } else if (passed == b->Passed && score > b->Score) {
            b->Score = score;
        }
    }
    q.finish();
    out.Grades = grades.Finish();
    const auto score = [&](const QString &course) {
        return best.contains(course) ? Variant(best[course].Score) : Variant::Null();
    };
    const auto passed = [&](const QString &course) {
        return best.contains(course) && best[course].Passed;
    };

    // The programme's courses.
    TRows courses{{"StudyID", ftString},  {"CourseID", ftString}, {"CourseName", ftString},
                  {"Choose", ftString},   {"Credit", ftFloat},    {"Grade", ftInteger},
                  {"Semester", ftString}, {"Remark", ftString},   {"Score", ftFloat},
                  {"PassYN", ftString}};
    double passedMust = 0, passedSelect = 0;
    QSqlQuery qc =
        db.Exec(QStringLiteral("SELECT sc.CourseID, o.CourseName, sc.Choose, sc.Credit, sc.Grade, "
                               "sc.Semester, sc.Remark FROM StudyCourses sc LEFT JOIN Courses o "
                               "ON o.CourseID = sc.CourseID WHERE sc.StudyID = ? "
                               "ORDER BY sc.Grade, sc.Semester, sc.CourseID"),
                {studyID});
    while (qc.next()) {
        const QString course = qc.value(0).toString();
        const bool ok = passed(course);
        if (ok)
            (qc.value(2).toString() == QLatin1String("1") ? passedMust : passedSelect) +=
                qc.value(3).toDouble();
        courses.Add({Variant(studyID), Variant(course), Text(qc.value(1)), Text(qc.value(2)),
                     Number(qc.value(3)), Whole(qc.value(4)), Text(qc.value(5)), Text(qc.value(6)),
                     score(course), YesNo(ok)});
    }
    qc.finish();
    out.Courses = courses.Finish();

    // The discipline groups and their courses.
    struct TGroupSum {
        double Credit = 0;
        int Count = 0;
    };
    QHash<QString, TGroupSum> sums;
    TRows groupCourses{{"ChooseGID", ftString}, {"CourseID", ftString}, {"CourseName", ftString},
                       {"Credit", ftFloat},     {"Score", ftFloat},     {"PassYN", ftString}};
    QSqlQuery qgc =
        db.Exec(QStringLiteral("SELECT gc.ChooseGID, gc.CourseID, o.CourseName, "
                               "COALESCE(gc.Credit, o.Credit) FROM StudyGroups sg "
                               "JOIN ChooseGroupCourses gc ON gc.ChooseGID = sg.ChooseGID "
                               "LEFT JOIN Courses o ON o.CourseID = gc.CourseID "
                               "WHERE sg.StudyID = ? ORDER BY gc.ChooseGID, o.Grade, gc.CourseID"),
                {studyID});
    while (qgc.next()) {
        const QString group = qgc.value(0).toString(), course = qgc.value(1).toString();
        const bool ok = passed(course);
        if (ok) {
            sums[group].Credit += qgc.value(3).toDouble();
            ++sums[group].Count;
        }
        groupCourses.Add({Variant(group), Variant(course), Text(qgc.value(2)), Number(qgc.value(3)),
                          score(course), YesNo(ok)});
    }
    qgc.finish();
    out.GroupCourses = groupCourses.Finish();

    TRows groups{{"StudyID", ftString},        {"ChooseGID", ftString}, {"ChooseGName", ftString},
                 {"Unit_ID", ftString},        {"GroupType", ftString}, {"PassCreditNum", ftFloat},
                 {"PassCourseNum", ftInteger}, {"GetCredit", ftFloat},  {"GetCourseNum", ftInteger},
                 {"PassYN", ftString}};
    int groupCount = 0, groupsPassed = 0;
    QSqlQuery qg =
        db.Exec(QStringLiteral("SELECT g.ChooseGID, g.ChooseGName, g.Unit_ID, g.GroupType, "
                               "g.PassCreditNum, g.PassCourseNum FROM StudyGroups sg JOIN "
                               "ChooseGroups g ON g.ChooseGID = sg.ChooseGID WHERE sg.StudyID = ? "
                               "ORDER BY g.ChooseGID"),
                {studyID});
    while (qg.next()) {
        const TGroupSum sum = sums.value(qg.value(0).toString());
        const bool ok = sum.Credit >= qg.value(4).toDouble() && sum.Count >= qg.value(5).toInt();
        ++groupCount;
        groupsPassed += ok ? 1 : 0;
        groups.Add({Variant(studyID), Text(qg.value(0)), Text(qg.value(1)), Text(qg.value(2)),
                    Text(qg.value(3)), Number(qg.value(4)), Whole(qg.value(5)), Variant(sum.Credit),
                    Variant(sum.Count), YesNo(ok)});
    }
    qg.finish();
    out.Groups = groups.Finish();

    // The student against the programme.
    TRows info{
        {"StudentID", ftString},      {"Cht_Name", ftString},        {"Unit_ID", ftString},
        {"ClassType", ftString},      {"DiplomaType", ftString},     {"NGrade", ftInteger},
        {"AClassName", ftString},     {"StudyID", ftString},         {"StudyName", ftString},
        {"StudyUnit_ID", ftString},   {"StudyType", ftString},       {"GradeuateCredit", ftFloat},
        {"PassTotalCredit", ftFloat}, {"MustCredit", ftFloat},       {"PassMustCredit", ftFloat},
        {"SelectCredit", ftFloat},    {"PassSelectCredit", ftFloat}, {"DiplomaChtName", ftString},
        {"DiplomaEngName", ftString}, {"GroupCount", ftInteger},     {"PassGroupCount", ftInteger},
        {"GraduateYN", ftString}};
    QSqlQuery student = db.Exec(QStringLiteral("SELECT StudentID, Cht_Name, Unit_ID, ClassType, "
                                               "DiplomaType, NGrade, AClassName FROM vStudentAll "
                                               "WHERE StudentID = ?"),
                                {studentID});
    QSqlQuery study = db.Exec(QStringLiteral("SELECT StudyID, StudyName, Unit_ID, StudyType, "
                                             "GradeuateCredit, MustCredit, SelectCredit, "
                                             "DiplomaChtName, DiplomaEngName FROM StudyInfo "
                                             "WHERE StudyID = ?"),
                              {studyID});
    if (student.next() && study.next()) {
        const double total = study.value(4).toDouble(), must = study.value(5).toDouble(),
                     select = study.value(6).toDouble();
        const bool graduates = passedTotal >= total && passedMust >= must &&
                               passedSelect >= select && groupsPassed == groupCount;
        info.Add({Text(student.value(0)), Text(student.value(1)), Text(student.value(2)),
                  Text(student.value(3)), Text(student.value(4)), Whole(student.value(5)),
                  Text(student.value(6)), Text(study.value(0)),   Text(study.value(1)),
                  Text(study.value(2)),   Text(study.value(3)),   Number(study.value(4)),
                  Variant(passedTotal),   Number(study.value(5)), Variant(passedMust),
                  Number(study.value(6)), Variant(passedSelect),  Text(study.value(7)),
                  Text(study.value(8)),   Variant(groupCount),    Variant(groupsPassed),
                  YesNo(graduates)});
    }
    out.Info = info.Finish();
    return out;
}

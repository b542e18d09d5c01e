#include "DemoCurriculum.h"

#include "BatchInsert.h"
#include "DemoRandom.h"
#include "DemoSubjects.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

QVariant NoText() {
    return QVariant(QMetaType::fromType<QString>());
}
QVariant NoNumber() {
    return QVariant(QMetaType::fromType<double>());
}

QString Day(const QDate &date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// The catalogue number of a subject for a year: "CH1" is first-year Chinese.
QString Catalogue(const TDemoSubject &s, int year) {
    return QLatin1String(s.Code) + QString::number(year);
}

// The curriculum domains (cs_GroupType).
const char *DomainName(int domain) {
    static const char *const names[] = {"",     "語文",     "數學", "社會",       "自然科學",
                                        "藝術", "綜合活動", "科技", "健康與體育", "全民國防教育"};
    return domain > 0 && domain < 10 ? names[domain] : "";
}

const char *const kSemesterNumerals[] = {"一", "三", "五"};
const char *const kWeekDays[] = {"一", "二", "三", "四", "五"};

void FillTerms(TServerDatabase &db, const TDemoTerm &term) {
    TBatchInsert terms(db, QStringLiteral("SchoolTerms"), {"YSemester", "BeginDate", "EndDate"});
    const struct {
        const char *Code;
        int Weeks; // from the current term's start
    } all[] = {{"1121", -52}, {"1122", -26}, {"1131", 0}, {"1132", 24}};
    for (const auto &t : all) {
        const QDate begin = term.Begin.addDays(7 * t.Weeks);
        terms.Add({QLatin1String(t.Code), Day(begin), Day(begin.addDays(20 * 7 + 4))});
    }
    terms.Flush();
}

void FillCatalogue(TServerDatabase &db) {
    TBatchInsert courses(db, QStringLiteral("Courses"),
                         {"CourseID",    "CourseName",   "EngName",      "Unit_ID",   "DegreeType",
                          "Choose",      "Credit",       "LectureHours", "LabHours",  "Grade",
                          "Semester",    "UseState",     "GroupType",    "GradeType", "PassScore",
                          "ScienceType", "MinistryCode", "YSemester",    "Remark",    "CreateDate",
                          "Creater"});
    for (int year = 1; year <= 3; ++year)
        for (const TDemoSubject &s : DemoSubjects()) {
            const bool lab = QByteArray(s.Room).endsWith("實驗室");
            // In the last year information technology is an elective.
            const bool elective = year == 3 && qstrcmp(s.Code, "IT") == 0;
            courses.Add({Catalogue(s, year),
                         QString::fromUtf8(s.Name) + u'(' +
                             QString::fromUtf8(kSemesterNumerals[year - 1]) + u')',
                         QLatin1String(s.EngName) + QStringLiteral(" %1").arg(2 * year - 1),
                         QStringLiteral("B10"),
                         NoText(),
                         elective ? QStringLiteral("2") : QStringLiteral("1"),
                         double(s.Periods),
                         s.Periods - (lab ? 1 : 0),
                         lab ? 1 : 0,
                         year,
                         QStringLiteral("1"),
                         QStringLiteral("1"),
                         QLatin1String(s.Domain),
                         QStringLiteral("1"),
                         60.0,
                         NoText(),
                         NoText(),
                         QStringLiteral("1111"),
                         NoText(),
                         QStringLiteral("2022-07-15 10:00:00"),
                         QStringLiteral("E004")});
        }
    courses.Flush();
}

// The discipline groups: the curriculum domains of each department (the mathematics and
// science class adds its own two), each with the catalogue courses of its domain; the study
// programmes: one per department and year of entry, with the department's groups and every
// course of the catalogue.
void FillProgrammes(TServerDatabase &db) {
    TBatchInsert groups(db, QStringLiteral("ChooseGroups"),
                        {"ChooseGID", "ChooseGName", "Unit_ID", "PassCreditNum", "PassCourseNum",
                         "GroupType", "Description", "CreateDate", "Creater", "CheckeDate",
                         "Checker", "LockedYN", "EditInfo"});
    TBatchInsert groupCourses(db, QStringLiteral("ChooseGroupCourses"),
                              {"ChooseGID", "CourseID", "Credit", "EditInfo"});
    const struct {
        const char *Unit;
        const char *Name;
        int From, To; // domains
        const char *Study;
    } departments[] = {{"B10", "普通科", 1, 9, "1"}, {"B20", "數理資優班", 2, 4, "2"}};
    QMap<QString, QStringList> groupsOf; // department: its groups
    for (const auto &d : departments) {
        for (int domain = d.From; domain <= d.To; ++domain) {
            if (qstrcmp(d.Unit, "B20") == 0 && domain == 3)
                continue; // the science class takes the social studies of the general classes
            const QString id = QLatin1String(d.Unit) + QString::number(domain);
            double credits = 0;
            int count = 0;
            for (const TDemoSubject &s : DemoSubjects()) {
                if (QByteArray(s.Domain).toInt() != domain)
                    continue;
                for (int year = 1; year <= 3; ++year) {
                    groupCourses.Add({id, Catalogue(s, year), double(s.Periods), NoText()});
                    credits += s.Periods;
                    ++count;
                }
            }
            groups.Add({id,
                        QString::fromUtf8(d.Name) + QString::fromUtf8(DomainName(domain)) +
                            QStringLiteral("領域"),
                        QLatin1String(d.Unit), credits, count, QString::number(domain),
                        QStringLiteral("部定必修科目"), QStringLiteral("2022-07-15 10:00:00"),
                        QStringLiteral("E004"), QStringLiteral("2022-07-20 14:00:00"),
                        QStringLiteral("E002"), QStringLiteral("Y"), NoText()});
            groupsOf[QLatin1String(d.Unit)] << id;
        }
    }
    groups.Flush();
    groupCourses.Flush();

    TBatchInsert studies(db, QStringLiteral("StudyInfo"),
                         {"StudyID", "StudyName", "LockedYN", "Unit_ID", "ClassType", "StudyType",
                          "GradeuateCredit", "MustCredit", "SelectCredit", "NeedCredit",
                          "DiplomaType", "DiplomaChtName", "DiplomaEngName", "YSemester",
                          "CreateDate", "Creater", "CheckeDate", "Checker", "EditInfo"});
    TBatchInsert studyGroups(db, QStringLiteral("StudyGroups"), {"StudyID", "ChooseGID"});
    TBatchInsert studyCourses(
        db, QStringLiteral("StudyCourses"),
        {"StudyID", "CourseID", "Choose", "Credit", "Grade", "Semester", "Remark", "EditInfo"});
    for (const auto &d : departments) {
        for (int entry = 111; entry <= 113; ++entry) {
            const QString id = QStringLiteral("%1-%2").arg(QLatin1String(d.Unit)).arg(entry);
            studies.Add(
                {id, QString::fromUtf8(d.Name) + QStringLiteral("%1學年度入學課程").arg(entry),
                 QStringLiteral("Y"), QLatin1String(d.Unit), NoText(), QLatin1String(d.Study),
                 150.0, 118.0, 32.0, 0.0, QStringLiteral("1"),
                 QStringLiteral("高級中等學校畢業證書"),
                 QStringLiteral("Senior High School Diploma"),
                 QStringLiteral("%1%2").arg(entry).arg(1),
                 QStringLiteral("%1-06-30 10:00:00").arg(entry + 1911), QStringLiteral("E004"),
                 QStringLiteral("%1-07-10 15:00:00").arg(entry + 1911), QStringLiteral("E002"),
                 NoText()});
            QStringList mine = groupsOf.value(QStringLiteral("B10"));
            if (qstrcmp(d.Unit, "B10") != 0)
                mine += groupsOf.value(QLatin1String(d.Unit));
            for (const QString &g : mine)
                studyGroups.Add({id, g});
            for (int year = 1; year <= 3; ++year)
                for (const TDemoSubject &s : DemoSubjects())
                    studyCourses.Add({id, Catalogue(s, year),
                                      year == 3 && qstrcmp(s.Code, "IT") == 0 ? QStringLiteral("2")
                                                                              : QStringLiteral("1"),
                                      double(s.Periods), year, QStringLiteral("1"), NoText(),
                                      NoText()});
        }
    }
    studies.Flush();
    studyGroups.Flush();
    studyCourses.Flush();
}

// A class's week: each subject's lessons on different days as far as they go, at free periods
// of those days; the two periods left are the class's own.
std::array<std::array<int, 7>, 5> Week(TDemoRandom &random, const QList<TDemoSubject> &subjects) {
    std::array<std::array<int, 7>, 5> week;
    for (auto &day : week)
        day.fill(-1);
    int day = random.Below(5);
    for (int s = 0; s < subjects.size(); ++s) {
        for (int lesson = 0; lesson < subjects[s].Periods; ++lesson) {
            // The next day with a free period.
            int tries = 0;
            while (std::count(week[day].begin(), week[day].end(), -1) == 0 && tries++ < 5)
                day = (day + 1) % 5;
            const int free = int(std::count(week[day].begin(), week[day].end(), -1));
            if (free == 0)
                throw EServerError(QStringLiteral("The subjects do not fit into a week"));
            int pick = random.Below(free);
            for (int &period : week[day])
                if (period == -1 && pick-- == 0) {
                    period = s;
                    break;
                }
            day = (day + 1) % 5;
        }
    }
    return week;
}

// Where and when a course is held: "101教室 一1,三4".
QString TimesAndRoom(const std::array<std::array<int, 7>, 5> &week, int subject,
                     const QString &room) {
    QStringList times;
    for (int d = 0; d < 5; ++d)
        for (int p = 0; p < 7; ++p)
            if (week[size_t(d)][size_t(p)] == subject)
                times << QString::fromUtf8(kWeekDays[d]) + QString::number(p + 1);
    return room + u' ' + times.join(u',');
}

// A grade as a class's results spread: mostly between 60 and 90.
double Grade(TDemoRandom &random) {
    return double((random.Between(35, 100) + random.Between(55, 100) + random.Between(60, 98)) / 3);
}

} // namespace

TDemoTerm DemoTerm(const QDate &today) {
    const QDate sunday = today.addDays(-(today.dayOfWeek() % 7));
    const QDate begin = sunday.addDays(-15 * 7 + 1);
    return {QStringLiteral("1131"), begin, begin.addDays(20 * 7 + 4), today};
}

TDemoTimetable FillDemoCurriculum(TServerDatabase &db, const TDemoTerm &term,
                                  const QMap<QString, QStringList> &teachers) {
    TDemoRandom random(20240901);
    FillTerms(db, term);
    FillCatalogue(db);
    FillProgrammes(db);

    // The classes with their rooms, and their students in school by seat.
    QStringList classes;
    QMap<QString, QString> rooms;
    QSqlQuery q = db.Exec(QStringLiteral("SELECT ClassType, Room FROM ClassTypeDef "
                                         "ORDER BY ClassType"));
    while (q.next()) {
        classes << q.value(0).toString();
        rooms[q.value(0).toString()] = q.value(1).toString();
    }
    QMap<QString, QStringList> roll;
    q = db.Exec(QStringLiteral("SELECT ClassID, StudentID FROM StdOnSchool WHERE State = '0' "
                               "ORDER BY ClassID, SeatNo"));
    while (q.next())
        roll[q.value(0).toString()] << q.value(1).toString();
    q.finish();

    const QList<TDemoSubject> subjects = DemoSubjects();
    TBatchInsert courses(db, QStringLiteral("SemCourses"),
                         {"CourseID", "Semester", "CourseName", "TeacherID", "Credits", "ClassID",
                          "EditInfo", "SubjectID", "CourseSEQNo", "TimeRoomList"});
    TBatchInsert enrolments(db, QStringLiteral("CourseStudents"),
                            {"CourseID", "StudentID", "Score", "EditInfo", "ComResults",
                             "MidResults", "EndResults", "SemResultsTime"});
    const QString stamp = QStringLiteral("E004-24/08/20(10:00)-10.0.0.21");
    const QString scoredAt = term.Begin.addDays(15 * 7 - 3).toString(QStringLiteral("yyyy-MM-dd")) +
                             QStringLiteral(" 16:20:00");
    // Who teaches a subject in a class ("101/CH"): in the first classes the first teachers of
    // the first subjects, elsewhere the subject's new teachers, each a run of the classes.
    QMap<QString, QString> teacherOf;
    for (const TDemoSubject &subject : subjects) {
        QStringList taught;
        for (const QString &c : classes) {
            if (*subject.First && IsFirstClass(c))
                teacherOf[c + u'/' + QLatin1String(subject.Code)] =
                    QString::fromLatin1(subject.First);
            else
                taught << c;
        }
        const QStringList mine = teachers.value(QLatin1String(subject.Code));
        for (qsizetype i = 0; i < taught.size() && !mine.isEmpty(); ++i)
            teacherOf[taught[i] + u'/' + QLatin1String(subject.Code)] =
                mine[i * mine.size() / taught.size()];
    }
    TDemoTimetable timetable;
    for (const QString &classId : classes) {
        const auto week = Week(random, subjects);
        const int year = classId.left(1).toInt();
        TDemoWeek &courseWeek = timetable[classId];
        for (int s = 0; s < subjects.size(); ++s) {
            const TDemoSubject &subject = subjects[s];
            const QString course = term.Code + u'-' + QLatin1String(subject.Code) + classId;
            const QString teacher = teacherOf.value(classId + u'/' + QLatin1String(subject.Code));
            const QString room =
                *subject.Room ? QString::fromUtf8(subject.Room) : rooms.value(classId);
            courses.Add({course, term.Code, QString::fromUtf8(subject.Name), teacher,
                         subject.Periods, classId, stamp, Catalogue(subject, year),
                         classId.right(2), TimesAndRoom(week, s, room)});
            for (int d = 0; d < 5; ++d)
                for (int p = 0; p < 7; ++p)
                    if (week[size_t(d)][size_t(p)] == s)
                        courseWeek[size_t(d)][size_t(p)] = course;
            // The results entered so far: the mid-term of nearly everyone, the coursework of
            // some courses, the semester results where the school began with them.
            const bool scored =
                classId == QLatin1String("301") ||
                (classId == QLatin1String("201") &&
                 (qstrcmp(subject.Code, "CH") == 0 || qstrcmp(subject.Code, "MA") == 0));
            const bool coursework = random.Chance(600);
            for (const QString &student : roll.value(classId)) {
                const int score = 58 + int((student.toInt() * 7 + int(qHash(course)) % 97) % 40);
                enrolments.Add({course, student, scored ? QVariant(double(score)) : NoNumber(),
                                stamp, coursework ? QVariant(Grade(random)) : NoNumber(),
                                random.Chance(980) ? QVariant(Grade(random)) : NoNumber(),
                                NoNumber(), scored ? QVariant(scoredAt) : NoText()});
            }
        }
    }
    courses.Flush();
    enrolments.Flush();
    return timetable;
}

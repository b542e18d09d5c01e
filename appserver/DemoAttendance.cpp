#include "DemoAttendance.h"

#include "BatchInsert.h"
#include "DemoRandom.h"
#include "ServerDatabase.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

QVariant NoText() {
    return QVariant(QMetaType::fromType<QString>());
}
QVariant NoNumber() {
    return QVariant(QMetaType::fromType<qlonglong>());
}

QString Day(const QDate &date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// How often a student is away: in a thousand school days, late and away (an event of leave or
// truancy), and how much more of it is truancy.
struct THabit {
    int Late;
    int Away;
    int Truancy; // weight of truancy among the events
    int Kind;    // 0 seldom away, 1 often, 2 often truant
};

THabit Habit(TDemoRandom &random) {
    const int r = random.Below(100);
    if (r < 90)
        return {8, 10, 10, 0};
    if (r < 98)
        return {35, 30, 20, 1};
    return {80, 45, 90, 2};
}

QList<QDate> SchoolDays(const TDemoTerm &term) {
    QList<QDate> days;
    for (QDate d = term.Begin; d < term.Today && d <= term.End; d = d.addDays(1)) {
        if (d.dayOfWeek() > 5)
            continue;
        if ((d.month() == 10 && d.day() == 10) || (d.month() == 1 && d.day() == 1))
            continue; // national holidays
        days << d;
    }
    return days;
}

// What a student's day was: per period away (with the leave type, empty for truancy) or late.
struct TDay {
    std::array<bool, 7> Away{};
    std::array<QString, 7> Leave{};
    std::array<bool, 7> Late{};
    bool Any() const {
        return std::find(Away.begin(), Away.end(), true) != Away.end() ||
               std::find(Late.begin(), Late.end(), true) != Late.end();
    }
};

void AwayFrom(TDay &day, int from, int to, const QString &leave) {
    for (int p = from; p <= to; ++p) {
        day.Away[size_t(p)] = true;
        day.Leave[size_t(p)] = leave;
    }
}

TDay StudentDay(TDemoRandom &random, const THabit &habit) {
    TDay day;
    if (random.Chance(habit.Late))
        day.Late[0] = true;
    if (!random.Chance(habit.Away))
        return day;
    const int sick = 35, sickPart = 10, personal = 18, official = 10, funeral = 2, partly = 5;
    int draw =
        random.Below(sick + sickPart + personal + official + funeral + partly + habit.Truancy);
    const auto is = [&draw](int weight) { return (draw -= weight) < 0; };
    if (is(sick)) {
        AwayFrom(day, 0, 6, QStringLiteral("02"));
    } else if (is(sickPart)) {
        if (random.Chance(500))
            AwayFrom(day, 0, 3, QStringLiteral("02"));
        else
            AwayFrom(day, 4, 6, QStringLiteral("02"));
    } else if (is(personal)) {
        AwayFrom(day, 4, 6, QStringLiteral("01"));
    } else if (is(official)) {
        const int from = random.Between(0, 4);
        AwayFrom(day, from, std::min(6, from + random.Between(1, 3)), QStringLiteral("03"));
    } else if (is(funeral)) {
        AwayFrom(day, 0, 6, QStringLiteral("04"));
    } else if (is(partly)) {
        // Away all day, excused for the morning only.
        AwayFrom(day, 0, 6, QString());
        AwayFrom(day, 0, 3, QStringLiteral("02"));
    } else {
        const int periods = random.Between(1, 3);
        for (int i = 0; i < periods; ++i)
            day.Away[size_t(random.Below(7))] = true;
    }
    if (day.Away[0])
        day.Late[0] = false;
    return day;
}

void FillRollCalls(TServerDatabase &db, const TDemoTerm &term, const TDemoTimetable &timetable,
                   const QList<QPair<QString, QString>> &students, const QList<THabit> &habits) {
    TDemoRandom random(20240903);
    TBatchInsert rows(db, QStringLiteral("StdAbsence"),
                      {"StudentID", "AbsenceDate", "SemCourseID", "AbsenceNo", "YSemester",
                       "SecAbsence", "SecLate", "SecVAC", "VAC_ID", "ASectionList", "TranYN",
                       "EditInfo"},
                      100);
    const QList<QDate> days = SchoolDays(term);
    int slip = 0;
    for (qsizetype i = 0; i < students.size(); ++i) {
        const auto &[student, classId] = students[i];
        const TDemoWeek week = timetable.value(classId);
        for (const QDate &date : days) {
            const TDay day = StudentDay(random, habits[i]);
            if (!day.Any())
                continue;
            // The periods of each course held that day, in the order of the day.
            struct TCourseDay {
                QString Course;
                int Away = 0, Late = 0, Leave = 0;
                QString Type;
                QStringList Periods;
            };
            QList<TCourseDay> courses;
            const auto &periods = week[size_t(date.dayOfWeek() - 1)];
            for (int p = 0; p < 7; ++p) {
                const QString &course = periods[size_t(p)];
                const bool away = day.Away[size_t(p)], late = day.Late[size_t(p)];
                if (course.isEmpty() || (!away && !late))
                    continue; // the class's own periods are not a course's
                auto it = std::find_if(courses.begin(), courses.end(),
                                       [&](const TCourseDay &c) { return c.Course == course; });
                if (it == courses.end())
                    it = courses.insert(courses.end(), TCourseDay{course, 0, 0, 0, {}, {}});
                it->Away += away;
                it->Late += late;
                if (away && !day.Leave[size_t(p)].isEmpty()) {
                    ++it->Leave;
                    it->Type = day.Leave[size_t(p)];
                }
                it->Periods << QString::number(p + 1);
            }
            if (courses.isEmpty())
                continue;
            const QString number = term.Code + QStringLiteral("%1").arg(++slip, 6, 10, QChar(u'0'));
            const QString posted =
                date.daysTo(term.Today) > 7 ? QStringLiteral("Y") : QStringLiteral("N");
            const QString stamp = QStringLiteral("E011-%1(16:30)-10.0.0.35")
                                      .arg(date.toString(QStringLiteral("yy/MM/dd")));
            for (const TCourseDay &c : courses)
                rows.Add({student, Day(date), c.Course, number, term.Code, c.Away, c.Late, c.Leave,
                          c.Leave > 0 ? QVariant(c.Type) : NoText(), c.Periods.join(u','), posted,
                          stamp});
        }
    }
    rows.Flush();
}

struct TReward {
    QDate Suggested;
    QString Student;
    QString Kind;
    int Count;
};

// The reasons of each kind of AF_REPU (1 commendation ... 7 probation), and the article of the
// school's rules it goes by.
struct TReason {
    const char *Kind;
    int Article;
    const char *Origins[6];
};
const TReason kReasons[] = {
    {"1",
     4,
     {"擔任班級幹部認真負責", "熱心服務，協助整理校園環境", "參加校內國語文競賽獲佳作",
      "協助辦理校慶運動會", "拾獲物品送交招領", "擔任升旗典禮司儀"}},
    {"2", 5, {"代表學校參加臺北市科學展覽獲獎", "擔任班長表現優異", "參加全國語文競賽獲佳作"}},
    {"3", 6, {"參加全國學生美術比賽獲特優", "見義勇為，協助救護受傷民眾"}},
    {"4", 8, {"上課遲到，屢勸不改", "服裝儀容不整", "上課使用手機", "未按時繳交作業"}},
    {"5", 9, {"無故曠課累計達十節", "考試作弊", "頂撞師長"}},
    {"6", 10, {"打架滋事，情節重大", "竊取他人財物"}},
    {"7", 11, {"累犯校規，情節重大"}},
};

int Origins(const TReason &r) {
    int n = 0;
    while (n < 6 && r.Origins[n])
        ++n;
    return n;
}

void FillRewards(TServerDatabase &db, const TDemoTerm &term,
                 const QList<QPair<QString, QString>> &students, const QList<THabit> &habits) {
    TDemoRandom random(20240904);
    QList<QDate> days = SchoolDays(term);
    while (!days.isEmpty() && days.last().daysTo(term.Today) < 2)
        days.removeLast();
    if (days.isEmpty())
        return;
    QList<TReward> rewards;
    const auto add = [&](const QString &student, const char *kind, int count) {
        rewards.append({days[random.Below(int(days.size()))], student, QLatin1String(kind), count});
    };
    for (qsizetype i = 0; i < students.size(); ++i) {
        const QString &student = students[i].first;
        const int habit = habits[i].Kind;
        const int commendations = std::array{
            0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 4}[size_t(random.Below(20))];
        for (int c = 0; c < commendations; ++c)
            add(student, "1", random.Chance(200) ? 2 : 1);
        if (random.Chance(habit == 0 ? 60 : 20))
            add(student, "2", 1);
        if (habit == 0 && random.Chance(5))
            add(student, "3", 1);
        const int warnings = habit == 0   ? (random.Chance(80) ? 1 : 0)
                             : habit == 1 ? (random.Chance(400) ? random.Between(1, 2) : 0)
                                          : (random.Chance(800) ? random.Between(1, 3) : 0);
        for (int w = 0; w < warnings; ++w)
            add(student, "4", 1);
        if (random.Chance(habit == 0 ? 3 : habit == 1 ? 40 : 350))
            add(student, "5", 1);
        if (habit == 2 && random.Chance(60))
            add(student, "6", 1);
        if (habit == 2 && random.Chance(20))
            add(student, "7", 1);
    }
    std::stable_sort(rewards.begin(), rewards.end(),
                     [](const TReward &a, const TReward &b) { return a.Suggested < b.Suggested; });
    TBatchInsert rows(db, QStringLiteral("RewardPunish"),
                      {"RewardNo", "YSemester", "StudentID", "OriginType", "Origin", "Basis",
                       "Kind", "RepuCnt", "SuggestDate", "SuggestUnit_ID", "Verify", "VerifyKind",
                       "VerifyCnt", "VerifyDate", "Dispatchdate", "Dispatchword", "Dispatchno",
                       "TranYN", "EditInfo"});
    const QDate yesterday = term.Today.addDays(-1);
    int number = 0;
    for (const TReward &r : rewards) {
        const TReason &reason = kReasons[r.Kind.toInt() - 1];
        const bool pending = r.Suggested.daysTo(term.Today) < 14 && random.Chance(500);
        const QDate verified = std::min(r.Suggested.addDays(random.Between(2, 5)), yesterday);
        const QDate dispatched = pending
                                     ? std::min(r.Suggested.addDays(1), yesterday)
                                     : std::min(verified.addDays(random.Between(1, 3)), yesterday);
        const bool posted = !pending && dispatched.daysTo(term.Today) > 7;
        ++number;
        rows.Add(
            {QStringLiteral("R%1%2").arg(term.Code).arg(number, 5, 10, QChar(u'0')), term.Code,
             r.Student,
             r.Kind.toInt() <= 3 || random.Chance(300) ? QStringLiteral("1") : QStringLiteral("2"),
             QString::fromUtf8(reason.Origins[random.Below(Origins(reason))]),
             QStringLiteral("學生獎懲實施要點第%1條第%2款")
                 .arg(reason.Article)
                 .arg(random.Between(1, 6)),
             r.Kind, r.Count, Day(r.Suggested),
             random.Chance(700) ? QStringLiteral("A20") : QStringLiteral("A21"),
             pending ? QStringLiteral("N") : QStringLiteral("Y"),
             pending ? NoText() : QVariant(r.Kind), pending ? NoNumber() : QVariant(r.Count),
             pending ? NoText() : Day(verified), Day(dispatched), QStringLiteral("北示高學字"),
             QStringLiteral("113%1").arg(number, 7, 10, QChar(u'0')),
             posted ? QStringLiteral("Y") : QStringLiteral("N"),
             QStringLiteral("E006-%1(15:00)-10.0.0.35")
                 .arg(dispatched.toString(QStringLiteral("yy/MM/dd")))});
    }
    rows.Flush();
}

} // namespace

void FillDemoAttendance(TServerDatabase &db, const TDemoTerm &term,
                        const TDemoTimetable &timetable) {
    QList<QPair<QString, QString>> students; // in school: number, class
    QSqlQuery q = db.Exec(QStringLiteral("SELECT StudentID, ClassID FROM StdOnSchool WHERE "
                                         "State = '0' ORDER BY ClassID, SeatNo, StudentID"));
    while (q.next())
        students.append({q.value(0).toString(), q.value(1).toString()});
    q.finish();
    TDemoRandom random(20240905);
    QList<THabit> habits;
    for (qsizetype i = 0; i < students.size(); ++i)
        habits << Habit(random);
    FillRollCalls(db, term, timetable, students, habits);
    FillRewards(db, term, students, habits);
}

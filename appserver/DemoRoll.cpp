#include "DemoRoll.h"

#include "BatchInsert.h"
#include "DemoPeople.h"
#include "DemoSubjects.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QDate>
#include <QSqlQuery>

namespace {

constexpr int kClassesPerYear = 12;
// The size of each year's classes, first to twelfth: 420 students a year.
constexpr int kClassSizes[kClassesPerYear] = {35, 36, 34, 37, 33, 35, 36, 34, 35, 37, 33, 35};

QVariant NoText() {
    return QVariant(QMetaType::fromType<QString>());
}

QString Numeral(int n) {
    static const char *const digits[] = {"",   "一", "二", "三", "四", "五",
                                         "六", "七", "八", "九", "十"};
    if (n <= 10)
        return QString::fromUtf8(digits[n]);
    return QStringLiteral("十") + QString::fromUtf8(digits[n - 10]);
}

QString ClassID(int year, int number) {
    return QStringLiteral("%1%2").arg(year).arg(number, 2, 10, QChar(u'0'));
}

// The ROC year in which the students of a school year entered: the first year entered in 113.
int EntryYear(int year) {
    return 114 - year;
}

// The office staff besides the teachers: number, title, unit.
struct TClerk {
    const char *Id;
    const char *Title;
    const char *Unit;
};
const TClerk kClerks[] = {
    {"E009", "註冊組幹事", "A11"}, {"E010", "課務組幹事", "A12"}, {"E011", "生輔組幹事", "A21"},
    {"E012", "護理師", "A20"},     {"E013", "輔導教師", "A20"},   {"E014", "教官", "A20"},
    {"E015", "總務處幹事", "A30"}, {"E016", "出納組長", "A30"},   {"E017", "會計佐理員", "A50"}};

// The family of a student: guardian and emergency contact with their relation (NREI) and
// phone.
struct TFamily {
    QString Guardian, GuardianRelation, GuardianTel, Emergent, EmergentRelation, EmergentTel;
};

TFamily Family(TDemoPeople &people, TDemoRandom &random, const QString &surname) {
    TFamily f;
    const int kind = random.Below(100);
    const QString father = surname + people.GivenName(true);
    const QString mother = people.Name(false);
    if (kind < 62) {
        f = {father, QStringLiteral("01"), {}, mother, QStringLiteral("02"), {}};
    } else if (kind < 95) {
        f = {mother, QStringLiteral("02"), {}, father, QStringLiteral("01"), {}};
    } else {
        const bool grandfather = random.Chance(500);
        f = {surname + people.GivenName(grandfather),
             grandfather ? QStringLiteral("03") : QStringLiteral("04"),
             {},
             people.Name(random.Chance(500)),
             QStringLiteral("09"),
             {}};
    }
    f.GuardianTel = people.MobilePhone();
    f.EmergentTel = people.MobilePhone();
    return f;
}

// Admission: mostly new students, a few transfers and returning students; a few indigenous
// students and students with disabilities.
QString EnterType(TDemoRandom &random) {
    const int r = random.Below(100);
    return r < 95 ? QStringLiteral("1") : r < 98 ? QStringLiteral("2") : QStringLiteral("3");
}
QString EnterNormalType(TDemoRandom &random) {
    const int r = random.Below(100);
    return r < 95 ? QStringLiteral("1") : r < 98 ? QStringLiteral("2") : QStringLiteral("3");
}

QStringList StudentColumns() {
    return {"StudentID",        "Cht_Name",    "Sex",
            "ClassID",          "SeatNo",      "State",
            "Birthday",         "IDNo",        "Address",
            "EditInfo",         "Nationality", "Birth_Residence",
            "PostCode",         "Tel",         "Genearch",
            "GenearchRelation", "GenearchTel", "Emergent",
            "EmergentRelation", "EmergentTel", "EnterType",
            "EnterNormalType",  "DiplomaType"};
}

// What the students the school started with lacked: family, post code, place of birth and
// school fields.
void CompleteFirstStudents(TServerDatabase &db, TDemoPeople &people, TDemoRandom &random) {
    struct TFirst {
        QString Id, Name, IDNo, Address;
    };
    QList<TFirst> first;
    QSqlQuery q = db.Exec(QStringLiteral("SELECT StudentID, Cht_Name, IDNo, Address FROM "
                                         "StdOnSchool WHERE Genearch IS NULL ORDER BY StudentID"));
    while (q.next())
        first.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                      q.value(3).toString()});
    q.finish();
    QSqlQuery update(db.Db());
    update.prepare(QStringLiteral(
        "UPDATE StdOnSchool SET Nationality = ?, Birth_Residence = ?, PostCode = ?, Tel = ?, "
        "Genearch = ?, GenearchRelation = ?, GenearchTel = ?, Emergent = ?, "
        "EmergentRelation = ?, EmergentTel = ?, EnterType = '1', EnterNormalType = '1', "
        "DiplomaType = '1' WHERE StudentID = ?"));
    for (const TFirst &s : first) {
        const TFamily f = Family(people, random, s.Name.left(1));
        const QVariantList values{
            QStringLiteral("TW"),
            TDemoPeople::CountyOf(s.IDNo.isEmpty() ? QChar() : s.IDNo[0].toUpper()),
            people.PostCodeOf(s.Address),
            people.HomePhone(),
            f.Guardian,
            f.GuardianRelation,
            f.GuardianTel,
            f.Emergent,
            f.EmergentRelation,
            f.EmergentTel,
            s.Id};
        for (int i = 0; i < values.size(); ++i)
            update.bindValue(i, values[i]);
        if (!update.exec())
            throw EServerError(QStringLiteral("Cannot complete the student %1").arg(s.Id));
    }
}

} // namespace

QMap<QString, QStringList> FillDemoStaff(TServerDatabase &db, TDemoPeople &people) {
    TDemoRandom random(20240902);
    TBatchInsert staff(db, QStringLiteral("Employees"),
                       {"EmpID", "Cht_Name", "UnitID", "Title", "Extension", "EMail", "IDNo"});
    const auto add = [&](const QString &id, const QString &title, const QString &unit,
                         int extension) {
        const bool male = random.Chance(450);
        staff.Add({id, people.Name(male), unit, title, QString::number(extension),
                   id.toLower() + QStringLiteral("@demo-school.example"),
                   people.IdentityNumber(people.BirthPlace().Letter, male)});
    };
    QMap<QString, QStringList> teachers;
    int next = 3; // T001 and T002 are the first teachers
    for (const TDemoSubject &s : DemoSubjects()) {
        for (int i = 0; i < s.Teachers; ++i) {
            const QString id = QStringLiteral("T%1").arg(next, 3, 10, QChar(u'0'));
            add(id, QString::fromUtf8(s.Name) + QStringLiteral("科教師"), QStringLiteral("A10"),
                600 + next);
            teachers[QLatin1String(s.Code)] << id;
            ++next;
        }
    }
    int extension = 230;
    for (const TClerk &c : kClerks)
        add(QLatin1String(c.Id), QString::fromUtf8(c.Title), QLatin1String(c.Unit), ++extension);
    staff.Flush();
    return teachers;
}

void FillDemoRoll(TServerDatabase &db, TDemoPeople &people, const QStringList &tutors) {
    TDemoRandom random(20240830);
    TBatchInsert codes(db, QStringLiteral("CodeTable"),
                       {"Main_Code", "Code", "Descript", "ALevel", "AParent", "AValue"});
    TBatchInsert classes(db, QStringLiteral("ClassTypeDef"),
                         {"ClassType", "Unit_ID", "NGrade", "AClassName", "Tutor", "Room"});
    TBatchInsert students(db, QStringLiteral("StdOnSchool"), StudentColumns());
    int tutor = 0;
    for (int year = 1; year <= 3; ++year) {
        const int entry = EntryYear(year);
        int number = entry * 1000 + 101; // the next new student's number
        const int bornFrom = QDate(entry + 1911 - 16, 9, 1).toJulianDay();
        for (int n = 1; n <= kClassesPerYear; ++n) {
            const QString id = ClassID(year, n);
            codes.Add({QStringLiteral("st_CLASS"), id,
                       Numeral(year) + QStringLiteral("年") + Numeral(n) + QStringLiteral("班"), 1,
                       QString(), year});
            classes.Add({id, n == kClassesPerYear ? QStringLiteral("B20") : QStringLiteral("B10"),
                         year, QString::number(n), tutors.value(tutor++),
                         id + QStringLiteral("教室")});
            // The seats the first students hold come first.
            const int seated =
                db.Scalar(QStringLiteral("SELECT COALESCE(MAX(SeatNo), 0) FROM StdOnSchool WHERE "
                                         "ClassID = ?"),
                          {id})
                    .toInt();
            for (int seat = seated + 1; seat <= kClassSizes[n - 1]; ++seat) {
                const bool male = random.Chance(500);
                const QString surname = people.Surname();
                const TDemoPeople::TPlace born = people.BirthPlace();
                const TDemoPeople::TAddress home = people.HomeAddress();
                const TFamily f = Family(people, random, surname);
                students.Add({QString::number(number++),
                              surname + people.GivenName(male),
                              male ? QStringLiteral("1") : QStringLiteral("2"),
                              id,
                              seat,
                              random.Chance(12) ? QStringLiteral("1") : QStringLiteral("0"),
                              QDate::fromJulianDay(bornFrom + random.Below(365))
                                  .toString(QStringLiteral("yyyy-MM-dd")),
                              people.IdentityNumber(born.Letter, male),
                              home.Text,
                              NoText(),
                              QStringLiteral("TW"),
                              born.County,
                              home.PostCode,
                              people.HomePhone(),
                              f.Guardian,
                              f.GuardianRelation,
                              f.GuardianTel,
                              f.Emergent,
                              f.EmergentRelation,
                              f.EmergentTel,
                              EnterType(random),
                              EnterNormalType(random),
                              QStringLiteral("1")});
            }
        }
    }
    codes.Flush();
    classes.Flush();
    students.Flush();
    CompleteFirstStudents(db, people, random);
}

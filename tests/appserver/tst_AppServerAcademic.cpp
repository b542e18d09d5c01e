// The academic office's views and providers on a real server, over the wire: the demo school at
// its full size (families, addresses with their post codes, valid identity numbers, a week's
// timetable for every class, the term's roll calls and rewards), the statements the reports
// send answered with the fields they read, the weekly and term figures agreeing with the roll
// call they come from, and the same figures worked out by hand for a small known set of rows;
// and the demo school made the same way twice.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "DemoSchool.h"
#include "Fields.h"
#include "FixedClock.h"
#include "PostCodeTable.h"
#include "ServerDatabase.h"
#include "StringList.h"
#include "uGenSQLWhere.h"
#include "uLumPublic.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QSqlRecord>
#include <QTest>
#include <tuple>

namespace {

const QString kStudents = QStringLiteral("SrvAcademic.AcadStudentINTF");
const QString kCourses = QStringLiteral("SrvAcademic.AcadCourseINTF");
const QString kSemCourses = QStringLiteral("SrvAcademic.AcadSemCoursesINTF");
const QString kAbsence = QStringLiteral("SrvAcademic.AcadAbsenceINTF");
const QString kRewards = QStringLiteral("SrvAcademic.AcadRewardConductINTF");

std::unique_ptr<TClientDataSet> Open(TSocketConnection &connection, const QString &provider,
                                     const QString &statement = {}, const QString &no = {}) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    if (!statement.isEmpty())
        ds->SetCommandText(statement);
    if (!no.isEmpty())
        ds->Params().CreateParam(ftString, QStringLiteral("No")).SetAsString(no);
    ds->Open();
    return ds;
}

// The fields of the current row, blank-separated; dates as yyyy-MM-dd.
QString Line(TDataSet &ds, const QStringList &fields) {
    QStringList values;
    for (const QString &name : fields) {
        const TField *f = ds.FieldByName(name);
        values << (f->IsNull()               ? QStringLiteral("-")
                   : f->DataType() == ftDate ? f->AsDateTime().ToDate().toString(Qt::ISODate)
                                             : f->AsString());
    }
    return values.join(u' ');
}

QStringList Lines(TDataSet &ds, const QStringList &fields) {
    QStringList lines;
    for (ds.First(); !ds.Eof(); ds.Next())
        lines << Line(ds, fields);
    return lines;
}

QStringList Names(const char *text) {
    return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
}

QStringList Week(const char *kind) {
    QStringList names;
    for (int d = 1; d <= 7; ++d)
        names << QString::fromLatin1(kind).arg(d);
    return names;
}

// A condition as the report modules build it: the term, a period of days, the students.
QString Where(const char *term, const char *dateField, QDate from, QDate to,
              const TStringList &students) {
    TGenSQLWhere where;
    if (term)
        where.AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), QLatin1String(term));
    if (dateField)
        where.BetweenDate(true, QLatin1String(dateField), TDateTime::FromDate(from),
                          TDateTime::FromDate(to));
    where.InStrings(true, QStringLiteral("StudentID"), students);
    return where.SQLWhere();
}

QString Roll(const char *student, const char *day, const char *course, int away, int late,
             int leave, const char *type, const char *periods) {
    const QString term = QLatin1String(course).left(4);
    return QStringLiteral("INSERT INTO StdAbsence (StudentID, AbsenceDate, SemCourseID, AbsenceNo, "
                          "YSemester, SecAbsence, SecLate, SecVAC, VAC_ID, ASectionList, TranYN) "
                          "VALUES ('%1', '%2', '%3', '%4', '%5', %6, %7, %8, %9, '%10', 'Y')")
        .arg(QLatin1String(student), QLatin1String(day), QLatin1String(course),
             term + QString::fromLatin1(day).remove(u'-'), term, QString::number(away),
             QString::number(late), QString::number(leave),
             type ? QStringLiteral("'%1'").arg(QLatin1String(type)) : QStringLiteral("NULL"),
             QLatin1String(periods));
}

QString Reward(const char *no, const char *term, const char *student, const char *verify,
               const char *kind, int count, const char *posted, const char *day) {
    const QString verified = *verify == 'Y'
                                 ? QStringLiteral("'%1', %2").arg(QLatin1String(kind)).arg(count)
                                 : QStringLiteral("NULL, NULL");
    return QStringLiteral(
               "INSERT INTO RewardPunish (RewardNo, YSemester, StudentID, Kind, RepuCnt, "
               "Verify, VerifyKind, VerifyCnt, TranYN, Dispatchdate) VALUES ('%1', "
               "'%2', '%3', '%4', %5, '%6', %7, '%8', '%9')")
        .arg(QLatin1String(no), QLatin1String(term), QLatin1String(student), QLatin1String(kind),
             QString::number(count), QLatin1String(verify), verified, QLatin1String(posted),
             QLatin1String(day));
}

// Every row of the school's tables as text, table by table, sorted; the password hashes (salted
// afresh each time) left out.
QStringList SchoolRows(TServerDatabase &db) {
    static const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+)"));
    QStringList rows;
    for (const QString &statement : SchemaStatements()) {
        const QString name = table.match(statement).captured(1);
        if (name.isEmpty() || ServerOnlyTables().contains(name))
            continue;
        QSqlQuery q = db.Exec(QStringLiteral("SELECT * FROM %1").arg(name));
        const QSqlRecord columns = q.record();
        QStringList mine;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < columns.count(); ++i)
                if (columns.fieldName(i).compare(QLatin1String("PasswordHash"),
                                                 Qt::CaseInsensitive) != 0)
                    values << q.value(i).toString();
            mine << name + u':' + values.join(u'|');
        }
        mine.sort();
        rows += mine;
    }
    return rows;
}

} // namespace

class TstAppServerAcademic : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }
    QStringList Column(const QString &sql) const {
        QStringList values;
        const QString connection = QStringLiteral("column");
        {
            const TDatabaseConfig &config = FServer->Database().Config();
            QSqlDatabase db = QSqlDatabase::addDatabase(config.Driver, connection);
            db.setDatabaseName(config.Name);
            db.setHostName(config.Host);
            db.setPort(config.Port);
            db.setUserName(config.User);
            db.open();
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(sql);
            const int columns = q.record().count();
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < columns; ++i)
                    row << q.value(i).toString();
                values << row.join(u' ');
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return values;
    }

    // A student without an identity number yet, who is no one's "ID is Null".
    void AddStudentWithoutNumber() const {
        if (!Count("SELECT COUNT(*) FROM StdOnSchool WHERE StudentID = '113999'"))
            FServer->Database().Run({"INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, "
                                     "SeatNo, State) VALUES ('113999', '新同學', '1', '101', 40, "
                                     "'0')"});
    }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
    }
    void cleanupTestCase() { FServer.reset(); }

    void demoSchoolAtFullSize() {
        // Three years of twelve classes of about 35, the students it began with among them.
        const int students = Count("SELECT COUNT(*) FROM StdOnSchool");
        QVERIFY2(students >= 1200 && students <= 1320, qPrintable(QString::number(students)));
        QCOMPARE(Count("SELECT COUNT(DISTINCT ClassID) FROM StdOnSchool"), 36);
        QCOMPARE(Count("SELECT COUNT(*) FROM ClassTypeDef"), 36);
        QCOMPARE(Count("SELECT COUNT(*) FROM (SELECT ClassID FROM StdOnSchool GROUP BY ClassID "
                       "HAVING COUNT(*) < 30 OR COUNT(*) > 40) x"),
                 0);
        QCOMPARE(Column("SELECT Cht_Name, ClassID, SeatNo, State FROM StdOnSchool WHERE StudentID "
                        "IN ('113001', '113004', '111003') ORDER BY StudentID"),
                 (QStringList{QStringLiteral("王建民 301 3 0"), QStringLiteral("王小明 101 1 0"),
                              QStringLiteral("陳怡安 101 4 1")}));
        const int staff = Count("SELECT COUNT(*) FROM Employees");
        QVERIFY2(staff >= 85 && staff <= 95, qPrintable(QString::number(staff)));

        // Every student has a family and an address whose post code is its township's; the
        // identity numbers pass the national check with the student's sex, each given once.
        QCOMPARE(Count("SELECT COUNT(*) FROM StdOnSchool WHERE Genearch IS NULL OR Emergent IS "
                       "NULL OR GenearchTel IS NULL OR Address IS NULL OR PostCode IS NULL"),
                 0);
        const TPostCodeTable codes = TPostCodeTable::BuiltIn();
        QSet<QString> numbers;
        for (const QString &row :
             Column("SELECT StudentID, Sex, IDNo, PostCode, Address FROM StdOnSchool")) {
            const QStringList f = row.split(u' ');
            QVERIFY2(!f[3].isEmpty() && codes.CodeOf(f[4]) == f[3], qPrintable(row));
            QChar sex;
            QVERIFY2(CheckRocIDBySex(f[2], sex), qPrintable(row));
            QCOMPARE(f[1], sex == u'M' ? QStringLiteral("1") : QStringLiteral("2"));
            numbers.insert(f[2]);
        }
        QCOMPARE(int(numbers.size()), students);
        for (const QString &number : Column("SELECT IDNo FROM Employees WHERE EmpID > 'E008' AND "
                                            "EmpID NOT IN ('T001', 'T002')"))
            QVERIFY2(CheckRocID(number) && !numbers.contains(number), qPrintable(number));

        // Every class takes every subject from a teacher of the school, none of them
        // overloaded; each class has its students in school in each of its courses.
        QCOMPARE(Count("SELECT COUNT(*) FROM (SELECT ClassID FROM SemCourses GROUP BY ClassID "
                       "HAVING COUNT(*) = 16) x"),
                 36);
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses c WHERE NOT EXISTS (SELECT 1 FROM "
                       "Employees e WHERE e.EmpID = c.TeacherID)"),
                 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM (SELECT TeacherID FROM SemCourses GROUP BY "
                       "TeacherID HAVING SUM(Credits) > 24) x"),
                 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM CourseStudents e JOIN SemCourses c ON c.CourseID = "
                       "e.CourseID JOIN StdOnSchool s ON s.StudentID = e.StudentID WHERE "
                       "s.ClassID <> c.ClassID OR s.State <> '0'"),
                 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM CourseStudents"),
                 16 * Count("SELECT COUNT(*) FROM StdOnSchool WHERE State = '0'"));
        // Grades so far: mid-terms nearly all in, semester results only where the school
        // began with them, no final results yet.
        QVERIFY(Count("SELECT COUNT(MidResults) FROM CourseStudents") >
                Count("SELECT COUNT(*) FROM CourseStudents") * 9 / 10);
        QCOMPARE(Count("SELECT COUNT(*) FROM CourseStudents e JOIN SemCourses c ON c.CourseID = "
                       "e.CourseID WHERE e.Score IS NOT NULL AND c.ClassID NOT IN ('201', '301')"),
                 0);
        QCOMPARE(Count("SELECT COUNT(EndResults) FROM CourseStudents"), 0);

        // The roll calls of school days of the term up to the day before; known leave types;
        // rewards approved and posted, some still pending or not posted.
        QVERIFY(Count("SELECT COUNT(*) FROM StdAbsence") > 3000);
        const QString today = Date().ToDate().toString(Qt::ISODate);
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM StdAbsence a JOIN SchoolTerms t ON "
                                      "t.YSemester = a.YSemester WHERE a.AbsenceDate < "
                                      "t.BeginDate OR a.AbsenceDate >= '%1'")
                           .arg(today)),
                 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM StdAbsence WHERE VAC_ID IS NOT NULL AND VAC_ID NOT "
                       "IN ('01', '02', '03', '04')"),
                 0);
        for (const char *kind : {"Verify = 'Y' AND TranYN = 'Y'", "Verify = 'Y' AND TranYN = 'N'",
                                 "Verify = 'N' AND VerifyKind IS NULL"})
            QVERIFY2(Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE %1")
                               .arg(QLatin1String(kind))) > 0,
                     kind);
        QCOMPARE(Count("SELECT COUNT(*) FROM RewardPunish WHERE Verify = 'N' AND TranYN = 'Y'"), 0);
    }

    // Each statement of the reports, answered with every field they read, on every engine.
    void statementsOfTheReports_data() {
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("count"); // the rows it must give, counted from the tables
        const QString letters = QStringLiteral(
            "StudentID Genearch Emergent Unit_ID ClassType NGrade AClassName SeatNo State ID "
            "Cht_Name Eng_Name Buddha_Name Passport Nationality Birth_Year Birth_Month Birth_Day "
            "Birthday Birth_Residence DiplomaType PostCode Address");
        QTest::newRow("letters, nobody")
            << kStudents << "cmvStudentAllProvider"
            << "Select * from vStudentAll Where ID is Null" << letters << "SELECT 0";
        QTest::newRow("letters, a class")
            << kStudents << "cmvStudentAllProvider"
            << "Select * from vStudentAll Where ( ClassType = '101' )" << letters
            << "SELECT COUNT(*) FROM StdOnSchool WHERE ClassID = '101'";
        const QString detail = QStringLiteral(
            "YSemester StudentID AbsenceNo AbsenceDate Week SemCourseID CourseID SecAbsence "
            "SecLate SecVAC VAC_ID ASectionList Unit_ID ClassType NGrade AClassName Cht_Name "
            "SeatNo TranYN ID");
        QTest::newRow("absence detail")
            << kAbsence << "cmvLumStudentAbsenceDetailProvider"
            << "Select * from vLumStudentAbsenceDetail Where ( YSemester = '1131' ) And ( "
               "StudentID In ( '113002', '113101' ) )"
            << detail << "SELECT COUNT(*) FROM StdAbsence WHERE StudentID IN ('113002', '113101')";
        const QString weekly =
            QStringLiteral("YSemester StudentID Cht_Name Unit_ID ClassType NGrade AClassName "
                           "SeatNo AYear YWeekNo SemWeekNo BeginDate EndDate SubAbsence "
                           "SubAskFor WeekRealAbs AccAbsence AccAskFor AccRealAbs ") +
            (Week("AbsWeek%1") + Week("AskWeek%1") + Week("AskWeek%1VAC")).join(u' ');
        QTest::newRow("weekly notice")
            << kAbsence << "cmvLumStudentAbsenceWeekly"
            << "Select * from vLumStudentAbsenceWeekly Where StudentID = 'none'" << weekly
            << "SELECT 0";
        QTest::newRow("weekly class statistics")
            << kAbsence << "cmvLumClassAbsenceWeeklyProvider"
            << "select * from vLumStudentAbsenceWeekly" << weekly << QString();
        QTest::newRow("term totals")
            << kSemCourses << "cmSemStaticStudentsProvider"
            << "Select * from SemStaticStudents Where ( YSemester = '1131' ) And ( StudentID In ( "
               "'113001', '113002', '113004' ) )"
            << "YSemester StudentID Absence Truancy AbsLate AskFor AskFor_Sick AskFor_Pub "
               "AskFor_Other Comment Citecnt SmallMerit GreatMerit Caution SmallDemerit "
               "MajorDemerit DateLook"
            << "SELECT 2"; // the student on leave takes no courses and has nothing recorded
        const QString courses = QStringLiteral(
            "SemCourseID YSemester Unit_ID CourseID CourseSEQNo FitUnitID ClassType Grade "
            "AClassName Choose Credit TimeRoomList TeacherList");
        QTest::newRow("courses, none")
            << kSemCourses << "cmvTqSemCoursesProvider"
            << "Select * From vTqSemCourses Where SemCourseID is Null" << courses << "SELECT 0";
        QTest::newRow("courses of the term")
            << kSemCourses << "cmvTqSemCoursesProvider"
            << "Select * From vTqSemCourses Where ( YSemester = '1131' )" << courses
            << "SELECT COUNT(*) FROM SemCourses WHERE Semester = '1131'";
        QTest::newRow("course students")
            << kSemCourses << "cmvLumSemGradeBySTDProvider"
            << "Select * From vLumSemGradeBySTD Where ( SemCourseID In ( '1131-CH101', "
               "'1131-MA301' ) )"
            << "SemCourseID StudentID Cht_Name SeatNo EnterNormalType TeacherID Unit_ID EnterType "
               "ComResults MidResults EndResults SemResults SemResultsTime Absence AbsLate AskFor"
            << "SELECT COUNT(*) FROM CourseStudents WHERE CourseID IN ('1131-CH101', "
               "'1131-MA301')";
        QTest::newRow("reward detail")
            << kRewards << "cmvRewardPunishDetailProvider"
            << "Select * from vLumRewardPunishDetail Where ( YSemester = '1131' )"
            << "RewardNo YSemester StudentID Dispatchdate Dispatchword Dispatchno Verify "
               "VerifyKind VerifyCnt Origin Basis VerifyDate TranYN"
            << "SELECT COUNT(*) FROM RewardPunish WHERE YSemester = '1131'";
        QTest::newRow("course index")
            << kCourses << "xOrvCoursesIdxProvider" << QString()
            << "CourseID CourseName EngName Unit_ID Choose Credit LectureHours LabHours Grade "
               "Semester GroupType PassScore YSemester CreateDate Creater"
            << "SELECT COUNT(*) FROM Courses";
        QTest::newRow("discipline groups")
            << kCourses << "xChooseGroupProvider" << QString()
            << "ChooseGID ChooseGName Unit_ID PassCreditNum PassCourseNum GroupType Description "
               "CreateDate Creater CheckeDate Checker LockedYN"
            << "SELECT COUNT(*) FROM ChooseGroups";
        QTest::newRow("study programmes")
            << kCourses << "xStudyInfoProvider" << QString() << "StudyID StudyName Unit_ID"
            << "SELECT COUNT(*) FROM StudyInfo";
        QTest::newRow("student index")
            << kStudents << "vStudentIdxProvider" << QString()
            << "ID StudentID Cht_Name Unit_ID ClassType NGrade AClassName SeatNo State"
            << "SELECT COUNT(*) FROM StdOnSchool";
        QTest::newRow("class types")
            << kStudents << "xClassTypeDefProvider" << QString()
            << "ClassType ClassTypeName Unit_ID NGrade AClassName Tutor TutorName StudentCount"
            << "SELECT COUNT(*) FROM ClassTypeDef";
    }
    void statementsOfTheReports() {
        QFETCH(QString, progId);
        QFETCH(QString, provider);
        QFETCH(QString, statement);
        QFETCH(QString, fields);
        QFETCH(QString, count);
        AddStudentWithoutNumber();
        auto connection = FServer->Connect(progId);
        auto ds = Open(*connection, provider, statement);
        for (const QString &name : fields.split(u' '))
            QVERIFY2(ds->FindField(name) && ds->FindField(name)->FieldName() == name,
                     qPrintable(name));
        if (!count.isEmpty())
            QCOMPARE(ds->RecordCount(), Count(count));
        else
            QVERIFY(ds->RecordCount() > 0);
        for (const char *date : {"AbsenceDate", "BeginDate", "Dispatchdate", "Birthday"})
            if (TField *f = ds->FindField(QLatin1String(date)))
                QCOMPARE(f->DataType(), ftDate);
        if (TField *f = ds->FindField(QStringLiteral("SeatNo")))
            QCOMPARE(f->DataType(), ftSmallint);
        if (TField *f = ds->FindField(QStringLiteral("NGrade")))
            QCOMPARE(f->DataType(), ftInteger);
    }

    void studentsOfTheLetters() {
        AddStudentWithoutNumber();
        auto connection = FServer->Connect(kStudents);
        auto ds = Open(*connection, QStringLiteral("cmvStudentAllProvider"),
                       QStringLiteral("Select * from vStudentAll Where ( ClassType = '101' )"));
        ds->SetIndexFieldNames(QStringLiteral("SeatNo"));
        ds->First();
        QCOMPARE(Line(*ds, Names("ID StudentID Cht_Name Unit_ID ClassType NGrade AClassName SeatNo "
                                 "Birth_Year Birth_Month Birth_Day Birthday PostCode Address")),
                 QStringLiteral("A152601814 113001 王小明 B10 101 1 1 1 97 10 3 2008-10-03 106 "
                                "臺北市大安區和平東路二段118號5樓"));
        QVERIFY(!ds->FieldByName(QStringLiteral("Genearch"))->AsString().isEmpty());
        QVERIFY(ds->Locate(QStringLiteral("StudentID"), Variant("113999")));
        QCOMPARE(ds->FieldByName(QStringLiteral("ID"))->AsString(), QStringLiteral("113999"));
        // Read-only: the letters change nothing.
        ds->Edit();
        ds->FieldByName(QStringLiteral("Genearch"))->SetAsString(QStringLiteral("某人"));
        ds->Post();
        QVERIFY_THROWS_EXCEPTION(Exception, ds->ApplyUpdates(0));

        // A study programme and a discipline group with their nested groups and courses.
        auto course = FServer->Connect(kCourses);
        for (const auto &[provider, no, first, second] :
             {std::tuple{"edStudyInfo2DProvider", "B20-113", "StudyGroups", "StudyCourses"},
              std::tuple{"edChooseGroup2dProvider", "B101", "GroupStudies", "GroupCourses"}}) {
            auto one = Open(*course, QLatin1String(provider), QString(), QLatin1String(no));
            QCOMPARE(one->RecordCount(), 1);
            for (const char *nested : {first, second}) {
                auto *field =
                    dynamic_cast<TDataSetField *>(one->FieldByName(QLatin1String(nested)));
                QVERIFY2(field, nested);
                TClientDataSet rows;
                rows.SetDataSetField(field);
                QVERIFY2(rows.RecordCount() > 1, nested);
                rows.SetDataSetField(nullptr);
            }
        }
    }

    // On the whole demo school: each student's weeks add up to his roll calls, the last week's
    // running totals are the term's, and so are the term totals.
    void weeksAndTermsAgreeWithTheRollCall() {
        auto absence = FServer->Connect(kAbsence);
        auto weeks = Open(*absence, QStringLiteral("cmvLumClassAbsenceWeeklyProvider"),
                          QStringLiteral("select * from vLumStudentAbsenceWeekly Where "
                                         "YSemester = '1131'"));
        weeks->SetIndexFieldNames(QStringLiteral("StudentID;BeginDate"));
        QMap<QString, QString> fromWeeks;
        int sum = 0, leave = 0;
        for (weeks->First(); !weeks->Eof(); weeks->Next()) {
            const QString student = weeks->FieldByName(QStringLiteral("StudentID"))->AsString();
            if (!fromWeeks.contains(student))
                sum = leave = 0;
            sum += weeks->FieldByName(QStringLiteral("SubAbsence"))->AsInteger();
            leave += weeks->FieldByName(QStringLiteral("SubAskFor"))->AsInteger();
            QCOMPARE(weeks->FieldByName(QStringLiteral("AccAbsence"))->AsInteger(), sum);
            QCOMPARE(weeks->FieldByName(QStringLiteral("AccAskFor"))->AsInteger(), leave);
            fromWeeks[student] = QStringLiteral("%1 %2 %3").arg(sum).arg(leave).arg(sum - leave);
        }
        QVERIFY(fromWeeks.size() > 100);
        QMap<QString, QString> fromRows;
        for (const QString &row :
             Column("SELECT StudentID, SUM(SecAbsence), SUM(SecVAC), SUM(SecAbsence - SecVAC) "
                    "FROM StdAbsence WHERE YSemester = '1131' GROUP BY StudentID HAVING "
                    "SUM(SecAbsence) > 0"))
            fromRows[row.section(u' ', 0, 0)] = row.section(u' ', 1);
        QCOMPARE(fromWeeks, fromRows);

        auto semCourses = FServer->Connect(kSemCourses);
        auto terms = Open(*semCourses, QStringLiteral("cmSemStaticStudentsProvider"),
                          QStringLiteral("Select * from SemStaticStudents Where ( YSemester = "
                                         "'1131' ) And ( Absence > 0 )"));
        QMap<QString, QString> fromTerms;
        for (terms->First(); !terms->Eof(); terms->Next())
            fromTerms[terms->FieldByName(QStringLiteral("StudentID"))->AsString()] =
                QStringLiteral("%1 %2 %3")
                    .arg(terms->FieldByName(QStringLiteral("Absence"))->AsInteger())
                    .arg(terms->FieldByName(QStringLiteral("AskFor"))->AsInteger() +
                         terms->FieldByName(QStringLiteral("AskFor_Sick"))->AsInteger() +
                         terms->FieldByName(QStringLiteral("AskFor_Pub"))->AsInteger() +
                         terms->FieldByName(QStringLiteral("AskFor_Other"))->AsInteger())
                    .arg(terms->FieldByName(QStringLiteral("Truancy"))->AsInteger());
        QCOMPARE(fromTerms, fromRows);
    }

    // A small known roll call and known rewards, the figures worked out by hand. Runs last: it
    // replaces the demo school's roll calls and rewards.
    void viewsAddUpKnownRows() {
        FServer->Database().Run(
            {"DELETE FROM StdAbsence", "DELETE FROM RewardPunish",
             "UPDATE SchoolTerms SET BeginDate = '2024-09-02' WHERE YSemester = '1131'",
             "UPDATE SchoolTerms SET BeginDate = '2024-02-19' WHERE YSemester = '1122'",
             // 113001: Monday, Saturday; Sunday, a late Tuesday, Wednesday; last term a Friday.
             Roll("113001", "2024-09-02", "1131-CH101", 2, 0, 2, "02", "1,2"),
             Roll("113001", "2024-09-02", "1131-EN101", 1, 0, 0, nullptr, "3"),
             Roll("113001", "2024-09-07", "1131-MA101", 1, 0, 1, "03", "2"),
             Roll("113001", "2024-09-08", "1131-PH101", 3, 0, 1, "04", "1,2,3"),
             Roll("113001", "2024-09-10", "1131-CH101", 0, 1, 0, nullptr, "1"),
             Roll("113001", "2024-09-11", "1131-HI101", 2, 0, 2, "01", "3,4"),
             Roll("113001", "2024-09-11", "1131-IT101", 1, 0, 1, "01", "5"),
             Roll("113001", "2024-03-01", "1122-CH101", 5, 0, 0, nullptr, "1,2,3,4,5"),
             Roll("113002", "2024-09-04", "1131-CH101", 1, 0, 0, nullptr, "2"),
             Roll("113003", "2024-09-03", "1131-EN101", 0, 1, 0, nullptr, "1"),
             // Only the approved and posted count.
             Reward("T01", "1131", "113001", "Y", "1", 2, "Y", "2024-09-05"),
             Reward("T02", "1131", "113001", "Y", "1", 1, "Y", "2024-09-20"),
             Reward("T03", "1131", "113001", "Y", "2", 1, "N", "2024-09-20"),
             Reward("T04", "1131", "113001", "N", "3", 1, "N", "2024-09-21"),
             Reward("T05", "1131", "113001", "Y", "4", 1, "Y", "2024-10-02"),
             Reward("T06", "1131", "113001", "Y", "7", 1, "Y", "2024-10-15"),
             Reward("T07", "1131", "113001", "N", "5", 1, "Y", "2024-10-16"),
             Reward("T08", "1122", "113002", "Y", "1", 1, "Y", "2024-03-05"),
             "INSERT INTO SemConduct (YSemester, StudentID, Conduct, Comment) VALUES ('1131', "
             "'113001', 85, '守規矩')",
             "UPDATE CourseStudents SET Score = NULL, ComResults = NULL, MidResults = 78.5, "
             "EndResults = NULL WHERE CourseID = '1131-CH101' AND StudentID = '113001'"});
        const TStringList three{QStringLiteral("113001"), QStringLiteral("113002"),
                                QStringLiteral("113003")};
        auto absence = FServer->Connect(kAbsence);

        // The days of a week, the period's first and last day included.
        auto detail =
            Open(*absence, QStringLiteral("cmvLumStudentAbsenceDetailProvider"),
                 QStringLiteral("Select * from vLumStudentAbsenceDetail Where ") +
                     Where("1131", "AbsenceDate", QDate(2024, 9, 2), QDate(2024, 9, 7), three));
        detail->SetIndexFieldNames(QStringLiteral("StudentID;AbsenceDate;SemCourseID"));
        QCOMPARE(Lines(*detail, Names("StudentID AbsenceDate Week CourseID SecAbsence SecLate "
                                      "SecVAC VAC_ID ASectionList NGrade")),
                 (QStringList{"113001 2024-09-02 2 CH1 2 0 2 02 1,2 1",
                              "113001 2024-09-02 2 EN1 1 0 0 - 3 1",
                              "113001 2024-09-07 7 MA1 1 0 1 03 2 1",
                              "113002 2024-09-04 4 CH1 1 0 0 - 2 1",
                              "113003 2024-09-03 3 EN1 0 1 0 - 1 1"}));

        // Sunday to Saturday; lateness alone makes no week; the terms run apart.
        const QStringList weekFields =
            Names("StudentID YSemester SemWeekNo YWeekNo AYear BeginDate EndDate") +
            Week("AbsWeek%1") + Week("AskWeek%1") + Week("AskWeek%1VAC") +
            Names("SubAbsence SubAskFor WeekRealAbs AccAbsence AccAskFor AccRealAbs");
        auto weeks =
            Open(*absence, QStringLiteral("cmvLumStudentAbsenceWeekly"),
                 QStringLiteral("Select * from vLumStudentAbsenceWeekly Where ") +
                     Where(nullptr, "BeginDate", QDate(2024, 1, 1), QDate(2024, 9, 30), three));
        weeks->SetIndexFieldNames(QStringLiteral("StudentID;BeginDate"));
        QCOMPARE(
            Lines(*weeks, weekFields),
            (QStringList{"113001 1122 2 8 113 2024-02-25 2024-03-02 0 0 0 0 0 5 0 0 0 0 0 0 0 0 "
                         "* * * * * * * 5 0 5 5 0 5",
                         "113001 1131 1 35 113 2024-09-01 2024-09-07 0 3 0 0 0 0 1 0 2 0 0 0 0 1 "
                         "* 02 * * * * 03 4 3 1 4 3 1",
                         "113001 1131 2 36 113 2024-09-08 2024-09-14 3 0 0 3 0 0 0 1 0 0 3 0 0 0 "
                         "04 * * 01 * * * 6 4 2 10 7 3",
                         "113002 1131 1 35 113 2024-09-01 2024-09-07 0 0 0 1 0 0 0 0 0 0 0 0 0 0 "
                         "* * * * * * * 1 0 1 1 0 1"}));
        // A week asked for alone keeps the totals of the weeks before it.
        auto later =
            Open(*absence, QStringLiteral("cmvLumStudentAbsenceWeekly"),
                 QStringLiteral("Select * from vLumStudentAbsenceWeekly Where ") +
                     Where(nullptr, "BeginDate", QDate(2024, 9, 8), QDate(2024, 9, 8), three));
        QCOMPARE(Lines(*later, Names("StudentID AccAbsence AccAskFor AccRealAbs")),
                 QStringList{"113001 10 7 3"});

        // Term totals: absence, truancy, lateness, leave by type; approved and posted rewards.
        auto semCourses = FServer->Connect(kSemCourses);
        auto terms = Open(*semCourses, QStringLiteral("cmSemStaticStudentsProvider"),
                          QStringLiteral("Select * from SemStaticStudents Where StudentID In "
                                         "('113001', '113002', '113003')"));
        terms->SetIndexFieldNames(QStringLiteral("YSemester;StudentID"));
        QCOMPARE(Lines(*terms, Names("YSemester StudentID Absence Truancy AbsLate AskFor "
                                     "AskFor_Sick AskFor_Pub AskFor_Other Conduct Citecnt "
                                     "SmallMerit GreatMerit Caution SmallDemerit MajorDemerit "
                                     "DateLook")),
                 (QStringList{"1122 113001 5 5 0 0 0 0 0 - 0 0 0 0 0 0 0",
                              "1122 113002 0 0 0 0 0 0 0 - 1 0 0 0 0 0 0",
                              "1131 113001 10 3 1 3 2 1 1 85 3 0 0 1 0 0 1",
                              "1131 113002 1 1 0 0 0 0 0 - 0 0 0 0 0 0 0",
                              "1131 113003 0 0 1 0 0 0 0 - 0 0 0 0 0 0 0"}));

        // A course's students: grades not entered read -1, the course's own roll-call totals.
        auto grades = Open(*semCourses, QStringLiteral("cmvLumSemGradeBySTDProvider"),
                           QStringLiteral("Select * From vLumSemGradeBySTD Where ( SemCourseID In "
                                          "( '1131-CH101' ) ) And StudentID In ('113001', "
                                          "'113002')"));
        grades->SetIndexFieldNames(QStringLiteral("StudentID"));
        QCOMPARE(Lines(*grades, Names("StudentID ComResults MidResults EndResults SemResults "
                                      "Absence AbsLate AskFor"))
                     .first(),
                 QStringLiteral("113001 -1 78.5 -1 -1 2 1 2"));
        grades->Last();
        QCOMPARE(Line(*grades, Names("StudentID Absence AbsLate AskFor")),
                 QStringLiteral("113002 1 0 0"));

        // The reward detail holds every row of the period, approved or not.
        auto rewards = FServer->Connect(kRewards);
        auto issued =
            Open(*rewards, QStringLiteral("cmvRewardPunishDetailProvider"),
                 QStringLiteral("Select * from vLumRewardPunishDetail Where ") +
                     Where("1131", "Dispatchdate", QDate(2024, 9, 1), QDate(2024, 9, 30), three));
        issued->SetIndexFieldNames(QStringLiteral("RewardNo"));
        QCOMPARE(Lines(*issued, Names("RewardNo Verify VerifyKind VerifyCnt TranYN")),
                 (QStringList{"T01 Y 1 2 Y", "T02 Y 1 1 Y", "T03 Y 2 1 N", "T04 N - - N"}));
    }

    // Two new databases made on the same day hold the same school.
    void demoSchoolIsTheSameEveryTime() {
        const TFixedClock clock(QDate(2026, 12, 9));
        QStringList first;
        for (int run = 0; run < 2; ++run) {
            TTestDatabase database;
            QElapsedTimer timer;
            timer.start();
            TServerDatabase db(database.Config());
            qInfo("The demo school was made in %lld ms", timer.elapsed());
            const QStringList rows = SchoolRows(db);
            QVERIFY(rows.size() > 20000);
            if (run == 0) {
                first = rows;
                // Its term began fifteen weeks before; its roll calls end the day before.
                QCOMPARE(db.Scalar(QStringLiteral("SELECT BeginDate FROM SchoolTerms WHERE "
                                                  "YSemester = '1131'"))
                             .toString(),
                         QStringLiteral("2026-08-24"));
                QCOMPARE(
                    db.Scalar(QStringLiteral("SELECT MAX(AbsenceDate) FROM StdAbsence")).toString(),
                    QStringLiteral("2026-12-08"));
                continue;
            }
            QCOMPARE(rows.size(), first.size());
            for (qsizetype i = 0; i < rows.size(); ++i)
                if (rows[i] != first[i])
                    QFAIL(qPrintable(rows[i] + QStringLiteral(" / ") + first[i]));
        }
    }
};

QTEST_GUILESS_MAIN(TstAppServerAcademic)
#include "tst_AppServerAcademic.moc"

#pragma once
// What the academic report tests share: the school's code table held in memory as the process's
// shared copy (the modules open their code tables from it without a server), the rows of a small
// school (students of two classes, their roll-call rows, weeks, rewards, term totals, courses and
// enrolments) as client datasets, and the same rows in an SQLite file behind providers in the
// test's own process, standing in for the servers' views, so that the statements the modules
// build run as SQL.

#include "CodeTableCDS.h"
#include "FixedClock.h"
#include "Provider.h"
#include "ReportTestSupport.h"
#include "SqlQuery.h"
#include "StatelessDataSet.h"
#include "uLumRemoteData.h"
#include "uSystemTable.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <map>

inline void LoadCourseIndex();

// The code table (and the course index), loaded once into the process's shared copies.
inline void LoadCodeTable() {
    LoadCourseIndex();
    TStatelessCDataSet *codes = CodeTableSystemTable()->DataSet();
    if (codes->Active())
        return;
    codes->FieldDefs().Clear();
    codes->FieldDefs().Add(QStringLiteral("Main_Code"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("Code"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("Descript"), ftString, 120);
    codes->FieldDefs().Add(QStringLiteral("ALevel"), ftInteger);
    codes->FieldDefs().Add(QStringLiteral("AParent"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("AValue"), ftInteger);
    codes->FieldDefs().Add(QStringLiteral("ADate"), ftDateTime);
    codes->CreateDataSet();
    const char *rows[][3] = {{"NSYS", "NowYSem", "1122"},   {"NSYS", "Other", "x"},
                             {"Semester", "1", "上學期"},   {"Semester", "2", "下學期"},
                             {"NUNT", "A1", "資訊科"},      {"NUNT", "B2", "商業科"},
                             {"st_CLASS", "1", "日間部"},   {"st_CLASS", "2", "進修部"},
                             {"st_ClassName", "01", "忠"},  {"st_ClassName", "02", "孝"},
                             {"st_State", "1", "在學"},     {"st_VACID", "1", "事假"},
                             {"st_VACID", "2", "病假"},     {"st_VACID", "3", "公假"},
                             {"AF_REPU", "11", "嘉獎"},     {"AF_REPU", "12", "小功"},
                             {"AF_REPU", "21", "申誡"},     {"AF_REPU", "22", "小過"},
                             {"cs_CHOOSE", "1", "必修"},    {"cs_CHOOSE", "2", "選修"},
                             {"st_ENmType", "0", "無"},     {"st_ENmType", "1", "視障"},
                             {"st_Enter", "1", "登記分發"}, {"st_Enter", "2", "甄選入學"},
                             {"st_Study", "1", "學程"},     {"st_Diploma", "1", "高中畢業證書"}};
    for (const auto &row : rows) {
        codes->Append();
        codes->Fields()[0]->SetAsString(QString::fromUtf8(row[0]));
        codes->Fields()[1]->SetAsString(QString::fromUtf8(row[1]));
        codes->Fields()[2]->SetAsString(QString::fromUtf8(row[2]));
        codes->Post();
    }
    codes->MergeChangeLog();
}

// ---- the school's rows ----------------------------------------------------------------------

inline const QStringList kStudentFields{
    "StudentID:s:10", "ID",         "Cht_Name", "Genearch", "Emergent", "Unit_ID", "ClassType",
    "NGrade:i",       "AClassName", "SeatNo:i", "State",    "PostCode", "Address"};

// Two classes: 資訊科 日間部 1年 忠班 (seats 2, 1, 3 by student number) and 商業科 日間部 2年
// 孝班; given out of order.
inline std::unique_ptr<TClientDataSet> Students() {
    return MakeDataSet(QStringLiteral("Students"), kStudentFields,
                       {{"S2002", "B200000002", "張國榮", "張父", "張母", "B2", "1", 2, "02", 2,
                         "1", "104", "臺北市中山區民生東路二段2號"},
                        {"S1001", "A100000001", "王小明", "王大明", "王媽媽", "A1", "1", 1, "01", 2,
                         "1", "100", "臺北市中正區重慶南路一段122巷35弄5號3樓"},
                        {"S1003", "A100000003", "陳大同", "陳爸爸", "陳媽媽", "A1", "1", 1, "01", 3,
                         "1", "106", "臺北市大安區和平東路一段1號"},
                        {"S2001", "B200000001", "林志玲", "林父", "林母", "B2", "1", 2, "02", 1,
                         "1", "103", "臺北市大同區承德路一段1號"},
                        {"S1002", "A100000002", "李美華", "李大華", "李阿姨", "A1", "1", 1, "01", 1,
                         "1", "220", "新北市板橋區文化路一段1號"}});
}

inline const QStringList kAbsenceFields{"YSemester", "StudentID",   "AbsenceNo", "AbsenceDate:d",
                                        "Week",      "SemCourseID", "CourseID",  "SecAbsence:i",
                                        "SecLate:i", "SecVAC:i",    "VAC_ID",    "ASectionList",
                                        "Unit_ID",   "ClassType",   "NGrade:i",  "AClassName",
                                        "Cht_Name",  "SeatNo:i",    "TranYN",    "ID"};

inline QVariantList AbsenceRow(const char *student, const char *no, QDate date, const char *course,
                               int absent, int late, int leave, const char *vac,
                               const char *sections, const char *term = "1122") {
    // Week: the day of the week, 1 for Sunday.
    return {term,  student,  no,     date, QString::number(date.dayOfWeek() % 7 + 1),
            "SC1", course,   absent, late, leave,
            vac,   sections, "A1",   "1",  1,
            "01",  "",       1,      "Y",  ""};
}

// March 2024: 王小明 three days, 李美華 one, 張國榮 one; one row of February, one of another term.
inline std::unique_ptr<TClientDataSet> AbsenceDetails() {
    return MakeDataSet(
        QStringLiteral("Absences"), kAbsenceFields,
        {AbsenceRow("S1001", "A001", QDate(2024, 3, 4), "C01", 2, 0, 0, "*", "1,2"),
         AbsenceRow("S1001", "A002", QDate(2024, 3, 6), "C02", 3, 1, 1, "2", "3,4,5"),
         AbsenceRow("S2002", "A003", QDate(2024, 3, 7), "C01", 1, 0, 1, "3", "6"),
         AbsenceRow("S1001", "A004", QDate(2024, 3, 8), "C03", 1, 0, 0, "*", "7"),
         AbsenceRow("S1002", "A005", QDate(2024, 3, 12), "C02", 4, 0, 4, "1", "1,2,3,4"),
         AbsenceRow("S1001", "A006", QDate(2024, 2, 20), "C01", 2, 0, 0, "*", "1,2"),
         AbsenceRow("S1003", "A007", QDate(2024, 3, 5), "C01", 2, 0, 0, "*", "1,2", "1121")});
}

inline const QStringList kSemStaticFields{
    "YSemester",      "StudentID",     "Absence:i",    "Truancy:i",      "AbsLate:i",
    "AskFor:i",       "AskFor_Sick:i", "AskFor_Pub:i", "AskFor_Other:i", "Comment",
    "Citecnt:i",      "SmallMerit:i",  "GreatMerit:i", "Caution:i",      "SmallDemerit:i",
    "MajorDemerit:i", "DateLook"};

inline std::unique_ptr<TClientDataSet> SemStatics() {
    return MakeDataSet(QStringLiteral("SemStatics"), kSemStaticFields,
                       {{"1122", "S1001", 21, 14, 3, 2, 4, 1, 0, "良好", 3, 1, 0, 1, 0, 0, "否"},
                        {"1122", "S1002", 8, 4, 0, 4, 0, 0, 0, "", 0, 0, 0, 0, 1, 0, "否"},
                        {"1122", "S2002", 5, 4, 1, 0, 0, 1, 0, "", 2, 0, 1, 0, 0, 0, "否"},
                        {"1121", "S1003", 9, 9, 0, 0, 0, 0, 0, "", 0, 0, 0, 0, 0, 0, "否"}});
}

inline const QStringList kRewardFields{"RewardNo",     "YSemester",  "StudentID", "Dispatchdate:d",
                                       "Dispatchword", "Dispatchno", "Verify",    "VerifyKind",
                                       "VerifyCnt:i",  "Origin",     "Basis",     "VerifyDate:d",
                                       "TranYN"};

// 王小明: one of each kind of state (approved and posted, only approved, only posted, neither);
// 張國榮 one approved and posted.
inline std::unique_ptr<TClientDataSet> Rewards() {
    const QDate d(2024, 3, 10);
    return MakeDataSet(QStringLiteral("Rewards"), kRewardFields,
                       {{"R01", "1122", "S1001", QDate(2024, 3, 5), "北市", "001", "Y", "11", 2,
                         "熱心服務", "獎懲辦法第4條", d, "Y"},
                        {"R02", "1122", "S1001", QDate(2024, 3, 6), "北市", "002", "Y", "21", 1,
                         "未核發事由", "第5條", d, "N"},
                        {"R03", "1122", "S1001", QDate(2024, 3, 7), "北市", "003", "N", "22", 1,
                         "未核可事由", "第6條", d, "Y"},
                        {"R04", "1122", "S1001", QDate(2024, 3, 8), "北市", "004", "N", "22", 1,
                         "未處理事由", "第7條", d, "N"},
                        {"R05", "1122", "S2002", QDate(2024, 3, 9), "北市", "005", "Y", "12", 1,
                         "拾金不昧", "第8條", d, "Y"}});
}

inline QStringList WeeklyFields() {
    QStringList fields{"YSemester",   "StudentID",   "Cht_Name", "Unit_ID", "ClassType",
                       "NGrade:i",    "AClassName",  "SeatNo:i", "AYear",   "YWeekNo:i",
                       "SemWeekNo:i", "BeginDate:d", "EndDate:d"};
    for (int d = 1; d <= 7; ++d)
        fields << QStringLiteral("AbsWeek%1:i").arg(d) << QStringLiteral("AskWeek%1:i").arg(d)
               << QStringLiteral("AskWeek%1VAC").arg(d);
    fields << "SubAbsence:i"
           << "SubAskFor:i"
           << "WeekRealAbs:i"
           << "AccAbsence:i"
           << "AccAskFor:i"
           << "AccRealAbs:i";
    return fields;
}

// One week of a student: the absent and leave periods and leave types of Sunday..Saturday.
inline QVariantList WeekRow(const char *student, const char *name, const char *unit, int grade,
                            const char *klass, int seat, int week, QDate begin,
                            const QList<int> &absent, const QList<int> &leave,
                            const QStringList &types, int accAbsent, int accLeave) {
    QVariantList row{"1122", student, name,     unit, "1",   grade,           klass,
                     seat,   "2024",  week + 8, week, begin, begin.addDays(6)};
    int subAbsent = 0, subLeave = 0;
    for (int d = 0; d < 7; ++d) {
        row << absent.value(d) << leave.value(d) << types.value(d, QStringLiteral("*"));
        subAbsent += absent.value(d);
        subLeave += leave.value(d);
    }
    row << subAbsent << subLeave << subAbsent - subLeave << accAbsent << accLeave
        << accAbsent - accLeave;
    return row;
}

inline std::unique_ptr<TClientDataSet> Weeks() {
    return MakeDataSet(
        QStringLiteral("Weeks"), WeeklyFields(),
        {WeekRow("S1001", "王小明", "A1", 1, "01", 2, 2, QDate(2024, 3, 10), {0, 2, 0, 3, 0, 0, 0},
                 {0, 0, 0, 1, 0, 0, 0}, {"*", "*", "*", "2", "*", "*", "*"}, 9, 1),
         WeekRow("S1001", "王小明", "A1", 1, "01", 2, 1, QDate(2024, 3, 3), {0, 0, 1, 0, 3, 0, 0},
                 {0, 0, 0, 0, 0, 0, 0}, {}, 4, 0),
         WeekRow("S1002", "李美華", "A1", 1, "01", 1, 2, QDate(2024, 3, 10), {0, 0, 4, 0, 0, 0, 0},
                 {0, 0, 4, 0, 0, 0, 0}, {"*", "*", "1", "*", "*", "*", "*"}, 4, 4),
         WeekRow("S2002", "張國榮", "B2", 2, "02", 2, 1, QDate(2024, 3, 3), {0, 0, 0, 0, 1, 0, 0},
                 {0, 0, 0, 0, 1, 0, 0}, {"*", "*", "*", "*", "3", "*", "*"}, 1, 1)});
}

inline const QStringList kCourseFields{
    "SemCourseID", "YSemester",  "Unit_ID", "CourseID", "CourseSEQNo",  "FitUnitID",  "ClassType",
    "Grade:i",     "AClassName", "Choose",  "Credit:f", "TimeRoomList", "TeacherList"};

inline std::unique_ptr<TClientDataSet> Courses() {
    return MakeDataSet(
        QStringLiteral("Courses"), kCourseFields,
        {{"SC2", "1122", "A1", "C02", "1", "A1", "1", 1, "01", "2", 2.0, "一3,4 301教室", "李老師"},
         {"SC1", "1122", "A1", "C01", "1", "A1", "1", 1, "01", "1", 3.0, "二1,2 202教室",
          "王老師"}});
}

inline const QStringList kGradeFields{
    "SemCourseID",      "StudentID",    "Cht_Name",     "SeatNo:i",
    "EnterNormalType",  "TeacherID",    "Unit_ID",      "EnterType",
    "ComResults:f",     "MidResults:f", "EndResults:f", "SemResults:f",
    "SemResultsTime:t", "Absence:i",    "AbsLate:i",    "AskFor:i"};

// SC1: three students (李美華's midterm not entered: -1), SC2: one.
inline std::unique_ptr<TClientDataSet> Grades() {
    const QDateTime entered(QDate(2024, 1, 20), QTime(10, 5));
    return MakeDataSet(QStringLiteral("Grades"), kGradeFields,
                       {{"SC1", "S1003", "陳大同", 1, "0", "T01", "A1", "1", 70.0, 65.0, 72.0, 69.0,
                         entered, 2, 0, 1},
                        {"SC1", "S1001", "王小明", 3, "1", "T01", "A1", "2", 88.0, 91.0, 85.0, 87.0,
                         entered, 5, 1, 2},
                        {"SC1", "S1002", "李美華", 2, "0", "T01", "A1", "1", 76.0, -1.0, 80.0, -1.0,
                         entered, 0, 0, 0},
                        {"SC2", "S1001", "王小明", 1, "1", "T02", "A1", "2", 60.0, 58.0, 62.0, 61.0,
                         entered, 1, 0, 0}});
}

// The course index (CourseID -> CourseName), loaded once into the process's shared copy.
inline void LoadCourseIndex() {
    TStatelessCDataSet *courses = SharedSystemTable(QStringLiteral("SystemOrvCoursesIndex"),
                                                    QStringLiteral("SrvAcademic.AcadCourseINTF"),
                                                    QStringLiteral("xOrvCoursesIdxProvider"))
                                      ->DataSet();
    if (courses->Active())
        return;
    courses->FieldDefs().Add(QStringLiteral("CourseID"), ftString, 12);
    courses->FieldDefs().Add(QStringLiteral("CourseName"), ftString, 60);
    courses->CreateDataSet();
    for (const auto &[id, name] :
         {std::pair{"C01", "國文"}, std::pair{"C02", "數學"}, std::pair{"C03", "英文"}}) {
        courses->Append();
        courses->Fields()[0]->SetAsString(QLatin1String(id));
        courses->Fields()[1]->SetAsString(QString::fromUtf8(name));
        courses->Post();
    }
    courses->MergeChangeLog();
}

// ---- the school's database in this process ------------------------------------------------

// The rows above as SQLite tables named after the views, behind providers of the modules'
// provider names that take the modules' statements. Dates are stored as the short date text the
// conditions compare with.
class TLocalSchool {
public:
    TLocalSchool() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(FDir.filePath(QStringLiteral("school.db")));
        if (!db.open())
            qFatal("no database");
        Table(QStringLiteral("vStudentAll"), *Students());
        Table(QStringLiteral("vLumStudentAbsenceDetail"), *AbsenceDetails());
        Table(QStringLiteral("SemStaticStudents"), *SemStatics());
        Table(QStringLiteral("vLumRewardPunishDetail"), *Rewards());
        Table(QStringLiteral("vLumStudentAbsenceWeekly"), *Weeks());
        Table(QStringLiteral("vTqSemCourses"), *Courses());
        Table(QStringLiteral("vLumSemGradeBySTD"), *Grades());
        Provider(QStringLiteral("cmvStudentAllProvider"), QStringLiteral("vStudentAll"));
        Provider(QStringLiteral("cmvLumStudentAbsenceDetailProvider"),
                 QStringLiteral("vLumStudentAbsenceDetail"));
        Provider(QStringLiteral("cmSemStaticStudentsProvider"),
                 QStringLiteral("SemStaticStudents"));
        Provider(QStringLiteral("cmvRewardPunishDetailProvider"),
                 QStringLiteral("vLumRewardPunishDetail"));
        Provider(QStringLiteral("cmvLumStudentAbsenceWeekly"),
                 QStringLiteral("vLumStudentAbsenceWeekly"));
        Provider(QStringLiteral("cmvTqSemCoursesProvider"), QStringLiteral("vTqSemCourses"));
        Provider(QStringLiteral("cmvLumSemGradeBySTDProvider"),
                 QStringLiteral("vLumSemGradeBySTD"));
    }
    ~TLocalSchool() {
        for (auto &[name, provider] : FProviders)
            FServer.UnregisterProvider(name);
        FProviders.clear();
        FQueries.clear();
        QSqlDatabase::database(kConnection).close();
        QSqlDatabase::removeDatabase(kConnection);
    }

    // The module's datasets read from here instead of through their socket connections.
    void Attach(TLumRemoteData *remote) {
        for (TClientDataSet *ds : remote->findChildren<TClientDataSet *>())
            ds->SetAppServer(&FServer);
    }
    // How often a provider was read.
    int Reads(const QString &provider) const { return FReads.value(provider); }
    // The statement a provider ran last.
    QString LastStatement(const QString &provider) const { return FStatements.value(provider); }

private:
    static inline const QString kConnection = QStringLiteral("acadreports-school");

    static QString Sql(const Variant &v, TFieldType type) {
        if (v.IsEmptyOrNull())
            return QStringLiteral("NULL");
        if (type == ftInteger || type == ftFloat)
            return v.ToString();
        if (type == ftDate)
            return QLatin1Char('\'') + DateToStr(v.ToDateTime()) + QLatin1Char('\'');
        if (type == ftDateTime)
            return QLatin1Char('\'') + DateTimeToStr(v.ToDateTime()) + QLatin1Char('\'');
        return QLatin1Char('\'') + v.ToString().replace(u'\'', QStringLiteral("''")) +
               QLatin1Char('\'');
    }
    void Exec(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(kConnection));
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    void Table(const QString &name, TClientDataSet &rows) {
        QStringList columns;
        for (const auto &f : rows.Fields())
            columns << f->FieldName() + (f->DataType() == ftInteger ? QStringLiteral(" INTEGER")
                                         : f->DataType() == ftFloat ? QStringLiteral(" REAL")
                                                                    : QStringLiteral(" TEXT"));
        Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, columns.join(u',')));
        for (rows.First(); !rows.Eof(); rows.Next()) {
            QStringList values;
            for (const auto &f : rows.Fields())
                values << Sql(f->Value(), f->DataType());
            Exec(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(name, values.join(u',')));
        }
    }
    void Provider(const QString &name, const QString &table) {
        auto query = std::make_unique<TSqlQuery>();
        query->SetConnectionName(kConnection);
        query->SetSQL(QStringLiteral("select * from %1").arg(table));
        auto provider = std::make_unique<TDataSetProvider>();
        provider->SetName(name);
        provider->SetDataSet(query.get());
        provider->SetOptions(poAllowCommandText | poReadOnly);
        provider->BeforeGetRecords = [this, name](TDataSetProvider *p, Variant &) {
            ++FReads[name];
            FStatements[name] = qobject_cast<TSqlQuery *>(p->DataSet())->SQL();
        };
        provider->AfterGetRecords = [this, name](TDataSetProvider *p, Variant &) {
            FStatements[name] = qobject_cast<TSqlQuery *>(p->DataSet())->SQL();
            p->DataSet()->Close();
        };
        FServer.RegisterProvider(provider.get());
        FQueries.push_back(std::move(query));
        FProviders[name] = std::move(provider);
    }

    QTemporaryDir FDir;
    TLocalAppServer FServer;
    std::vector<std::unique_ptr<TSqlQuery>> FQueries;
    std::map<QString, std::unique_ptr<TDataSetProvider>> FProviders;
    QHash<QString, int> FReads;
    QHash<QString, QString> FStatements;
};

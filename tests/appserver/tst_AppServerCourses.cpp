// The courses of a term and their students on a real server, over the wire: the courses with
// their students nested, a course deleted with its students in one batch (and refused while
// students are left outside the batch), a new course with its students, a refused student
// that takes back his whole course, another client's change that comes back for reconciling,
// enrolments and removals of one course with its candidates, and the school's rules for
// courses and enrolments.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "Fields.h"
#include "Packet.h"

#include <QTest>

namespace {

const QString kCourses = QStringLiteral("SrvAcademic.AcadCourseINTF");

// A client's view of the courses of a term: the courses, and the students of the current one
// in the nested dataset.
struct TCourses {
    TClientDataSet Master;
    TClientDataSet Students; // goes before the master's fields do
    QStringList Refused;
    TReconcileAction Answer = raSkip;

    TCourses(TSocketConnection &connection, const QString &semester = QStringLiteral("1131")) {
        Master.SetAppServer(connection.GetServer());
        Master.SetProviderName(QStringLiteral("dspSemCourses"));
        Master.Params().CreateParam(ftString, QStringLiteral("Semester")).SetAsString(semester);
        Master.OnReconcileError = [this](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                         TReconcileAction &action) {
            Refused << e.Message();
            action = Answer;
        };
        Master.Open();
        Students.SetDataSetField(
            static_cast<TDataSetField *>(Master.FieldByName(QStringLiteral("CourseStudents"))));
    }
    ~TCourses() { Students.SetDataSetField(nullptr); }
    bool Go(const QString &course) {
        return Master.Locate(QStringLiteral("CourseID"), Variant(course));
    }
    void Add(const QString &student) {
        Students.Append();
        Students.FieldByName(QStringLiteral("StudentID"))->SetAsString(student);
        Students.Post();
    }
};

std::unique_ptr<TClientDataSet> Open(TSocketConnection &connection, const QString &provider,
                                     const QString &param, const QString &value) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    ds->Params().CreateParam(ftString, param).SetAsString(value);
    ds->Open();
    return ds;
}

QStringList Column(TDataSet &ds, const char *field) {
    QStringList values;
    for (ds.First(); !ds.Eof(); ds.Next())
        values << ds.FieldByName(QLatin1String(field))->AsString();
    return values;
}

// The first values of a column (the students the school began with come first in their class).
QStringList First(TDataSet &ds, const char *field, int count) {
    return Column(ds, field).mid(0, count);
}

// The rows of a delta by their status (originals of modified rows included).
QMap<int, int> DeltaRows(const Variant &delta) {
    TPacketReader reader(delta.ToBytes());
    QMap<int, int> kinds;
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values))
        ++kinds[status];
    return kinds;
}

// The changes of the nested packet of the first row of a delta, by kind.
QMap<int, int> NestedChanges(const Variant &delta, const QString &field) {
    TPacketReader reader(delta.ToBytes());
    int column = -1;
    for (size_t i = 0; i < reader.Fields().size(); ++i)
        if (reader.Fields()[i].Name == field)
            column = int(i);
    QMap<int, int> kinds;
    quint8 status;
    std::vector<Variant> values;
    if (column < 0 || !reader.NextRow(status, values))
        return kinds;
    TPacketReader nested(values[size_t(column)].ToBytes());
    while (nested.NextRow(status, values))
        ++kinds[status];
    return kinds;
}

} // namespace

class TstAppServerCourses : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }
    int Enrolled(const QString &course) const {
        return Count(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = '%1'")
                         .arg(course));
    }

private Q_SLOTS:
    void initTestCase() { SKIP_WITHOUT_TEST_DATABASE(); }
    void init() { FServer = std::make_unique<TAppServerFixture>(); }
    void cleanup() { FServer.reset(); }

    void coursesOfTheTermWithTheirStudents() {
        auto connection = FServer->Connect(kCourses);
        TCourses c(*connection);
        // Every class of the demo school takes its subjects; each course has its class's
        // students in school, with their names and seats from the roll.
        QCOMPARE(c.Master.RecordCount(), Count("SELECT COUNT(*) FROM SemCourses"));
        QVERIFY(c.Master.RecordCount() >= 24);
        QStringList names;
        for (int i = 0; i < c.Master.FieldCount(); ++i)
            names << c.Master.Fields()[i]->FieldName();
        QCOMPARE(names, (QStringList{"CourseID", "Semester", "CourseName", "TeacherID", "Credits",
                                     "ClassID", "EditInfo", "CourseStudents"}));
        QVERIFY(c.Master.FieldByName("CourseID")->ProviderFlags() & pfInKey);
        QVERIFY(c.Go("1131-CH101"));
        QCOMPARE(c.Master.FieldByName("CourseName")->AsString(), QStringLiteral("國文"));
        QCOMPARE(c.Master.FieldByName("Credits")->AsInteger(), 4);
        QCOMPARE(c.Students.RecordCount(), Enrolled("1131-CH101"));
        QCOMPARE(First(c.Students, "StudentID", 3), (QStringList{"113001", "113002", "113003"}));
        QCOMPARE(First(c.Students, "Cht_Name", 3),
                 (QStringList{QStringLiteral("王小明"), QStringLiteral("李佳穎"),
                              QStringLiteral("張家豪")}));
        QCOMPARE(c.Students.FieldByName("Cht_Name")->ProviderFlags(), quint8(0));
        QVERIFY(c.Students.FieldByName("StudentID")->ProviderFlags() & pfInKey);
        // The senior class's scores are recorded, the first-years' are not yet.
        QVERIFY(c.Students.FieldByName("Score")->IsNull());
        QVERIFY(c.Go("1131-MA301"));
        QCOMPARE(c.Students.RecordCount(), Enrolled("1131-MA301"));
        for (c.Students.First(); !c.Students.Eof(); c.Students.Next()) {
            const double score = c.Students.FieldByName("Score")->AsFloat();
            QVERIFY(score >= 0 && score <= 100);
        }
        // Teachers are the school's staff; another term has no courses yet.
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses c WHERE NOT EXISTS "
                       "(SELECT 1 FROM Employees e WHERE e.EmpID = c.TeacherID)"),
                 0);
        TCourses next(*connection, QStringLiteral("1132"));
        QCOMPARE(next.Master.RecordCount(), 0);

        // The index of the term: class and teacher by name, students counted.
        auto index = Open(*connection, "xspSemCourseIdx", "Semester", "1131");
        QCOMPARE(index->RecordCount(), c.Master.RecordCount());
        QVERIFY(index->Locate("CourseID", Variant("1131-IT202")));
        QCOMPARE(index->FieldByName("ClassName")->AsString(), QStringLiteral("二年二班"));
        QCOMPARE(index->FieldByName("TeacherName")->AsString(), QStringLiteral("陳志明"));
        QCOMPARE(index->FieldByName("StudentCount")->AsInteger(), Enrolled("1131-IT202"));
    }

    void courseDeletedWithItsStudentsInOneBatch() {
        auto connection = FServer->Connect(kCourses);
        TCourses c(*connection);
        QVERIFY(c.Go("1131-EN101"));
        const int students = Enrolled("1131-EN101");
        const int others = Enrolled("1131-EN102");
        QCOMPARE(c.Students.RecordCount(), students);
        while (!c.Students.IsEmpty())
            c.Students.Delete();
        c.Master.Delete();
        // One deleted course carrying its deleted students: all deleted in one batch.
        QCOMPARE(DeltaRows(c.Master.Delta()), (QMap<int, int>{{usDeleted, 1}}));
        QCOMPARE(NestedChanges(c.Master.Delta(), "CourseStudents"),
                 (QMap<int, int>{{usDeleted, students}}));
        const int applies = Count("SELECT COUNT(*) FROM ApplyLog");
        QCOMPARE(c.Master.ApplyUpdates(0), 0);
        QVERIFY2(c.Refused.isEmpty(), qPrintable(c.Refused.join(u'\n')));
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-EN101'"), 0);
        QCOMPARE(Enrolled("1131-EN101"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM ApplyLog"), applies + 1);
        QCOMPARE(Count("SELECT Deleted FROM ApplyLog WHERE Provider = 'dspSemCourses'"),
                 students + 1);
        QCOMPARE(c.Master.ChangeCount(), 0);
        QVERIFY(!c.Master.Locate("CourseID", Variant("1131-EN101")));
        QCOMPARE(Enrolled("1131-EN102"), others); // the other courses keep theirs
    }

    void courseWithStudentsLeftIsRefused() {
        auto connection = FServer->Connect(kCourses);
        // Deleted without its students: the course stays, and says why.
        const int students = Enrolled("1131-HI102");
        QVERIFY(students > 0);
        {
            TCourses c(*connection);
            QVERIFY(c.Go("1131-HI102"));
            c.Master.Delete();
            QCOMPARE(c.Master.ApplyUpdates(0), 1);
            QCOMPARE(
                c.Refused,
                QStringList{QStringLiteral("課程 1131-HI102 尚有 %1 位選修學生,請先刪除選修學生")
                                .arg(students)});
            QCOMPARE(c.Master.ChangeCount(), 1);
            QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-HI102'"), 1);
            QCOMPARE(Enrolled("1131-HI102"), students);
        }
        // A student enrolled by someone else after this client read the course is outside its
        // batch: nothing of the batch is written.
        TCourses c(*connection);
        QVERIFY(c.Go("1131-HI102"));
        auto other = Open(*connection, "dspCourseStudents", "CourseID", "1131-HI102");
        other->Append();
        other->FieldByName("CourseID")->SetAsString("1131-HI102");
        other->FieldByName("StudentID")->SetAsString("113001");
        other->Post();
        QCOMPARE(other->ApplyUpdates(0), 0);
        while (!c.Students.IsEmpty())
            c.Students.Delete();
        c.Master.Delete();
        QCOMPARE(c.Master.ApplyUpdates(0), 1);
        QCOMPARE(c.Refused,
                 QStringList{QStringLiteral("課程 1131-HI102 尚有 1 位選修學生,請先刪除選修學生")});
        QCOMPARE(Enrolled("1131-HI102"), students + 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-HI102'"), 1);
    }

    void newCourseWithItsStudents() {
        auto connection = FServer->Connect(kCourses);
        TCourses c(*connection);
        c.Master.Append();
        c.Master.FieldByName("CourseID")->SetAsString("1131-AR101");
        c.Master.FieldByName("Semester")->SetAsString("1131");
        c.Master.FieldByName("CourseName")->SetAsString(QStringLiteral("美術"));
        c.Master.FieldByName("TeacherID")->SetAsString("E002");
        c.Master.FieldByName("Credits")->SetAsInteger(1);
        c.Master.FieldByName("ClassID")->SetAsString("101");
        c.Master.Post();
        c.Add("113001"); // the course comes from the master: not typed
        c.Add("113031");
        QCOMPARE(c.Master.ApplyUpdates(0), 0);
        QVERIFY2(c.Refused.isEmpty(), qPrintable(c.Refused.join(u'\n')));
        QCOMPARE(Count("SELECT Credits FROM SemCourses WHERE CourseID = '1131-AR101'"), 1);
        QCOMPARE(Enrolled("1131-AR101"), 2);
        // Accepted, the students carry no pending changes any more.
        QCOMPARE(c.Students.ChangeCount(), 0);
        QCOMPARE(Column(c.Students, "StudentID"), (QStringList{"113001", "113031"}));

        // A score recorded and a student removed: one changed course.
        c.Students.First();
        c.Students.Edit();
        c.Students.FieldByName("Score")->SetAsFloat(88.5);
        c.Students.Post();
        c.Students.Last();
        c.Students.Delete();
        QCOMPARE(DeltaRows(c.Master.Delta()),
                 (QMap<int, int>{{usModified, 1}, {PacketOriginal, 1}}));
        QCOMPARE(c.Master.ApplyUpdates(0), 0);
        QCOMPARE(FServer
                     ->Query("SELECT Score FROM CourseStudents WHERE CourseID = '1131-AR101' AND "
                             "StudentID = '113001'")
                     .toDouble(),
                 88.5);
        QCOMPARE(Enrolled("1131-AR101"), 1);
    }

    void refusedStudentTakesBackHisCourse() {
        auto connection = FServer->Connect(kCourses);
        TCourses c(*connection);
        QVERIFY(c.Go("1131-PH102"));
        const int students = Enrolled("1131-PH102");
        const int ph101 = Enrolled("1131-PH101");
        c.Master.Edit();
        c.Master.FieldByName("Credits")->SetAsInteger(3);
        c.Master.Post();
        c.Add("113002");
        c.Add("113004"); // on leave
        QCOMPARE(c.Master.ApplyUpdates(0), 1);
        QCOMPARE(c.Refused, QStringList{QStringLiteral("學生 113004 陳怡安 不在學,不可選課")});
        QCOMPARE(Count("SELECT Credits FROM SemCourses WHERE CourseID = '1131-PH102'"), 2);
        QCOMPARE(Enrolled("1131-PH102"), students);
        QCOMPARE(c.Students.ChangeCount(), 2);

        // Each of the school's rules for a student of a course.
        const struct {
            const char *Student;
            double Score;
            const char *Message;
        } cases[] = {
            {"999999", -1, "學號 999999 不在學籍資料中"},
            {"113031", -1, "學生 113031 林冠宇 已選修課程 1131-PH102"},
            {"113001", 101, "「成績」必須在 0 到 100 之間"},
        };
        for (const auto &one : cases) {
            c.Master.CancelUpdates();
            c.Refused.clear();
            QVERIFY(c.Go("1131-PH102"));
            c.Students.Append();
            c.Students.FieldByName("StudentID")->SetAsString(QLatin1String(one.Student));
            if (one.Score >= 0)
                c.Students.FieldByName("Score")->SetAsFloat(one.Score);
            c.Students.Post();
            QCOMPARE(c.Master.ApplyUpdates(0), 1);
            QCOMPARE(c.Refused, QStringList{QString::fromUtf8(one.Message)});
            QCOMPARE(Enrolled("1131-PH102"), students);
        }
        // A student put under a course that is not his master's.
        c.Master.CancelUpdates();
        c.Refused.clear();
        QVERIFY(c.Go("1131-PH102"));
        c.Students.Append();
        c.Students.FieldByName("CourseID")->SetAsString("1131-PH101");
        c.Students.FieldByName("StudentID")->SetAsString("113001");
        c.Students.Post();
        QCOMPARE(c.Master.ApplyUpdates(0), 1);
        QCOMPARE(c.Refused, QStringList{QStringLiteral("選修學生 113001 不屬於 1131-PH102")});
        QCOMPARE(Enrolled("1131-PH101"), ph101);
    }

    void anotherClientsChangeComesBackToReconcile() {
        auto connection = FServer->Connect(kCourses);
        TCourses mine(*connection);
        QVERIFY(mine.Go("1131-CH201"));
        // Someone else corrects a score meanwhile.
        auto theirs = Open(*connection, "dspCourseStudents", "CourseID", "1131-CH201");
        QVERIFY(theirs->Locate("StudentID", Variant("112002")));
        theirs->Edit();
        theirs->FieldByName("Score")->SetAsFloat(91);
        theirs->Post();
        QCOMPARE(theirs->ApplyUpdates(0), 0);

        QVERIFY(mine.Students.Locate("StudentID", Variant("112002")));
        mine.Students.Edit();
        mine.Students.FieldByName("Score")->SetAsFloat(75);
        mine.Students.Post();
        mine.Answer = raRefresh;
        QCOMPARE(mine.Master.ApplyUpdates(0), 1);
        QCOMPARE(mine.Refused,
                 QStringList{QStringLiteral("選修學生 112002 已被其他使用者變更或刪除")});
        QCOMPARE(FServer
                     ->Query("SELECT Score FROM CourseStudents WHERE CourseID = '1131-CH201' AND "
                             "StudentID = '112002'")
                     .toDouble(),
                 91.0);
        // Refreshed from the server's record, the course shows the score as it is now.
        QCOMPARE(mine.Master.ChangeCount(), 0);
        QVERIFY(mine.Go("1131-CH201"));
        QVERIFY(mine.Students.Locate("StudentID", Variant("112002")));
        QCOMPARE(mine.Students.FieldByName("Score")->AsFloat(), 91.0);
        QCOMPARE(mine.Students.RecordCount(), Enrolled("1131-CH201"));

        // A student removed on the strength of a record someone changed since is refused too.
        TCourses stale(*connection);
        QVERIFY(stale.Go("1131-EN201"));
        const int en201 = Enrolled("1131-EN201");
        auto enrolments = Open(*connection, "dspCourseStudents", "CourseID", "1131-EN201");
        QVERIFY(enrolments->Locate("StudentID", Variant("112001")));
        enrolments->Edit();
        enrolments->FieldByName("Score")->SetAsFloat(80);
        enrolments->Post();
        QCOMPARE(enrolments->ApplyUpdates(0), 0);
        QVERIFY(stale.Students.Locate("StudentID", Variant("112001")));
        stale.Students.Delete();
        QCOMPARE(stale.Master.ApplyUpdates(0), 1);
        QCOMPARE(stale.Refused,
                 QStringList{QStringLiteral("選修學生 112001 已被其他使用者變更或刪除")});
        QCOMPARE(Enrolled("1131-EN201"), en201);
    }

    void courseRules() {
        auto connection = FServer->Connect(kCourses);
        const struct {
            const char *Field;
            const char *Value;
            const char *Message;
        } cases[] = {
            {"Semester", "1139", "「學期」1139 不是學期代碼"},
            {"CourseName", "", "「課程名稱」必須輸入"},
            {"TeacherID", "E999", "「授課教師」E999 不是本校教職員"},
            {"ClassID", "199", "「班級」199 不是班級代碼"},
            {"Credits", "21", "「學分」必須在 0 到 20 之間"},
            {"CourseID", "1131-XX101", "課程 1131-CH101 已有選修學生,不可變更課程代碼"},
        };
        for (const auto &one : cases) {
            TCourses c(*connection);
            QVERIFY(c.Go("1131-CH101"));
            c.Master.Edit();
            c.Master.FieldByName(QLatin1String(one.Field))->SetAsString(QLatin1String(one.Value));
            c.Master.Post();
            QCOMPARE(c.Master.ApplyUpdates(0), 1);
            QCOMPARE(c.Refused, QStringList{QString::fromUtf8(one.Message)});
        }
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-CH101' AND "
                       "TeacherID = 'T001' AND Credits = 4 AND ClassID = '101'"),
                 1);
    }

    void enrolmentsOfOneCourseAndItsCandidates() {
        auto connection = FServer->Connect(kCourses);
        auto enrolled = Open(*connection, "dspCourseStudents", "CourseID", "1131-IT301");
        auto candidates = Open(*connection, "dspCourseCandidates", "CourseID", "1131-IT301");
        const int students = Enrolled("1131-IT301");
        QCOMPARE(enrolled->RecordCount(), students);
        QCOMPARE(First(*enrolled, "StudentID", 3), (QStringList{"111001", "111002", "111003"}));
        // Everyone in school not in the course, the student on leave not among them.
        QCOMPARE(candidates->RecordCount(),
                 Count("SELECT COUNT(*) FROM StdOnSchool WHERE State = '0'") - students);
        QVERIFY(!candidates->Locate("StudentID", Variant("113004")));
        QVERIFY(!candidates->Locate("StudentID", Variant("111001")));

        // A candidate enrolled, with his name shown beside the number (never written).
        QVERIFY(candidates->Locate("StudentID", Variant("112031")));
        enrolled->Append();
        enrolled->FieldByName("CourseID")->SetAsString("1131-IT301");
        enrolled->FieldByName("StudentID")->SetAsString("112031");
        enrolled->FieldByName("Cht_Name")
            ->SetAsString(candidates->FieldByName("Cht_Name")->AsString());
        enrolled->FieldByName("ClassID")->SetAsString("202");
        enrolled->Post();
        QCOMPARE(enrolled->ApplyUpdates(0), 0);
        QCOMPARE(Enrolled("1131-IT301"), students + 1);
        auto after = Open(*connection, "dspCourseCandidates", "CourseID", "1131-IT301");
        QVERIFY(!after->Locate("StudentID", Variant("112031")));
        QCOMPARE(after->RecordCount(), candidates->RecordCount() - 1);

        // He is removed again (no score yet); a student with a score is not, and the server's
        // record of him comes back.
        QStringList refused;
        TReconcileAction answer = raRefresh;
        enrolled->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                         TReconcileAction &action) {
            refused << e.Message();
            action = answer;
        };
        QVERIFY(enrolled->Locate("StudentID", Variant("112031")));
        enrolled->Delete();
        QCOMPARE(enrolled->ApplyUpdates(-1), 0);
        QVERIFY(enrolled->Locate("StudentID", Variant("111002")));
        enrolled->Delete();
        QCOMPARE(enrolled->ApplyUpdates(-1), 1);
        QCOMPARE(refused, QStringList{QStringLiteral("學生 111002 周佩君 已有成績,不可退選")});
        QCOMPARE(Enrolled("1131-IT301"), students);
        QCOMPARE(enrolled->ChangeCount(), 0);
        QVERIFY(enrolled->Locate("StudentID", Variant("111002")));
        QVERIFY(!enrolled->FieldByName("Score")->IsNull());
        answer = raCancel;

        // A student on leave, or one enrolled already, is refused; so are changes to the
        // candidates.
        refused.clear();
        for (const char *student : {"113004", "111003"}) {
            enrolled->Append();
            enrolled->FieldByName("CourseID")->SetAsString("1131-IT301");
            enrolled->FieldByName("StudentID")->SetAsString(QLatin1String(student));
            enrolled->Post();
        }
        QCOMPARE(enrolled->ApplyUpdates(-1), 2);
        QCOMPARE(refused,
                 (QStringList{QStringLiteral("學生 113004 陳怡安 不在學,不可選課"),
                              QStringLiteral("學生 111003 王建民 已選修課程 1131-IT301")}));
        QCOMPARE(Enrolled("1131-IT301"), students);
        candidates->First();
        candidates->Delete();
        QVERIFY_THROWS_EXCEPTION(Exception, candidates->ApplyUpdates(0));
    }
};

QTEST_GUILESS_MAIN(TstAppServerCourses)
#include "tst_AppServerCourses.moc"

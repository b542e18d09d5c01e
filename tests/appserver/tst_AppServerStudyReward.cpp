// The study-programme and reward documents' data on a real server, over the wire: the demo
// school's proposals (one per unit, day and kind) with their students, the dispatch numbers of
// the public notices, a student's terms and posted rewards for the certificates, the students
// of each programme; and the graduation review worked out for a student whose grades are known
// (a course failed then passed, a credit transferred, a course still being taken), with and
// without the courses being taken counted.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "Fields.h"

#include <QTest>

namespace {

const QString kCourses = QStringLiteral("SrvAcademic.AcadCourseINTF");
const QString kRewards = QStringLiteral("SrvAcademic.AcadRewardConductINTF");

std::unique_ptr<TClientDataSet> Open(TSocketConnection &connection, const QString &provider,
                                     const QString &param, const QString &value,
                                     const QString &statement = {}) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    if (!statement.isEmpty())
        ds->SetCommandText(statement);
    ds->Params().CreateParam(ftString, param).SetAsString(value);
    ds->Open();
    return ds;
}

// The rows of a nested field, each as the fields' texts joined by blanks.
QStringList Nested(TDataSet &master, const char *field, const QStringList &names) {
    auto *nested = dynamic_cast<TDataSetField *>(master.FieldByName(QLatin1String(field)));
    if (!nested)
        return {QStringLiteral("no field %1").arg(QLatin1String(field))};
    TClientDataSet rows;
    rows.SetDataSetField(nested);
    QStringList lines;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        QStringList values;
        for (const QString &name : names)
            values << rows.FieldByName(name)->AsString();
        lines << values.join(u' ');
    }
    rows.SetDataSetField(nullptr);
    return lines;
}

QStringList Rows(const Variant &packet, const QStringList &names) {
    TClientDataSet rows;
    rows.SetData(packet);
    QStringList lines;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        QStringList values;
        for (const QString &name : names)
            values << rows.FieldByName(name)->AsString();
        lines << values.join(u' ');
    }
    return lines;
}

QStringList Names(const char *text) {
    return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TstAppServerStudyReward : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }
    QString Value(const QString &sql) const { return FServer->Query(sql).toString(); }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
    }
    void cleanupTestCase() { FServer.reset(); }

    void proposalsWithTheirStudents() {
        // Every reward and punishment belongs to one proposal of its unit, day and kind.
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE BillNo IS NULL")),
                 0);
        QCOMPARE(Count(QStringLiteral(
                     "SELECT COUNT(*) FROM RewardPunish r JOIN RewardBills b ON b.RewardNo = "
                     "r.BillNo WHERE b.SuggestDate <> r.SuggestDate OR b.Unit_ID <> "
                     "r.SuggestUnit_ID OR (b.Reworpun = '1') <> (r.Kind IN ('1', '2', '3'))")),
                 0);
        const QString bill = Value(QStringLiteral(
            "SELECT BillNo FROM RewardPunish GROUP BY BillNo ORDER BY COUNT(*) DESC, BillNo "
            "LIMIT 1"));
        const int students = Count(
            QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE BillNo = '%1'").arg(bill));
        QVERIFY(students > 1);
        auto connection = FServer->Connect(kRewards);
        auto proposal = Open(*connection, QStringLiteral("edRewardPunishProvider"),
                             QStringLiteral("RewardNo"), bill);
        QCOMPARE(proposal->RecordCount(), 1);
        QCOMPARE(proposal->FieldByName(QStringLiteral("SuggestDate"))->DataType(), ftDate);
        QVERIFY(!proposal->FieldByName(QStringLiteral("SuggestName"))->AsString().isEmpty());
        const QStringList rows =
            Nested(*proposal, "Detail", Names("RewardNo StudentID Cht_Name NGrade Uint_ID Kind"));
        QCOMPARE(rows.size(), students);
        QVERIFY(rows.first().startsWith(bill + u' '));
        QStringList sorted = rows;
        sorted.sort();
        QCOMPARE(rows, sorted);
        // A number that matches nothing: no row, no error.
        QCOMPARE(Open(*connection, QStringLiteral("edRewardPunishProvider"),
                      QStringLiteral("RewardNo"), QStringLiteral("NONE"))
                     ->RecordCount(),
                 0);
    }

    void dispatchNumbersOfThePublicNotices() {
        // One number per day of dispatch; what the office checked is approved; the last day's
        // dispatches are not checked yet.
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM (SELECT Dispatchdate FROM RewardPunish "
                                      "GROUP BY Dispatchdate HAVING COUNT(DISTINCT Dispatchno) > "
                                      "1) x")),
                 0);
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE CheckedDate IS NOT "
                                      "NULL AND Verify <> 'Y'")),
                 0);
        QVERIFY(Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE Verify = 'Y' AND "
                                     "CheckedDate IS NULL")) > 0);
        // Notices long enough for several pages of ten.
        QVERIFY(Count(QStringLiteral("SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM "
                                     "vLumRewardPunishDetail WHERE Verify = 'Y' AND CheckedDate IS "
                                     "NOT NULL GROUP BY Dispatchno) x")) > 20);
        auto connection = FServer->Connect(kRewards);
        auto ds = std::make_unique<TClientDataSet>();
        ds->SetAppServer(connection->GetServer());
        ds->SetProviderName(QStringLiteral("cmvRewardPunishDetailProvider"));
        ds->SetCommandText(QStringLiteral("Select * from vLumRewardPunishDetail Where (Verify='Y') "
                                          "and (CheckedDate is Not Null ) and Dispatchno='%1'")
                               .arg(Value(QStringLiteral("SELECT MIN(Dispatchno) FROM "
                                                         "RewardPunish WHERE CheckedDate IS NOT "
                                                         "NULL"))));
        ds->Open();
        QVERIFY(ds->RecordCount() > 0);
        QCOMPARE(ds->FieldByName(QStringLiteral("CheckedDate"))->DataType(), ftDate);
    }

    void aStudentsTermsAndRewards() {
        const QString student = Value(QStringLiteral(
            "SELECT r.StudentID FROM RewardPunish r JOIN StdOnSchool s ON s.StudentID = "
            "r.StudentID JOIN ClassTypeDef k ON k.ClassType = s.ClassID WHERE k.NGrade = 2 AND "
            "r.Verify = 'Y' AND r.TranYN = 'Y' ORDER BY r.StudentID LIMIT 1"));
        QVERIFY(!student.isEmpty());
        auto connection = FServer->Connect(kRewards);
        auto ds = Open(*connection, QStringLiteral("RewardByStudentProvider"),
                       QStringLiteral("StudentID"), student);
        QCOMPARE(ds->RecordCount(), 1);
        QCOMPARE(ds->FieldByName(QStringLiteral("StudentID"))->AsString(), student);
        // The two earlier terms with their conduct marks, and this one.
        const QStringList terms = Nested(*ds, "StudentSemStatic", Names("YSemester Conduct"));
        QCOMPARE(terms.size(), 3);
        QVERIFY(terms[0].startsWith(QStringLiteral("1121 ")) && terms[0].size() > 6);
        QVERIFY(terms[2].startsWith(QStringLiteral("1131")));
        QCOMPARE(Nested(*ds, "StudentPunishDetail", Names("RewardNo")).size(),
                 Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE StudentID = '%1' "
                                      "AND Verify = 'Y' AND TranYN = 'Y'")
                           .arg(student)));
        QCOMPARE(Open(*connection, QStringLiteral("RewardByStudentProvider"),
                      QStringLiteral("StudentID"), QStringLiteral("NOBODY"))
                     ->RecordCount(),
                 0);
    }

    void theStudentsOfAProgramme() {
        // Everybody in school follows the programme of the department and year entered.
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM StudentStudy")),
                 Count(QStringLiteral("SELECT COUNT(*) FROM StdOnSchool s JOIN ClassTypeDef k ON "
                                      "k.ClassType = s.ClassID")));
        QCOMPARE(Count(QStringLiteral("SELECT COUNT(*) FROM vLumStudentStudyInfo WHERE StudyID <> "
                                      "Unit_ID || '-' || CAST(114 - NGrade AS VARCHAR(4))")),
                 0);
        auto connection = FServer->Connect(kCourses);
        auto ds =
            Open(*connection, QStringLiteral("cmvLumStudentStudyInfoProvider"),
                 QStringLiteral("StudyID"), QStringLiteral("B10-112"),
                 QStringLiteral(" Select * from vLumStudentStudyInfo Where StudyID= :StudyID"));
        const int students =
            Count(QStringLiteral("SELECT COUNT(*) FROM StudentStudy WHERE StudyID = 'B10-112'"));
        QVERIFY(students > 200);
        QCOMPARE(ds->RecordCount(), students);
        auto study = Open(*connection, QStringLiteral("edStudyInfo2DProvider"),
                          QStringLiteral("No"), QStringLiteral("B10-112"));
        QCOMPARE(Nested(*study, "StudyStudents", Names("StudentID")).size(), students);
    }

    void theGraduationReviewFromKnownGrades() {
        FServer->Database().Run(
            {"INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, SeatNo, State) VALUES "
             "('T9001', '測試生', '1', '201', 45, '0')",
             "INSERT INTO Courses (CourseID, CourseName, Choose, Credit, PassScore) VALUES "
             "('ZZA', '甲科', '1', 3, 60), ('ZZB', '乙科', '1', 3, 60), ('ZZC', '丙科', '2', 2, "
             "60), "
             "('ZZD', '丁科', '2', 2, 60)",
             "INSERT INTO StudyInfo (StudyID, StudyName, Unit_ID, GradeuateCredit, MustCredit, "
             "SelectCredit, DiplomaChtName) VALUES ('ZT-1', '測試學程', 'B10', 10, 6, 2, '證書')",
             "INSERT INTO StudyCourses (StudyID, CourseID, Choose, Credit, Grade, Semester) VALUES "
             "('ZT-1', 'ZZA', '1', 3, 1, '1'), ('ZT-1', 'ZZB', '1', 3, 1, '2'), "
             "('ZT-1', 'ZZC', '2', 2, 2, '1')",
             "INSERT INTO ChooseGroups (ChooseGID, ChooseGName, Unit_ID, PassCreditNum, "
             "PassCourseNum) VALUES ('ZG1', '測試學門', 'B10', 5, 2)",
             "INSERT INTO ChooseGroupCourses (ChooseGID, CourseID, Credit) VALUES ('ZG1', 'ZZA', "
             "3), "
             "('ZG1', 'ZZC', 2)",
             "INSERT INTO StudyGroups (StudyID, ChooseGID) VALUES ('ZT-1', 'ZG1')",
             "INSERT INTO SemCourses (CourseID, Semester, CourseName, Credits, SubjectID) VALUES "
             "('ZS1', '1121', '甲科', 3, 'ZZA'), ('ZS2', '1122', '甲科', 3, 'ZZA'), "
             "('ZS3', '1122', '乙科', 3, 'ZZB'), ('ZS4', '1131', '丙科', 2, 'ZZC'), "
             "('ZS5', '1122', '丁科', 2, 'ZZD')",
             "INSERT INTO CourseStudents (CourseID, StudentID, Score) VALUES ('ZS1', 'T9001', 50), "
             "('ZS2', 'T9001', 72), ('ZS3', 'T9001', -2), ('ZS4', 'T9001', NULL), "
             "('ZS5', 'T9001', 90)"});
        auto connection = FServer->Connect(kCourses);
        const auto check = [&](const char *student, bool countEnrolled) {
            std::vector<Variant> args{Variant(QLatin1String(student)), Variant("ZT-1"),
                                      Variant(countEnrolled)};
            args.resize(8);
            connection->AppServer().Invoke(QStringLiteral("GetStudentGraduateCheckInfo"), args);
            return args;
        };
        const QStringList info =
            Names("StudentID Cht_Name StudyID GradeuateCredit PassTotalCredit MustCredit "
                  "PassMustCredit SelectCredit PassSelectCredit PassGroupCount GraduateYN");
        std::vector<Variant> out = check("T9001", false);
        QCOMPARE(Rows(out[3], info),
                 QStringList{QStringLiteral("T9001 測試生 ZT-1 10 8 6 6 2 0 0 N")});
        QCOMPARE(Rows(out[4], Names("CourseID Score PassYN")),
                 QStringList({"ZZA 72 Y", "ZZB -2 Y", "ZZC -1 N"}));
        QCOMPARE(Rows(out[5], Names("ChooseGID PassCreditNum PassCourseNum GetCredit GetCourseNum "
                                    "PassYN")),
                 QStringList{QStringLiteral("ZG1 5 2 3 1 N")});
        QCOMPARE(Rows(out[6], Names("ChooseGID CourseID Score PassYN")),
                 QStringList({"ZG1 ZZA 72 Y", "ZG1 ZZC -1 N"}));
        QCOMPARE(Rows(out[7], Names("YSemester CourseID Score PassYN")),
                 QStringList({"1121 ZZA 50 N", "1122 ZZA 72 Y", "1122 ZZB -2 Y", "1122 ZZD 90 Y",
                              "1131 ZZC -1 N"}));
        // The course being taken counted: everything is met.
        out = check("T9001", true);
        QCOMPARE(Rows(out[3], info),
                 QStringList{QStringLiteral("T9001 測試生 ZT-1 10 10 6 6 2 2 1 Y")});
        QCOMPARE(Rows(out[5], Names("GetCredit GetCourseNum PassYN")),
                 QStringList{QStringLiteral("5 2 Y")});
        // A student who does not exist: no row of the review, the programme's courses still.
        out = check("NOBODY", false);
        QCOMPARE(Rows(out[3], info).size(), 0);
        QCOMPARE(Rows(out[4], Names("CourseID Score")), QStringList({"ZZA ", "ZZB ", "ZZC "}));
        QCOMPARE(Rows(out[7], Names("CourseID")).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TstAppServerStudyReward)
#include "tst_AppServerStudyReward.moc"

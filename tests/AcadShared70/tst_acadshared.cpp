// The academic common module: its message records between open forms (the current course and
// student, the filters, and asking the forms for their students), and the index datasets
// against a real server: every dataset of a class shares one table, fetched once and kept
// when the modules that used it are gone.

#include "JobTestSupport.h"
#include "StringList.h"
#include "uAcadMessages.h"
#include "uLumMessages.h"
#include "uStdOnSchoolIdxCDS.h"

namespace {

class TAcadListener : public TForm {
public:
    TAcadListener() {
        SetMessageHandler(WM_ACADCOURSEID, [this](TMessage &m) {
            Lines << m.Strings->Text();
            Values = QStringList(3);
            CourseIDReceiver(m, Values[0], Values[1], Values[2]);
        });
        SetMessageHandler(WM_ACADSTUDENTID, [this](TMessage &m) {
            Lines << m.Strings->Text();
            Values = QStringList(4);
            StudentIDReceiver(m, Values[0], Values[1], Values[2], Values[3]);
        });
        SetMessageHandler(WM_ACADSTUDENTFILTER, [this](TMessage &m) {
            Values = QStringList(1);
            StudentFilterReceiver(m, Values[0]);
        });
        SetMessageHandler(WM_ACADORVCOURSESFILTER, [this](TMessage &m) {
            Values = QStringList(1);
            OrvCoursesFilterReceiver(m, Values[0]);
        });
        SetMessageHandler(WM_ACADFETCHSTUDENTS, [this](TMessage &m) {
            ++Asked;
            if (Answer.isEmpty())
                return;
            TStringList *list = FetchStudentsInfoStrings(m);
            for (const QString &value : Answer.value(FetchStudentsInfoFieldName(m)))
                list->Add(value);
            m.Result = 1;
        });
    }
    QStringList Lines, Values;
    int Asked = 0;
    QMap<QString, QStringList> Answer; // by field name: what this form answers
};

} // namespace

class TstAcadShared : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void messagesReachEveryForm() {
        TAcadListener a, b;
        CourseIDSender("A1010", "國文", "A10");
        for (TAcadListener *l : {&a, &b})
            QCOMPARE(l->Values, (QStringList{"A1010", "國文", "A10"}));
        QCOMPARE(a.Lines.last(), QStringLiteral("CourseID=A1010\nCourseName=國文\nUnit_ID=A10\n"));
        StudentIDSender("A123456789", "王小明", "113001", "");
        QCOMPARE(b.Values, (QStringList{"A123456789", "王小明", "113001", ""}));
        QCOMPARE(b.Lines.last(),
                 QStringLiteral("ID=A123456789\nCht_Name=王小明\nStudentID=113001\nEMail=\n"));
        StudentFilterSender("ClassID='101' and Sex='2'");
        QCOMPARE(a.Values, QStringList{"ClassID='101' and Sex='2'"});
        OrvCoursesFilterSender("Unit_ID='A10'");
        QCOMPARE(b.Values, QStringList{"Unit_ID='A10'"});
    }

    // Asking the forms for their students: nothing is sent without a list or a field name, no
    // answering form means no answer, and the answering form's values reach the caller's list.
    void fetchingTheStudentsOfOpenForms() {
        TAcadListener quiet;
        TStringList ids;
        QVERIFY(!FetchStudentsInfo(QString(), &ids));
        QVERIFY(!FetchStudentsInfo(QStringLiteral("StudentID"), nullptr));
        QCOMPARE(quiet.Asked, 0);
        QVERIFY(!FetchStudentsInfo(QStringLiteral("StudentID"), &ids));
        QCOMPARE(quiet.Asked, 1);
        QCOMPARE(ids.Count(), 0);

        // The first form that answers ends the delivery: the list holds its students only.
        TAcadListener answering, later;
        answering.Answer[QStringLiteral("StudentID")] = {"113001", "113002"};
        later.Answer[QStringLiteral("StudentID")] = {"999999"};
        QVERIFY(FetchStudentsInfo(QStringLiteral("StudentID"), &ids));
        QCOMPARE(ids.Text(), QStringLiteral("113001\n113002\n"));
        QCOMPARE(quiet.Asked, 2);
        QCOMPARE(later.Asked, 0);
    }

    // Two modules' datasets share one table: the second opens on what the first fetched (a row
    // added on the server since is not there), and the table outlives both modules.
    void indexTablesAreSharedAndKept() {
        const int count = FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt();
        QVERIFY(count > 0);
        auto first = std::make_unique<QObject>();
        auto *a = new TStdOnSchoolIdxCDS(first.get());
        a->Open();
        QCOMPARE(a->RecordCount(), count);
        QCOMPARE(a->GetSystemTableName(), QStringLiteral("SystemStdOnSchoolIndex"));
        QVERIFY(a->FindField(QStringLiteral("StudentID")));

        FBench->Server->Database().Run(
            {QStringLiteral("INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, SeatNo, "
                            "State) VALUES ('119999', '新同學', '1', '101', 99, '1')")});
        auto second = std::make_unique<QObject>();
        auto *b = new TStdOnSchoolIdxCDS(second.get());
        b->Open();
        QCOMPARE(b->RecordCount(), count);
        QCOMPARE(b->GetSystemTable(), a->GetSystemTable());
        TSystemTable *table = a->GetSystemTable();
        first.reset();
        second.reset();
        QVERIFY(table->Active());
        TStdOnSchoolIdxCDS again;
        again.Open();
        QCOMPARE(again.GetSystemTable(), table);
        QCOMPARE(again.RecordCount(), count);
        // Fetched anew only when asked to.
        again.SystemTableRefresh();
        QCOMPARE(again.RecordCount(), count + 1);
    }
};

LUM_TEST_MAIN(TstAcadShared)
#include "tst_acadshared.moc"

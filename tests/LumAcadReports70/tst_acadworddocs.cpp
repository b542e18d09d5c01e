// The study-programme and reward documents against the application server's demo school, every
// read through the modules' own connections, the documents made from the build's templates and
// read back through the document model: a public notice of 23 approved rows in three copies of
// 10, 10 and 3 (rows not approved or not checked left out), a proposal by number, each
// certificate of one student (the origin filter and a code the table lacks), a programme with
// its groups and courses and its students (the sources pointed back afterwards, also after a
// failure), a discipline group, and the graduation review with and without grades.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "FixedClock.h"
#include "OfficeSuite.h"
#include "ReportTestSupport.h"
#include "ServerLocations.h"
#include "StatelessDataSet.h"
#include "TestMain.h"
#include "WordDocument.h"
#include "uDocuReport.h"
#include "uLumAcadChooseGPPrint.h"
#include "uLumAcadStudyPrint.h"
#include "uLumRemoteData.h"
#include "uLumWRAcadRewardBill.h"
#include "uLumWRAcadRewardPublish.h"
#include "uLumWRAcadStudyBNormalDoc.h"
#include "uLumWRAcadStudyBStudentDoc.h"
#include "uLumWRAcadStudyGB_GradeDoc.h"
#include "uLumWRAcadStudyGB_StudyDoc.h"
#include "uLumWRSAcadRewardCertificate.h"
#include "uOrganization.h"
#include "uSystemTable.h"

#include <QImage>

namespace {

// The rows of a table of the document below its head, each as its cells' texts joined by "|";
// empty rows left out.
QStringList Rows(TDocuReport *report, int table, int head) {
    QStringList rows;
    TWordTable t = report->Document()->Table(table);
    for (int r = head + 1; r <= t.RowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= t.ColumnCount(); ++c)
            cells << t.Cell(r, c).Text().trimmed();
        if (!cells.join(QString()).isEmpty())
            rows << cells.join(u'|');
    }
    return rows;
}

template <class TModule> QString Labels(TModule &document, const char *name) {
    return document.WRMultiLabel->Labels().Values(QLatin1String(name));
}

// With ORV7_KEEP_DOCUMENTS naming a folder, the document made last is kept there to be looked at.
template <class TModule> void Keep(TModule &module, const char *name) {
    const QString folder = qEnvironmentVariable("ORV7_KEEP_DOCUMENTS");
    if (!folder.isEmpty())
        module.DocuReport->SaveAs(folder + u'/' + QString::fromUtf8(name) + QStringLiteral(".docx"),
                                  wdFormatDocument);
}

} // namespace

class TstAcadWordDocs : public QObject {
    Q_OBJECT
    TFixedClock FClock{QDate(2024, 12, 16)};
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FDir;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }
    QString Value(const QString &sql) const { return FServer->Query(sql).toString(); }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        for (const auto &[name, server, provider] :
             {std::tuple{"SystemOrvCoursesIndex", "SrvAcademic.AcadCourseINTF",
                         "xOrvCoursesIdxProvider"},
              std::tuple{"SystemAcadStudyInfo", "SrvAcademic.AcadCourseINTF", "xStudyInfoProvider"},
              std::tuple{"SystemAcadChooseGroup", "SrvAcademic.AcadCourseINTF",
                         "xChooseGroupProvider"}}) {
            TSystemTable *table = SharedSystemTable(QLatin1String(name), QLatin1String(server),
                                                    QLatin1String(provider));
            table->Broker()->Servers().clear();
            table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        }
        CodeTableSystemTable()->Broker()->Servers().clear();
        CodeTableSystemTable()->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }
    void cleanupTestCase() { FServer.reset(); }

    void aPublicNoticeOf23RowsPrintsTenAPage() {
        // 23 approved and checked rows under one number, and two more that are not.
        FServer->Database().Run(
            {"UPDATE RewardPunish SET Dispatchno = 'T23', CheckedDate = '2024-12-01' WHERE "
             "RewardNo IN (SELECT RewardNo FROM RewardPunish WHERE Verify = 'Y' ORDER BY "
             "RewardNo LIMIT 23)",
             "UPDATE RewardPunish SET Dispatchno = 'T23' WHERE RewardNo IN (SELECT RewardNo FROM "
             "RewardPunish WHERE Verify = 'N' ORDER BY RewardNo LIMIT 1)",
             "UPDATE RewardPunish SET Dispatchno = 'T23', CheckedDate = NULL WHERE RewardNo IN "
             "(SELECT RewardNo FROM RewardPunish WHERE Verify = 'Y' AND Dispatchno <> 'T23' "
             "ORDER BY RewardNo LIMIT 1)"});
        TLumWRAcadRewardPublish notice;
        notice.PrintingByNo(QStringLiteral("T23"));
        QCOMPARE(notice.DispatchNumbers(), QStringList{QStringLiteral("T23")});
        Keep(notice, "獎懲公告單");
        TDocuReport *report = notice.DocuReport;
        QCOMPARE(report->Document()->TableCount(), 3);
        QStringList all;
        for (int page = 1; page <= 3; ++page) {
            const QStringList rows = Rows(report, page, 4);
            QCOMPARE(rows.size(), page < 3 ? 10 : 3);
            all += rows;
        }
        // By student number, each row as the view has it, kinds by their names.
        const QString first = Value(QStringLiteral(
            "SELECT StudentID FROM RewardPunish WHERE Dispatchno = 'T23' AND CheckedDate IS NOT "
            "NULL AND Verify = 'Y' ORDER BY StudentID, VerifyKind LIMIT 1"));
        // In the sheet's columns, not the view's: number, name, class, seat, origin, kind.
        QVERIFY2(all.first().startsWith(
                     first + u'|' +
                     Value(QStringLiteral("SELECT Cht_Name FROM StdOnSchool WHERE StudentID = '%1'")
                               .arg(first)) +
                     u'|'),
                 qPrintable(all.first()));
        QVERIFY(
            QRegularExpression(QStringLiteral("^[^|]*\\|[^|]*\\|[^|]*\\|\\d+\\|[^|]+\\|"
                                              "(嘉獎|小功|大功|警告|小過|大過|定期察看)\\|\\d+\\|"))
                .match(all.first())
                .hasMatch());
        QCOMPARE(Labels(notice, "DispatchNo"), QStringLiteral("T23"));
        QCOMPARE(Labels(notice, "Dispatchword"), QStringLiteral("北示高學字"));
        // Afterwards Detail holds every approved and checked row again.
        QCOMPARE(notice.Detail->Filter(),
                 QStringLiteral("(Verify='Y') and (CheckedDate is Not Null )"));
        QCOMPARE(notice.Detail->RecordCount(), 23);

        // Through the office suite: three pages, each with its rows.
        if (!TOfficeSuite::Program().isEmpty()) {
            const QString pdf = FDir.filePath(QStringLiteral("notice.pdf"));
            notice.SaveAsPdf(pdf);
            QCOMPARE(PdfPageCount(pdf), 3);
            const QStringList pages = PdfPageTexts(pdf);
            QVERIFY(pages.value(2).contains(all.last().section(u'|', 0, 0)));
            QVERIFY(pages.value(0).contains(QStringLiteral("學生獎懲公告")));
        }

        // The rows a caller holds, given through the document base: the same three pages.
        TLumWRAcadRewardPublish copy;
        static_cast<TLumDocuReportBase &>(copy).Printing(notice.Detail);
        QCOMPARE(copy.DocuReport->Document()->TableCount(), 3);
        QCOMPARE(Rows(copy.DocuReport, 3, 4).size(), 3);

        // A number of nothing: one page with empty labels.
        notice.PrintingByNo(QStringLiteral("NONE'X"));
        QVERIFY(notice.DispatchNumbers().isEmpty());
        QCOMPARE(Rows(report, 1, 4).size(), 0);
        QCOMPARE(Labels(notice, "DispatchNo"), QString());
    }

    void aProposalByNumber() {
        const QString bill = Value(QStringLiteral(
            "SELECT BillNo FROM RewardPunish GROUP BY BillNo ORDER BY COUNT(*) DESC LIMIT 1"));
        TLumWRAcadRewardBill proposal;
        proposal.PrintingByNo(bill);
        QVERIFY(!proposal.DocuReport->Active());
        proposal.PrintDoc();
        Keep(proposal, "獎懲建議單");
        const QStringList rows = Rows(proposal.DocuReport, 1, 4);
        QCOMPARE(
            rows.size(),
            Count(
                QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE BillNo = '%1'").arg(bill)));
        // Student, department by its name, year, name, origin, kind by its name, count, basis.
        QVERIFY2(QRegularExpression(QStringLiteral("^\\w+\\|(普通科|數理資優班)\\|\\d\\|"))
                     .match(rows.first())
                     .hasMatch(),
                 qPrintable(rows.first()));
        QCOMPARE(Labels(proposal, "RewardNo"), bill);
        QVERIFY(Labels(proposal, "SuggestUnit_ID").endsWith(QStringLiteral("處")) ||
                Labels(proposal, "SuggestUnit_ID").endsWith(QStringLiteral("組")) ||
                !Labels(proposal, "SuggestUnit_ID").isEmpty());
        QVERIFY(Labels(proposal, "Reworpun") == QStringLiteral("獎勵") ||
                Labels(proposal, "Reworpun") == QStringLiteral("懲處"));
    }

    void theCertificatesOfOneStudent() {
        const QString student = Value(QStringLiteral(
            "SELECT r.StudentID FROM RewardPunish r JOIN StdOnSchool s ON s.StudentID = "
            "r.StudentID JOIN ClassTypeDef k ON k.ClassType = s.ClassID WHERE k.NGrade = 2 AND "
            "r.Verify = 'Y' AND r.TranYN = 'Y' GROUP BY r.StudentID ORDER BY COUNT(*) DESC, "
            "r.StudentID LIMIT 1"));
        const int posted = Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE "
                                                "StudentID = '%1' AND Verify = 'Y' AND TranYN = "
                                                "'Y'")
                                     .arg(student));
        TLumWRSAcadRewardCertificate certificate;
        QCOMPARE(certificate.DocForm(), QStringLiteral("學生操行證明單.doc"));
        certificate.PrintingByStudent(student);
        QCOMPARE(Labels(certificate, "StudentID"), student);
        QCOMPARE(Rows(certificate.DocuReport, 1, 4).size(), 3); // 1121, 1122, 1131
        Keep(certificate, "學生操行證明單");
        QCOMPARE(Rows(certificate.DocuReport, 1, 4).first().section(u'|', 0, 1),
                 QStringLiteral("1121|") +
                     Value(QStringLiteral("SELECT Conduct FROM SemConduct "
                                          "WHERE StudentID = '%1' AND "
                                          "YSemester = '1121'")
                               .arg(student))
                         .remove(QRegularExpression(QStringLiteral("\\.0$"))));

        certificate.SetCertificateType(rctReward);
        certificate.PrintingByStudent(student);
        QStringList rows = Rows(certificate.DocuReport, 1, 4);
        QCOMPARE(rows.size(), posted);
        QCOMPARE(rows.first().count(u'|'), 6); // with the dispatch word and number
        Keep(certificate, "學生歷年獎懲證明單");

        // Deeds of a code the table lacks: every row, no origin named.
        certificate.SetCertificateType(rctOrigin);
        certificate.SetOriginType(QStringLiteral("9"));
        certificate.PrintingByStudent(student);
        QCOMPARE(Rows(certificate.DocuReport, 1, 4).size(), posted);
        QCOMPARE(Labels(certificate, "AF_OriType"), QString());
        // Deeds of one origin.
        certificate.SetOriginType(QStringLiteral("1"));
        certificate.PrintingByStudent(student);
        rows = Rows(certificate.DocuReport, 1, 4);
        QCOMPARE(rows.size(),
                 Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE StudentID = '%1' "
                                      "AND Verify = 'Y' AND TranYN = 'Y' AND OriginType = '1'")
                           .arg(student)));
        QCOMPARE(Labels(certificate, "AF_OriType"), QStringLiteral("導師建議"));
        Keep(certificate, "學生在校事蹟證明單");
        for (const QString &row : rows)
            QVERIFY2(row.endsWith(QStringLiteral("|導師建議")), qPrintable(row));

        // A student number of nobody: empty labels and no rows.
        certificate.PrintingByStudent(QStringLiteral("NOBODY"));
        QCOMPARE(Labels(certificate, "Cht_Name"), QString());
        QCOMPARE(Rows(certificate.DocuReport, 1, 4).size(), 0);
    }

    void aProgrammeWithItsGroupsCoursesAndStudents() {
        const QString study = QStringLiteral("B20-112");
        TLumWRAcadStudyBNormalDoc programme;
        programme.OpenStudy(study);
        QCOMPARE(Labels(programme, "StudyID"), study);
        Keep(programme, "系所學程表");
        QCOMPARE(Labels(programme, "Unit_ID"), QStringLiteral("數理資優班"));
        TDocuReport *report = programme.DocuReport;
        const QStringList groups = Rows(report, 2, 1);
        QCOMPARE(groups.size(), 1 + Count(QStringLiteral("SELECT COUNT(*) FROM StudyGroups WHERE "
                                                         "StudyID = '%1'")
                                              .arg(study)));
        QCOMPARE(groups.first(),
                 QStringLiteral("學門|學門名稱|系所單位|學分門檻|科目門檻|通識學門分類"));
        QVERIFY2(groups.value(1).endsWith(QStringLiteral("|語文")), qPrintable(groups.value(1)));
        QCOMPARE(Rows(report, 3, 1).size(),
                 1 + Count(QStringLiteral("SELECT COUNT(*) FROM StudyCourses WHERE StudyID = '%1'")
                               .arg(study)));

        TLumWRAcadStudyBStudentDoc students;
        students.OpenStudents(study);
        const int count = Count(
            QStringLiteral("SELECT COUNT(*) FROM StudentStudy WHERE StudyID = '%1'").arg(study));
        QCOMPARE(Rows(students.DocuReport, 2, 2).size(), count);
        Keep(students, "系所學程學生檢視表");
        QCOMPARE(Labels(students, "StudyName"), Value(QStringLiteral("SELECT StudyName FROM "
                                                                     "StudyInfo WHERE StudyID = "
                                                                     "'%1'")
                                                          .arg(study)));
        QCOMPARE(students.GetStudyDataSet(), students.StudyInfo);
        QCOMPARE(students.StudentsSource->DataSet(), students.StudyStudents);
        // From the programme's record: the same students.
        students.OpenStudy(study);
        QCOMPARE(Rows(students.DocuReport, 2, 2).size(), count);
        // A template missing: the error names it, the sources are pointed back.
        students.SetDocForm(QStringLiteral("沒有這個表.doc"));
        try {
            students.OpenStudents(study);
            QFAIL("no error");
        } catch (const Exception &e) {
            QVERIFY2(e.Message().contains(QStringLiteral("沒有這個表")), qPrintable(e.Message()));
        }
        QCOMPARE(students.GetStudyDataSet(), students.StudyInfo);
        QCOMPARE(students.StudentsSource->DataSet(), students.StudyStudents);
    }

    void theSchoolsLogoHeadsTheSheets() {
        // A picture in the template folder named by the organisation record.
        QImage logo(40, 40, QImage::Format_RGB32);
        logo.fill(Qt::darkGreen);
        const QString file = FDir.filePath(QStringLiteral("logo.png"));
        QVERIFY(logo.save(file));
        const QString before = Organization->LogoFile;
        Organization->LogoFile = file; // a full path is taken as it is
        TLumWRSAcadRewardCertificate certificate;
        certificate.PrintingByStudent(QStringLiteral("113001"));
        QVERIFY(QString::fromUtf8(certificate.DocuReport->Document()->DocumentXml())
                    .contains(QStringLiteral("<w:drawing>")));
        // A programme of nobody: the logo and empty labels; no dataset at all is refused.
        auto connection = FServer->Connect(QStringLiteral("SrvAcademic.AcadCourseINTF"));
        TClientDataSet none;
        none.SetAppServer(connection->GetServer());
        none.SetProviderName(QStringLiteral("edStudyInfo2DProvider"));
        none.Params()
            .CreateParam(ftString, QStringLiteral("No"))
            .SetAsString(QStringLiteral("NONE"));
        none.Open();
        TLumAcadStudyPrint print;
        print.Printing(&none);
        QVERIFY(QString::fromUtf8(print.DocuReport->Document()->DocumentXml())
                    .contains(QStringLiteral("<w:drawing>")));
        QCOMPARE(Labels(print, "StudyName"), QString());
        QCOMPARE(Rows(print.DocuReport, 2, 1).size(), 1); // the title row alone
        none.Close();
        QVERIFY_THROWS_EXCEPTION(Exception, print.Printing(&none));
        // Without the file: no picture, no error.
        Organization->LogoFile = QStringLiteral("沒有這個圖.png");
        certificate.PrintingByStudent(QStringLiteral("113001"));
        QVERIFY(!QString::fromUtf8(certificate.DocuReport->Document()->DocumentXml())
                     .contains(QStringLiteral("<w:drawing>")));
        Organization->LogoFile = before;
    }

    void thePrintModulesOfAProgrammeAndAGroup() {
        auto connection = FServer->Connect(QStringLiteral("SrvAcademic.AcadCourseINTF"));
        TClientDataSet study;
        study.SetAppServer(connection->GetServer());
        study.SetProviderName(QStringLiteral("edStudyInfo2DProvider"));
        study.Params()
            .CreateParam(ftString, QStringLiteral("No"))
            .SetAsString(QStringLiteral("B10-113"));
        study.Open();
        TLumAcadStudyPrint studyPrint;
        studyPrint.Printing(&study);
        QCOMPARE(Labels(studyPrint, "GradeuateCredit"), QStringLiteral("150"));
        Keep(studyPrint, "系所學程表-列印");
        QCOMPARE(Rows(studyPrint.DocuReport, 2, 1).first(),
                 QStringLiteral("學門代號|學門名稱|系所單位|門檻學分數|門檻科目數|學門分類"));
        QCOMPARE(Rows(studyPrint.DocuReport, 3, 1).size(),
                 1 + Count(QStringLiteral("SELECT COUNT(*) FROM StudyCourses WHERE StudyID = "
                                          "'B10-113'")));

        TClientDataSet group;
        group.SetAppServer(connection->GetServer());
        group.SetProviderName(QStringLiteral("edChooseGroup2dProvider"));
        group.Params()
            .CreateParam(ftString, QStringLiteral("No"))
            .SetAsString(QStringLiteral("B101"));
        group.Open();
        TLumAcadChooseGPPrint groupPrint;
        groupPrint.Printing(&group);
        QCOMPARE(Labels(groupPrint, "ChooseGID"), QStringLiteral("B101"));
        Keep(groupPrint, "系所學門設定表");
        QCOMPARE(Labels(groupPrint, "GroupType"), QStringLiteral("語文"));
        QCOMPARE(Rows(groupPrint.DocuReport, 2, 1).size(),
                 1 + Count(QStringLiteral("SELECT COUNT(*) FROM StudyGroups WHERE ChooseGID = "
                                          "'B101'")));
        QCOMPARE(Rows(groupPrint.DocuReport, 3, 1).first(),
                 QStringLiteral("科目代號|科目名稱|學分"));
    }

    void theGraduationReview() {
        const QString student = Value(QStringLiteral(
            "SELECT StudentID FROM StudentStudy WHERE StudyID = 'B10-113' ORDER BY StudentID "
            "LIMIT 1"));
        const int grades =
            Count(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE StudentID = '%1'")
                      .arg(student));
        TLumWRAcadStudyGB_StudyDoc review;
        QCOMPARE(review.DocForm(), QStringLiteral("學生學程資格審查表Grade.doc"));
        review.OpenStudentStudy(student, QStringLiteral("B10-113"));
        review.PrintDoc();
        TDocuReport *report = review.DocuReport;
        QCOMPARE(report->Document()->TableCount(), 4);
        Keep(review, "學生學程資格審查表Grade");
        QCOMPARE(Labels(review, "StudentID"), student);
        QCOMPARE(Labels(review, "GradeuateCredit"), QStringLiteral("150"));
        QCOMPARE(Rows(report, 2, 3).size(), review.GroupInfo->RecordCount());
        QCOMPARE(Rows(report, 3, 3).size(),
                 Count(QStringLiteral("SELECT COUNT(*) FROM StudyCourses WHERE StudyID = "
                                      "'B10-113'")));
        QCOMPARE(Rows(report, 4, 2).size(), grades);
        // Without grades: the other template, and its tables only.
        review.SetWithGrades(false);
        review.SetReviewKind(1);
        review.PrintDoc();
        QCOMPARE(review.DocForm(), QStringLiteral("學生學程學門審查表.doc"));
        QCOMPARE(report->Document()->TableCount(), 3);
        Keep(review, "學生學程學門審查表");
        QCOMPARE(Rows(report, 3, 3).size(), review.GroupCourses->RecordCount());
        // A kind of its own keeps template and courses; without grades the grade table of a
        // template that has one stays as the template has it.
        review.SetReviewKind(0);
        review.SetWithGrades(true);
        review.PrintDoc();
        review.SetReviewKind(7);
        review.SetWithGrades(false);
        review.PrintDoc();
        QCOMPARE(review.DocForm(), QStringLiteral("學生學程資格審查表Grade.doc"));
        QCOMPARE(report->Document()->TableCount(), 4);
        QCOMPARE(Rows(report, 4, 2).size(), 0);
        QCOMPARE(Rows(report, 3, 3).size(), review.StudyCourses->RecordCount());

        QCOMPARE(TLumWRAcadStudyGraduateBase::GradeText(QStringLiteral("-1")),
                 QStringLiteral("未到"));
        QCOMPARE(TLumWRAcadStudyGraduateBase::GradeText(QStringLiteral("-2")),
                 QStringLiteral("抵免"));
        QCOMPARE(TLumWRAcadStudyGraduateBase::GradeText(QStringLiteral("75.5")),
                 QStringLiteral("75.5"));

        // The grade sheet; a student of nobody prints empty labels.
        TLumWRAcadStudyGB_GradeDoc sheet;
        sheet.OpenStudentStudy(QStringLiteral("NOBODY"), QStringLiteral("B10-113"));
        sheet.PrintDoc();
        QCOMPARE(Labels(sheet, "Cht_Name"), QString());
        QCOMPARE(Rows(sheet.DocuReport, 2, 2).size(), 0);
    }
};

LUM_TEST_MAIN(TstAcadWordDocs)
#include "tst_acadworddocs.moc"

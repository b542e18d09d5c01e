// The Word document modules: the template of the program folder, the labels of a student's row
// and of a study programme (codes by their descriptions, empty without a row), the study ID as
// the record's parameter, and the filled document previewed, saved and turned into a PDF.

#include "AcadReportTestSupport.h"
#include "DataSource.h"
#include "OfficeSuite.h"
#include "Packages.h"
#include "ReportTestUtil.h"
#include "SocketConnection.h"
#include "TestMain.h"
#include "uDocuReport.h"
#include "uLumDocuReportStudent.h"
#include "uLumWRAcadStudyBase.h"
#include "uObjServers.h"

#include <QTcpServer>

namespace {

QStringList Paragraphs(TDocuReport *report) {
    return report->Document()->Content().Text().split(u'\r');
}

std::unique_ptr<TClientDataSet> OneStudent() {
    return MakeDataSet(
        QStringLiteral("Student"),
        {"ID", "Cht_Name", "Eng_Name", "StudentID", "Unit_ID", "ClassType", "DiplomaType"},
        {{"A100000001", "王小明", "Wang", "S1001", "A1", "1", "1"}});
}

std::unique_ptr<TClientDataSet> OneStudy() {
    return MakeDataSet(
        QStringLiteral("Study"),
        {"StudyID", "StudyName", "LockedYN", "Unit_ID", "ClassType", "StudyType",
         "GradeuateCredit:f", "MustCredit:f", "SelectCredit:f", "NeedCredit:f", "DiplomaType",
         "DiplomaChtName", "DiplomaEngName", "YSemester", "CreateDate:d", "Creater", "CheckeDate:d",
         "Checker", "EditInfo"},
        {{"ST01", "資訊學程", "N", "A1", "1", "1", 128.0, 96.0, 32.0, 0.0, "1", "資訊學士",
          "Bachelor", "1122", QDate(2024, 2, 1), "王老師", QDate(2024, 2, 15), "李主任", ""}});
}

} // namespace

class TstDocuReports : public QObject {
    Q_OBJECT
    QTemporaryDir FProgram;
    TFakeViewer FViewer;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FProgram.isValid());
        qputenv("ORV7_PROGRAM_DIR", FProgram.path().toLocal8Bit());
        QDir(FProgram.path()).mkpath(QStringLiteral("TemplateDocs"));
        const QString folder = FProgram.filePath(QStringLiteral("TemplateDocs"));
        WriteTemplate(folder, QStringLiteral("學生資料"),
                      TBody()
                          .Mark("OrganizationName", "")
                          .Mark("PrintDate", "日期：")
                          .Mark("StudentID", "學號：")
                          .Mark("Cht_Name", "姓名：")
                          .Mark("Unit_ID", "科別：")
                          .Mark("ClassType", "部別：")
                          .Mark("DiplomaType", "證書："));
        WriteTemplate(folder, QStringLiteral("學程"),
                      TBody()
                          .Mark("StudyID", "代號：")
                          .Mark("StudyName", "名稱：")
                          .Mark("Unit_ID", "系所：")
                          .Mark("StudyType", "分類：")
                          .Mark("GradeuateCredit", "畢業學分：")
                          .Mark("CreateDate", "建立：")
                          .Mark("Creater", "建立人：")
                          .Mark("DiplomaChtName", "學位："));
        LoadCodeTable();
    }
    void cleanupTestCase() { qunsetenv("ORV7_PROGRAM_DIR"); }

    void aStudentDocumentTakesTheRowsTexts() {
        TFixedClock clock(QDate(2024, 4, 1));
        TLumDocuReportStudent document;
        document.DocuReport->WordApplication()->SetViewer(&FViewer);
        document.SetDocForm(QStringLiteral("學生資料.doc"));
        QCOMPARE(document.DocuReport->TemplateName(),
                 ProgramFolder() + QStringLiteral("TemplateDocs/學生資料.doc"));
        auto student = OneStudent();
        document.Printing(student.get());
        QCOMPARE(
            Paragraphs(document.DocuReport),
            QStringList({"臺北市立示範高級中學", "日期：113/04/01", "學號：S1001", "姓名：王小明",
                         "科別：資訊科", "部別：日間部", "證書：高中畢業證書", "end", ""}));
        // The document made can be previewed; each printing starts afresh.
        document.PrintPreview();
        QCOMPARE(FViewer.Previewed.size(), 1);
        document.Printing(student.get());
        QCOMPARE(Paragraphs(document.DocuReport).size(), 9);

        // No matching student: every label of the student is empty.
        auto nobody = MakeDataSet(QStringLiteral("Nobody"), {"StudentID", "Cht_Name"}, {});
        document.Printing(nobody.get());
        QCOMPARE(Paragraphs(document.DocuReport).mid(2, 5),
                 QStringList({"學號：", "姓名：", "科別：", "部別：", "證書："}));
        QCOMPARE(document.WRMultiLabel->Labels().Values(QStringLiteral("Cht_Name")), QString());
    }

    void studentsByConditionSelectNobodyWithoutOne() {
        TLocalSchool school;
        TLumDocuReportStudent document;
        school.Attach(document.RemoteData());
        document.OpenStudents(QString());
        QCOMPARE(document.StudentDataSet->CommandText(),
                 QStringLiteral("Select * from vStudentAll Where ID is Null"));
        QVERIFY(document.StudentDataSet->IsEmpty());
        document.OpenStudents(QStringLiteral("StudentID='S1003'"));
        QCOMPARE(document.StudentDataSet->CommandText(),
                 QStringLiteral("Select * from vStudentAll Where StudentID='S1003'"));
        QCOMPARE(document.StudentDataSet->FieldByName(QStringLiteral("Cht_Name"))->AsString(),
                 QStringLiteral("陳大同"));
    }

    void aStudyDocumentTakesTheProgrammesTexts() {
        TLumWRAcadStudyBase document;
        document.DocuReport->WordApplication()->SetViewer(&FViewer);
        document.SetDocForm(QStringLiteral("學程.doc"));
        auto study = OneStudy();
        document.OpenStudy(study.get());
        QCOMPARE(Paragraphs(document.DocuReport),
                 QStringList({"代號：ST01", "名稱：資訊學程", "系所：資訊科", "分類：學程",
                              "畢業學分：128", "建立：2024/02/01", "建立人：王老師",
                              "學位：資訊學士", "end", ""}));
        // The Word objects read whatever the source points at.
        auto other = OneStudy();
        other->Edit();
        other->FieldByName(QStringLiteral("StudyName"))->SetAsString(QStringLiteral("商業學程"));
        other->Post();
        document.StudyInfoSource->SetDataSet(other.get());
        QCOMPARE(document.GetStudyDataSet(), other.get());
        document.PrintDoc();
        QCOMPARE(Paragraphs(document.DocuReport).value(1), QStringLiteral("名稱：商業學程"));
        // Printing a dataset points the source back at the programme.
        document.Printing(study.get());
        QCOMPARE(document.GetStudyDataSet(), document.StudyInfo);

        QCOMPARE(TLumWRAcadStudyBase::CodeLookup(document.CDUnit, QStringLiteral("B2")),
                 QStringLiteral("商業科"));
        QCOMPARE(TLumWRAcadStudyBase::CodeLookup(document.CDUnit, QStringLiteral("ZZ")),
                 QStringLiteral("ZZ"));
        QCOMPARE(TLumWRAcadStudyBase::CodeLookup(nullptr, QStringLiteral("A1")),
                 QStringLiteral("A1"));
    }

    void theStudyIdIsTheRecordsParameter() {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const int port = closed.serverPort();
        closed.close();
        TLumWRAcadStudyBase document;
        auto *broker = qobject_cast<TRADObjectBroker *>(
            document.RemoteData()
                ->Connection(QStringLiteral("SrvAcademic.AcadCourseINTF"))
                ->ObjectBroker());
        broker->Servers().clear();
        broker->AddServer(QStringLiteral("127.0.0.1"), port);
        QVERIFY_THROWS_EXCEPTION(Exception, document.OpenStudy(QStringLiteral("ST01")));
        QCOMPARE(document.StudyID(), QStringLiteral("ST01"));
        QCOMPARE(document.StudyInfo->Params().ParamByName(QStringLiteral("No")).AsString(),
                 QStringLiteral("ST01"));
        QCOMPARE(document.StudyInfo->ProviderName(), QStringLiteral("edStudyInfo2DProvider"));
    }

    void theDocumentBecomesAPdf() {
        if (TOfficeSuite::Program().isEmpty())
            QSKIP("no office suite to make PDFs with");
        TLumDocuReportStudent document;
        document.DocuReport->WordApplication()->SetViewer(&FViewer);
        document.SetDocForm(QStringLiteral("學生資料.doc"));
        auto student = OneStudent();
        document.Printing(student.get());
        const QString pdf = FProgram.filePath(QStringLiteral("學生資料.pdf"));
        document.SaveAsPdf(pdf);
        QVERIFY(Squeezed(PdfLayoutText(pdf)).contains(QStringLiteral("姓名：王小明")));
    }
};

LUM_TEST_MAIN(TstDocuReports)
#include "tst_docureports.moc"

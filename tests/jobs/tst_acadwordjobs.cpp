// The academic office's Word document jobs against a real server and its demo school, as the
// office uses them through their tool buttons: a public notice by dispatch number (its pages of
// ten), a proposal by number, each certificate of one student, a programme, its students and a
// discipline group chosen from the lists, and a student's review with and without grades; each
// saved as PDF through the office suite and read back. Numbers that are not numbers are refused,
// numbers of nothing print empty and say so.

#include "FixedClock.h"
#include "JobTestSupport.h"
#include "OfficeSuite.h"
#include "PdfTestSupport.h"
#include "ReportTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

template <class T> T *Child(QObject *form, const char *name) {
    T *child = form->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("%s has no %s", qPrintable(form->objectName()), name);
    return child;
}

QString Flat(const QString &text) {
    return QString(text).remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class TstAcadWordJobs : public QObject {
    Q_OBJECT
    TFixedClock FClock{QDate(2024, 12, 16)};
    std::unique_ptr<TJobTestBench> FBench;
    QTemporaryDir FDir;
    int FFiles = 0;
    QString FLastPdf;

    int Count(const QString &sql) const { return FBench->Query(sql).toInt(); }
    QString Value(const QString &sql) const { return FBench->Query(sql).toString(); }

    TRadBaseForm *Run(const char *package) {
        auto *form = qobject_cast<TRadBaseForm *>(FBench->Run(QLatin1String(package)));
        if (form)
            form->show();
        return form;
    }
    // "另存PDF" through its tool button and the save dialog; the text of the file, pages apart.
    QStringList SavePdf(TRadBaseForm *form) {
        FLastPdf = FDir.filePath(QStringLiteral("d%1.pdf").arg(++FFiles));
        TDialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            dialog->selectFile(FLastPdf);
            static_cast<QDialog *>(dialog)->accept();
        });
        ClickToolButton(form, Child<QAction>(form, "ActSavePdf"));
        if (!FBench->Errors.isEmpty() || !QFile::exists(FLastPdf))
            return {};
        QStringList pages = PdfPageTexts(FLastPdf);
        for (QString &page : pages)
            page = Flat(page);
        return pages;
    }
    QString Status(TRadBaseForm *form) { return Child<QLabel>(form, "lbStatus")->text(); }

private Q_SLOTS:
    void initTestCase() {
        if (TOfficeSuite::Program().isEmpty())
            QSKIP("no office suite to make PDFs with");
        QVERIFY(FDir.isValid());
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() {
        if (FBench) {
            FBench->CloseJobs();
            FBench->Errors.clear();
        }
    }

    void noticesAndProposalsByNumber() {
        TRadBaseForm *form = Run("TqRewardDocuments.bpl");
        QVERIFY(form);
        QCOMPARE(form->Caption(), QStringLiteral("獎懲建議單及公告單"));
        auto *kind = Child<QComboBox>(form, "cbKind");
        auto *number = Child<QLineEdit>(form, "edNumber");
        kind->setCurrentIndex(1);
        const QString dispatch = Value(QStringLiteral(
            "SELECT Dispatchno FROM RewardPunish WHERE Verify = 'Y' AND CheckedDate IS NOT NULL "
            "GROUP BY Dispatchno ORDER BY COUNT(*) DESC, Dispatchno LIMIT 1"));
        const int rows = Count(QStringLiteral("SELECT COUNT(*) FROM RewardPunish WHERE Dispatchno "
                                              "= '%1' AND Verify = 'Y' AND CheckedDate IS NOT "
                                              "NULL")
                                   .arg(dispatch));
        QVERIFY(rows > 10);
        number->setText(dispatch);
        QStringList pages = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(pages.size(), (rows + 9) / 10);
        for (const QString &page : pages)
            QVERIFY(page.contains(QStringLiteral("學生獎懲公告")) && page.contains(dispatch));
        QCOMPARE(Status(form), QStringLiteral("已存檔：") + FLastPdf);

        // A number of nothing: an empty notice, and the user is told.
        number->setText(QStringLiteral("NONE"));
        pages = SavePdf(form);
        QCOMPARE(pages.size(), 1);
        ClickToolButton(form, Child<QAction>(form, "ActPreview"));
        QCOMPARE(Status(form), QStringLiteral("查無符合的資料,文件的欄位空白"));
        // Only letters and digits reach the server.
        number->setText(QStringLiteral("1' OR '1'='1"));
        ClickToolButton(form, Child<QAction>(form, "ActPreview"));
        QCOMPARE(FBench->Errors.value(0), QStringLiteral("發文文號 1' OR '1'='1 不正確"));
        FBench->Errors.clear();

        kind->setCurrentIndex(0);
        const QString bill = Value(QStringLiteral("SELECT MIN(RewardNo) FROM RewardBills"));
        number->setText(bill);
        pages = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(pages.value(0).contains(QStringLiteral("學生獎懲建議單")));
        QVERIFY(pages.value(0).contains(QStringLiteral("建議單號：") + bill));
        QVERIFY(pages.value(0).contains(Flat(Value(
            QStringLiteral("SELECT s.Cht_Name FROM RewardPunish r JOIN StdOnSchool s ON "
                           "s.StudentID = r.StudentID WHERE r.BillNo = '%1' ORDER BY r.StudentID "
                           "LIMIT 1")
                .arg(bill)))));
    }

    void eachCertificateOfOneStudent() {
        TRadBaseForm *form = Run("TqRewardCertificate.bpl");
        QVERIFY(form);
        const QString student = Value(QStringLiteral(
            "SELECT r.StudentID FROM RewardPunish r JOIN StdOnSchool s ON s.StudentID = "
            "r.StudentID JOIN ClassTypeDef k ON k.ClassType = s.ClassID WHERE k.NGrade = 3 AND "
            "r.Verify = 'Y' AND r.TranYN = 'Y' ORDER BY r.StudentID LIMIT 1"));
        Child<QLineEdit>(form, "edStudentID")->setText(student);
        auto *kind = Child<QComboBox>(form, "cbKind");
        auto *origin = Child<QComboBox>(form, "cbOrigin");
        QVERIFY(!origin->isEnabled());
        const char *titles[] = {"學生操行成績證明書", "學生歷年獎懲證明書", "學生在校事蹟證明書"};
        for (int k = 0; k < 3; ++k) {
            kind->setCurrentIndex(k);
            const QStringList pages = SavePdf(form);
            QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
            QVERIFY2(pages.value(0).contains(QString::fromUtf8(titles[k])), titles[k]);
            QVERIFY(pages.value(0).contains(QStringLiteral("學號：") + student));
        }
        QVERIFY(origin->isEnabled());
        QCOMPARE(origin->itemText(0), QStringLiteral("(全部)"));
        origin->setCurrentIndex(origin->findText(QStringLiteral("導師建議")));
        QVERIFY(SavePdf(form).value(0).contains(QStringLiteral("事蹟類別：導師建議")));

        Child<QLineEdit>(form, "edStudentID")->clear();
        ClickToolButton(form, Child<QAction>(form, "ActPreview"));
        QCOMPARE(FBench->Errors.value(0), QStringLiteral("請輸入學號"));
    }

    void aProgrammeItsStudentsAndAGroup() {
        TRadBaseForm *form = Run("TqStudyProgramPrint.bpl");
        QVERIFY(form);
        auto *document = Child<QComboBox>(form, "cbDocument");
        auto *number = Child<QComboBox>(form, "cbNumber");
        QCOMPARE(number->count(), Count(QStringLiteral("SELECT COUNT(*) FROM StudyInfo")));
        number->setCurrentIndex(number->findData(QStringLiteral("B10-112")));
        QStringList pages = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(pages.value(0).contains(QStringLiteral("系所學程表")));
        QVERIFY(pages.value(0).contains(QStringLiteral("普通科112學年度入學課程")));

        document->setCurrentIndex(1);
        QCOMPARE(number->count(), Count(QStringLiteral("SELECT COUNT(*) FROM StudyInfo")));
        number->setCurrentIndex(number->findData(QStringLiteral("B10-112")));
        pages = SavePdf(form);
        const QString someone = Value(
            QStringLiteral("SELECT MAX(StudentID) FROM StudentStudy WHERE StudyID = 'B10-112'"));
        QVERIFY(pages.join(QString()).contains(someone));

        document->setCurrentIndex(2);
        QCOMPARE(number->count(), Count(QStringLiteral("SELECT COUNT(*) FROM ChooseGroups")));
        number->setCurrentIndex(number->findData(QStringLiteral("B102")));
        pages = SavePdf(form);
        QVERIFY(pages.value(0).contains(QStringLiteral("系所學門設定表")));
        QVERIFY(pages.value(0).contains(QStringLiteral("普通科數學領域")));
    }

    void aReviewWithAndWithoutGrades() {
        TRadBaseForm *form = Run("TqGraduateReview.bpl");
        QVERIFY(form);
        const QString student = Value(
            QStringLiteral("SELECT MIN(StudentID) FROM StudentStudy WHERE StudyID = 'B10-111'"));
        Child<QLineEdit>(form, "edStudentID")->setText(student);
        auto *study = Child<QComboBox>(form, "cbStudy");
        study->setCurrentIndex(study->findData(QStringLiteral("B10-111")));
        QStringList pages = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(pages.value(0).contains(QStringLiteral("學生學程資格審查表")));
        QVERIFY(pages.join(QString()).contains(QStringLiteral("歷年成績")));
        Child<QCheckBox>(form, "chkWithGrades")->setChecked(false);
        Child<QComboBox>(form, "cbReview")->setCurrentIndex(1);
        pages = SavePdf(form);
        QVERIFY(pages.value(0).contains(QStringLiteral("學生學程學門審查表")));
        QVERIFY(!pages.join(QString()).contains(QStringLiteral("歷年成績")));
        // A student of nobody: the labels empty, the user told.
        Child<QLineEdit>(form, "edStudentID")->setText(QStringLiteral("X0000"));
        ClickToolButton(form, Child<QAction>(form, "ActPreview"));
        QCOMPARE(Status(form), QStringLiteral("查無符合的資料,文件的欄位空白"));
    }
};

LUM_TEST_MAIN(TstAcadWordJobs)
#include "tst_acadwordjobs.moc"

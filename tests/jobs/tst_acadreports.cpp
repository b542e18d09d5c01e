// The academic office's report jobs against a real server and its demo school, as a teacher
// uses them: the letters to families of one class for last month, saved as PDF, previewed for
// students typed in, printed; the course rosters and sheets by course and by department; the
// weekly statistics of every class. What they print is checked against the database.

#include "FixedClock.h"
#include "JobTestSupport.h"
#include "PdfTestSupport.h"
#include "QRPreviewForm.h"
#include "ReportTestSupport.h"
#include "ReportUi.h"
#include "SmtpSink.h"
#include "uJxProgressDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

template <class T> T *Child(QObject *form, const char *name) {
    T *child = form->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("%s has no %s", qPrintable(form->objectName()), name);
    return child;
}

QString Flat(const QString &text) {
    return QString(text).remove(u' ');
}

QStringList Lines(const QString &text) {
    QStringList lines;
    for (const QString &line : text.split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << Flat(line);
    return lines;
}

// The report windows that are open.
QList<TQRPreviewForm *> Previews() {
    QList<TQRPreviewForm *> previews;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<TQRPreviewForm *>(w); p && p->isVisible())
            previews << p;
    return previews;
}

// Whether the progress window came up while a run was going on (a timer sees it when the
// window lets messages run).
class TProgressWatch : public QObject {
public:
    TProgressWatch() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            if (JxProgressDialog() && JxProgressDialog()->isVisible())
                Seen = true;
        });
        FTimer.start(0);
    }
    bool Seen = false;

private:
    QTimer FTimer;
};

} // namespace

class TstAcadReports : public QObject {
    Q_OBJECT
    // The demo school is made for this day: last month is November 2024, in term 1131.
    TFixedClock FClock{QDate(2024, 12, 16)};
    // The school's mail relay.
    TSmtpSink FSink;
    std::unique_ptr<TJobTestBench> FBench;
    QTemporaryDir FDir;
    int FFiles = 0;

    int Count(const QString &sql) const { return FBench->Query(sql).toInt(); }
    QString Value(const QString &sql) const { return FBench->Query(sql).toString(); }

    TRadBaseForm *Run(const char *package) {
        auto *form = qobject_cast<TRadBaseForm *>(FBench->Run(QLatin1String(package)));
        if (form)
            form->show();
        return form;
    }
    QAction *Action(TRadBaseForm *form, const char *name) { return Child<QAction>(form, name); }
    // "另存PDF" through its tool button and the save dialog; the layout text of the file.
    QString SavePdf(TRadBaseForm *form, bool *progressSeen = nullptr) {
        const QString pdf = FDir.filePath(QStringLiteral("r%1.pdf").arg(++FFiles));
        TDialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            dialog->selectFile(pdf);
            static_cast<QDialog *>(dialog)->accept();
        });
        TProgressWatch progress;
        ClickToolButton(form, Action(form, "ActSavePdf"));
        if (progressSeen)
            *progressSeen = progress.Seen;
        if (!FBench->Errors.isEmpty() || !QFile::exists(pdf))
            return QString();
        return PdfLayoutText(pdf);
    }
    QString LastError() const {
        return FBench->Errors.isEmpty() ? QString() : FBench->Errors.constLast();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"),
                                            [this](TApplicationServerConfig &config) {
                                                config.Mail.Relay.Host =
                                                    QStringLiteral("127.0.0.1");
                                                config.Mail.Relay.Port = FSink.Port();
                                                config.Mail.PollSeconds = 1;
                                            });
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() {
        for (TQRPreviewForm *p : Previews())
            p->close();
        FBench->CloseJobs();
        FBench->Errors.clear();
        SetReportPrinterOutputFile({});
    }

    void absenceNoticesOfAClassForLastMonth() {
        TRadBaseForm *form = Run("TqAbsenceNotify.bpl");
        QVERIFY(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("學生缺曠課通知單"));
        // The current term and last month to begin with.
        QCOMPARE(Child<TLumCodeComboBox>(form, "cbSemester")->GetCode(), QStringLiteral("1131"));
        QCOMPARE(Child<QDateEdit>(form, "deFromDate")->date(), QDate(2024, 11, 1));
        QCOMPARE(Child<QDateEdit>(form, "deToDate")->date(), QDate(2024, 11, 30));

        const QString period = QStringLiteral("AbsenceDate Between '2024/11/01' and '2024/11/30'");
        const QString klass =
            Value(QStringLiteral("SELECT ClassType FROM vLumStudentAbsenceDetail WHERE %1 GROUP "
                                 "BY ClassType ORDER BY COUNT(*) DESC, ClassType LIMIT 1")
                      .arg(period));
        PickCode(Child<TLumCodeComboBox>(form, "cbClass"), klass);
        bool progressSeen = false;
        const QString text = SavePdf(form, &progressSeen);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(progressSeen);
        QVERIFY(!JxProgressDialog()); // closed once the letters are laid out

        // One letter per student of the class, in seat order.
        const int students = Count(
            QStringLiteral("SELECT COUNT(*) FROM vStudentAll WHERE ClassType='%1'").arg(klass));
        const QStringList letters = Flat(text).split(QStringLiteral("查貴子弟"));
        QCOMPARE(letters.size() - 1, students);
        int seat = 0;
        for (int l = 1; l < letters.size(); ++l) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^學號:(\\w+)-.*班座號:(\\d+)"))
                    .match(letters[l]);
            QVERIFY2(m.hasMatch(), qPrintable(letters[l].left(80)));
            QVERIFY(m.captured(2).toInt() > seat);
            seat = m.captured(2).toInt();
        }
        // The student absent most: his subtotal as the database sums it.
        const QString student =
            Value(QStringLiteral("SELECT StudentID FROM vLumStudentAbsenceDetail WHERE %1 AND "
                                 "ClassType='%2' GROUP BY StudentID ORDER BY SUM(SecAbsence) DESC, "
                                 "StudentID LIMIT 1")
                      .arg(period, klass));
        const auto sum = [&](const char *what) {
            return Count(QStringLiteral("SELECT SUM(%1) FROM vLumStudentAbsenceDetail WHERE %2 AND "
                                        "StudentID='%3'")
                             .arg(QLatin1String(what), period, student));
        };
        const QStringList own = letters.filter(QStringLiteral("學號:") + student);
        QCOMPARE(own.size(), 1);
        QVERIFY2(own[0].contains(QStringLiteral("小計%1%2%3曠課:%4")
                                     .arg(sum("SecAbsence"))
                                     .arg(sum("SecLate"))
                                     .arg(sum("SecVAC"))
                                     .arg(sum("SecAbsence - SecVAC"))),
                 qPrintable(own[0]));
        QVERIFY(Child<QLabel>(form, "lbStatus")->text().contains(QStringLiteral("已存成")));
    }

    void noticesOfStudentsTypedInThePreview() {
        TRadBaseForm *form = Run("TqAbsenceNotify.bpl");
        QVERIFY(form);
        const QStringList two =
            Value(QStringLiteral("SELECT GROUP_CONCAT(StudentID, ' ') FROM (SELECT StudentID "
                                 "FROM StdOnSchool ORDER BY StudentID DESC LIMIT 2)"))
                .split(u' ');
        QCOMPARE(two.size(), 2);
        QTest::mouseClick(Child<QRadioButton>(form, "rbStudents"), Qt::LeftButton);
        auto *students = Child<QLineEdit>(form, "edStudents");
        QVERIFY(students->isEnabled());
        QVERIFY(!Child<QWidget>(form, "cbClass")->isEnabled());
        // Repeats and separators of every kind: two letters.
        QTest::keyClicks(students, two[0] + QStringLiteral(", ") + two[1] + u' ' + two[0]);
        ClickToolButton(form, Action(form, "ActPreview"));
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(Previews().size(), 1);
        TQRPreviewForm *preview = Previews().constFirst();
        QCOMPARE(preview->Title(), QStringLiteral("學生缺曠課通知單"));
        const QString pdf = FDir.filePath(QStringLiteral("preview.pdf"));
        preview->SavePdfAs(pdf);
        const QString text = Flat(PdfLayoutText(pdf));
        QCOMPARE(Occurrences(text, QStringLiteral("查貴子弟")), 2);
        for (const QString &id : two)
            QVERIFY(text.contains(QStringLiteral("學號:") + id));
        preview->close();

        // Criteria that are not valid say so, and nothing is read or shown.
        const auto refused = [&](const QString &typed, const QString &message) {
            students->clear();
            QTest::keyClicks(students, typed);
            FBench->Errors.clear();
            ClickToolButton(form, Action(form, "ActPreview"));
            QCOMPARE(LastError(), message);
            QVERIFY(Previews().isEmpty());
        };
        refused(QStringLiteral("A1' OR '1'='1"), QStringLiteral("學號 A1' 不正確"));
        refused(QString(), QStringLiteral("請輸入學號"));
        refused(QStringLiteral("Z9999"), QStringLiteral("沒有符合條件的學生"));
        students->setText(two[0]);
        Child<QDateEdit>(form, "deFromDate")->setDate(QDate(2024, 12, 1));
        FBench->Errors.clear();
        ClickToolButton(form, Action(form, "ActPreview"));
        QCOMPARE(LastError(), QStringLiteral("期間的起日不可晚於迄日"));
        QVERIFY(Previews().isEmpty());
    }

    void absenceNoticesOfAClassByMail() {
        TRadBaseForm *form = Run("TqAbsenceNotify.bpl");
        QVERIFY(form);
        const QString klass = Value(
            QStringLiteral("SELECT ClassID FROM StdOnSchool GROUP BY ClassID HAVING COUNT(*) > "
                           "COUNT(GenearchEMail) ORDER BY ClassID LIMIT 1"));
        PickCode(Child<TLumCodeComboBox>(form, "cbClass"), klass);
        const QString ofClass = QStringLiteral("FROM StdOnSchool WHERE ClassID='%1'").arg(klass);
        const int withAddress =
            Count(QStringLiteral("SELECT COUNT(*) %1 AND GenearchEMail IS NOT NULL").arg(ofClass));
        const int without =
            Count(QStringLiteral("SELECT COUNT(*) %1 AND GenearchEMail IS NULL").arg(ofClass));
        QVERIFY(withAddress > 20 && without > 0);
        const QString nobody =
            Value(QStringLiteral("SELECT StudentID || ' ' || Cht_Name %1 AND GenearchEMail IS NULL")
                      .arg(ofClass));
        TBoxReader boxes;
        ClickToolButton(form, Action(form, "ActSendMail"));
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(boxes.Texts.size(), 1);
        QVERIFY2(boxes.Texts[0].startsWith(
                     QStringLiteral("已排入寄送 %1 封電子郵件。").arg(withAddress)),
                 qPrintable(boxes.Texts[0]));
        QVERIFY(boxes.Texts[0].contains(nobody));
        QVERIFY(!JxProgressDialog());

        // One message per guardian with an address, the child's letter alone attached.
        QTRY_COMPARE_WITH_TIMEOUT(FSink.Messages().size(), withAddress, 60000);
        QSet<QString> receivers;
        for (const QJsonObject &m : FSink.Messages()) {
            const QString to = m[QStringLiteral("rcpt_to")].toArray()[0].toString();
            receivers << to;
            const QString id =
                Value(QStringLiteral("SELECT StudentID FROM StdOnSchool WHERE GenearchEMail='%1'")
                          .arg(to));
            QVERIFY(m[QStringLiteral("subject")].toString().contains(
                QStringLiteral("學生缺曠課通知單 (113/11/01 至 113/11/30)")));
            QVERIFY(m[QStringLiteral("text")].toString().contains(QStringLiteral("學號 ") + id));
            const QJsonArray files = m[QStringLiteral("attachments")].toArray();
            QCOMPARE(files.size(), 1);
            const QString letter =
                Flat(PdfLayoutText(files[0].toObject()[QStringLiteral("file")].toString()));
            QCOMPARE(Occurrences(letter, QStringLiteral("查貴子弟")), 1);
            QVERIFY2(letter.contains(QStringLiteral("學號:") + id), qPrintable(id));
        }
        QCOMPARE(receivers.size(), withAddress);
        QTRY_COMPARE_WITH_TIMEOUT(
            Count(QStringLiteral("SELECT COUNT(*) FROM MailOutbox WHERE State='sent'")),
            withAddress, 20000);
    }

    void weeklyNoticesOfAClass() {
        TRadBaseForm *form = Run("TqAbsenceWeeklyNotify.bpl");
        QVERIFY(form);
        QCOMPARE(form->Caption(), QStringLiteral("學生每週缺曠課通知單"));
        const QString klass = Value(QStringLiteral(
            "SELECT s.ClassID FROM vLumStudentAbsenceWeekly w JOIN StdOnSchool s ON s.StudentID "
            "= w.StudentID WHERE w.YSemester='1131' GROUP BY s.ClassID ORDER BY COUNT(*) DESC, "
            "s.ClassID LIMIT 1"));
        PickCode(Child<TLumCodeComboBox>(form, "cbClass"), klass);
        const QString text = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const int students = Count(
            QStringLiteral("SELECT COUNT(*) FROM vStudentAll WHERE ClassType='%1'").arg(klass));
        QCOMPARE(Occurrences(Flat(text), QStringLiteral("學生每週缺曠課通知單")), students);
        // One line per week beginning in November, as the view has them.
        const int weeks = Count(
            QStringLiteral("SELECT COUNT(*) FROM vLumStudentAbsenceWeekly w JOIN StdOnSchool s "
                           "ON s.StudentID = w.StudentID WHERE s.ClassID='%1' AND "
                           "w.YSemester='1131' AND w.BeginDate Between '2024/11/01' and "
                           "'2024/11/30'")
                .arg(klass));
        QVERIFY(weeks > 0);
        QCOMPARE(Lines(text).filter(QRegularExpression(QStringLiteral("^2024/11/\\d\\d"))).size(),
                 weeks);
    }

    void rewardNoticesPrinted() {
        TRadBaseForm *form = Run("TqRewardNotify.bpl");
        QVERIFY(form);
        // The last three weeks: what was issued in the last week is not posted yet.
        Child<QDateEdit>(form, "deFromDate")->setDate(QDate(2024, 11, 25));
        Child<QDateEdit>(form, "deToDate")->setDate(QDate(2024, 12, 15));
        const QString period = QStringLiteral("Dispatchdate Between '2024/11/25' and '2024/12/15'");
        const QString klass =
            Value(QStringLiteral("SELECT ClassType FROM vLumRewardPunishDetail WHERE %1 AND NOT "
                                 "(Verify='Y' AND TranYN='Y') GROUP BY ClassType ORDER BY COUNT(*) "
                                 "DESC, ClassType LIMIT 1")
                      .arg(period));
        QVERIFY(!klass.isEmpty());
        PickCode(Child<TLumCodeComboBox>(form, "cbClass"), klass);
        const QString printed = FDir.filePath(QStringLiteral("printed.pdf"));
        SetReportPrinterOutputFile(printed);
        {
            TDialogAnswer<QPrintDialog> answer(
                [](QPrintDialog *dialog) { static_cast<QDialog *>(dialog)->accept(); });
            ClickToolButton(form, Action(form, "ActPrint"));
            QCOMPARE(answer.Title, QStringLiteral("列印"));
        }
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const QString rows =
            QStringLiteral(
                "SELECT COUNT(*) FROM vLumRewardPunishDetail WHERE %1 AND ClassType='%2'")
                .arg(period, klass);
        const int shown = Count(rows + QStringLiteral(" AND Verify='Y' AND TranYN='Y'"));
        QVERIFY(Count(rows) > shown);
        QCOMPARE(Lines(PdfLayoutText(printed))
                     .filter(QRegularExpression(QStringLiteral("^2024/1[12]/\\d\\d")))
                     .size(),
                 shown);
        QVERIFY(Child<QLabel>(form, "lbStatus")->text().contains(QStringLiteral("已列印")));
        // A cancelled print dialog prints nothing.
        QVERIFY(QFile::remove(printed));
        TDialogAnswer<QPrintDialog> cancel([](QPrintDialog *dialog) { dialog->reject(); });
        ClickToolButton(form, Action(form, "ActPrint"));
        QVERIFY(!QFile::exists(printed));
    }

    void courseRostersAndSheetsByCourseAndDepartment() {
        TRadBaseForm *form = Run("TqSemCourseSheets.bpl");
        QVERIFY(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        auto *courses = Child<TLumCodeComboBox>(form, "cbCourse");
        auto *departments = Child<TLumCodeComboBox>(form, "cbDepartment");
        const QString inTerm = QStringLiteral("FROM vTqSemCourses WHERE YSemester='1131'");
        QCOMPARE(courses->count(), 1 + Count(QStringLiteral("SELECT COUNT(*) ") + inTerm));
        QCOMPARE(departments->count(),
                 1 + Count(QStringLiteral("SELECT COUNT(DISTINCT Unit_ID) ") + inTerm));
        // A department lists its own courses only.
        const QString department = departments->CodeItems()[1];
        PickCode(departments, department);
        const int ofDepartment =
            Count(QStringLiteral("SELECT COUNT(*) %1 AND Unit_ID='%2'").arg(inTerm, department));
        QCOMPARE(courses->count(), 1 + ofDepartment);

        // The roster of one course.
        const QString course = courses->CodeItems()[1];
        PickCode(courses, course);
        const int enrolled = Count(
            QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID='%1'").arg(course));
        QString text = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(Lines(text).contains(QStringLiteral("學生合計：%1人").arg(enrolled)));
        QCOMPARE(Occurrences(Flat(text), QStringLiteral("學生合計：")), 1);

        // Its score sheet with the midterm grades entered; one not entered prints nothing.
        auto *sheet = Child<QComboBox>(form, "cbSheet");
        auto *printGrades = Child<QCheckBox>(form, "chkPrintGrades");
        QVERIFY(!printGrades->isEnabled());
        sheet->setCurrentIndex(1);
        QVERIFY(printGrades->isEnabled());
        QTest::mouseClick(printGrades, Qt::LeftButton);
        QTest::mouseClick(Child<QCheckBox>(form, "chkSemGrade"), Qt::LeftButton);
        text = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(text.contains(QStringLiteral("科目計分表")));
        const QStringList someone =
            Value(QStringLiteral("SELECT StudentID || ' ' || MidResults FROM vLumSemGradeBySTD "
                                 "WHERE SemCourseID='%1' AND MidResults >= 0 LIMIT 1")
                      .arg(course))
                .split(u' ');
        QCOMPARE(Lines(text)
                     .filter(QRegularExpression(QStringLiteral("^%1.*%2").arg(
                         someone.value(0), QString::number(someone.value(1).toDouble()))))
                     .size(),
                 1);
        QVERIFY(Flat(text).indexOf(QStringLiteral("-1")) < 0);
        // Neither grade chosen: refused before anything is read.
        QTest::mouseClick(Child<QCheckBox>(form, "chkMidGrade"), Qt::LeftButton);
        ClickToolButton(form, Action(form, "ActSavePdf"));
        QCOMPARE(LastError(), QStringLiteral("請至少選擇一種成績"));
        FBench->Errors.clear();

        // The roll-call sheets of the whole department: one course after another.
        sheet->setCurrentIndex(3);
        PickCode(courses, QString());
        text = SavePdf(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(text.contains(QStringLiteral("科目點名表")));
        const QString flat = Flat(text);
        for (int i = 1; i < courses->CodeItems().Count(); ++i)
            QVERIFY2(flat.contains(QStringLiteral("課號：") + courses->CodeItems()[i]),
                     qPrintable(courses->CodeItems()[i]));
    }

    void weeklyStatisticsOfEveryClass() {
        TRadBaseForm *form = Run("TqClassAbsWeekly.bpl");
        QVERIFY(form);
        QCOMPARE(form->Caption(), QStringLiteral("班級學生週缺曠課統計表"));
        QCOMPARE(Child<TLumCodeComboBox>(form, "cbClass")->GetCode(), QString()); // every class
        bool progressSeen = false;
        const QString text = SavePdf(form, &progressSeen);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QVERIFY(progressSeen);
        // Every class with a week of absences beginning in November has its header, and every
        // student's week its line.
        const QString weeks = QStringLiteral(
            "FROM vLumStudentAbsenceWeekly WHERE YSemester='1131' AND BeginDate Between "
            "'2024/11/01' and '2024/11/30'");
        const int classes = Count(QStringLiteral("SELECT COUNT(DISTINCT ClassType) ") + weeks);
        QVERIFY(classes > 30);
        QCOMPARE(Occurrences(Flat(text), QStringLiteral("班別：")), classes);
        // (The headers' period line "資料: ... 至 ..." aside.)
        QCOMPARE(Lines(text)
                     .filter(QRegularExpression(QStringLiteral("^(?!.*至).*2024/11/\\d\\d")))
                     .size(),
                 Count(QStringLiteral("SELECT COUNT(*) ") + weeks));
    }
};

LUM_TEST_MAIN(TstAcadReports)
#include "tst_acadreports.moc"

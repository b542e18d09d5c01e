// The student list written to text files and read back, against a real server and driven as a
// user does: the tool bar's actions, the file dialogs answered with a file name, the options
// typed in. Exported bytes are checked as Big5 text (the expected bytes are spelled out here,
// not made by the client's codec); an edited file brings a new and a changed student to the
// server once confirmed; files that cannot be read change nothing.

#include "ClientDataSet.h"
#include "DBActions.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "uReconcileError.h"
#include "uSingalTBForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

// Big5 bytes of names in the demo school and of the name a test gives.
const QByteArray kWangBig5("\xa4\xfd\xab\xd8\xa5\xc1");    // 王建民 (111003)
const QByteArray kLinBig5("\xaa\x4c\xab\x61\xa6\x74");     // 林冠宇 (113031)
const QByteArray kNewNameBig5("\xb7\x73\xa6\x50\xbe\xc7"); // 新同學

// Answers the file dialogs that come up: the dialog's name is kept, the file name typed in and
// the dialog's accepting button clicked.
class TFileAnswer : public QObject {
public:
    explicit TFileAnswer(const QString &fileName) {
        connect(&FTimer, &QTimer::timeout, this, [this, fileName] {
            if (auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                Dialogs << dlg->objectName();
                dlg->selectFile(fileName);
                auto *buttons = dlg->findChild<QDialogButtonBox *>();
                for (QAbstractButton *b : buttons ? buttons->buttons() : QList<QAbstractButton *>())
                    if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                        b->click();
            }
        });
        FTimer.start(10);
    }
    QStringList Dialogs;

private:
    QTimer FTimer;
};

QByteArray ReadAll(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fileName));
    return file.readAll();
}

void WriteAll(const QString &fileName, const QByteArray &bytes) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(fileName));
}

// The lines of a file ended by CR LF, without their ends.
QList<QByteArray> Lines(const QByteArray &bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            qFatal("a line not ended by CR LF: %s", line.constData());
        line.chop(1);
    }
    return lines;
}

QByteArray LineOf(const QList<QByteArray> &lines, const QByteArray &start) {
    for (const QByteArray &line : lines)
        if (line.startsWith(start))
            return line;
    return QByteArray();
}

// Every value of every record and the change count: what a failed import must leave.
QStringList Dump(TClientDataSet *d) {
    QStringList out{QString::number(d->ChangeCount())};
    for (d->First(); !d->Eof(); d->Next())
        for (const auto &f : d->Fields())
            out << f->AsString();
    return out;
}

} // namespace

class TstStdTextTransfer : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;
    QTemporaryDir FDir;

    struct TJob {
        TSingalTBMultiRecForm *Form = nullptr;
        QAction *Export = nullptr, *Import = nullptr;
        QComboBox *Format = nullptr, *Delimiter = nullptr;
        QLineEdit *Quote = nullptr;
    };
    TJob Open() {
        TJob job;
        job.Form = qobject_cast<TSingalTBMultiRecForm *>(FBench->Run("TqStdTextTransfer.bpl"));
        if (!job.Form)
            qFatal("TqStdTextTransfer.bpl gives no table form: %s",
                   qPrintable(FBench->Errors.join(u'\n')));
        job.Form->show(); // the first show reads the students
        job.Export = job.Form->findChild<QAction *>(QStringLiteral("DataExportText"));
        job.Import = job.Form->findChild<QAction *>(QStringLiteral("DataImportText"));
        job.Format = job.Form->findChild<QComboBox *>(QStringLiteral("cbFormat"));
        job.Delimiter = job.Form->findChild<QComboBox *>(QStringLiteral("cbDelimiter"));
        job.Quote = job.Form->findChild<QLineEdit *>(QStringLiteral("edQuote"));
        if (!job.Export || !job.Import || !job.Format || !job.Delimiter || !job.Quote)
            qFatal("the transfer controls are missing");
        return job;
    }
    // Triggers an action whose file dialog is answered with fileName; the texts of the message
    // boxes that follow.
    QStringList Run(QAction *action, const QString &fileName, const char *dialog) {
        TFileAnswer answer(fileName);
        TBoxReader boxes;
        action->trigger();
        if (answer.Dialogs != QStringList{QLatin1String(dialog)})
            return {QStringLiteral("file dialogs: ") + answer.Dialogs.join(u',')};
        return boxes.Texts;
    }
    QString Path(const QString &name) const { return FDir.filePath(name); }
    int ServerCount() const { return FBench->Query("SELECT COUNT(*) FROM StdOnSchool").toInt(); }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }
    void init() { FBench->Errors.clear(); }
    // A test that stops half-way leaves its changes: they are not confirmed.
    void cleanup() {
        TAnswer no(QMessageBox::No);
        FBench->CloseJobs();
    }

    void exportThenEditedFileBackToTheServer() {
        const TJob job = Open();
        TClientDataSet *d = job.Form->ActiveDataSet;
        const int students = ServerCount();
        QCOMPARE(d->RecordCount(), students);
        QVERIFY(job.Export->isVisible() && job.Export->isEnabled());
        QCOMPARE(job.Export->text(), QStringLiteral("匯出文字檔"));
        QCOMPARE(job.Import->text(), QStringLiteral("匯入文字檔"));
        QCOMPARE(job.Delimiter->currentText(), QStringLiteral(","));
        QCOMPARE(job.Quote->text(), QStringLiteral("\""));

        const QString file = Path(QStringLiteral("students.txt"));
        QCOMPARE(Run(job.Export, file, "ExportTextDialog"),
                 QStringList{QStringLiteral("已匯出 %1 筆學生資料至 %2").arg(students).arg(file)});
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const QByteArray bytes = ReadAll(file);
        QVERIFY(!bytes.contains(QStringLiteral("王建民").toUtf8()));
        QList<QByteArray> lines = Lines(bytes);
        QCOMPARE(lines.size(), students);
        // Every field the grid shows, quoted, in the grid's order.
        const QByteArray wang = LineOf(lines, "\"111003\",");
        QVERIFY2(wang.startsWith("\"111003\",\"" + kWangBig5 + "\",\"1\",\"301\",\"3\",\"0\","),
                 wang.constData());
        QCOMPARE(wang.count(','), 8);
        QVERIFY(LineOf(lines, "\"113031\",").startsWith("\"113031\",\"" + kLinBig5 + "\","));

        // The user adds a student (a copy of another with a new number and name) and shortens
        // a name.
        QByteArray added = wang;
        added.replace("\"111003\"", "\"S9990201\"").replace(kWangBig5, kNewNameBig5);
        for (QByteArray &line : lines)
            if (line.startsWith("\"113031\","))
                line.replace(kLinBig5, kLinBig5.left(4));
        lines.insert(3, added);
        lines.insert(5, QByteArray());
        WriteAll(file, lines.join("\r\n") + "\r\n");

        QCOMPARE(Run(job.Import, file, "ImportTextDialog"),
                 QStringList{QStringLiteral("已匯入 %1 筆學生資料: 新增 1 筆,修改 1 筆,相同 %2 "
                                            "筆。按「確認」寫入資料庫。")
                                 .arg(students + 1)
                                 .arg(students - 1)});
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->RecordCount(), students + 1);
        QCOMPARE(d->ChangeCount(), 2);
        QCOMPARE(ServerCount(), students); // nothing reaches the server before the user confirms
        QVERIFY(job.Form->DataApplyUpdate->isEnabled());

        TRefusals refusals;
        job.Form->DataApplyUpdate->trigger();
        QVERIFY2(refusals.Texts.isEmpty(), qPrintable(refusals.Texts.join(u'\n')));
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->ChangeCount(), 0);
        QCOMPARE(ServerCount(), students + 1);
        const auto field = [this](const char *column, const char *id) {
            return FBench
                ->Query(QStringLiteral("SELECT %1 FROM StdOnSchool WHERE StudentID='%2'")
                            .arg(QLatin1String(column), QLatin1String(id)))
                .toString();
        };
        QCOMPARE(field("Cht_Name", "S9990201"), QStringLiteral("新同學"));
        QCOMPARE(field("ClassID", "S9990201"), QStringLiteral("301"));
        QCOMPARE(field("Address", "S9990201"), QStringLiteral("新北市汐止區大同路二段301號5樓"));
        QCOMPARE(field("Birthday", "S9990201").left(10), QStringLiteral("2006-09-08"));
        QVERIFY(field("EditInfo", "S9990201").startsWith(CurrentUserInfo->Cht_Name + u'-'));
        QCOMPARE(field("Cht_Name", "113031"), QStringLiteral("林冠"));
        QCOMPARE(field("Cht_Name", "111003"), QStringLiteral("王建民"));
    }

    void filesThatCannotBeReadChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray good = "\"S9990301\",\"" + kNewNameBig5 +
                                "\",\"2\",\"101\",\"1\",\"0\","
                                "\"\",\"\",\"\"\r\n";
        QTest::newRow("too many values") << good + "\"S9990302\",\"a\",\"2\",\"101\",\"1\",\"0\","
                                                   "\"\",\"\",\"\",\"x\"\r\n"
                                         << QStringLiteral("(第 2 行): Fields Count unmatched");
        QTest::newRow("no number") << good + "\"\",\"" + kNewNameBig5 + "\",\"2\"\r\n"
                                   << QStringLiteral("(第 2 行): 學號不可空白");
        QTest::newRow("number twice")
            << good + good << QStringLiteral("(第 2 行): 學號 S9990301 在檔案中重複");
        // A lead byte without its trail byte.
        QTest::newRow("not Big5") << good + "\"S9990305\",\"\xa4\"\r\n"
                                  << QStringLiteral("is not Big5 text");
        // The student with the change not confirmed yet (named at run time) changed again.
        QByteArray changed = good;
        changed.replace("S9990301", "{LAST}");
        QTest::newRow("changed student, then too many values")
            << changed + "\"S9990306\",\"a\",\"2\",\"101\",\"1\",\"0\",\"\",\"\",\"\",\"x\"\r\n"
            << QStringLiteral("(第 2 行): Fields Count unmatched");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("沒有學生資料");
    }
    void filesThatCannotBeReadChangeNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const TJob job = Open();
        TClientDataSet *d = job.Form->ActiveDataSet;
        // A change the user has not confirmed yet stays as it is.
        d->Last();
        job.Form->DataEdit->trigger();
        d->FieldByName(QStringLiteral("Address"))->SetAsString(QStringLiteral("未確認的地址"));
        job.Form->DataSetPost->trigger();
        const QByteArray last = d->FieldByName(QStringLiteral("StudentID"))->AsString().toLatin1();
        const QStringList before = Dump(d);
        const QString file = Path(QStringLiteral("bad.txt"));
        WriteAll(file, QByteArray(bytes).replace("{LAST}", last));
        QCOMPARE(Run(job.Import, file, "ImportTextDialog"), QStringList());
        QCOMPARE(FBench->Errors.size(), 1);
        QVERIFY2(FBench->Errors[0].contains(message), qPrintable(FBench->Errors[0]));
        QCOMPARE(Dump(d), before);
        QVERIFY(job.Import->isEnabled());
        job.Form->DataCancelUpdate->trigger();
        QCOMPARE(d->ChangeCount(), 0);
    }

    void fixedWidthColumnsAndOptionsTypedIn() {
        const TJob job = Open();
        TClientDataSet *d = job.Form->ActiveDataSet;
        job.Format->setCurrentIndex(job.Format->findText(QStringLiteral("固定寬度")));
        QVERIFY(!job.Delimiter->isEnabled());
        job.Quote->setFocus();
        job.Quote->selectAll();
        QTest::keyClick(job.Quote, Qt::Key_Backspace);
        QVERIFY(job.Quote->text().isEmpty());
        const QString file = Path(QStringLiteral("fixed.txt"));
        QCOMPARE(Run(job.Export, file, "ExportTextDialog").size(), 1);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const QList<QByteArray> lines = Lines(ReadAll(file));
        QCOMPARE(lines.size(), d->RecordCount());
        int width = 0;
        for (const auto &f : d->Fields())
            if (f->Visible())
                width += f->DisplayWidth();
        for (const QByteArray &line : lines)
            QCOMPARE(line.size(), width);
        // Number in 10 bytes, then the name in 40 (a Chinese character takes two).
        const QByteArray wang = LineOf(lines, "111003 ");
        QCOMPARE(wang.left(50), "111003    " + kWangBig5 + QByteArray(34, ' '));

        // The same file again: every student is found unchanged.
        QCOMPARE(Run(job.Import, file, "ImportTextDialog"),
                 QStringList{QStringLiteral("已匯入 %1 筆學生資料: 新增 0 筆,修改 0 筆,相同 %1 "
                                            "筆。沒有需要寫入的變更。")
                                 .arg(lines.size())});
        QCOMPARE(d->ChangeCount(), 0);
        QVERIFY(!job.Form->DataApplyUpdate->isEnabled());
        // A line one byte too long.
        WriteAll(file, lines[0] + "\r\n" + lines[1] + " \r\n");
        QCOMPARE(Run(job.Import, file, "ImportTextDialog"), QStringList());
        QCOMPARE(FBench->Errors.size(), 1);
        QVERIFY2(FBench->Errors[0].endsWith(
                     QStringLiteral("(第 2 行): Import Data: Line Text Length unmatched")),
                 qPrintable(FBench->Errors[0]));
        QCOMPARE(d->ChangeCount(), 0);

        // Options that make no format are refused before a file is asked for.
        FBench->Errors.clear();
        job.Format->setCurrentIndex(job.Format->findText(QStringLiteral("分隔字元")));
        job.Delimiter->lineEdit()->selectAll();
        TypeText(job.Delimiter->lineEdit(), QStringLiteral("ab"));
        {
            TFileAnswer never(file);
            job.Export->trigger();
            job.Delimiter->lineEdit()->selectAll();
            TypeText(job.Delimiter->lineEdit(), QStringLiteral("\""));
            TypeText(job.Quote, QStringLiteral("\""));
            job.Import->trigger();
            QCOMPARE(never.Dialogs, QStringList());
        }
        QCOMPARE(FBench->Errors, (QStringList{QStringLiteral("分隔字元必須是一個字元(或 Tab)"),
                                              QStringLiteral("分隔字元與引號不可相同")}));
    }
};

LUM_TEST_MAIN(TstStdTextTransfer)
#include "tst_stdtexttransfer.moc"

// The academic office's templates made from their forms, read back through the document model:
// every label its module fills has a bookmark, and every table a module writes is at the index
// it names with the head rows above its start row, one empty row below and the columns the
// module writes; and mkwordform, which makes them, refusing broken forms by file and line
// without writing anything.

#include "WordDocument.h"

#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString TemplateFile(const QString &base) {
    return QStringLiteral(LUM_BIN_DIR "/TemplateDocs/") + base + QStringLiteral(".docx");
}

struct TTableShape {
    int Index;    // 0-based, as the modules count
    int StartRow; // rows above the first the module writes
    int Columns;
};

struct TRun {
    int Code = -1;
    QString Errors;
};

TRun RunTool(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(LUM_MKWORDFORM), arguments);
    TRun run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) {
        run.Code = process.exitCode();
        run.Errors = QString::fromUtf8(process.readAllStandardError());
    }
    return run;
}

} // namespace

class TstWordForms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formsHoldWhatTheModulesWrite_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<int>>("tables"); // index, start row, columns, ...
        const QStringList student{"OrganizationName", "StudentID", "Cht_Name", "Unit_ID",
                                  "ClassType"};
        const QStringList study{"OrganizationName", "Unit_ID",         "StudyID",    "StudyName",
                                "StudyType",        "GradeuateCredit", "DiplomaType"};
        const QStringList review =
            QStringList{"OrganizationName", "StudentID",        "Cht_Name",       "Unit_ID",
                        "ClassType",        "DiplomaType",      "NGrade",         "AClassName",
                        "StudyID",          "StudyName",        "StudyUnit_ID",   "StudyType",
                        "GradeuateCredit",  "PassTotalCredit",  "MustCredit",     "PassMustCredit",
                        "SelectCredit",     "PassSelectCredit", "DiplomaChtName", "DiplomaEngName"};
        QTest::newRow("proposal") << QStringLiteral("獎懲建議單")
                                  << QStringList{"OrganizationName", "RewardNo",
                                                 "SuggestDate",      "YSemester",
                                                 "SuggestUnit_ID",   "Reworpun",
                                                 "SuggestName"}
                                  << QList<int>{0, 4, 8};
        QTest::newRow("notice") << QStringLiteral("獎懲公告單")
                                << QStringList{"OrganizationName", "DispatchNo", "Dispatchdate",
                                               "YSemester", "Dispatchword"}
                                << QList<int>{0, 4, 8};
        QTest::newRow("conduct") << QStringLiteral("學生操行證明單")
                                 << (student + QStringList{"DiplomaType"}) << QList<int>{0, 4, 14};
        QTest::newRow("rewards") << QStringLiteral("學生歷年獎懲證明單") << student
                                 << QList<int>{0, 4, 7};
        QTest::newRow("deeds") << QStringLiteral("學生在校事蹟證明單")
                               << (student + QStringList{"AF_OriType"}) << QList<int>{0, 4, 6};
        QTest::newRow("group") << QStringLiteral("系所學門設定表")
                               << QStringList{"OrganizationName", "Unit_ID",    "ChooseGID",
                                              "ChooseGName",      "Creater",    "PassCreditNum",
                                              "PassCourseNum",    "CreateDate", "GroupType",
                                              "CheckeDate",       "Description"}
                               << QList<int>{1, 1, 3, 2, 1, 3}; // a title row below row 1
        QTest::newRow("programme")
            << QStringLiteral("系所學程表")
            << (study + QStringList{"Creater", "ClassType", "MustCredit", "SelectCredit",
                                    "CreateDate", "DiplomaChtName", "DiplomaEngName", "CheckeDate"})
            << QList<int>{1, 1, 6, 2, 1, 7};
        QTest::newRow("students") << QStringLiteral("系所學程學生檢視表") << study
                                  << QList<int>{1, 2, 7};
        QTest::newRow("grades") << QStringLiteral("學生成績審查表")
                                << (student + QStringList{"DiplomaType", "NGrade", "AClassName"})
                                << QList<int>{1, 2, 7};
        QTest::newRow("qualification grades") << QStringLiteral("學生學程資格審查表Grade") << review
                                              << QList<int>{1, 3, 8, 2, 3, 8, 3, 2, 7};
        QTest::newRow("qualification")
            << QStringLiteral("學生學程資格審查表") << review << QList<int>{1, 3, 8, 2, 3, 8};
        QTest::newRow("groups grades") << QStringLiteral("學生學程學門審查表Grade") << review
                                       << QList<int>{1, 3, 8, 2, 3, 6, 3, 2, 7};
        QTest::newRow("groups") << QStringLiteral("學生學程學門審查表") << review
                                << QList<int>{1, 3, 8, 2, 3, 6};
    }
    void formsHoldWhatTheModulesWrite() {
        QFETCH(QString, base);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, tables);
        const auto document = TWordDocument::FromTemplate(TemplateFile(base));
        for (const QString &label : labels)
            QVERIFY2(document->BookmarkExists(label), qPrintable(label));
        // The tables the modules write, the last of them the document's last.
        int last = 0;
        for (qsizetype i = 0; i + 2 < tables.size(); i += 3) {
            const int index = tables[i], startRow = tables[i + 1], columns = tables[i + 2];
            QVERIFY2(index < document->TableCount(), qPrintable(QString::number(index)));
            const TWordTable table = document->Table(index + 1);
            // The head above the start row, then empty rows of every column (one to copy, or a
            // page's worth), the head's last row filled.
            QVERIFY(table.RowCount() > startRow);
            QCOMPARE(table.ColumnCount(), columns);
            for (int r = startRow + 1; r <= table.RowCount(); ++r)
                for (int c = 1; c <= columns; ++c)
                    QVERIFY(table.Cell(r, c).Text().trimmed().isEmpty());
            bool head = false;
            for (int c = 1; startRow > 0 && c <= table.ColumnCount(); ++c)
                try {
                    head = head || !table.Cell(startRow, c).Text().trimmed().isEmpty();
                } catch (const Exception &) {
                    break; // a row of fewer, wider cells
                }
            QVERIFY(head);
            last = index;
        }
        QCOMPARE(document->TableCount(), last + 1);
        if (base == QStringLiteral("獎懲公告單"))
            QCOMPARE(document->Table(1).RowCount(), 4 + 10); // a page of ten
    }

    void theToolRefusesBrokenForms_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown") << "school\npicture logo.png"
                                 << "line 2: unknown line \"picture\"";
        QTest::newRow("wide row") << "table 1 1\nrow a | b | c\nend"
                                  << "line 2: the row has more";
        QTest::newRow("short row") << "table 1 1 1\nrow a | b\nend"
                                   << "line 2: the row's cells";
        QTest::newRow("twice") << "para {A}\npara {a}x{A}"
                               << "line 2: bookmark A is there twice";
        QTest::newRow("name") << "para {1x}"
                              << "line 1: bookmark name \"1x\" is not a name";
        QTest::newRow("brace") << "para {Open"
                               << "line 1: a { without its }";
        QTest::newRow("no end") << "table 1\nrow a"
                                << "the last table has no end";
        QTest::newRow("empty table") << "table 1\nend"
                                     << "line 2: a table without rows";
        QTest::newRow("widths") << "table 1 0"
                                << "line 1: a column's width";
        QTest::newRow("blank") << "table 1\nblank 0\nend"
                               << "line 2: blank takes";
        QTest::newRow("page") << "page A3"
                              << "line 1: page is portrait or landscape";
    }
    void theToolRefusesBrokenForms() {
        QFETCH(QString, form);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("表.form"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(form.toUtf8());
        f.close();
        const QString output = dir.filePath(QStringLiteral("document.xml"));
        QFile old(output);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("before");
        old.close();
        const TRun run = RunTool({file, output});
        QCOMPARE(run.Code, 1);
        QVERIFY2(run.Errors.contains(error), qPrintable(run.Errors));
        QVERIFY(run.Errors.startsWith(file));
        // What was there stays, and nothing half-written is left beside it.
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("before"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    void theToolWritesAFormsBody() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("x.form"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# a comment\npage landscape\nschool\ntitle T & <U>\ntable 1 3\n"
                "head A ::2\nrow {One} | two\nblank 2\nend\nsign X | Y\n");
        f.close();
        const QString output = dir.filePath(QStringLiteral("document.xml"));
        QCOMPARE(RunTool({file, output}).Code, 0);
        QFile xml(output);
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(xml.readAll());
        QVERIFY(text.contains(QStringLiteral("w:orient=\"landscape\"")));
        QVERIFY(text.contains(QStringLiteral("T &amp; &lt;U&gt;")));
        QVERIFY(text.contains(QStringLiteral("<w:gridSpan w:val=\"2\"/>")));
        QCOMPARE(text.count(QStringLiteral("<w:tr>")), 4);
        QVERIFY(text.contains(QStringLiteral("w:name=\"OrganizationName\"")));
        QVERIFY(text.contains(QStringLiteral("w:name=\"One\"")));
        QCOMPARE(RunTool({file}).Code, 2);
        QCOMPARE(RunTool({dir.filePath(QStringLiteral("none.form")), output}).Code, 1);
    }
};

QTEST_GUILESS_MAIN(TstWordForms)
#include "tst_wordforms.moc"

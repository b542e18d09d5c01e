// The office suite bridge: finding the program, what it is run with and its failures (with a
// script in its place), and real conversions of documents written by other software.

#include "OfficeSuite.h"
#include "OfficeTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Stands in for the suite: logs its arguments (a line each, "---" after a run), then does what
// FAKE_SUITE_MODE says in the output folder it was given.
const QByteArray kFakeSuite = R"(
printf '%s\n' "$@" --- >> "$FAKE_SUITE_LOG"
out=; prev=
for a in "$@"; do [ "$prev" = --outdir ] && out=$a; prev=$a; done
mkdir -p "$out"
case "$FAKE_SUITE_MODE" in
ok) printf 'converted %s' "$FAKE_SUITE_TAG" > "$out/source.pdf" ;;
fail) echo "Warning: failed to launch javaldx" >&2; echo "Error: the filter gave up" >&2
      printf half > "$out/source.pdf"; exit 3 ;;
hang) sleep 60 & echo $! > "$FAKE_SUITE_LOG.child"; wait ;;
esac
)";

// True when the process is gone or only waits to be reaped.
bool ProcessEnded(qint64 pid) {
    const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

class TstOfficeSuite : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    QString FSource, FLog;
    QByteArray FUserSuite; // ORV7_SOFFICE as the test found it
    bool FRealSuite = false;

    QString Path(const QString &name) const { return FDir.filePath(name); }
    void UseFakeSuite(const QByteArray &mode) {
        qputenv("ORV7_SOFFICE", QFile::encodeName(Path(QStringLiteral("bin/soffice"))));
        qputenv("FAKE_SUITE_MODE", mode);
    }

private Q_SLOTS:
    void initTestCase() {
        FRealSuite = !TOfficeSuite::Program().isEmpty();
        FUserSuite = qgetenv("ORV7_SOFFICE");
        QVERIFY(QDir().mkpath(Path(QStringLiteral("bin"))));
        QVERIFY(WriteScript(Path(QStringLiteral("bin/soffice")), kFakeSuite));
        FLog = Path(QStringLiteral("suite.log"));
        qputenv("FAKE_SUITE_LOG", QFile::encodeName(FLog));
        FSource = Path(QStringLiteral("source.docx"));
        QVERIFY(WriteAll(FSource, "a document"));
    }

    void init() {
        qputenv("ORV7_SOFFICE", FUserSuite);
        QFile::remove(FLog);
    }

    void findingTheProgram() {
        qputenv("ORV7_SOFFICE", QFile::encodeName(Path(QStringLiteral("bin/soffice"))));
        QCOMPARE(TOfficeSuite::Program(), Path(QStringLiteral("bin/soffice")));
        qputenv("ORV7_SOFFICE", QFile::encodeName(FSource)); // a file one cannot run
        QCOMPARE(TOfficeSuite::Program(), QString());

        const QString nowhere = Path(QStringLiteral("nowhere/soffice"));
        qputenv("ORV7_SOFFICE", QFile::encodeName(nowhere));
        try {
            TOfficeSuite::ConvertToPdf(FSource, Path(QStringLiteral("missing.pdf")));
            QFAIL("no error");
        } catch (const EOfficeSuiteMissing &e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral("找不到辦公室套件程式 soffice")) &&
                         e.Message().contains(nowhere),
                     qPrintable(e.Message()));
        }
        QVERIFY(!QFile::exists(Path(QStringLiteral("missing.pdf"))));
    }

    void eachRunHasItsOwnProfileAndAPlainCopy() {
        UseFakeSuite("ok");
        const QString odd = Path(QStringLiteral("-學生 通知.docx")); // starts like an option
        QVERIFY(WriteAll(odd, "odd name"));
        const QString pdf = Path(QStringLiteral("結果.pdf"));
        for (const char *tag : {"one", "two"}) {
            qputenv("FAKE_SUITE_TAG", tag);
            TOfficeSuite::ConvertToPdf(odd, pdf);
            QCOMPARE(ReadAll(pdf), QByteArray("converted ") + tag);
        }
        QStringList runs = QString::fromUtf8(ReadAll(FLog)).split(QStringLiteral("---\n"));
        QCOMPARE(runs.size(), 3); // two runs and what follows the last
        QStringList profiles;
        for (const QString &run : runs.mid(0, 2)) {
            const QStringList args = run.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(args.mid(0, 3), (QStringList{"--headless", "--norestore", "--nolockcheck"}));
            QCOMPARE(args.mid(4, 3), (QStringList{"--convert-to", "pdf", "--outdir"}));
            QVERIFY(args[3].startsWith(QStringLiteral("-env:UserInstallation=file:///")));
            profiles << args[3];
            const QRegularExpression plain(QStringLiteral("^/[!-~]+\\.docx$"));
            QVERIFY2(plain.match(args.last()).hasMatch(), qPrintable(args.last()));
        }
        QVERIFY(profiles[0] != profiles[1]);
    }

    void failuresKeepTheEarlierResult_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("reason");
        QTest::newRow("exit code") << QByteArray("fail") << 60000 << QStringLiteral("結束碼 3");
        QTest::newRow("timeout") << QByteArray("hang") << 1500 << QStringLiteral("逾時");
    }
    void failuresKeepTheEarlierResult() {
        QFETCH(QByteArray, mode);
        QFETCH(int, timeoutMs);
        QFETCH(QString, reason);
        UseFakeSuite(mode);
        QVERIFY(QDir().mkpath(Path(QStringLiteral("kept"))));
        const QString pdf = Path(QStringLiteral("kept/old.pdf"));
        QVERIFY(WriteAll(pdf, "earlier result"));
        const QString error = ErrorOf([&] { TOfficeSuite::ConvertToPdf(FSource, pdf, timeoutMs); });
        QVERIFY2(error.startsWith(QStringLiteral("無法轉換文件 ") + FSource), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(ReadAll(pdf), QByteArray("earlier result"));
        QCOMPARE(QDir(Path(QStringLiteral("kept"))).entryList(QDir::Files | QDir::Hidden).size(),
                 1);
        if (mode == "hang") { // the suite's helpers end with it
            const qint64 child = ReadAll(FLog + QStringLiteral(".child")).trimmed().toLongLong();
            QVERIFY(child > 0);
            QTRY_VERIFY(ProcessEnded(child));
        }
    }

    void aMissingSourceStartsNothing() {
        UseFakeSuite("ok");
        const QString missing = Path(QStringLiteral("no-such.docx"));
        const QString error = ErrorOf([&] { TOfficeSuite::ConvertToPdf(missing, FSource + "x"); });
        QCOMPARE(error, QStringLiteral("無法轉換文件 %1：檔案不存在").arg(missing));
        QVERIFY(!QFile::exists(FLog));
    }

    // --- the real suite ---

    void convertsALetterWrittenElsewhere() {
        if (!FRealSuite)
            QSKIP("no office suite (soffice) installed");
        const QString pdf = Path(QStringLiteral("letter.pdf"));
        TOfficeSuite::ConvertToPdf(OutsideWritten(QStringLiteral("letter.docx")), pdf);
        const QString text = PdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("學生缺曠課通知單")), qPrintable(text));
    }

    void aCorruptDocumentFailsAndWritesNothing() {
        if (!FRealSuite)
            QSKIP("no office suite (soffice) installed");
        // The first kilobytes of a real document: a zip that ends in the middle.
        const QString broken = Path(QStringLiteral("broken.docx"));
        QVERIFY(
            WriteAll(broken, ReadAll(OutsideWritten(QStringLiteral("letter.docx"))).left(3000)));
        const QString pdf = Path(QStringLiteral("broken.pdf"));
        const QString error = ErrorOf([&] { TOfficeSuite::ConvertToPdf(broken, pdf); });
        QVERIFY2(error.startsWith(QStringLiteral("無法轉換文件 ") + broken), qPrintable(error));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_GUILESS_MAIN(TstOfficeSuite)
#include "tst_officesuite.moc"

// Version information of local files: built packages read without loading them, files
// without a version block, folders and file names, the file's bytes, and the documents'
// versions kept in the user's registry.

#include "FileInfo.h"
#include "Packages.h"
#include "Registry.h"
#include "TestMain.h"

#include <QTemporaryDir>

namespace {

void WriteFile(const QString &fileName, const QByteArray &bytes) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString &fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <class F> QString ErrorOf(F &&call) {
    try {
        call();
    } catch (const EFileInfo &e) {
        return e.Message();
    }
    return QStringLiteral("(no EFileInfo)");
}

} // namespace

class TstFileInfo : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

private Q_SLOTS:
    void initTestCase() { QFile::remove(TRegistry::RootFile(TRootKey::HKEY_CURRENT_USER)); }

    void builtPackages_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("description");
        QTest::newRow("job") << QStringLiteral(LUM_BIN_DIR "/LumUnitActionsQuery.bpl")
                             << QStringLiteral("行事曆查詢");
        QTest::newRow("fixture") << QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobA.bpl")
                                 << QStringLiteral("TstJobA");
    }

    void builtPackages() {
        QFETCH(QString, source);
        QFETCH(QString, description);
        const QString name = QFileInfo(source).fileName();
        const QString copy = FDir.filePath(name);
        QFile::remove(copy);
        QVERIFY(QFile::copy(source, copy));

        TFileInfo info;
        info.SetFileDir(FDir.path());
        info.SetFileName(name);
        QCOMPARE(info.GetPathFileName(), copy);
        QVERIFY(info.GetIsExists());
        QCOMPARE(info.FileDescription(), description);
        QCOMPARE(info.GetComments(), description);
        QCOMPARE(info.FileVersion(), QStringLiteral(LUM_PACKAGE_VERSION));
        QCOMPARE(info.CompanyName(), QStringLiteral("ORV School Systems"));
        QCOMPARE(info.InternalName(), QFileInfo(name).completeBaseName());
        QCOMPARE(info.OriginalFilename(), name);
        QCOMPARE(info.LegalCopyright(), QStringLiteral("Copyright (C) ORV School Systems"));
        QCOMPARE(info.LegalTrademarks(), QString());
        QCOMPARE(info.ProductName(), QStringLiteral("ORV School Administration"));
        QCOMPARE(info.ProductVersion(), QStringLiteral(LUM_PROJECT_VERSION));
        QCOMPARE(info.GetFileSize(), QFileInfo(source).size());

        // Read from the file, not loaded: no class registered, nothing of it mapped.
        QCOMPARE(GetClass(QStringLiteral("T") + QFileInfo(name).completeBaseName()), nullptr);
        QVERIFY(!ReadFile(QStringLiteral("/proc/self/maps")).contains(copy.toUtf8()));
    }

    void filesWithoutVersionBlock() {
        TFileInfo info;
        info.SetFileDir(FDir.path());
        info.SetFileName(QStringLiteral("notes.txt"));
        WriteFile(info.GetPathFileName(), "FileVersion=1.0\n");
        QCOMPARE(info.FileVersion(), QString());
        QCOMPARE(info.FileDescription(), QString());
        QCOMPARE(info.GetFileSize(), 16);

        // A missing file: no values, not there, no size, no bytes.
        info.SetFileName(QStringLiteral("missing.bpl"));
        QVERIFY(!info.GetIsExists());
        QCOMPARE(info.FileVersion(), QString());
        QCOMPARE(ErrorOf([&] { info.GetFileSize(); }), QStringLiteral("檔案使用中,不能計算Size"));
        QVERIFY(ErrorOf([&] { info.GetFileData(); }).startsWith(QStringLiteral("Cannot Open")));
        // A folder is no file.
        QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("sub")));
        info.SetFileName(QStringLiteral("sub"));
        QVERIFY(!info.GetIsExists());
        QCOMPARE(ErrorOf([&] { info.GetFileSize(); }), QStringLiteral("檔案使用中,不能計算Size"));
    }

    void foldersAndNames() {
        TFileInfo info;
        QCOMPARE(info.FileDir(), ProgramFolder());
        QVERIFY(info.FileDir().endsWith(u'/'));

        info.SetFileDir(FDir.path());
        QCOMPARE(info.FileDir(), FDir.path() + u'/');
        info.SetFileDir(FDir.path() + u'/');
        QCOMPARE(info.FileDir(), FDir.path() + u'/');
        // A trailing backslash is the separator.
        info.SetFileDir(FDir.path() + u'\\');
        QCOMPARE(info.FileDir(), FDir.path() + u'/');

        const QString missing = FDir.filePath(QStringLiteral("no-such-folder"));
        QCOMPARE(ErrorOf([&] { info.SetFileDir(missing); }),
                 missing + QStringLiteral("目錄不存在"));
        QCOMPARE(info.FileDir(), FDir.path() + u'/');
        // A file is no folder.
        WriteFile(FDir.filePath(QStringLiteral("plain")), "x");
        QVERIFY(ErrorOf([&] {
                    info.SetFileDir(FDir.filePath(QStringLiteral("plain")));
                }).endsWith(QStringLiteral("目錄不存在")));

        // An empty folder: the name alone.
        info.SetFileDir(QString());
        QCOMPARE(info.FileDir(), QString());
        info.SetFileName(QStringLiteral("a.bpl"));
        QCOMPARE(info.GetPathFileName(), QStringLiteral("a.bpl"));

        info.SetFileName(QString());
        const QString blank = QStringLiteral("檔案名稱不能空白");
        QCOMPARE(ErrorOf([&] { info.GetPathFileName(); }), blank);
        QCOMPARE(ErrorOf([&] { info.FileVersion(); }), blank);
        QCOMPARE(ErrorOf([&] { info.GetIsExists(); }), blank);
        QCOMPARE(ErrorOf([&] { info.SetFileData(Variant(QByteArray("x"))); }), blank);
    }

    void fileData() {
        TFileInfo info;
        info.SetFileDir(FDir.path());
        info.SetFileName(QStringLiteral("data.bin"));
        const QByteArray bytes("\x00\x01\xff binary", 10);
        info.SetFileData(Variant(bytes));
        QCOMPARE(ReadFile(info.GetPathFileName()), bytes);
        QCOMPARE(info.GetFileData().ToBytes(), bytes);
        QCOMPARE(info.GetFileSize(), 10);

        // Empty and null variants write nothing: the file stays, a missing one is not made.
        info.SetFileData(Variant());
        info.SetFileData(Variant::Null());
        QCOMPARE(ReadFile(info.GetPathFileName()), bytes);
        info.SetFileName(QStringLiteral("never.bin"));
        info.SetFileData(Variant());
        QVERIFY(!info.GetIsExists());

        // Replaced as a whole; an empty file reads as no bytes.
        info.SetFileName(QStringLiteral("data.bin"));
        info.SetFileData(Variant(QByteArray("short")));
        QCOMPARE(ReadFile(info.GetPathFileName()), QByteArray("short"));
        info.SetFileName(QStringLiteral("empty.bin"));
        WriteFile(info.GetPathFileName(), QByteArray());
        QCOMPARE(info.GetFileData().ToBytes(), QByteArray());

        // A file that cannot be made is an error, not a silent loss.
        info.SetFileName(QStringLiteral("no-folder/data.bin"));
        QVERIFY(ErrorOf([&] {
                    info.SetFileData(Variant(bytes));
                }).startsWith(QStringLiteral("Cannot Create File:")));
    }

    void documentsKeepTheirVersionInTheRegistry() {
        TDataFileInfo info;
        QCOMPARE(info.RegistryPath(), QStringLiteral("Orv\\DataFiles\\"));
        info.SetFileDir(FDir.path());
        info.SetFileName(QStringLiteral("學生名冊.docx"));
        QCOMPARE(info.FileVersion(), QString());

        info.WriteFileVersion(QStringLiteral("0312.1045"));
        info.WriteFileDescription(QStringLiteral("學生名冊範本"));
        QCOMPARE(info.FileVersion(), QStringLiteral("0312.1045"));
        QCOMPARE(info.FileDescription(), QStringLiteral("學生名冊範本"));
        QCOMPARE(info.GetComments(), QStringLiteral("學生名冊範本"));
        // Stored in the user's registry under the path and the file name.
        TRegistry reg(TRootKey::HKEY_CURRENT_USER);
        QVERIFY(reg.OpenKeyReadOnly(QStringLiteral("\\Orv\\DataFiles\\學生名冊.docx")));
        QCOMPARE(reg.ReadString(QStringLiteral("FileVersion")), QStringLiteral("0312.1045"));

        // Fixed texts for the rest; other files and other paths have no version.
        QCOMPARE(info.CompanyName(), QStringLiteral("ORV School Systems"));
        QCOMPARE(info.InternalName(), QString());
        info.SetFileName(QStringLiteral("other.docx"));
        QCOMPARE(info.FileVersion(), QString());
        info.SetFileName(QStringLiteral("學生名冊.docx"));
        info.SetRegistryPath(QStringLiteral("\\SOFTWARE\\Orv7.0\\DataFiles"));
        QCOMPARE(info.RegistryPath(), QStringLiteral("\\SOFTWARE\\Orv7.0\\DataFiles\\"));
        QCOMPARE(info.FileVersion(), QString());
        info.WriteFileVersion(QStringLiteral("2"));
        QCOMPARE(info.FileVersion(), QStringLiteral("2"));

        info.SetFileName(QString());
        QCOMPARE(ErrorOf([&] { info.FileVersion(); }), QStringLiteral("檔案名稱不能空白"));
        QCOMPARE(ErrorOf([&] { info.WriteFileVersion(QStringLiteral("3")); }),
                 QStringLiteral("檔案名稱不能空白"));
    }
};

LUM_TEST_MAIN(TstFileInfo)
#include "tst_fileinfo.moc"

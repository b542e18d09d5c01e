// Version control of job packages and templates against the real server and real files in
// temporary program folders.

#include "AppServerFixture.h"
#include "Form.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "Registry.h"
#include "StatelessDataSet.h"
#include "TestMain.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uObjServers.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with a new one, as a copy from elsewhere would (a package loaded from the
// old file keeps its code).
void WriteAll(const QString &path, const QByteArray &bytes) {
    QFile f(path + QStringLiteral(".new"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    QFile::remove(path);
    QVERIFY(f.rename(path));
}

const QString kPackages = QStringLiteral(LUM_TEST_PACKAGE_DIR);

} // namespace

class TstClientVersionControl : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FPublisher; // the maintenance tool's folder
    QTemporaryDir FClient;    // a client's ClientApps folder

    // A fresh object on the server's current list.
    template <class T> std::unique_ptr<T> Files(const QString &dir) {
        auto files = std::make_unique<T>();
        files->SetFileDir(dir);
        files->Open();
        return files;
    }
    QString ClientPath(const QString &name) const { return FClient.filePath(name); }

    void Publish(const QString &name) {
        QVERIFY(QFile::copy(kPackages + u'/' + name, FPublisher.filePath(name)));
        auto files = Files<TAppFiles>(FPublisher.path());
        files->SetFileName(name);
        QVERIFY(!files->Found());
        files->UpLoad(QStringLiteral("first release"), QStringLiteral("ADMIN"));
        QVERIFY(files->Found());
    }

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        Publish(QStringLiteral("TstJobA.bpl"));
        Publish(QStringLiteral("TstJobB.bpl"));
    }
    void cleanupTestCase() {
        ClientExecuteManager->CloseAllClientApps();
        FServer.reset();
    }

    void anUploadStoresTheRecordAndTheBytes() {
        const QString name = QStringLiteral("TstJobA.bpl");
        const QByteArray bytes = ReadAll(kPackages + u'/' + name);
        QCOMPARE(FServer->Query("SELECT CheckSum FROM ClientApps WHERE FileName='TstJobA.bpl'")
                     .toLongLong(),
                 bytes.size());
        QCOMPARE(
            FServer->Query("SELECT length(FileData) FROM ClientApps WHERE FileName='TstJobA.bpl'")
                .toLongLong(),
            bytes.size());
        QCOMPARE(FServer->Query("SELECT Version FROM ClientApps WHERE FileName='TstJobA.bpl'")
                     .toString(),
                 GetFileVersionInformation(kPackages + u'/' + name, QStringLiteral("FileVersion")));
        QCOMPARE(FServer->Query("SELECT AppType FROM ClientApps WHERE FileName='TstJobA.bpl'")
                     .toString(),
                 QStringLiteral("Z,其他"));
        QCOMPARE(
            FServer->Query("SELECT AtClient FROM ClientApps WHERE FileName='TstJobA.bpl'").toInt(),
            1);
        QCOMPARE(FServer->Query("SELECT UpdateMemo FROM ClientApps WHERE FileName='TstJobA.bpl'")
                     .toString(),
                 QStringLiteral("first release"));
        // A file that is not there cannot be uploaded.
        auto files = Files<TAppFiles>(FPublisher.path());
        files->SetFileName(QStringLiteral("Missing.bpl"));
        try {
            files->UpLoad();
            QFAIL("uploaded a missing file");
        } catch (const EVersion &e) {
            QCOMPARE(e.Message(), QStringLiteral("版本控制:[File:%1/Missing.bpl,不存在於本機中]")
                                      .arg(FPublisher.path()));
        }
    }

    void aMissingOrDifferentCopyIsDownloaded() {
        auto files = Files<TAppFiles>(FClient.path());
        // Letter case does not matter for the list; the record's spelling names the file.
        files->SetFileName(QStringLiteral("tstjoba.bpl"));
        QVERIFY(files->Found());
        QCOMPARE(files->FileName(), QStringLiteral("TstJobA.bpl"));
        QVERIFY(!files->GetChecked());
        QCOMPARE(files->StatusText(), QStringLiteral("不存在於本機中"));
        QStringList seen;
        files->BeforeDownload = [&](TCustVersion *, const QString &message) { seen << message; };
        files->DownLoad(false);
        QCOMPARE(seen, QStringList{QStringLiteral("版本控制:[File:%1,不存在於本機中]")
                                       .arg(ClientPath(QStringLiteral("TstJobA.bpl")))});
        const QByteArray original = ReadAll(kPackages + QStringLiteral("/TstJobA.bpl"));
        QCOMPARE(ReadAll(ClientPath(QStringLiteral("TstJobA.bpl"))), original);
        QVERIFY(files->GetChecked());
        QCOMPARE(files->StatusText(), QStringLiteral("OK"));
        // A current copy is left alone.
        files->DownLoad(false);
        QCOMPARE(seen.size(), 1);

        // Same version, one byte more: downloaded again.
        WriteAll(ClientPath(QStringLiteral("TstJobA.bpl")), original + '\0');
        QVERIFY(!files->GetChecked());
        QCOMPARE(files->StatusText(), QStringLiteral("內容有問題"));
        files->DownLoad(false);
        QCOMPARE(ReadAll(ClientPath(QStringLiteral("TstJobA.bpl"))), original);

        // Another version on the server.
        FServer->Query("UPDATE ClientApps SET Version='9.9' WHERE FileName='TstJobA.bpl'");
        files->SetRemoteLoaded(false);
        files->SetRemoteLoaded(true);
        QVERIFY(!files->GetChecked());
        QCOMPARE(files->StatusText(), QStringLiteral("版本編號不一致"));
        QString message;
        // Checking another file leaves the current one as it was.
        QVERIFY(!files->CheckFile(QStringLiteral("TstJobB.bpl"), message));
        QCOMPARE(message, QStringLiteral("版本控制:[File:%1,不存在於本機中]")
                              .arg(ClientPath(QStringLiteral("TstJobB.bpl"))));
        QCOMPARE(files->FileName(), QStringLiteral("TstJobA.bpl"));
        QVERIFY(files->Found());
        FServer->Query(
            QStringLiteral("UPDATE ClientApps SET Version='%1' "
                           "WHERE FileName='TstJobA.bpl'")
                .arg(GetFileVersionInformation(kPackages + QStringLiteral("/TstJobA.bpl"),
                                               QStringLiteral("FileVersion"))));
        // Not in the list: no download, the reason in the message.
        files->SetFileName(QStringLiteral("Nowhere.bpl"));
        QVERIFY_THROWS_EXCEPTION(EVersion, files->DownLoad(false));
    }

    void aFailedTransferLeavesTheLocalCopyAlone() {
        auto files = Files<TAppFiles>(FClient.path());
        files->SetFileName(QStringLiteral("TstJobB.bpl"));
        WriteAll(ClientPath(QStringLiteral("TstJobB.bpl")), "old copy");
        // The bytes vanish on the server after the list was read.
        FServer->Query("UPDATE ClientApps SET FileName='Gone.bpl' WHERE FileName='TstJobB.bpl'");
        QVERIFY_THROWS_EXCEPTION(Exception, files->DownLoad(false));
        QCOMPARE(ReadAll(ClientPath(QStringLiteral("TstJobB.bpl"))), QByteArray("old copy"));
        QCOMPARE(QDir(FClient.path()).entryList(QDir::Files).size(), 2); // no temporary left
        FServer->Query("UPDATE ClientApps SET FileName='TstJobB.bpl' WHERE FileName='Gone.bpl'");
        QFile::remove(ClientPath(QStringLiteral("TstJobB.bpl")));
    }

    void runningAJobDownloadsItOnlyWhenItIsNotRunning() {
        auto files = Files<TAppFiles>(FClient.path());
        QVERIFY(!files->RunByFileName(QStringLiteral("NotListed.bpl")));
        QVERIFY(ClientExecuteManager->Entries().isEmpty());

        TForm *form = files->RunByFileName(QStringLiteral("TstJobB.bpl"));
        QVERIFY(form);
        const QByteArray original = ReadAll(kPackages + QStringLiteral("/TstJobB.bpl"));
        QCOMPARE(ReadAll(ClientPath(QStringLiteral("TstJobB.bpl"))), original);
        // An outdated copy of a running job is not replaced.
        WriteAll(ClientPath(QStringLiteral("TstJobB.bpl")), original + "x");
        QCOMPARE(files->RunByFileName(QStringLiteral("TstJobB.bpl")), form);
        QCOMPARE(ReadAll(ClientPath(QStringLiteral("TstJobB.bpl"))), original + "x");
        QCOMPARE(ClientExecuteManager->Entries().size(), 1);
        // By description.
        QString name;
        files->LookUpAppNAme(QStringLiteral("TstJobA"), name);
        QCOMPARE(name, QStringLiteral("TstJobA.bpl"));
        files->LookUpAppNAme(QStringLiteral("no such job"), name);
        QVERIFY(name.isEmpty());
    }

    void aNewBuildPublishedDuringTheSessionRunsWhenTheJobStartsAgain() {
        // Two builds of one job: edition 1 is published, then edition 2 replaces it on the
        // server while this client runs edition 1.
        const QString name = QStringLiteral("TstVersioned.bpl");
        QTemporaryDir client;
        SysClientAppFiles->SetFileDir(client.path());
        Publish(name);
        SysClientAppFiles->SetRemoteLoaded(false);
        SysClientAppFiles->Open();
        QSignalSpy unloaded(ClientExecuteManager, &TClientExecuteManager::PackageUnloaded);

        QPointer<TForm> first = SysClientAppFiles->RunByFileName(name);
        QVERIFY(first);
        QCOMPARE(first->Caption(), QStringLiteral("TTstVersioned edition 1"));

        const QString published = FPublisher.filePath(name);
        QFile::remove(published);
        QVERIFY(QFile::copy(kPackages + QStringLiteral("/edition2/") + name, published));
        {
            auto files = Files<TAppFiles>(FPublisher.path());
            files->SetFileName(name);
            QVERIFY(files->Found());
            files->UpLoad(QStringLiteral("second build"), QStringLiteral("ADMIN"));
        }
        QCOMPARE(FServer->Query("SELECT Version FROM ClientApps WHERE FileName='TstVersioned.bpl'")
                     .toString(),
                 QStringLiteral("7.0.0.2"));

        // The open job keeps the build it started with.
        QCOMPARE(SysClientAppFiles->RunByFileName(name), first.data());
        QCOMPARE(first->Caption(), QStringLiteral("TTstVersioned edition 1"));

        // Closed and started again, the job runs the new build.
        first->close();
        QTRY_VERIFY(first.isNull());
        QTRY_COMPARE(unloaded.size(), 1);
        QPointer<TForm> second = SysClientAppFiles->RunByFileName(name);
        QVERIFY(second);
        QCOMPARE(second->Caption(), QStringLiteral("TTstVersioned edition 2"));
        QCOMPARE(ReadAll(client.filePath(name)),
                 ReadAll(kPackages + QStringLiteral("/edition2/") + name));
        // Nothing but the package itself is left in the folder.
        QCOMPARE(QDir(client.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

        // And once more: the build now current stays the one that runs.
        second->close();
        QTRY_VERIFY(second.isNull());
        QTRY_COMPARE(unloaded.size(), 2);
        QPointer<TForm> third = SysClientAppFiles->RunByFileName(name);
        QVERIFY(third);
        QCOMPARE(third->Caption(), QStringLiteral("TTstVersioned edition 2"));
        third->close();
        QTRY_VERIFY(third.isNull());
        QTRY_COMPARE(unloaded.size(), 3);
        FServer->Query("DELETE FROM ClientApps WHERE FileName='TstVersioned.bpl'");
        SysClientAppFiles->SetRemoteLoaded(false);
    }

    void aFailedRefreshLeavesNoStaleRecordBehind() {
        QTemporaryDir client;
        SysClientAppFiles->SetFileDir(client.path());
        SysClientAppFiles->SetRemoteLoaded(false);
        SysClientAppFiles->Open();
        QPointer<TForm> form = SysClientAppFiles->RunByFileName(QStringLiteral("TstJobA.bpl"));
        QVERIFY(form);
        form->close();
        QTRY_VERIFY(form.isNull());
        QTRY_VERIFY(!ClientExecuteManager->FindClientAppByName(QStringLiteral("TstJobA.bpl")));

        // The list is refreshed while the server cannot be reached.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 dead = probe.serverPort();
        probe.close();
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), dead);
        TClientAppsCDS apps;
        apps.Open();
        QVERIFY_THROWS_EXCEPTION(Exception, apps.RemoteRefresh());
        QVERIFY(!SysClientAppFiles->Found());
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 SysClientAppFiles->RunByFileName(QStringLiteral("TstJobA.bpl")));

        // Back on line, the same job starts from a list read anew.
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        form = SysClientAppFiles->RunByFileName(QStringLiteral("TstJobA.bpl"));
        QVERIFY(form);
        QVERIFY(SysClientAppFiles->Found());
        form->close();
        QTRY_VERIFY(form.isNull());
        QTRY_VERIFY(!ClientExecuteManager->FindClientAppByName(QStringLiteral("TstJobA.bpl")));
    }

    void closingDeletesThePackagesNotKeptOnTheClient() {
        for (const char *row : {"('Log.bpl', '1', 1, 2)", "('Keep.bpl', '1', 1, 1)",
                                "('Both.bpl', '1', 1, 3)", "('None.bpl', '1', 1, 0)"}) {
            FServer->Query(QStringLiteral("INSERT INTO ClientApps (FileName, Version, CheckSum, "
                                          "AtClient) VALUES %1")
                               .arg(QLatin1String(row)));
        }
        QTemporaryDir dir;
        for (const char *name : {"Log.bpl", "Keep.bpl", "Both.bpl", "None.bpl", "Other.bpl"})
            WriteAll(dir.filePath(QLatin1String(name)), "x");
        auto files = Files<TAppFiles>(dir.path());
        files->SetFileName(QStringLiteral("Keep.bpl"));
        files->DeleteClientFiles();
        QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left, (QStringList{QStringLiteral("Both.bpl"), QStringLiteral("Keep.bpl"),
                                    QStringLiteral("Other.bpl")}));
        QCOMPARE(files->FileName(), QStringLiteral("Keep.bpl"));
        QCOMPARE(files->List()->FieldByName(QStringLiteral("FileName"))->AsString(),
                 QStringLiteral("Keep.bpl"));
        // Flags follow the record and go to the server.
        QCOMPARE(files->Flags(), 1);
        files->SetLogFlag(true);
        files->ChangeState();
        QCOMPARE(
            FServer->Query("SELECT AtClient FROM ClientApps WHERE FileName='Keep.bpl'").toInt(), 3);
        files->SetFileName(QStringLiteral("Log.bpl"));
        QVERIFY(!files->AtClient() && files->LogFlag());
        FServer->Query("DELETE FROM ClientApps WHERE FileName IN "
                       "('Log.bpl','Keep.bpl','Both.bpl','None.bpl')");
    }

    void templatesKeepTheirVersionInTheRegistry() {
        QTemporaryDir publisher, client;
        WriteAll(publisher.filePath(QStringLiteral("Letter.docx")), "PK letter");
        {
            auto docs = Files<TDataFiles>(publisher.path());
            docs->SetFileName(QStringLiteral("Letter.docx"));
            docs->SetDescription(QStringLiteral("缺曠通知單"));
            docs->NewVersion = QStringLiteral("1207.1030");
            docs->UpLoad();
        }
        auto docs = Files<TDataFiles>(client.path());
        docs->SetExt(QStringLiteral(".DOCX"));
        try {
            docs->SetFileName(QStringLiteral("Roster.xlsx"));
            QFAIL("a file of another extension was taken");
        } catch (const EVersion &e) {
            QCOMPARE(e.Message(), QStringLiteral("DataFiles:Not Match File Extend"));
        }
        docs->SetFileName(QStringLiteral("Letter.docx"));
        QVERIFY(docs->Found());
        QCOMPARE(docs->Description(), QStringLiteral("缺曠通知單"));
        TRegistry(TRootKey::HKEY_CURRENT_USER).DeleteKey(TDataFiles::RegKey + "Letter.docx");
        QVERIFY(!docs->GetChecked());
        docs->DownLoad(false);
        QVERIFY(docs->GetChecked());
        TRegistry reg(TRootKey::HKEY_CURRENT_USER);
        QVERIFY(reg.OpenKeyReadOnly(TDataFiles::RegKey + "Letter.docx"));
        QCOMPARE(reg.ReadString(QStringLiteral("FileVersion")), QStringLiteral("1207.1030"));
        QCOMPARE(reg.ReadString(QStringLiteral("FileDescription")), QStringLiteral("缺曠通知單"));
        // Another extension hides the record and clears the current file.
        docs->SetExt(QStringLiteral(".xlsx"));
        QVERIFY(docs->FileName().isEmpty());
    }

    void theClientAppsDatasetClonesTheSharedList() {
        SysClientAppFiles->SetFileDir(FClient.path());
        TClientAppsCDS apps;
        apps.Open();
        QCOMPARE(apps.RecordCount(),
                 FServer->Query(QStringLiteral("SELECT count(*) FROM ClientApps")).toInt());
        QVERIFY(apps.Locate(QStringLiteral("FileName"), Variant("TstJobA.bpl")));
        QVERIFY(!SysVersionServer->Connected());
        FServer->Query("INSERT INTO ClientApps (FileName, Version, CheckSum, AtClient) "
                       "VALUES ('Later.bpl', '1', 1, 1)");
        apps.RemoteRefresh();
        QVERIFY(apps.Locate(QStringLiteral("FileName"), Variant("Later.bpl")));
    }
};

LUM_TEST_MAIN(TstClientVersionControl)
#include "tst_clientversioncontrol.moc"

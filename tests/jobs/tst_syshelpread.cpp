// The help job against a real server: the demo school's packages in the client-application
// list, the help of the job started last, an HTML document and a Big5 plain-text one, the words
// for a package without help, and a server that cannot be reached.

#include "JobTestSupport.h"
#include "PackagePublisher.h"
#include "RadSystemApi.h"
#include "uClientVersionControl.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBrowser>

class TstSYSHelpRead : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    static void Choose(QComboBox *packages, const QString &fileName) {
        const int index = packages->findData(fileName);
        QVERIFY2(index >= 0, qPrintable(fileName));
        packages->setCurrentIndex(index);
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void theDemoSchoolsPackagesInItsList() {
        // Their records name them, group them and say whether they stay on the computer.
        const QStringList packages{"LumChangePassword.bpl",   "LumPublicNews.bpl",
                                   "LumUnitActionsQuery.bpl", "TqStdOnSchoolIdx.bpl",
                                   "LumEmployeesIndex.bpl",   "LumSYSHelpRead.bpl",
                                   "TqStdClassChart.bpl",     "TqStdTextTransfer.bpl"};
        for (const QString &name : packages) {
            const QString where = QStringLiteral(" FROM ClientApps WHERE FileName='%1'").arg(name);
            const QString file = QStringLiteral(LUM_BIN_DIR "/") + name;
            QCOMPARE(FBench->Query("SELECT Descript" + where).toString(),
                     GetFileVersionInformation(file, QStringLiteral("FileDescription")));
            QVERIFY(FBench->Query("SELECT AppType" + where).toString().contains(u','));
        }
        QVERIFY(FBench->Query("SELECT COUNT(*) FROM ClientApps WHERE AtClient % 2 = 1").toInt() >
                0);
        QVERIFY(FBench->Query("SELECT COUNT(*) FROM ClientApps WHERE AtClient % 2 = 0").toInt() >
                0);
        // The teacher of the academic office runs those of the system, the public ones and the
        // academic office's; the staff index is personnel's business.
        Variant groups, jobs, admin, result;
        OleCheck(SysJobManageServer->GetUserJobInfo(QStringLiteral("T001"), groups, jobs, admin,
                                                    result));
        for (const QString &name : packages)
            QCOMPARE(VarToStr(jobs).contains(name), name != QLatin1String("LumEmployeesIndex.bpl"));
        // Until the server publishes the built packages, a record is not sent as an empty file.
        Variant data;
        QCOMPARE(SysVersionServer->GetClientAppFile(QStringLiteral("LumSYSHelpRead.bpl"), data),
                 E_FAIL);

        // Publishing fills the records with the files and keeps their groups and flags.
        QTemporaryDir dir;
        TDatabaseConfig config;
        config.Name = dir.filePath(QStringLiteral("school.sqlite"));
        config.HashCost = THashCost::Minimal;
        TServerDatabase db(config);
        const auto value = [&](const QString &sql) {
            QSqlQuery q = db.Exec(sql);
            return q.next() ? q.value(0) : QVariant();
        };
        const QString where =
            QStringLiteral(" FROM ClientApps WHERE FileName='TqStdOnSchoolIdx.bpl'");
        const QString type = value("SELECT AppType" + where).toString();
        const int flags = value("SELECT AtClient" + where).toInt();
        PublishProgramFolder(db, QStringLiteral(LUM_BIN_DIR));
        const QString file = QStringLiteral(LUM_BIN_DIR "/TqStdOnSchoolIdx.bpl");
        QCOMPARE(value("SELECT Version" + where).toString(),
                 GetFileVersionInformation(file, QStringLiteral("FileVersion")));
        QCOMPARE(value("SELECT CheckSum" + where).toLongLong(), QFileInfo(file).size());
        QCOMPARE(value("SELECT AppType" + where).toString(), type);
        QCOMPARE(value("SELECT AtClient" + where).toInt(), flags);
    }

    void theHelpOfTheJobStartedLast() {
        QVERIFY(FBench->Run(QStringLiteral("LumChangePassword.bpl")));
        TForm *form = FBench->Run(QStringLiteral("LumSYSHelpRead.bpl"));
        QVERIFY(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("輔助說明"));
        auto *packages = form->findChild<QComboBox *>(QStringLiteral("cbPackage"));
        auto *help = form->findChild<QTextBrowser *>(QStringLiteral("memHelp"));
        QCOMPARE(packages->count(), FBench->Query("SELECT COUNT(*) FROM ClientApps").toInt());
        QCOMPARE(packages->currentData().toString(), QStringLiteral("LumChangePassword.bpl"));
        QCOMPARE(packages->currentText(), QStringLiteral("密碼變更 (LumChangePassword.bpl)"));
        QVERIFY(help->isReadOnly());
        // The HTML page is shown as a page: its words without its tags.
        QVERIFY(help->toPlainText().contains(QStringLiteral("新密碼不可與帳號相同")));
        QVERIFY(!help->toPlainText().contains(QStringLiteral("<li>")));

        Choose(packages, QStringLiteral("LumPublicNews.bpl"));
        QVERIFY(help->toPlainText().startsWith(QStringLiteral("公告查詢\n")));
        QVERIFY(help->toPlainText().contains(QStringLiteral("日期以民國年表示")));
        Choose(packages, QStringLiteral("TqStdOnSchoolIdx.bpl"));
        QCOMPARE(help->toPlainText(), QStringLiteral("此作業尚無輔助說明"));
        QVERIFY(FBench->Errors.isEmpty());
        FBench->CloseJobs();
    }

    void aServerOutOfReachIsReported() {
        TForm *form = FBench->Run(QStringLiteral("LumSYSHelpRead.bpl"));
        QVERIFY(form);
        auto *packages = form->findChild<QComboBox *>(QStringLiteral("cbPackage"));
        auto *help = form->findChild<QTextBrowser *>(QStringLiteral("memHelp"));
        const QList<TServerItem> hosts = SrvJobSecurityBroker->Servers();
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), 1); // nobody listens
        FBench->Errors.clear();
        QVERIFY(packages->currentData().toString() != QStringLiteral("LumPublicNews.bpl"));
        Choose(packages, QStringLiteral("LumPublicNews.bpl"));
        SrvJobSecurityBroker->Servers() = hosts;
        QCOMPARE(FBench->Errors.size(), 1);
        QVERIFY(form->isVisible());
        // Once the server is back, choosing works again.
        Choose(packages, QStringLiteral("LumChangePassword.bpl"));
        QVERIFY(help->toPlainText().contains(QStringLiteral("新密碼不可與帳號相同")));
        QCOMPARE(FBench->Errors.size(), 1);
    }
};

LUM_TEST_MAIN(TstSYSHelpRead)
#include "tst_syshelpread.moc"

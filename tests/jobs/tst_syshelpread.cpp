// The help job against a real server: the packages of the client-application list (published
// by the demo school from the built packages), the help of the job started last, an HTML
// document and a Big5 plain-text one, the words for a package without help, and a server that
// cannot be reached.

#include "JobTestSupport.h"
#include "RadSystemApi.h"

#include <QComboBox>
#include <QFileInfo>
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

    void theDemoSchoolPublishesItsPackages() {
        for (const char *name :
             {"LumChangePassword.bpl", "LumPublicNews.bpl", "LumUnitActionsQuery.bpl",
              "TqStdOnSchoolIdx.bpl", "LumEmployeesIndex.bpl", "LumSYSHelpRead.bpl"}) {
            const QString file = QStringLiteral(LUM_BIN_DIR "/") + QLatin1String(name);
            const QString where =
                QStringLiteral(" FROM ClientApps WHERE FileName='%1'").arg(QLatin1String(name));
            QCOMPARE(FBench->Query("SELECT Version" + where).toString(),
                     GetFileVersionInformation(file, QStringLiteral("FileVersion")));
            QCOMPARE(FBench->Query("SELECT Descript" + where).toString(),
                     GetFileVersionInformation(file, QStringLiteral("FileDescription")));
            QCOMPARE(FBench->Query("SELECT CheckSum" + where).toLongLong(), QFileInfo(file).size());
            QVERIFY(FBench->Query("SELECT AppType" + where).toString().contains(u','));
            // The client's copy is the server's.
            TVersionServer version;
            version.SetObjectBroker(SrvJobSecurityBroker);
            Variant data;
            bool current = false;
            OleCheck(version.CheckClientAppFile(
                QLatin1String(name), GetFileVersionInformation(file, QStringLiteral("FileVersion")),
                int(QFileInfo(file).size()), data, current));
            QVERIFY2(current, name);
        }
        // Some stay on the computer after the program closes, some do not.
        QVERIFY(FBench->Query("SELECT COUNT(*) FROM ClientApps WHERE AtClient % 2 = 1").toInt() >
                0);
        QVERIFY(FBench->Query("SELECT COUNT(*) FROM ClientApps WHERE AtClient % 2 = 0").toInt() >
                0);
        // Every demo user may run them.
        Variant groups, jobs, admin, result;
        OleCheck(SysJobManageServer->GetUserJobInfo(QStringLiteral("T002"), groups, jobs, admin,
                                                    result));
        QVERIFY(VarToStr(jobs).contains(QStringLiteral("LumSYSHelpRead.bpl")));
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

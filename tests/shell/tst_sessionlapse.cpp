// A session from the user's seat: the shell starts against a server that lets nobody in without
// signing in, the user signs in through the login dialog, edits students, the session lapses
// while the change waits, and "確認" asks for the password again and then sends the change; a
// cancelled second sign-in keeps the change pending for the next "確認".

#include "AppServerFixture.h"
#include "DBActions.h"
#include "DateTime.h"
#include "FixedClock.h"
#include "LoginUser.h"
#include "Packages.h"
#include "RadServer.h"
#include "Registry.h"
#include "ServerLocations.h"
#include "SystemClock.h"
#include "TestMain.h"
#include "uBaseTBForm.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uLoginUserInfo.h"
#include "uLumPublic.h"
#include "uObjServers.h"
#include "uQuonClientManager70.h"
#include "uSingalTBForm.h"

#include <QAbstractButton>
#include <QMutex>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

class TNoClock : public IClockSetter {
public:
    bool SetSystemClock(const QDateTime &) override { return false; }
};

void TypeText(QWidget *widget, const QString &text) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &in);
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
}

} // namespace

class TstSessionLapse : public QObject {
    Q_OBJECT
    TMovingClock FClock{QDateTime::currentDateTime()};
    TNoClock FNoClock;
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FProgramDir;
    QStringList FErrors;
    TQuonClientManager70Main *Main = nullptr;

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors.append(m); };
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        FServer = std::make_unique<TAppServerFixture>(
            [](const TTestDatabase &) {}, 0, TFixtureSignIn::Admin,
            [](TApplicationServerConfig &c) { c.SessionIdleMinutes = 10; });
        PointClientAt(FServer->Port());
        // The students' job is the one package on the list (the administrator publishes it).
        FServer->Query("DELETE FROM ClientApps");
        FServer->Query("UPDATE UserProfile SET MainForm = '' WHERE ID = 'T001'");
        TAppFiles files;
        files.SetFileDir(QStringLiteral(LUM_BIN_DIR));
        files.Open();
        files.SetFileName(QStringLiteral("TqStdBasicData.bpl"));
        files.UpLoad();
        // The shell starts with no session at all.
        TAppServerFixture::SignOut();
        SysClientAppFiles->SetFileDir(FProgramDir.path() + u'/');
        SetClockSetter(&FNoClock);
    }

    void logInWorkLapseLogInAgainAndConfirm() {
        try {
            Session();
        } catch (const Exception &e) {
            QFAIL(qPrintable(e.Message()));
        }
    }

private:
    void Session() {
        auto typist = std::make_unique<TUser>(
            QList<TUser::TStep>{{QStringLiteral("T001"), QStringLiteral("teach-2024")},
                                {QString(), QStringLiteral("teach-2024")}});
        TUser &user = *typist;
        Main = Application()->CreateForm<TQuonClientManager70Main>();
        Main->moStartBPL->clear();
        qputenv("ORV7_PROGRAM_DIR", FProgramDir.path().toUtf8());
        Main->show();
        qunsetenv("ORV7_PROGRAM_DIR");
        // Everything the start-up asks before the sign-in was answered, and the sign-in worked.
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        QCOMPARE(user.Dialogs, 1);
        QVERIFY(CurrentUserInfo->LoginChecked());
        QVERIFY(!CurrentUserInfo->Cht_Name.isEmpty());
        QVERIFY(Main->Caption().contains(CurrentUserInfo->Cht_Name));
        QVERIFY(!TSessionTicket::Current().isEmpty());

        auto *form = qobject_cast<TSingalTBForm *>(
            SysClientAppFiles->RunByFileName(QStringLiteral("TqStdBasicData.bpl")));
        QVERIFY(form);
        TClientDataSet *students = form->ActiveDataSet;
        QVERIFY(students && students->Active());
        const QString id = students->FieldByName(QStringLiteral("StudentID"))->AsString();
        const auto address = [&] {
            return FServer
                ->Query(QStringLiteral("SELECT Address FROM StdOnSchool WHERE StudentID = '%1'")
                            .arg(id))
                .toString();
        };
        form->DataEdit->trigger();
        auto *edit = form->findChild<QWidget *>(QStringLiteral("edAddress"));
        QVERIFY(edit);
        TypeText(edit, QStringLiteral("新竹市東區光復路二段101號"));
        form->DataSetPost->trigger();
        QCOMPARE(students->ChangeCount(), 1);

        // Lunch: the session lapses while the change waits.
        FClock.Advance(11);
        form->DataApplyUpdate->trigger();
        QCOMPARE(user.Messages, QStringList{QStringLiteral("尚未登入或登入已逾時")});
        QCOMPARE(user.Dialogs, 2);
        QCOMPARE(students->ChangeCount(), 0);
        QVERIFY(address().endsWith(QStringLiteral("新竹市東區光復路二段101號")));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));

        typist.reset();
        // Another lapse; this time the user does not sign in: nothing is lost.
        form->DataEdit->trigger();
        TypeText(edit, QStringLiteral("之1"));
        form->DataSetPost->trigger();
        FClock.Advance(11);
        {
            TUser away({{QString(), QString(), true}});
            // The click on "確認": the refusal reaches the user as its error.
            auto *confirm = form->findChild<QAbstractButton *>(QStringLiteral("btnApply"));
            QVERIFY(confirm && confirm->isEnabled());
            QTest::mouseClick(confirm, Qt::LeftButton);
            QCOMPARE(away.Dialogs, 1);
            QCOMPARE(away.Messages, QStringList{QStringLiteral("尚未登入或登入已逾時")});
        }
        QCOMPARE(FErrors, QStringList{QStringLiteral("尚未登入或登入已逾時")});
        FErrors.clear();
        QCOMPARE(students->ChangeCount(), 1);
        QVERIFY(!address().endsWith(QStringLiteral("之1")));
        // Back at the desk: "確認" asks again and sends the change that waited.
        {
            TUser back({{QString(), QStringLiteral("teach-2024")}});
            form->DataApplyUpdate->trigger();
            QCOMPARE(back.Dialogs, 1);
        }
        QCOMPARE(students->ChangeCount(), 0);
        QVERIFY(address().endsWith(QStringLiteral("之1")));
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM ApplyLog WHERE ID = 'T001' AND Changed = 1")
                     .toInt(),
                 2);
        // The job closes and its package is unloaded before the shell signs off.
        ClientExecuteManager->CloseAllClientApps();
        QTRY_VERIFY(ClientExecuteManager->Entries().isEmpty());
        QTRY_COMPARE(UnloadPackageThread->QueueCount(), 0);
        Main->close();
        delete Main;
        Main = nullptr;
    }
};

LUM_TEST_MAIN(TstSessionLapse)
#include "tst_sessionlapse.moc"

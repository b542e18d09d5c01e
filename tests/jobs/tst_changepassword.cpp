// The password change job against a real server: its rules refuse with their messages and
// leave the password as it was; a change made through it is the one the server then accepts.

#include "JobTestSupport.h"

#include <QLineEdit>
#include <QTest>

class TstChangePassword : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    // Types into the form's edits and clicks "確認"; the message that reached the user.
    QString Submit(TForm *form, const QString &oldPassword, const QString &newPassword,
                   const QString &confirm) {
        const std::pair<const char *, QString> edits[] = {{"edOldPassword", oldPassword},
                                                          {"edNewPassword", newPassword},
                                                          {"edConfirmPassword", confirm}};
        for (const auto &[name, text] : edits) {
            auto *edit = form->findChild<QLineEdit *>(QLatin1String(name));
            edit->clear();
            QTest::keyClicks(edit, text);
        }
        FBench->Errors.clear();
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btnSure")),
                          Qt::LeftButton);
        return FBench->Errors.join(u'\n');
    }

    bool ServerLogin(const QString &password) {
        QString message;
        bool ok = false;
        OleCheck(SysSecurityServer->Login(QStringLiteral("T001"), password, message, ok));
        return ok;
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void theFormShowsTheAccount() {
        TForm *form = FBench->Run(QStringLiteral("LumChangePassword.bpl"));
        QVERIFY(form);
        QCOMPARE(form->Caption(), QStringLiteral("密碼變更"));
        QCOMPARE(form->Tag(), 2);
        QCOMPARE(form->DragKind(), TDragKind::dkDock);
        auto *account = form->findChild<QLineEdit *>(QStringLiteral("edAccount"));
        QCOMPARE(account->text(), QStringLiteral("T001"));
        QVERIFY(account->isReadOnly());
        for (const char *name : {"edOldPassword", "edNewPassword", "edConfirmPassword"})
            QCOMPARE(form->findChild<QLineEdit *>(QLatin1String(name))->echoMode(),
                     QLineEdit::Password);
        // Cancel closes and frees the form, which ends the job.
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btnCancel")),
                          Qt::LeftButton);
        QTRY_VERIFY(!FBench->Entry(QStringLiteral("LumChangePassword.bpl")));
    }

    void theRulesRefuseAndChangeNothing_data() {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing typed") << ""
                                       << ""
                                       << ""
                                       << "帳號或密碼未輸入";
        QTest::newRow("no confirmation") << "teach-2024"
                                         << "spring-25"
                                         << ""
                                         << "帳號或密碼未輸入";
        QTest::newRow("confirmation differs") << "teach-2024"
                                              << "spring-25"
                                              << "spring-26"
                                              << "新密碼與確認密碼不一致";
        QTest::newRow("wrong old password") << "teach-2025"
                                            << "spring-25"
                                            << "spring-25"
                                            << "帳號或密碼錯誤";
        QTest::newRow("the account in other letters") << "teach-2024"
                                                      << "t001"
                                                      << "t001"
                                                      << "帳號密碼不可相同";
        QTest::newRow("the old password again") << "teach-2024"
                                                << "teach-2024"
                                                << "teach-2024"
                                                << "新舊密碼不可相同";
    }
    void theRulesRefuseAndChangeNothing() {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        TForm *form = FBench->Run(QStringLiteral("LumChangePassword.bpl"));
        QVERIFY(form);
        QCOMPARE(Submit(form, oldPassword, newPassword, confirm), message);
        // The form stays open for another try, and the server keeps the password.
        QVERIFY(FBench->Entry(QStringLiteral("LumChangePassword.bpl")));
        QVERIFY(form->isVisible());
        bool ok = false;
        OleCheck(
            SysSecurityServer->CanPass(QStringLiteral("T001"), QStringLiteral("teach-2024"), ok));
        QVERIFY(ok);
    }

    void aChangeIsTheServersFromThenOn() {
        TForm *form = FBench->Run(QStringLiteral("LumChangePassword.bpl"));
        QVERIFY(form);
        TBoxReader boxes;
        QCOMPARE(Submit(form, QStringLiteral("teach-2024"), QStringLiteral("Spring-2025"),
                        QStringLiteral("Spring-2025")),
                 QString());
        QCOMPARE(boxes.Texts, QStringList{QStringLiteral("密碼變更完成")});
        QTRY_VERIFY(!FBench->Entry(QStringLiteral("LumChangePassword.bpl")));

        QVERIFY(!ServerLogin(QStringLiteral("teach-2024")));
        QVERIFY(ServerLogin(QStringLiteral("Spring-2025")));
        // The logged-in user keeps working with the new password: logging in again succeeds.
        CurrentUserInfo->SetLoginChecked(false);
        CurrentUserInfo->SetLoginChecked(true);
        QVERIFY(CurrentUserInfo->LoginChecked());
    }
};

LUM_TEST_MAIN(TstChangePassword)
#include "tst_changepassword.moc"

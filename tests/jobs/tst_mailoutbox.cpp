// The mail outbox job against a real server and a relay that first refuses mail: the
// administrator sees the failed message with the relay's reason, sends it again once the relay
// takes mail, and sees it sent. A teacher is refused by the server.

#include "JobTestSupport.h"
#include "SmtpSink.h"

#include <QLabel>

class TstMailOutbox : public QObject {
    Q_OBJECT
    TSmtpSink FSink{QStringLiteral("refuse")};
    std::unique_ptr<TJobTestBench> FBench;

    QAction *Action(QObject *form, const char *name) {
        return form->findChild<QAction *>(QLatin1String(name));
    }
    // The states the grid shows, first row first.
    static QStringList States(TDBGrid *grid) {
        QStringList states;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            states << grid->model()->index(r, 3).data().toString();
        return states;
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"),
                                            [this](TApplicationServerConfig &config) {
                                                config.Mail.Relay.Host =
                                                    QStringLiteral("127.0.0.1");
                                                config.Mail.Relay.Port = FSink.Port();
                                                config.Mail.MaxAttempts = 1;
                                                config.Mail.PollSeconds = 1;
                                            });
    }
    void cleanupTestCase() { FBench.reset(); }

    void aFailedMessageIsSentAgain() {
        // A notice queued the way the jobs queue them; the relay refuses it.
        auto code = FBench->Server->Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        std::vector<Variant> mail{Variant("family.111001@parents.demo-school.example"),
                                  Variant("學生獎懲通知單"), Variant("內容"), Variant(""),
                                  Variant()};
        QVERIFY(code->AppServer().Invoke(5, mail).ToBool());
        QTRY_COMPARE_WITH_TIMEOUT(
            FBench->Query(QStringLiteral("SELECT State FROM MailOutbox")).toString(),
            QStringLiteral("failed"), 20000);

        TForm *form = FBench->Run(QStringLiteral("LumMailOutbox.bpl"));
        QVERIFY(form);
        form->show();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("郵件寄送狀態"));
        auto *grid = form->findChild<TDBGrid *>(QStringLiteral("gridOutbox"));
        QVERIFY(grid);
        QCOMPARE(States(grid), QStringList{QStringLiteral("寄送失敗")});
        QVERIFY(grid->model()->index(0, 7).data().toString().contains(QStringLiteral("554")));
        QVERIFY(form->findChild<QLabel *>(QStringLiteral("lbSummary"))
                    ->text()
                    .contains(QStringLiteral("寄送失敗 1")));

        FSink.SetMode(QStringLiteral("accept"));
        QAction *retry = Action(form, "ActRetry");
        QVERIFY(retry->isEnabled());
        ClickToolButton(static_cast<TRadBaseForm *>(form), retry);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QTRY_COMPARE_WITH_TIMEOUT(FSink.Messages().size(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(
            FBench->Query(QStringLiteral("SELECT State FROM MailOutbox")).toString(),
            QStringLiteral("sent"), 10000);
        ClickToolButton(static_cast<TRadBaseForm *>(form), Action(form, "ActRefresh"));
        QCOMPARE(States(grid), QStringList{QStringLiteral("已寄出")});
        // Only a failed message can be sent again.
        QVERIFY(!retry->isEnabled());
    }

    void aTeacherIsRefused() {
        FBench->CloseJobs();
        FBench->Server->SignIn(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        TForm *form = FBench->Run(QStringLiteral("LumMailOutbox.bpl"));
        if (form)
            form->show();
        QVERIFY(!FBench->Errors.isEmpty());
        QVERIFY2(FBench->Errors.join(u'\n').contains(QStringLiteral("權限不足")),
                 qPrintable(FBench->Errors.join(u'\n')));
    }
};

LUM_TEST_MAIN(TstMailOutbox)
#include "tst_mailoutbox.moc"

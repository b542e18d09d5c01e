// The outbox delivered through a real SMTP server on loopback (Python's aiosmtpd, started by
// the test): messages with their PDF attached arrive as a mail reader decodes them; a relay that
// refuses, drops the connection mid-message or is not there leads to retries and then "failed"
// with the reason; a restart between queueing and delivery delivers exactly once; the outbox
// and its retry are for administrators only.

#include "AppServerFixture.h"
#include "MailOutbox.h"
#include "RemoteProtocol.h"
#include "SmtpSink.h"
#include "TestMain.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QTcpServer>

namespace {

TMailRelay Relay(int port) {
    TMailRelay relay;
    relay.Host = QStringLiteral("127.0.0.1");
    relay.Port = port;
    relay.TimeoutSeconds = 10;
    return relay;
}

// Quick retries, so that the limit is reached within seconds.
std::function<void(TApplicationServerConfig &)> WithRelay(int port) {
    return [port](TApplicationServerConfig &config) {
        config.Mail.Relay = Relay(port);
        config.Mail.MaxAttempts = 3;
        config.Mail.RetrySeconds = 1;
        config.Mail.PollSeconds = 1;
    };
}

QByteArray PdfWithText(const QString &text) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter painter(&writer);
        QFont font(QStringLiteral("AR PL UMing TW"));
        font.setPointSize(14);
        painter.setFont(font);
        painter.drawText(QPointF(500, 1000), text);
    }
    return bytes;
}

QString PdfText(const QString &file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A self-signed certificate for 127.0.0.1 and its key, made with openssl in `dir`.
bool MakeCertificate(const QTemporaryDir &dir) {
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"), dir.filePath(QStringLiteral("relay.key")),
                   QStringLiteral("-out"), dir.filePath(QStringLiteral("relay.pem"))});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

int FreePortWithNobodyListening() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort(); // closed again when probe goes
}

} // namespace

class TstAppServerMail : public QObject {
    Q_OBJECT

    static QString State(const TAppServerFixture &server, qint64 seq) {
        return server.Query(QStringLiteral("SELECT State FROM MailOutbox WHERE Seq = %1").arg(seq))
            .toString();
    }
    static qint64 Queue(TAppServerFixture &server, const QString &to, const Variant &files,
                        QString *answer = nullptr) {
        auto code = server.Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        std::vector<Variant> args{Variant(to),
                                  Variant("學生缺曠課通知單 (113/11/01 至 113/11/30)"),
                                  Variant("家長您好:\n附件為貴子弟的缺曠課通知單。"),
                                  Variant(""),
                                  files,
                                  Variant()};
        const qint64 seq = code->AppServer().Invoke(QStringLiteral("QueueMail"), args).ToInt64();
        if (answer)
            *answer = args[5].ToString();
        return seq;
    }

private Q_SLOTS:
    void initTestCase() { SKIP_WITHOUT_TEST_DATABASE(); }

    void aNoticeArrivesWithItsLetterAttached() {
        TSmtpSink sink;
        TAppServerFixture server({}, 0, TFixtureSignIn::Admin, WithRelay(sink.Port()));
        const Variant files = Variant::ArrayOf(
            {Variant::ArrayOf({Variant("缺曠通知單-111001.pdf"),
                               Variant(PdfWithText(QStringLiteral("查貴子弟 王小明")))})});
        QString answer;
        const qint64 seq = Queue(
            server, QStringLiteral("family.111001@parents.demo-school.example"), files, &answer);
        QVERIFY(seq > 0);
        QCOMPARE(answer, QStringLiteral("OK: 已排入寄送佇列 (%1)").arg(seq));
        QTRY_COMPARE_WITH_TIMEOUT(sink.Messages().size(), 1, 20000);
        const QJsonObject m = sink.Messages().constFirst();
        QCOMPARE(m[QStringLiteral("mail_from")].toString(),
                 QStringLiteral("noreply@demo-school.example"));
        QCOMPARE(m[QStringLiteral("rcpt_to")].toArray().size(), 1);
        QCOMPARE(m[QStringLiteral("subject")].toString(),
                 QStringLiteral("學生缺曠課通知單 (113/11/01 至 113/11/30)"));
        QCOMPARE(m[QStringLiteral("text")].toString().remove(u'\r').trimmed(),
                 QStringLiteral("家長您好:\n附件為貴子弟的缺曠課通知單。"));
        QVERIFY2(m[QStringLiteral("longest_line")].toInt() <= 78,
                 qPrintable(m[QStringLiteral("longest_text")].toString()));
        const QJsonArray attached = m[QStringLiteral("attachments")].toArray();
        QCOMPARE(attached.size(), 1);
        const QJsonObject pdf = attached[0].toObject();
        QCOMPARE(pdf[QStringLiteral("name")].toString(), QStringLiteral("缺曠通知單-111001.pdf"));
        QCOMPARE(pdf[QStringLiteral("type")].toString(), QStringLiteral("application/pdf"));
        QVERIFY(PdfText(pdf[QStringLiteral("file")].toString())
                    .contains(QStringLiteral("查貴子弟 王小明")));
        // The row says when and what the relay answered.
        QTRY_COMPARE_WITH_TIMEOUT(State(server, seq), MailState::Sent, 5000);
        QVERIFY(server.Query(QStringLiteral("SELECT Reply FROM MailOutbox WHERE Seq = %1").arg(seq))
                    .toString()
                    .startsWith(QStringLiteral("250")));
        QVERIFY(
            !server.Query(QStringLiteral("SELECT SentTime FROM MailOutbox WHERE Seq = %1").arg(seq))
                 .toString()
                 .isEmpty());
        // SendMailTo queues the same way, its text alone.
        auto code = server.Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        std::vector<Variant> mail{Variant("t001@demo-school.example"), Variant("通知"),
                                  Variant("內容"), Variant(""), Variant()};
        QVERIFY(code->AppServer().Invoke(5, mail).ToBool());
        QVERIFY(mail[4].ToString().startsWith(QStringLiteral("OK")));
        QTRY_COMPARE_WITH_TIMEOUT(sink.Messages().size(), 2, 20000);
        QVERIFY(sink.Messages()[1][QStringLiteral("attachments")].toArray().isEmpty());
    }

    void badMessagesAreRefusedAndNothingIsQueued() {
        TAppServerFixture server({}, 0, TFixtureSignIn::Admin, WithRelay(1));
        const auto refused = [&](const QString &to, const Variant &files, const QString &why) {
            QString answer;
            QCOMPARE(Queue(server, to, files, &answer), qint64(0));
            QCOMPARE(answer, why);
        };
        const Variant ok = Variant::ArrayOf({Variant::ArrayOf({Variant("a.pdf"), Variant("x")})});
        refused(QStringLiteral("not an address"), ok,
                QStringLiteral("郵件地址錯誤: not an address"));
        refused(QString(), ok, QStringLiteral("未指定收件者"));
        refused(QStringLiteral("a@b.example"), Variant("not a list"),
                QStringLiteral("附件格式錯誤"));
        refused(QStringLiteral("a@b.example"),
                Variant::ArrayOf({Variant::ArrayOf({Variant(""), Variant("x")})}),
                QStringLiteral("附件沒有檔名"));
        refused(QStringLiteral("a@b.example"),
                Variant::ArrayOf({Variant::ArrayOf(
                    {Variant("big.pdf"), Variant(QByteArray(21 * 1024 * 1024, 'x'))})}),
                QStringLiteral("附件超過 20 MB"));
        QCOMPARE(server.Query(QStringLiteral("SELECT COUNT(*) FROM MailOutbox")).toInt(), 0);
        QCOMPARE(server.Query(QStringLiteral("SELECT COUNT(*) FROM MailAttachments")).toInt(), 0);
    }

    void failuresAreRetriedThenReportedWithTheirReason_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << "refuse"
                                 << "554";
        QTest::newRow("closed mid-message") << "close"
                                            << "";
        QTest::newRow("relay down") << "down"
                                    << "onnect";
    }
    void failuresAreRetriedThenReportedWithTheirReason() {
        QFETCH(QString, mode);
        QFETCH(QString, reason);
        std::unique_ptr<TSmtpSink> sink;
        int port = FreePortWithNobodyListening();
        if (mode != QLatin1String("down")) {
            sink = std::make_unique<TSmtpSink>(mode);
            port = sink->Port();
        }
        TAppServerFixture server({}, 0, TFixtureSignIn::Admin, WithRelay(port));
        const qint64 seq = Queue(server, QStringLiteral("a@b.example"), Variant());
        QTRY_COMPARE_WITH_TIMEOUT(State(server, seq), MailState::Failed, 30000);
        QCOMPARE(
            server.Query(QStringLiteral("SELECT Attempts FROM MailOutbox WHERE Seq = %1").arg(seq))
                .toInt(),
            3);
        const QString why =
            server.Query(QStringLiteral("SELECT Reply FROM MailOutbox WHERE Seq = %1").arg(seq))
                .toString();
        QVERIFY2(!why.isEmpty() && why.contains(reason), qPrintable(why));
        if (sink)
            QVERIFY(sink->Messages().isEmpty());

        // An administrator sends it again once the relay takes mail.
        if (!sink)
            return;
        sink->SetMode(QStringLiteral("accept"));
        auto code = server.Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        const Variant rows = code->AppServer().Call(QStringLiteral("GetMailOutbox"), {Variant(0)});
        QCOMPARE(rows.ElementCount(), 1);
        QCOMPARE(rows[0][3].ToString(), MailState::Failed);
        QVERIFY(code->AppServer().Call(QStringLiteral("RetryMail"), {Variant(seq)}).ToBool());
        QTRY_COMPARE_WITH_TIMEOUT(State(server, seq), MailState::Sent, 20000);
        QCOMPARE(sink->Messages().size(), 1);
        // A row that did not fail is not sent again.
        QVERIFY(!code->AppServer().Call(QStringLiteral("RetryMail"), {Variant(seq)}).ToBool());
    }

    void encryptedRelays_data() {
        QTest::addColumn<int>("security");
        QTest::newRow("starttls") << int(TMailSecurity::StartTls);
        QTest::newRow("tls") << int(TMailSecurity::Tls);
    }
    // Mail goes through a relay the school trusts by its certificate file; a relay whose
    // certificate nobody vouches for gets nothing, and the row says why.
    void encryptedRelays() {
        QFETCH(int, security);
        QTemporaryDir certificates;
        QVERIFY(MakeCertificate(certificates));
        const QString pem = certificates.filePath(QStringLiteral("relay.pem"));
        TSmtpSink sink(QStringLiteral("accept"),
                       security == int(TMailSecurity::Tls) ? QStringLiteral("tls")
                                                           : QStringLiteral("starttls"),
                       pem, certificates.filePath(QStringLiteral("relay.key")));
        for (const bool trusted : {true, false}) {
            TAppServerFixture server(
                {}, 0, TFixtureSignIn::Admin, [&](TApplicationServerConfig &config) {
                    WithRelay(sink.Port())(config);
                    config.Mail.Relay.Security = static_cast<TMailSecurity>(security);
                    if (trusted)
                        config.Mail.Relay.CaFile = pem;
                });
            const qint64 seq = Queue(server, QStringLiteral("a@b.example"), Variant());
            const QString state = trusted ? MailState::Sent : MailState::Failed;
            QTRY_COMPARE_WITH_TIMEOUT(State(server, seq), state, 30000);
            const QString reply =
                server.Query(QStringLiteral("SELECT Reply FROM MailOutbox WHERE Seq = %1").arg(seq))
                    .toString();
            if (!trusted)
                QVERIFY2(reply.contains(QStringLiteral("certificate"), Qt::CaseInsensitive),
                         qPrintable(reply));
        }
        QCOMPARE(sink.Messages().size(), 1);
    }

    void theOutboxIsForAdministratorsOnly() {
        TAppServerFixture server({}, 0, TFixtureSignIn::Admin, WithRelay(1));
        server.SignIn(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        auto code = server.Connect(QStringLiteral("SystemObj.CodeTableINTF"));
        for (const char *method : {"GetMailOutbox", "RetryMail"}) {
            try {
                code->AppServer().Call(QLatin1String(method), {Variant(1)});
                QFAIL("not refused");
            } catch (const EServerError &e) {
                QVERIFY(e.Message().startsWith(QStringLiteral("權限不足")));
            }
        }
        // Queueing is for every signed-in user.
        QVERIFY(Queue(server, QStringLiteral("a@b.example"), Variant()) > 0);
    }

    void aRestartBetweenQueueingAndDeliveryDeliversExactlyOnce() {
        TSmtpSink sink;
        TTestDatabase database;
        const auto start = [&](bool relay) {
            TApplicationServerConfig config;
            config.Address = QHostAddress::LocalHost;
            config.Port = 0;
            config.Database = database.Config();
            if (relay)
                WithRelay(sink.Port())(config);
            auto thread = std::make_unique<TServerThread>(
                [config] { return new TApplicationServer(config); });
            thread->StartServer();
            return thread;
        };
        // Queued while no relay is configured: it waits.
        auto first = start(false);
        qint64 seq = 0;
        first->RunOnServer([&](TObjectServer *s) {
            TServerDatabase &db = static_cast<TApplicationServer *>(s)->Database();
            TMailMessage message;
            message.From = QStringLiteral("noreply@demo-school.example");
            message.To = {QStringLiteral("family@parents.demo-school.example")};
            message.Subject = QStringLiteral("學生獎懲通知單");
            message.Body = QStringLiteral("內容");
            message.Attachments = {{QStringLiteral("a.pdf"), QByteArray("%PDF-1.4")}};
            db.Transaction([&] { seq = QueueMail(db, message); });
        });
        QTest::qWait(300);
        QCOMPARE(
            database.Query(QStringLiteral("SELECT State FROM MailOutbox WHERE Seq = %1").arg(seq))
                .toString(),
            MailState::Waiting);
        first.reset();
        // The next start has the relay: the message goes once, and a further restart sends
        // nothing again.
        auto second = start(true);
        QTRY_COMPARE_WITH_TIMEOUT(sink.Messages().size(), 1, 20000);
        second.reset();
        auto third = start(true);
        QTest::qWait(1500);
        third.reset();
        QCOMPARE(sink.Messages().size(), 1);
        QCOMPARE(
            database.Query(QStringLiteral("SELECT State FROM MailOutbox WHERE Seq = %1").arg(seq))
                .toString(),
            MailState::Sent);
    }
};

LUM_TEST_MAIN(TstAppServerMail)
#include "tst_AppServerMail.moc"

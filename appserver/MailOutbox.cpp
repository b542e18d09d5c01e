#include "MailOutbox.h"

#include "DateTime.h"
#include "RemoteProtocol.h"

#include <QDebug>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <chrono>

namespace {

QString TimeText(double secondsFromNow = 0) {
    return TServerDatabase::DateText(TDateTime(Now().Value() + secondsFromNow / 86400.0));
}

// The pause before attempt n + 1 after n failures: base, 2 base, 4 base, ... at most a day.
double RetryPause(int base, int failures) {
    const double pause = double(base) * double(1 << std::min(failures - 1, 16));
    return std::min(pause, 86400.0);
}

QString Clipped(const QString &text, int length) {
    return text.size() <= length ? text : text.left(length - 1) + QChar(0x2026);
}

} // namespace

qint64 QueueMail(TServerDatabase &db, const TMailMessage &message) {
    QSqlQuery q = db.Exec(
        QStringLiteral("INSERT INTO MailOutbox (ToAddr, FromAddr, Subject, Body, CreateTime, "
                       "State, Attempts) VALUES (?, ?, ?, ?, ?, ?, 0) RETURNING Seq"),
        {message.To.join(u';'), message.From, message.Subject, message.Body, TimeText(),
         MailState::Waiting});
    if (!q.next())
        throw EServerError(QStringLiteral("The outbox gave the message no number"));
    const qint64 seq = q.value(0).toLongLong();
    int no = 0;
    for (const TMailAttachment &a : message.Attachments)
        db.Exec(QStringLiteral(
                    "INSERT INTO MailAttachments (Seq, No, FileName, Data) VALUES (?, ?, ?, ?)"),
                {seq, ++no, a.FileName, a.Bytes});
    return seq;
}

bool RetryMail(TServerDatabase &db, qint64 seq) {
    QSqlQuery q = db.Exec(QStringLiteral("UPDATE MailOutbox SET State = ?, Attempts = 0, "
                                         "NextTry = NULL WHERE Seq = ? AND State = ?"),
                          {MailState::Waiting, seq, MailState::Failed});
    return q.numRowsAffected() == 1;
}

TMailDelivery::TMailDelivery(const TDatabaseConfig &database, const TMailDeliveryConfig &config)
    : FDatabase(database), FConfig(config) {
    if (!FConfig.Relay.Configured()) {
        qInfo().noquote() << QStringLiteral(
            "appserver: no mail relay configured ([Mail] Host): mail stays in the outbox");
        return;
    }
    FThread = std::thread([this] { Run(); });
}

TMailDelivery::~TMailDelivery() {
    if (!FThread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
        FWoken = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TMailDelivery::Wake() {
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FWoken = true;
    }
    FWake.notify_all();
}

void TMailDelivery::Run() {
    std::unique_ptr<TServerDatabase> db;
    while (!FStop) {
        try {
            if (!db)
                db = std::make_unique<TServerDatabase>(FDatabase,
                                                       TServerDatabase::TOpenMode::Attach);
            while (!FStop && DeliverNext(*db)) {
            }
        } catch (const std::exception &e) {
            // The database went away for a moment: a new connection at the next look.
            qWarning().noquote()
                << QStringLiteral("appserver: mail delivery: %1").arg(QString::fromUtf8(e.what()));
            db.reset();
        }
        std::unique_lock<std::mutex> lock(FMutex);
        FWake.wait_for(lock, std::chrono::seconds(FConfig.PollSeconds),
                       [this] { return FWoken || FStop.load(); });
        FWoken = false;
    }
}

bool TMailDelivery::DeliverNext(TServerDatabase &db) {
    const QString now = TimeText();
    // Claims of servers that died are given up.
    db.Exec(QStringLiteral("UPDATE MailOutbox SET State = ? WHERE State = ? AND ClaimTime < ?"),
            {MailState::Waiting, MailState::Sending, TimeText(-60.0 * FConfig.ClaimMinutes)});
    QSqlQuery next = db.Exec(
        QStringLiteral("SELECT Seq, ToAddr, FromAddr, Subject, Body, COALESCE(Attempts, 0) FROM "
                       "MailOutbox WHERE (State = ? OR State IS NULL) AND (NextTry IS NULL OR "
                       "NextTry <= ?) ORDER BY Seq"),
        {MailState::Waiting, now});
    if (!next.next())
        return false;
    const qint64 seq = next.value(0).toLongLong();
    TMailMessage message;
    message.To = MailAddresses(next.value(1).toString());
    message.From =
        next.value(2).toString().isEmpty() ? FConfig.Relay.From : next.value(2).toString();
    message.Subject = next.value(3).toString();
    message.Body = next.value(4).toString();
    const int attempts = next.value(5).toInt() + 1;
    next.finish();
    // The claim: another server may have taken the row in the meantime.
    if (db.Exec(QStringLiteral("UPDATE MailOutbox SET State = ?, ClaimTime = ? WHERE Seq = ? AND "
                               "(State = ? OR State IS NULL)"),
                {MailState::Sending, now, seq, MailState::Waiting})
            .numRowsAffected() != 1)
        return true;
    for (QSqlQuery files = db.Exec(QStringLiteral("SELECT FileName, Data FROM MailAttachments "
                                                  "WHERE Seq = ? ORDER BY No"),
                                   {seq});
         files.next();)
        message.Attachments.append({files.value(0).toString(), files.value(1).toByteArray()});
    const int at = message.From.indexOf(u'@');
    message.MessageIdHost = at >= 0 ? message.From.mid(at + 1) : QString();

    TSmtpResult result;
    if (message.To.isEmpty())
        result.Reply = QStringLiteral("未指定收件者");
    else
        result = SendSmtp(FConfig.Relay, message.From, message.To, message.Encode());
    const QString reply = Clipped(result.Reply, 400);
    if (result.Sent) {
        db.Exec(QStringLiteral("UPDATE MailOutbox SET State = ?, Attempts = ?, SentTime = ?, "
                               "Reply = ? WHERE Seq = ?"),
                {MailState::Sent, attempts, TimeText(), reply, seq});
    } else if (attempts >= FConfig.MaxAttempts || message.To.isEmpty()) {
        db.Exec(QStringLiteral(
                    "UPDATE MailOutbox SET State = ?, Attempts = ?, Reply = ? WHERE Seq = ?"),
                {MailState::Failed, attempts, reply, seq});
        qWarning().noquote() << QStringLiteral("appserver: mail %1 failed: %2").arg(seq).arg(reply);
    } else {
        db.Exec(QStringLiteral("UPDATE MailOutbox SET State = ?, Attempts = ?, NextTry = ?, "
                               "Reply = ? WHERE Seq = ?"),
                {MailState::Waiting, attempts, TimeText(RetryPause(FConfig.RetrySeconds, attempts)),
                 reply, seq});
    }
    return true;
}

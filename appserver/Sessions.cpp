#include "Sessions.h"

#include "DateTime.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QSqlQuery>
#include <sodium.h>

namespace {

QString TimeText(const QDateTime &t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime TextTime(const QString &text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime Current() {
    // Whole seconds, as the database keeps them.
    QDateTime now = Now().ToQDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now;
}

// Accounts and addresses are kept as given, cut to the columns' width.
QString Cut(const QString &text, int width) {
    return text.left(width);
}

} // namespace

TSessionStore::TSessionStore(TServerDatabase &db, int idleMinutes)
    : FDb(db), FIdleMinutes(idleMinutes > 0 ? idleMinutes : DefaultIdleMinutes) {
    if (sodium_init() < 0)
        throw EServerError(QStringLiteral("The random number library cannot be initialised"));
}

QString TSessionStore::Hash(const QByteArray &ticket) {
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(ticket.constData()),
                       quint64(ticket.size()), nullptr, 0);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(out), int(sizeof out)).toHex());
}

QByteArray TSessionStore::Issue(const QString &user, const QString &computer) {
    QByteArray ticket(Remote::TicketSize, Qt::Uninitialized);
    randombytes_buf(ticket.data(), size_t(ticket.size()));
    const QString now = TimeText(Current());
    FDb.Exec(QStringLiteral("INSERT INTO Sessions (TicketHash, ID, Computer, IssueTime, LastUse) "
                            "VALUES (?, ?, ?, ?, ?)"),
             {Hash(ticket), user, Cut(computer, 120), now, now});
    return ticket;
}

QString TSessionStore::Admit(const QByteArray &ticket) {
    if (ticket.size() != Remote::TicketSize)
        return QString();
    const QString hash = Hash(ticket);
    QSqlQuery q =
        FDb.Exec(QStringLiteral("SELECT ID, LastUse FROM Sessions WHERE TicketHash = ?"), {hash});
    if (!q.next())
        return QString();
    const QString user = q.value(0).toString();
    const QDateTime last = TextTime(q.value(1).toString());
    q.finish();
    const QDateTime now = Current();
    const qint64 idle = qint64(FIdleMinutes) * 60;
    if (!last.isValid() || last.secsTo(now) >= idle) {
        FDb.Exec(QStringLiteral("DELETE FROM Sessions WHERE TicketHash = ?"), {hash});
        return QString();
    }
    // The last use is written again only after a while, not on every call; the idle time is
    // counted from what was written, so a ticket lapses at most that while early.
    const qint64 step = qMin<qint64>(30, idle / 10);
    if (last.secsTo(now) >= qMax<qint64>(step, 1))
        FDb.Exec(QStringLiteral("UPDATE Sessions SET LastUse = ? WHERE TicketHash = ?"),
                 {TimeText(now), hash});
    return user;
}

void TSessionStore::End(const QByteArray &ticket) {
    if (ticket.isEmpty())
        return;
    FDb.Exec(QStringLiteral("DELETE FROM Sessions WHERE TicketHash = ?"), {Hash(ticket)});
}

int TSessionStore::EndUser(const QString &user) {
    const int count = Count(user);
    FDb.Exec(QStringLiteral("DELETE FROM Sessions WHERE ID = ?"), {user});
    return count;
}

int TSessionStore::Count(const QString &user) {
    return FDb.Scalar(QStringLiteral("SELECT COUNT(*) FROM Sessions WHERE ID = ?"), {user}).toInt();
}

// ---- login throttling ----

bool TLoginThrottle::Locked(const char *column, const QString &value, int limit,
                            const QDateTime &now) {
    QSqlQuery q = FDb.Exec(QStringLiteral("SELECT FailTime FROM LoginFailures WHERE %1 = ? "
                                          "ORDER BY FailTime DESC, Seq DESC LIMIT %2")
                               .arg(QLatin1String(column))
                               .arg(limit),
                           {value});
    QList<QDateTime> times;
    while (q.next())
        times << TextTime(q.value(0).toString());
    if (times.size() < limit)
        return false;
    const QDateTime newest = times.first();
    const QDateTime oldest = times.last();
    return oldest.secsTo(newest) <= qint64(WindowMinutes) * 60 &&
           newest.secsTo(now) < qint64(LockMinutes) * 60;
}

QString TLoginThrottle::Refusal(const QString &account, const QString &address) {
    const QDateTime now = Current();
    if (Locked("Address", Cut(address, 64), AddressLimit, now))
        return QStringLiteral("此電腦登入失敗次數過多,請於%1分鐘後再試").arg(LockMinutes);
    if (Locked("ID", Cut(account, 80), AccountLimit, now))
        return QStringLiteral("此帳號登入失敗次數過多,已暫停登入,請於%1分鐘後再試")
            .arg(LockMinutes);
    return QString();
}

void TLoginThrottle::Failed(const QString &account, const QString &address) {
    const QDateTime now = Current();
    const QString id = Cut(account, 80);
    const QString from = Cut(address, 64);
    FDb.Transaction([&] {
        FDb.Exec(QStringLiteral("DELETE FROM LoginFailures WHERE FailTime < ?"),
                 {TimeText(now.addDays(-1))});
        FDb.Exec(
            QStringLiteral("INSERT INTO LoginFailures (ID, Address, FailTime) VALUES (?, ?, ?)"),
            {id, from, TimeText(now)});
        const auto log = [&](const QString &description) {
            FDb.Exec(QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, "
                                    "Description, StartTime, LogTime) VALUES "
                                    "('SrvJobSecurity', 'LOCKOUT', ?, ?, ?, ?)"),
                     {id.left(40), description, TimeText(now), TimeText(now)});
        };
        // Failures are counted only while no lock holds: the one that reaches a limit starts it.
        if (Locked("ID", id, AccountLimit, now))
            log(QStringLiteral("Account %1 locked for %2 minutes after %3 failed logins (last "
                               "from %4)")
                    .arg(id)
                    .arg(LockMinutes)
                    .arg(AccountLimit)
                    .arg(from));
        if (Locked("Address", from, AddressLimit, now))
            log(QStringLiteral("Address %1 locked for %2 minutes after %3 failed logins")
                    .arg(from)
                    .arg(LockMinutes)
                    .arg(AddressLimit));
    });
    qWarning().noquote() << QStringLiteral("appserver: failed login for %1 from %2").arg(id, from);
}

void TLoginThrottle::Succeeded(const QString &account) {
    FDb.Exec(QStringLiteral("DELETE FROM LoginFailures WHERE ID = ?"), {Cut(account, 80)});
}

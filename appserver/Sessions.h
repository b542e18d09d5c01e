#pragma once
// Signed-in sessions and login throttling, kept in the server's database so that every server
// on one shared database honours the same tickets and counts the same failures.
//
// TSessionStore: a successful sign-in gets a ticket of 256 random bits; the database keeps only
// its hash (BLAKE2b), with the user, the computer, the time of issue and of last use. A ticket
// lapses when it has not been used for the idle time, and ends when its user signs out, changes
// the password (every other ticket of that user ends too) or an administrator revokes the
// user's tickets.
//
// TLoginThrottle: five failed logins for one account within 15 minutes lock that account for
// 15 minutes, twenty from one address lock that address; lockouts go into the event log.
//
// Neither table is ever read by client command texts (see TServerDatabase).

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TServerDatabase;

class TSessionStore {
public:
    static constexpr int DefaultIdleMinutes = 480;

    TSessionStore(TServerDatabase &db, int idleMinutes = DefaultIdleMinutes);
    int IdleMinutes() const { return FIdleMinutes; }

    // A new ticket for the user, signed in from `computer`. Runs inside the caller's
    // transaction when there is one.
    QByteArray Issue(const QString &user, const QString &computer);
    // The user whose ticket this is, when the database knows it and it has not lapsed; its last
    // use becomes now. Empty otherwise (a lapsed ticket is removed).
    QString Admit(const QByteArray &ticket);
    void End(const QByteArray &ticket);
    // Ends every ticket of the user; returns how many there were.
    int EndUser(const QString &user);
    // How many tickets of the user are in force.
    int Count(const QString &user);

    // The database's key of a ticket: its hash as hexadecimal text.
    static QString Hash(const QByteArray &ticket);

private:
    TServerDatabase &FDb;
    int FIdleMinutes;
};

class TLoginThrottle {
public:
    static constexpr int AccountLimit = 5;
    static constexpr int AddressLimit = 20;
    static constexpr int WindowMinutes = 15;
    static constexpr int LockMinutes = 15;

    explicit TLoginThrottle(TServerDatabase &db) : FDb(db) {}

    // The message that refuses a login for the account from the address, or empty when it may
    // be tried.
    QString Refusal(const QString &account, const QString &address);
    // Counts a wrong password; logs a lockout that it starts.
    void Failed(const QString &account, const QString &address);
    // A successful login forgets the account's failures.
    void Succeeded(const QString &account);

private:
    // Whether the last `limit` failures (by `column` = value) fall within the window and the
    // newest of them is less than the lock time ago.
    bool Locked(const char *column, const QString &value, int limit, const QDateTime &now);
    TServerDatabase &FDb;
};

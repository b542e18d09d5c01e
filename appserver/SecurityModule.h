#pragma once
// "SrvJobSecurity.SecurityINTF": accounts, passwords, logins and the computers an account is
// bound to. Provider "dspUserProfile" (parameter "ID").
//
// Bound computers are written as an IP address immediately followed by the computer name in
// upper case. A login from a computer matches an entry when the parts the client sent (the
// address, the name, or both) equal the entry's; an account with bound computers cannot log
// in without naming its computer.
//
// A successful login gives the connection a session ticket; LogOut ends it; a password change
// ends every ticket of the account and gives the connection a new one when it was the
// account's. Wrong passwords are counted (TLoginThrottle): a locked account or address is
// refused before its password is looked at, in Login, LoginByMachine, CanPass and
// ChangePassword alike.

#include "ServerModule.h"

class TSecurityModule : public TServerModule {
public:
    explicit TSecurityModule(const TServerContext &context);

    // Whether a login from `host` is allowed by the bound-computer entries.
    static bool MachineAllowed(const QStringList &entries, const QString &host);

private:
    bool CheckPassword(const QString &id, const QString &password);
    // CheckPassword under the login throttle: a refusal (a lock) goes into `refusal`, a wrong
    // password is counted.
    bool ThrottledCheck(const QString &id, const QString &password, QString &refusal);
    QString PeerAddress() const;
    bool Login(const QString &id, const QString &password, const QString *host, QString &message);
    TDateTime EndAfterMonths(TDateTime start, int months) const;
};

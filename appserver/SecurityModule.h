#pragma once
// "SrvJobSecurity.SecurityINTF": accounts, passwords, logins and the computers an account is
// bound to. Provider "dspUserProfile" (parameter "ID").
//
// Bound computers are written as an IP address immediately followed by the computer name in
// upper case. A login from a computer matches an entry when the parts the client sent (the
// address, the name, or both) equal the entry's; an account with bound computers cannot log
// in without naming its computer.

#include "ServerModule.h"

class TSecurityModule : public TServerModule {
public:
    explicit TSecurityModule(const TServerContext &context);

    // Whether a login from `host` is allowed by the bound-computer entries.
    static bool MachineAllowed(const QStringList &entries, const QString &host);

private:
    bool CheckPassword(const QString &id, const QString &password);
    bool Login(const QString &id, const QString &password, const QString *host, QString &message);
    TDateTime EndAfterMonths(TDateTime start, int months) const;
};

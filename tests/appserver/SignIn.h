#pragma once
// Signs the test process in at the application server on a loopback port (Login on the security
// object); on success the process's session ticket goes with every connection it opens after.

#include "SocketConnection.h"

#include <vector>

// True when the server accepted the user; `why` receives its refusal otherwise. A server that
// switches its clients to TLS is trusted by the certificate file it was given.
inline bool SignInAt(quint16 port, const QString &id, const QString &password,
                     QString *why = nullptr, const QString &trustedCertificate = QString()) {
    TSocketConnection c;
    c.SetTrustedCertificateFile(trustedCertificate);
    c.SetServerName(QStringLiteral("SrvJobSecurity.SecurityINTF"));
    c.SetAddress(QStringLiteral("127.0.0.1"));
    c.SetPort(port);
    c.SetTimeout(30000);
    c.Open();
    std::vector<Variant> args{Variant(id), Variant(password), Variant()};
    const bool ok = c.AppServer().Invoke(10, args).ToBool();
    if (!ok && why)
        *why = VarToStr(args[2]);
    return ok;
}

#pragma once
// One delivery to the school's SMTP relay through libcurl: the message's bytes to its
// receivers, over plain SMTP, SMTP upgraded with STARTTLS, or SMTP over TLS, logging in when
// a user is configured. The answer says whether the relay took the message and what it or the
// connection said.

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class TMailSecurity { None, StartTls, Tls };

struct TMailRelay {
    QString Host; // empty: no relay, mail waits in the outbox
    int Port = 25;
    TMailSecurity Security = TMailSecurity::None;
    QString User;
    QString Password;
    QString From; // the envelope sender and the From of the server's own mail
    int TimeoutSeconds = 60;
    QString CaFile; // the certificates to trust instead of the system's (a school's own CA)

    bool Configured() const { return !Host.trimmed().isEmpty(); }
};

struct TSmtpResult {
    bool Sent = false;
    QString Reply; // the relay's last reply, or why there was none
};

TSmtpResult SendSmtp(const TMailRelay &relay, const QString &from, const QStringList &to,
                     const QByteArray &message);

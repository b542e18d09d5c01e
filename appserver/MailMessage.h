#pragma once
// A mail message as the outbox delivers it: sender, receivers, subject and text in UTF-8, and
// files attached. Encode() gives the bytes of the MIME message (RFC 5322 headers, the subject
// and file names as encoded words, the text quoted-printable-free in base64, attachments in
// base64 under multipart/mixed), lines ending in CRLF and never longer than 76 characters.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct TMailAttachment {
    QString FileName;
    QByteArray Bytes;
};

struct TMailMessage {
    QString From;
    QStringList To;
    QString Subject;
    QString Body;
    QList<TMailAttachment> Attachments;
    QDateTime Date;        // the Date header (now when invalid)
    QString MessageIdHost; // the part of the Message-ID after "@"

    QByteArray Encode() const;
};

// The addresses of a receiver list separated by ";" or ",", trimmed.
QStringList MailAddresses(const QString &list);
// Whether an address looks deliverable: one "@" with a local part and a domain with a dot, no
// blanks, angle brackets or line breaks.
bool PlausibleMailAddress(const QString &address);

#include "MailMessage.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

bool IsAscii(const QString &text) {
    for (QChar c : text)
        if (c.unicode() > 126 || (c.unicode() < 32 && c != u'\t'))
            return false;
    return true;
}

// A header value: plain when it is printable ASCII, else encoded words of UTF-8 in base64, each
// short enough for its line and never splitting a character.
QByteArray HeaderText(const QString &text) {
    if (IsAscii(text))
        return text.toUtf8();
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, n).toUtf8();
        if (chunk.size() + bytes.size() > 39) // 39 bytes: 52 base64 characters a word
            flush();
        chunk += bytes;
        i += n - 1;
    }
    flush();
    return out;
}

QByteArray Base64Lines(const QByteArray &bytes) {
    const QByteArray encoded = bytes.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + kCrLf;
    return out;
}

// The file name parameter of the Content-Disposition header: quoted when it is short plain
// ASCII, else in the extended form of RFC 2231 (UTF-8, percent-encoded) cut into continuations,
// each on a line of its own.
QByteArray FileNameParameter(const QString &name) {
    QString clean = name;
    clean.remove(QRegularExpression(QStringLiteral("[\"\\\\\\r\\n]")));
    if (clean.isEmpty())
        clean = QStringLiteral("attachment");
    if (IsAscii(clean) && clean.size() <= 50)
        return "\r\n filename=\"" + clean.toUtf8() + '"';
    const QByteArray encoded =
        clean.toUtf8().toPercentEncoding(QByteArrayLiteral("!#$&+^`|~"), QByteArrayLiteral("'*%"));
    QByteArray out;
    int part = 0;
    for (qsizetype i = 0; i < encoded.size(); ++part) {
        qsizetype n = std::min<qsizetype>(54, encoded.size() - i);
        // A "%XX" stays whole.
        if (i + n < encoded.size()) {
            if (encoded[i + n - 1] == '%')
                n -= 1;
            else if (n >= 2 && encoded[i + n - 2] == '%')
                n -= 2;
        }
        if (part > 0)
            out += ';';
        out += "\r\n filename*" + QByteArray::number(part) +
               "*=" + (part == 0 ? QByteArrayLiteral("UTF-8''") : QByteArray()) + encoded.mid(i, n);
        i += n;
    }
    return out;
}

QByteArray TextPart(const QString &body) {
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    return "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           Base64Lines(text.toUtf8());
}

} // namespace

QStringList MailAddresses(const QString &list) {
    QStringList addresses;
    for (const QString &a :
         list.split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts))
        if (!a.trimmed().isEmpty())
            addresses << a.trimmed();
    return addresses;
}

bool PlausibleMailAddress(const QString &address) {
    static const QRegularExpression re(
        QStringLiteral("^[^@\\s,;<>\"]+@[^@\\s,;<>\"]+\\.[^@\\s,;<>\"]+$"));
    return re.match(address).hasMatch();
}

QByteArray TMailMessage::Encode() const {
    const QDateTime date = Date.isValid() ? Date : QDateTime::currentDateTime();
    QByteArray out;
    out += "From: " + From.toUtf8() + kCrLf;
    out += "To: " + To.join(QStringLiteral(", ")).toUtf8() + kCrLf;
    out += "Subject: " + HeaderText(Subject) + kCrLf;
    out += "Date: " +
           QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1() +
           date.toString(QStringLiteral("t")).toLatin1().replace(":", "") + kCrLf;
    const QString host = MessageIdHost.isEmpty() ? QStringLiteral("localhost") : MessageIdHost;
    out += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@' +
           host.toUtf8() + '>' + kCrLf;
    out += "MIME-Version: 1.0\r\n";
    if (Attachments.isEmpty())
        return out + TextPart(Body);
    const QByteArray boundary = "=_orv7_" + QUuid::createUuid().toString(QUuid::Id128).toLatin1();
    out += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    out += "--" + boundary + kCrLf + TextPart(Body);
    for (const TMailAttachment &a : Attachments) {
        const QByteArray type = a.FileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
                                    ? QByteArrayLiteral("application/pdf")
                                    : QByteArrayLiteral("application/octet-stream");
        out += "--" + boundary + kCrLf;
        out += "Content-Type: " + type + kCrLf;
        out += "Content-Transfer-Encoding: base64\r\n";
        out += "Content-Disposition: attachment;" + FileNameParameter(a.FileName) + kCrLf + kCrLf;
        out += Base64Lines(a.Bytes);
    }
    return out + "--" + boundary + "--" + kCrLf;
}

#include "SmtpSender.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

struct TUpload {
    const QByteArray &Bytes;
    qsizetype Offset = 0;
};

size_t ReadMessage(char *buffer, size_t size, size_t count, void *user) {
    auto *upload = static_cast<TUpload *>(user);
    const qsizetype room = static_cast<qsizetype>(size * count);
    const qsizetype n = std::min(room, upload->Bytes.size() - upload->Offset);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, upload->Bytes.constData() + upload->Offset, static_cast<size_t>(n));
    upload->Offset += n;
    return static_cast<size_t>(n);
}

// The relay's replies as libcurl traces them ("<= Recv header" lines), the last one kept.
int Trace(CURL *, curl_infotype type, char *data, size_t size, void *user) {
    if (type == CURLINFO_HEADER_IN) {
        const QString line = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
        if (!line.isEmpty())
            *static_cast<QString *>(user) = line;
    }
    return 0;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlFree {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct TListFree {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

QByteArray Angle(const QString &address) {
    return '<' + address.trimmed().toUtf8() + '>';
}

} // namespace

TSmtpResult SendSmtp(const TMailRelay &relay, const QString &from, const QStringList &to,
                     const QByteArray &message) {
    GlobalInit();
    TSmtpResult result;
    std::unique_ptr<CURL, TCurlFree> curl(curl_easy_init());
    if (!curl) {
        result.Reply = QStringLiteral("libcurl could not start");
        return result;
    }
    CURL *c = curl.get();
    const QByteArray scheme = relay.Security == TMailSecurity::Tls ? "smtps" : "smtp";
    const QByteArray url = scheme + "://" + relay.Host.trimmed().toUtf8() + ':' +
                           QByteArray::number(relay.Port) + "/orv7-appserver";
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    if (relay.Security == TMailSecurity::StartTls)
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    const QByteArray ca = relay.CaFile.toUtf8();
    if (!ca.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());
    const QByteArray user = relay.User.toUtf8();
    const QByteArray password = relay.Password.toUtf8();
    if (!user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    const QByteArray sender = Angle(from);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.constData());
    std::unique_ptr<curl_slist, TListFree> receivers;
    for (const QString &address : to) {
        curl_slist *next = curl_slist_append(receivers.get(), Angle(address).constData());
        if (!next) {
            result.Reply = QStringLiteral("out of memory");
            return result;
        }
        (void)receivers.release();
        receivers.reset(next);
    }
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, receivers.get());
    TUpload upload{message};
    curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(relay.TimeoutSeconds));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    QString lastReply;
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, Trace);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &lastReply);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK) {
        result.Sent = true;
        result.Reply = lastReply.isEmpty() ? QStringLiteral("250 OK") : lastReply;
        return result;
    }
    const QString why =
        error[0] ? QString::fromUtf8(error) : QString::fromUtf8(curl_easy_strerror(code));
    result.Reply = lastReply.isEmpty() || lastReply.startsWith(u'2') || lastReply.startsWith(u'3')
                       ? why
                       : QStringLiteral("%1 (%2)").arg(lastReply, why);
    return result;
}

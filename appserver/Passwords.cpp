#include "Passwords.h"

#include "Exceptions.h"

#include <sodium.h>

namespace {
void InitSodium() {
    static const int ready = sodium_init();
    if (ready < 0)
        throw Exception(QStringLiteral("The password library cannot be initialised"));
}
} // namespace

QString HashPassword(const QString &password, THashCost cost) {
    InitSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const bool minimal = cost == THashCost::Minimal;
    const unsigned long long ops =
        minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const size_t mem = minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
    if (crypto_pwhash_str_alg(out, utf8.constData(), size_t(utf8.size()), ops, mem,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw Exception(QStringLiteral("Not enough memory to hash a password"));
    return QString::fromLatin1(out);
}

bool VerifyPassword(const QString &password, const QString &storedHash) {
    InitSodium();
    const QByteArray hash = storedHash.toLatin1();
    if (hash.isEmpty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), size_t(utf8.size())) == 0;
}

#pragma once
// Account passwords are kept only as salted Argon2id hashes (libsodium's crypto_pwhash). The
// stored text carries its own salt and cost, so hashes made with another cost still verify.

#include <QString>

enum class THashCost {
    Interactive, // the normal cost for a server (about 64 MiB and a fraction of a second)
    Minimal,     // the lowest cost libsodium allows; for tests and throw-away databases
};

// Raises Exception when libsodium cannot be initialised or runs out of memory.
QString HashPassword(const QString &password, THashCost cost);
bool VerifyPassword(const QString &password, const QString &storedHash);

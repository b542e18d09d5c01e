#include "SessionTicket.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex gMutex;
QByteArray gTicket;
quint64 gGeneration = 0;
TSessionTicket::TSignInAgain gSignInAgain;
bool gSigningIn = false;
} // namespace

QByteArray TSessionTicket::Current() {
    QMutexLocker lock(&gMutex);
    return gTicket;
}

quint64 TSessionTicket::Generation() {
    QMutexLocker lock(&gMutex);
    return gGeneration;
}

void TSessionTicket::Set(const QByteArray &ticket) {
    QMutexLocker lock(&gMutex);
    gTicket = ticket;
    ++gGeneration;
}

void TSessionTicket::Clear() {
    Set(QByteArray());
}

void TSessionTicket::SetSignInAgain(TSignInAgain handler) {
    QMutexLocker lock(&gMutex);
    gSignInAgain = std::move(handler);
}

bool TSessionTicket::SignInAgain() {
    TSignInAgain handler;
    {
        QMutexLocker lock(&gMutex);
        if (gSigningIn || !gSignInAgain)
            return false;
        gSigningIn = true;
        handler = gSignInAgain;
    }
    bool signedIn = false;
    try {
        signedIn = handler();
    } catch (...) {
        QMutexLocker lock(&gMutex);
        gSigningIn = false;
        throw;
    }
    QMutexLocker lock(&gMutex);
    gSigningIn = false;
    return signedIn;
}

// A program that stops its server thread and ends at once leaves none of the thread's TLS state
// behind. The TLS library frees a thread's error queue and random generators from a thread-exit
// hook that it removes when the process ends; a server thread that is still on its way out then
// loses them, and the leak check at the end of this program reports them. Here every server
// thread's way out is held back until the process has begun to end, which is the moment a late
// release goes wrong, so the state must have been given back before the thread said finished.

#include "ObjectServer.h"
#include "ServerThread.h"

#include <QSslCertificate>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <pthread.h>
#include <stdexcept>
#include <unistd.h>

namespace {

pthread_key_t gHoldKey;
std::atomic<bool> gEnding{false};

// Runs among a thread's exit hooks, before the TLS library's own (its key is made first).
void HoldThreadExit(void *) {
    for (int i = 0; i < 500 && !gEnding.load(); ++i)
        usleep(10000);
}

// Registered before the TLS library registers its clean-up, so it runs after it: the held
// threads go on and end while the process is ending, before the leak check.
void LetThreadsEnd() {
    gEnding = true;
    usleep(300000);
}

__attribute__((constructor)) void MakeHoldKey() {
    pthread_key_create(&gHoldKey, HoldThreadExit);
    std::atexit(LetThreadsEnd);
}

// Uses the TLS library on the calling thread: a certificate that does not parse leaves an
// error queue behind, and a server makes its TLS context.
TObjectServer *TlsServer() {
    pthread_setspecific(gHoldKey, &gHoldKey);
    if (!QSslCertificate(QByteArray("-----BEGIN CERTIFICATE-----\nnonsense\n")).isNull())
        throw std::runtime_error("a broken certificate was read");
    auto *server = new TObjectServer;
    server->Listen(QHostAddress::LocalHost, 0);
    return server;
}

} // namespace

class TstServerThreadExit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serverStoppedJustBeforeTheEnd() {
        TServerThread thread(&TlsServer);
        thread.StartServer();
        QVERIFY(thread.Port() != 0);
        thread.StopServer();
        QVERIFY(thread.isFinished());
    }

    void serverWhoseSetUpFailed() {
        TServerThread thread([]() -> TObjectServer * {
            delete TlsServer();
            throw std::runtime_error("no database");
        });
        QVERIFY_THROWS_EXCEPTION(ERemoteError, thread.StartServer());
        QVERIFY(thread.isFinished());
    }
};

QTEST_GUILESS_MAIN(TstServerThreadExit)
#include "tst_ServerThreadExit.moc"

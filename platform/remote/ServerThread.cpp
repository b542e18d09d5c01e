#include "ServerThread.h"

#include "ObjectServer.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <openssl/crypto.h>

namespace {
// The TLS library keeps an error queue and random generators for every thread that used it,
// freed by a thread-exit hook that runs only after wait() has returned. A program that ends
// right after stopping its server (a test, a benchmark, the server's own shut-down) may have
// removed that hook by then, and the thread's state would be lost. The thread gives it back
// itself, after the last socket is gone and before it reports finished.
void ReleaseThreadTlsState() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    OPENSSL_thread_stop();
}
} // namespace

TServerThread::TServerThread(TSetUp setUp) : FSetUp(std::move(setUp)) {}

TServerThread::~TServerThread() {
    StopServer();
}

void TServerThread::StartServer() {
    start();
    FReady.acquire();
    if (!FError.isEmpty()) {
        wait();
        throw ERemoteError(FError);
    }
}

void TServerThread::run() {
    try {
        FServer = FSetUp();
        FPort = FServer->Port();
    } catch (const std::exception &e) {
        FError = QString::fromUtf8(e.what());
        delete FServer;
        FServer = nullptr;
        ReleaseThreadTlsState();
        FReady.release();
        return;
    }
    FReady.release();
    exec();
    delete FServer;
    FServer = nullptr;
    ReleaseThreadTlsState();
}

void TServerThread::StopServer() {
    if (!isRunning())
        return;
    quit();
    wait();
}

void TServerThread::RunOnServer(const std::function<void(TObjectServer *)> &work) {
    if (!FServer)
        return;
    QMetaObject::invokeMethod(
        FServer, [this, &work] { work(FServer); }, Qt::BlockingQueuedConnection);
}

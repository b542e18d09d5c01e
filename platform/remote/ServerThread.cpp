#include "ServerThread.h"

#include "ObjectServer.h"

#include <QMetaObject>

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
        FReady.release();
        return;
    }
    FReady.release();
    exec();
    delete FServer;
    FServer = nullptr;
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

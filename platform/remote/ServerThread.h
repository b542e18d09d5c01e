#pragma once
// TServerThread: runs an object server on a thread of its own, for programs that host a server
// next to a client in one process (tests, benchmarks, a single-machine set-up). The set-up
// function runs on the server thread, so everything it creates (database connections, remote
// objects) belongs to that thread; it returns the server, which the thread owns.

#include <QSemaphore>
#include <QThread>
#include <functional>
#include <memory>

class TObjectServer;

class TServerThread : public QThread {
    Q_OBJECT
public:
    // Builds and starts listening on the server thread; the function raises on failure.
    using TSetUp = std::function<TObjectServer *()>;

    explicit TServerThread(TSetUp setUp);
    ~TServerThread() override;

    // Starts the thread and waits until the server listens. Raises ERemoteError with the
    // set-up's message when it failed.
    void StartServer();
    // Closes the server on its thread and ends the thread.
    void StopServer();
    quint16 Port() const { return FPort; }
    // Runs a function on the server thread and waits for it.
    void RunOnServer(const std::function<void(TObjectServer *)> &work);

protected:
    void run() override;

private:
    TSetUp FSetUp;
    TObjectServer *FServer = nullptr;
    quint16 FPort = 0;
    QString FError;
    QSemaphore FReady;
};

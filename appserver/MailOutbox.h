#pragma once
// The server's outbox and its delivery. Messages are queued as rows of MailOutbox (their
// files in MailAttachments) inside the caller's transaction, so a message is either queued
// whole or not at all. A delivery thread per server, on a connection of its own, takes the rows
// that are due one at a time, claims each (so that servers sharing the database never send one
// row twice), hands it to the relay and records the outcome: "sent" with the time and the
// relay's reply, or, after a failure, "waiting" again with a pause that doubles each time, and
// "failed" with the reason once the attempts are used up. A stop lets the message being sent
// finish and be recorded first, so a restart sends nothing twice and loses nothing. A claim
// left behind by a server that died is given up after a while and the row waits again.
//
// Without a relay configured the rows stay waiting; the log says so once.

#include "MailMessage.h"
#include "ServerDatabase.h"
#include "SmtpSender.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct TMailDeliveryConfig {
    TMailRelay Relay;
    int MaxAttempts = 5;
    int RetrySeconds = 60; // the first pause after a failure; each further one doubles it
    int PollSeconds = 10;  // how often the outbox is looked at without a wake-up
    int ClaimMinutes = 15; // a claim older than this belonged to a server that died
};

namespace MailState {
inline const QString Waiting = QStringLiteral("waiting");
inline const QString Sending = QStringLiteral("sending");
inline const QString Sent = QStringLiteral("sent");
inline const QString Failed = QStringLiteral("failed");
} // namespace MailState

// Queues a message (call inside a transaction of db); returns its row number.
qint64 QueueMail(TServerDatabase &db, const TMailMessage &message);
// Puts a failed row back to waiting with its attempts reset; false when the row is not failed.
bool RetryMail(TServerDatabase &db, qint64 seq);

class TMailDelivery {
public:
    TMailDelivery(const TDatabaseConfig &database, const TMailDeliveryConfig &config);
    // Stops: the message being sent is finished and recorded first.
    ~TMailDelivery();
    TMailDelivery(const TMailDelivery &) = delete;
    TMailDelivery &operator=(const TMailDelivery &) = delete;

    // Looks at the outbox at once (after a message was queued).
    void Wake();

private:
    void Run();
    // Delivers the next row that is due; false when there was none.
    bool DeliverNext(TServerDatabase &db);

    TDatabaseConfig FDatabase;
    TMailDeliveryConfig FConfig;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FWoken = false;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

#pragma once
// "SystemObj.CodeTableINTF": the shared services — key numbers with prefixes and formats, the
// server's clock, the usage log, mail (queued in the outbox, which the server's delivery sends
// through the school's relay; administrators see the outbox and send failed rows again), the
// unit hierarchy and the computer–user records. Provider "xspCodeTable".

#include "MailMessage.h"
#include "ServerModule.h"

class TRemoteCall;

class TCodeTableModule : public TServerModule {
public:
    explicit TCodeTableModule(const TServerContext &context);

    // Sub-units of a unit, one per line: "UnitID", or "UnitID=UnitName" with names.
    QString UnitChilds(const QString &unitId, bool all, bool withNames);

    // The files of one message together.
    static constexpr qint64 MaxAttachmentBytes = 20 * 1024 * 1024;

private:
    // Receivers, subject, text and sender of a mail call (arguments 0 to 3); false with the
    // reason when an address is not valid.
    bool MailFromCall(TRemoteCall &c, TMailMessage &message, QString &why) const;
    static bool AttachmentsFromCall(const Variant &files, TMailMessage &message, QString &why);
    // Queues the message in its own transaction and wakes the delivery; the answer to give.
    QString Queue(const TMailMessage &message, qint64 *seq = nullptr);
    // Raises "權限不足:..." unless the signed-in user is an administrator.
    void RequireAdministrator() const;
};

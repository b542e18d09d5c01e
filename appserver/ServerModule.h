#pragma once
// TServerModule: what every object of the application server shares. It answers
// RefreshDataSet (19999990) and the IAppServer calls for the providers of its module, and
// offers the text helpers of the interfaces: lists travel as text with one item per line.

#include "ProviderHost.h"
#include "RemoteObject.h"
#include "ServerDatabase.h"
#include "Sessions.h"

struct TRemoteSession;
class TMailDelivery;

#include <QRegularExpression>
#include <QStringList>
#include <memory>

struct TServerContext {
    TServerDatabase *Database = nullptr;
    QString MailSender = QStringLiteral("noreply@demo-school.example");
    THashCost HashCost = THashCost::Interactive; // for passwords set through the server
    TSessionStore *Sessions = nullptr;
    TLoginThrottle *Throttle = nullptr;
    // The delivery of the outbox, woken when a message is queued.
    TMailDelivery *Mail = nullptr;
    // The connection the object serves (its peer, its ticket and user).
    TRemoteSession *Session = nullptr;
    // The ProgID the object was made for.
    QString ProgID;
};

class TServerModule : public TRemoteObject {
public:
    static constexpr int DispRefreshDataSet = 19999990;

    TServerModule(const TServerContext &context, const QList<TProviderDef> &providers);
    ~TServerModule() override;

protected:
    TServerDatabase &Db() const { return *FContext.Database; }
    const TServerContext &Context() const { return FContext; }

    // Items of a text list: lines trimmed, blank lines dropped.
    static QStringList Lines(const QString &text);
    // A list as text, each item followed by a line break.
    static QString Text(const QStringList &items);
    // The first column of every row.
    QStringList Column(const QString &sql, const QVariantList &binds = {});
    static QString NowText() { return TServerDatabase::DateText(Now()); }

    // Who signed in on the connection (empty before sign-in).
    QString SessionUser() const;

private:
    // Writes the record of an applied delta: user, time, provider, rows by kind.
    void RecordApply(const QString &provider, const TApplyCounts &counts, int errors);
    TServerContext FContext;
    std::unique_ptr<TProviderHost> FProviders;
};

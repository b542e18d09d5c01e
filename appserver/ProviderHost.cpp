#include "ProviderHost.h"

#include "RemoteProtocol.h"
#include "ServerDatabase.h"

TProviderHost::TProviderHost(TServerDatabase &db, QList<TProviderDef> providers)
    : FDb(db), FProviders(std::move(providers)) {}

TProviderHost::~TProviderHost() = default;

const TProviderDef &TProviderHost::Provider(const QString &name) const {
    for (const TProviderDef &p : FProviders)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    throw EServerError(QStringLiteral("Provider %1 not found").arg(name));
}

void TProviderHost::Refresh(const QString &name) {
    Provider(name); // every fetch reads the table anew; only the name is checked
}

QStringList TProviderHost::AS_GetProviderNames() {
    QStringList names;
    for (const TProviderDef &p : FProviders)
        names << p.Name;
    return names;
}

void TProviderHost::NoEngine(const QString &providerName) const {
    Provider(providerName);
    throw EServerError(QStringLiteral("Provider %1: data packets are not available on this server")
                           .arg(providerName));
}

Variant TProviderHost::AS_ApplyUpdates(const QString &providerName, const Variant &, int, int &,
                                       Variant &) {
    NoEngine(providerName);
}

Variant TProviderHost::AS_GetRecords(const QString &providerName, int, int &, int, const QString &,
                                     Variant &, Variant &) {
    NoEngine(providerName);
}

Variant TProviderHost::AS_DataRequest(const QString &providerName, const Variant &) {
    NoEngine(providerName);
}

Variant TProviderHost::AS_GetParams(const QString &providerName, Variant &) {
    NoEngine(providerName);
}

Variant TProviderHost::AS_RowRequest(const QString &providerName, const Variant &, int, Variant &) {
    NoEngine(providerName);
}

void TProviderHost::AS_Execute(const QString &providerName, const QString &, Variant &, Variant &) {
    NoEngine(providerName);
}

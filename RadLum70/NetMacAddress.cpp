#include "NetMacAddress.h"

TMacAddress::TMacAddress(IAdapterSource *source) {
    std::unique_ptr<IAdapterSource> own;
    if (!source) {
        own = std::make_unique<TPosixAdapterSource>();
        source = own.get();
    }
    std::vector<TNetAdapter> adapters;
    QString error;
    if (!source->ReadAdapters(adapters, error)) {
        FReadError = error.isEmpty() ? QStringLiteral("The adapter list cannot be read") : error;
        return;
    }
    FAdapters = std::move(adapters);
    for (const TNetAdapter &a : FAdapters)
        FItems.Add(FormatMacAddress(a.Address));
    SetItemIndex(0);
}

const TNetAdapter *TMacAddress::Adapter(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &FAdapters[static_cast<size_t>(index)];
}

void TMacAddress::SetItemIndex(int index) {
    FItemIndex = (index >= 0 && index < Count()) ? index : -1;
}

QString TMacAddress::GetMacAddress() const {
    return Selected() ? FItems[FItemIndex] : QString();
}

QString TMacAddress::GetAdapterName() const {
    const TNetAdapter *a = Selected();
    return a ? a->Name : QString();
}

QString TMacAddress::GetDescription() const {
    const TNetAdapter *a = Selected();
    return a ? a->Description : QString();
}

bool TMacAddress::GetDHCPEnabled() const {
    const TNetAdapter *a = Selected();
    return a && a->DHCPEnabled;
}

QString TMacAddress::GetDHCPServer() const {
    const TNetAdapter *a = Selected();
    return a ? a->DHCPServer : QString();
}

QString TMacAddress::GetGateway() const {
    const TNetAdapter *a = Selected();
    return a ? a->Gateway : QString();
}

int TMacAddress::MacIPList(TStringList &strings) const {
    strings.Clear();
    if (const TNetAdapter *a = Selected())
        for (const QString &ip : a->IPAddresses)
            strings.Add(ip);
    return strings.Count();
}

QString TMacAddress::GetIPList() const {
    const TNetAdapter *a = Selected();
    return a ? a->IPAddresses.join(u',') : QString();
}

int TMacAddress::IndexByMac(const QString &mac) {
    int found = -1;
    for (int i = Count() - 1; i >= 0 && found < 0; --i)
        if (!mac.isEmpty() && FItems[i].compare(mac, Qt::CaseInsensitive) == 0)
            found = i;
    SetItemIndex(found);
    return found;
}

int TMacAddress::IndexByIP(const QString &ip) {
    int found = -1;
    for (int i = Count() - 1; i >= 0 && found < 0; --i)
        if (!ip.isEmpty() && FAdapters[static_cast<size_t>(i)].IPAddresses.contains(ip))
            found = i;
    SetItemIndex(found);
    return found;
}

#pragma once
// The machine's network adapters as the shell records them against the user: one line per
// adapter holding its MAC address ("00-1A-2B-3C-4D-5E"), a selected adapter, and its name,
// description, IP addresses, DHCP and gateway facts. The list is read once, at construction,
// from an adapter source (the operating system's unless the caller passes another).

#include "NetAdapters.h"
#include "StringList.h"

#include <memory>
#include <vector>

class TMacAddress {
public:
    // source: where the list comes from; nullptr for the operating system's adapters. The
    // source is only used during construction. A list that cannot be read leaves no adapters
    // (ReadError says why).
    explicit TMacAddress(IAdapterSource *source = nullptr);

    int Count() const { return static_cast<int>(FAdapters.size()); }
    // The MAC lines, one per adapter, in the system's order.
    const TStringList &Items() const { return FItems; }
    // The record of adapter `index`; nullptr outside 0..Count-1.
    const TNetAdapter *Adapter(int index) const;
    QString ReadError() const { return FReadError; }

    // -1 when no adapter is selected; 0 after construction when there is one.
    int ItemIndex() const { return FItemIndex; }
    // An index outside 0..Count-1 selects none.
    void SetItemIndex(int index);

    // Facts of the selected adapter; empty (false) when none is selected.
    QString GetMacAddress() const;
    QString GetAdapterName() const;
    QString GetDescription() const;
    bool GetDHCPEnabled() const;
    QString GetDHCPServer() const;
    QString GetGateway() const;
    // Replaces the lines of `strings` with the selected adapter's IP addresses; returns their
    // number.
    int MacIPList(TStringList &strings) const;
    // The same addresses joined by ",".
    QString GetIPList() const;

    // Search from the last adapter down; the adapter found is selected and its index returned.
    // When none matches, none is selected and -1 returned. MAC addresses compare without regard
    // to letter case, IP addresses exactly.
    int IndexByMac(const QString &mac);
    int IndexByIP(const QString &ip);

private:
    const TNetAdapter *Selected() const { return Adapter(FItemIndex); }

    std::vector<TNetAdapter> FAdapters;
    TStringList FItems;
    int FItemIndex = -1;
    QString FReadError;
};

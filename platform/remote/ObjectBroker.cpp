#include "ObjectBroker.h"

#include "RemoteProtocol.h"

#include <QRandomGenerator>

TSimpleObjectBroker::TSimpleObjectBroker(QObject *owner) : TComponent(owner) {}

int TSimpleObjectBroker::IndexOf(const QString &computerName) const {
    for (int i = 0; i < FServers.size(); ++i)
        if (FServers[i].ComputerName.compare(computerName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TSimpleObjectBroker::AddServer(const QString &computerName, int port, bool enabled) {
    const int i = IndexOf(computerName);
    if (i >= 0) {
        FServers[i].Port = port;
        FServers[i].Enabled = enabled;
        return;
    }
    FServers.append(TServerItem{computerName, port, enabled, false});
}

QString TSimpleObjectBroker::GetComputerForProgID(const QString &progId) {
    QList<int> usable;
    for (int i = 0; i < FServers.size(); ++i)
        if (FServers[i].Enabled && !FServers[i].HasFailed && !FServers[i].ComputerName.isEmpty())
            usable << i;
    if (usable.isEmpty())
        throw ESocketConnectionError(QStringLiteral("No server is available for %1").arg(progId));
    const int pick = FLoadBalanced
                         ? usable[int(QRandomGenerator::global()->bounded(quint32(usable.size())))]
                         : usable.first();
    return FServers[pick].ComputerName;
}

int TSimpleObjectBroker::GetPortForComputer(const QString &computerName) const {
    const int i = IndexOf(computerName);
    return i >= 0 ? FServers[i].Port : 0;
}

void TSimpleObjectBroker::SetConnectStatus(const QString &computerName, bool success) {
    const int i = IndexOf(computerName);
    if (i >= 0 && !success)
        FServers[i].HasFailed = true;
    Q_EMIT ConnectStatus(computerName, success);
}

void TSimpleObjectBroker::ClearFailed() {
    for (TServerItem &item : FServers)
        item.HasFailed = false;
}

void TSimpleObjectBroker::LoadServerData(const Variant &data) {
    QList<TServerItem> loaded;
    if (!data.IsEmptyOrNull()) {
        if (!data.IsArray())
            throw EVariantError(QStringLiteral("A host list must be a variant array"));
        for (int i = data.LowBound(); i <= data.HighBound(); ++i) {
            const Variant &row = data[i];
            if (!row.IsArray() || row.ElementCount() < 2)
                throw EVariantError(QStringLiteral("Host %1 of the list is malformed").arg(i));
            const int low = row.LowBound();
            TServerItem item;
            item.ComputerName = row[low].ToString();
            item.Port = row[low + 1].ToInt();
            item.Enabled =
                row.ElementCount() < 3 || row[low + 2].IsEmptyOrNull() || row[low + 2].ToBool();
            bool duplicate = false;
            for (const TServerItem &other : loaded)
                duplicate = duplicate ||
                            other.ComputerName.compare(item.ComputerName, Qt::CaseInsensitive) == 0;
            if (!duplicate)
                loaded << item;
        }
    }
    FServers = loaded;
}

Variant TSimpleObjectBroker::ServerData() const {
    std::vector<Variant> rows;
    for (const TServerItem &item : FServers)
        rows.push_back(Variant::ArrayOf(
            {Variant(item.ComputerName), Variant(item.Port), Variant(item.Enabled)}));
    return Variant::ArrayOf(std::move(rows));
}

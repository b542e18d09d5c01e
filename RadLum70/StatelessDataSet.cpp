#include "StatelessDataSet.h"

#include "DbTypes.h"

Variant MakeFilteredDataRequest(const QString &filter, int filterOptions, bool reset) {
    return Variant::ArrayOf({Variant(kRemoteFilteredData), Variant(filter),
                             Variant(filterOptions & (foCaseInsensitive | foNoPartialCompare)),
                             Variant(reset)});
}

Variant MakeLocateRecordRequest(const QString &keyFields, const Variant &keyValues, int options) {
    return Variant::ArrayOf({Variant(kRemoteLocateRecord), Variant(keyFields), keyValues,
                             Variant(options & (loCaseInsensitive | loPartialKey))});
}

Variant MakeStatelessOwnerData(const QString &filter, const Variant &ownerData) {
    return Variant::ArrayOf({Variant(kStatelessOwnerData), Variant(filter), ownerData});
}

// ---- TStatelessCDataSet ----

TStatelessCDataSet::TStatelessCDataSet(QObject *owner) : TClientDataSet(owner) {}

void TStatelessCDataSet::SetRemoteFilter(const QString &filter) {
    if (filter == FRemoteFilter)
        return;
    FRemoteFilter = filter;
    if (!IsLoading())
        Close();
    if (!filter.isEmpty())
        SetPacketRecords(-1);
}

void TStatelessCDataSet::SetRemoteReseted(bool reset) {
    if (reset == FRemoteReseted)
        return;
    FRemoteReseted = reset;
    if (reset && !IsLoading())
        Close();
}

Variant TStatelessCDataSet::RequestFilteredData() {
    return AppServer()->AS_DataRequest(
        ProviderName(), MakeFilteredDataRequest(FRemoteFilter, FilterOptions(), FRemoteReseted));
}

void TStatelessCDataSet::FiltedDataRequest() {
    const Variant reply = RequestFilteredData();
    // The reply holds every matching record; its own end-of-data mark says so.
    if (reply.IsEmptyOrNull())
        return;
    if (Active())
        AppendPacket(reply.ToBytes(), -1);
    else
        SetData(reply); // opens from the packet: the inner open takes the ordinary path
}

void TStatelessCDataSet::OpenCursor(bool infoQuery) {
    if (FOpening || OpeningFromData() || !FileName().isEmpty() || FRemoteFilter.isEmpty()) {
        TClientDataSet::OpenCursor(infoQuery);
        return;
    }
    FOpening = true;
    try {
        const Variant reply = RequestFilteredData();
        if (reply.IsEmptyOrNull())
            DatabaseError(QStringLiteral("The provider '%1' sent no data").arg(ProviderName()));
        OpenFromPacket(reply.ToBytes());
    } catch (...) {
        FOpening = false;
        throw;
    }
    FOpening = false;
    // The reset was consumed by this open; stored directly so that nothing closes.
    FRemoteReseted = false;
}

Variant TStatelessCDataSet::DoGetRecords(int count, int &recsOut, int options,
                                         const QString &commandText, Variant &params) {
    Variant ownerData;
    if (BeforeGetRecords)
        BeforeGetRecords(this, ownerData);
    Variant wrapped = MakeStatelessOwnerData(FRemoteFilter, ownerData);
    Variant sentParams = params;
    const Variant result = AppServer()->AS_GetRecords(ProviderName(), count, recsOut, options,
                                                      commandText, sentParams, wrapped);
    Params().UnpackOutput(sentParams);
    params = sentParams;
    if (AfterGetRecords)
        AfterGetRecords(this, wrapped);
    return result;
}

// ---- TOnDemandCDataSet ----

TOnDemandCDataSet::TOnDemandCDataSet(QObject *owner) : TStatelessCDataSet(owner) {
    SetFetchOnDemand(false);
    SetPacketRecords(0);
}

bool TOnDemandCDataSet::Locate(const QString &keyFields, const Variant &keyValues, int options) {
    FindAndFetch(keyFields, keyValues, options);
    return TStatelessCDataSet::Locate(keyFields, keyValues, options);
}

Variant TOnDemandCDataSet::Lookup(const QString &keyFields, const Variant &keyValues,
                                  const QString &resultFields) {
    FindAndFetch(keyFields, keyValues, 0);
    return TStatelessCDataSet::Lookup(keyFields, keyValues, resultFields);
}

void TOnDemandCDataSet::FindAndFetch(const QString &keyFields, const Variant &keyValues,
                                     int options) {
    CheckActive();
    CheckBrowseMode();
    const bool filtered = Filtered();
    // A record the local filter hides is still held: it is looked for with filtering off.
    SetFiltered(false);
    try {
        if (!HasRecord(keyFields, keyValues, options))
            RemoteLocate(keyFields, keyValues, options);
    } catch (...) {
        SetFiltered(filtered);
        throw;
    }
    SetFiltered(filtered);
}

void TOnDemandCDataSet::RemoteLocate(const QString &keyFields, const Variant &keyValues,
                                     int options) {
    const Variant reply = AppServer()->AS_DataRequest(
        ProviderName(), MakeLocateRecordRequest(keyFields, keyValues, options));
    if (!reply.IsEmptyOrNull())
        AppendData(reply, false);
}

#include "StatelessProvider.h"

#include "StatelessDataSet.h"

namespace {
// Element i of a request; Null beyond its end or when the request is no array.
Variant Element(const Variant &request, int i) {
    if (!request.IsArray())
        return Variant::Null();
    const int index = request.LowBound() + i;
    return index <= request.HighBound() ? request[index] : Variant::Null();
}
} // namespace

TStatelessProvider::TStatelessProvider(QObject *owner) : TDataSetProvider(owner) {}

bool TStatelessProvider::CheckCommand(const QString &name, const Variant &data) {
    if (data.IsEmptyOrNull())
        return false;
    try {
        if (data.IsArray())
            return data.HighBound() >= data.LowBound() && data[data.LowBound()].ToString() == name;
        return data.ToString() == name;
    } catch (const Exception &) {
        return false; // not convertible to text: not a request of ours
    }
}

Variant TStatelessProvider::DataRequest(const Variant &input) {
    CheckDataSet();
    if (CheckCommand(kRemoteFilteredData, input))
        return FilteredData(input);
    if (CheckCommand(kRemoteLocateRecord, input))
        return LocateRecord(input);
    return TDataSetProvider::DataRequest(input);
}

Variant TStatelessProvider::FilteredData(const Variant &request) {
    TDataSet &ds = *DataSet();
    if (Element(request, 3).ToBool())
        ds.Close();
    int recsOut = 0;
    Variant params;
    Variant ownerData;
    Variant reply;
    try {
        ds.SetFilterOptions(Element(request, 2).ToInt() & (foCaseInsensitive | foNoPartialCompare));
        ds.SetFilter(Element(request, 1).ToString());
        ds.SetFiltered(true);
        if (!ds.Active())
            ds.Open();
        ds.First();
        reply = GetRecords(-1, recsOut, grMetaData | grReset, QString(), params, ownerData);
    } catch (...) {
        ds.SetFiltered(false);
        ds.SetFilterOptions(0);
        ds.SetFilter(QString());
        throw;
    }
    ds.SetFiltered(false);
    ds.SetFilterOptions(0);
    ds.SetFilter(QString());
    return reply;
}

Variant TStatelessProvider::LocateRecord(const Variant &request) {
    TDataSet &ds = *DataSet();
    ds.SetFiltered(false);
    if (!ds.Active())
        ds.Open();
    const int options = Element(request, 3).ToInt() & (loCaseInsensitive | loPartialKey);
    if (!ds.Locate(Element(request, 1).ToString(), Element(request, 2), options))
        return Variant::Null();
    int recsOut = 0;
    Variant params;
    Variant ownerData;
    return GetRecords(1, recsOut, 0, QString(), params, ownerData);
}

void TStatelessProvider::DoBeforeGetRecords(int count, int options, const QString &commandText,
                                            Variant &params, Variant &ownerData) {
    if (!CheckCommand(kStatelessOwnerData, ownerData)) {
        TDataSetProvider::DoBeforeGetRecords(count, options, commandText, params, ownerData);
        return;
    }
    if (TDataSet *ds = DataSet()) {
        const QString filter = Element(ownerData, 1).ToString();
        const bool changed = filter != ds->Filter() || ds->Filtered() != !filter.isEmpty();
        ds->SetFilter(filter);
        ds->SetFiltered(!filter.isEmpty());
        // A read starts from the top of the (re)filtered data. A packet that continues a read
        // under the same filter goes on from where the last one ended, so that a dataset
        // fetching in packets never receives the same records twice.
        if (ds->Active() && (changed || (options & (grMetaData | grReset))))
            ds->First();
    }
    // The event sees the caller's own owner data; the wrapped array is what travels back.
    Variant callerData = Element(ownerData, 2);
    TDataSetProvider::DoBeforeGetRecords(count, options, commandText, params, callerData);
}

QByteArray TStatelessProvider::InternalApplyUpdates(const QByteArray &delta, int maxErrors,
                                                    int &errorCount) {
    // No filter or position left from an earlier request applies to the changes.
    if (TDataSet *ds = DataSet())
        ds->Close();
    return TDataSetProvider::InternalApplyUpdates(delta, maxErrors, errorCount);
}

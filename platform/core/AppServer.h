#pragma once
// IAppServer: the calls a client dataset makes on the object that publishes its provider.
// A client dataset is bound either to providers in the same process (by provider name) or to
// a remote server object through a socket connection; both answer through this interface, so
// a dataset behaves the same either way. Data packets and deltas travel as Variant bytes in
// the engine's packet format; parameters as a variant array of parameter records.

#include "Variant.h"

#include <QString>
#include <QStringList>

// Options of AS_GetRecords.
enum TGetRecordOption : int {
    grMetaData = 0x01, // send the field metadata with the packet
    grReset = 0x02,    // close and reopen the provider's dataset before fetching
    grXML = 0x04,
    grXMLUTF8 = 0x08,
};

// Request types of AS_RowRequest.
enum TFetchOption : int {
    foRecord = 0x01,
    foBlobs = 0x02,
    foDetails = 0x04,
};

class IAppServer {
public:
    virtual ~IAppServer() = default;

    // Applies a delta; ErrorCount receives the number of failed rows. The result carries the
    // failed rows with the server's current values (empty when everything was applied).
    virtual Variant AS_ApplyUpdates(const QString &providerName, const Variant &delta,
                                    int maxErrors, int &errorCount, Variant &ownerData) = 0;
    // Fetches up to count records (-1 = all, 0 = metadata only); RecsOut receives how many
    // were sent, -1 when no more follow.
    virtual Variant AS_GetRecords(const QString &providerName, int count, int &recsOut, int options,
                                  const QString &commandText, Variant &params,
                                  Variant &ownerData) = 0;
    virtual Variant AS_DataRequest(const QString &providerName, const Variant &data) = 0;
    virtual QStringList AS_GetProviderNames() = 0;
    virtual Variant AS_GetParams(const QString &providerName, Variant &ownerData) = 0;
    virtual Variant AS_RowRequest(const QString &providerName, const Variant &row, int requestType,
                                  Variant &ownerData) = 0;
    virtual void AS_Execute(const QString &providerName, const QString &commandText,
                            Variant &params, Variant &ownerData) = 0;
};

#pragma once
// Client datasets whose provider keeps no cursor or other state for them between calls.
// Every request travels as a small self-describing variant array (element 0 names it):
//   "RemoteFilteredData": the records passing a filter evaluated on the server, all at once;
//   "RemoteLocateRecord": the one record with a key, or Null;
//   "AStatelessCDS":      the owner data of a record fetch, carrying the remote filter.
// TOnDemandCDataSet opens with the metadata only and fetches records one by one as they are
// looked for.

#include "ClientDataSet.h"

// Names of the wrapped requests; exact and case-sensitive.
inline const QString kRemoteFilteredData = QStringLiteral("RemoteFilteredData");
inline const QString kRemoteLocateRecord = QStringLiteral("RemoteLocateRecord");
inline const QString kStatelessOwnerData = QStringLiteral("AStatelessCDS");

// The bit sets of the requests are the engine's own option values: filter options (bit 0
// case-insensitive, bit 1 no partial compare) and locate options (bit 0 case-insensitive,
// bit 1 partial key).
static_assert(foCaseInsensitive == 0x01 && foNoPartialCompare == 0x02);
static_assert(loCaseInsensitive == 0x01 && loPartialKey == 0x02);

// The wrapped requests, built the same way wherever they are sent.
Variant MakeFilteredDataRequest(const QString &filter, int filterOptions, bool reset);
Variant MakeLocateRecordRequest(const QString &keyFields, const Variant &keyValues, int options);
Variant MakeStatelessOwnerData(const QString &filter, const Variant &ownerData);

class TStatelessCDataSet : public TClientDataSet {
    Q_OBJECT
public:
    explicit TStatelessCDataSet(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TStatelessCDataSet"); }

    // A filter in the syntax of the provider's dataset, evaluated on the server. Changing it
    // closes the dataset (outside loading); a non-empty one makes opens fetch every matching
    // record in one packet.
    const QString &RemoteFilter() const { return FRemoteFilter; }
    void SetRemoteFilter(const QString &filter);
    // Asks the provider to read its data anew before the next filtered open.
    bool RemoteReseted() const { return FRemoteReseted; }
    void SetRemoteReseted(bool reset);
    // Key fields, kept for users of the dataset.
    QString PrimaryKeyFields;

    // Asks for the records passing RemoteFilter and adds them to the dataset (opening it when
    // it is closed).
    void FiltedDataRequest();

protected:
    void OpenCursor(bool infoQuery) override;
    Variant DoGetRecords(int count, int &recsOut, int options, const QString &commandText,
                         Variant &params) override;

private:
    Variant RequestFilteredData();

    bool FOpening = false; // an open served through a filtered request is under way
    QString FRemoteFilter;
    bool FRemoteReseted = false;
};

class TOnDemandCDataSet : public TStatelessCDataSet {
    Q_OBJECT
public:
    explicit TOnDemandCDataSet(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TOnDemandCDataSet"); }

    bool Locate(const QString &keyFields, const Variant &keyValues, int options = 0) override;
    Variant Lookup(const QString &keyFields, const Variant &keyValues,
                   const QString &resultFields) override;
    // Makes sure the record with the key is held, fetching it when it is not.
    void FindAndFetch(const QString &keyFields, const Variant &keyValues, int options);
    // Asks the provider for the record with the key and adds it when there is one.
    void RemoteLocate(const QString &keyFields, const Variant &keyValues, int options);
};

#pragma once
// TStatelessProvider: a dataset provider that serves the stateless client datasets. It
// recognises their wrapped requests, sets its dataset up for the one request (filter,
// position), answers, and puts the dataset back, so that it keeps nothing for a client between
// calls. Requests it does not recognise are served as by any provider.

#include "Provider.h"

class TStatelessProvider : public TDataSetProvider {
    Q_OBJECT
public:
    explicit TStatelessProvider(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TStatelessProvider"); }

    // Whether data is the request called name: element 0 of an array, or the data itself.
    static bool CheckCommand(const QString &name, const Variant &data);

    Variant DataRequest(const Variant &input) override;

protected:
    void DoBeforeGetRecords(int count, int options, const QString &commandText, Variant &params,
                            Variant &ownerData) override;
    QByteArray InternalApplyUpdates(const QByteArray &delta, int maxErrors,
                                    int &errorCount) override;

private:
    Variant FilteredData(const Variant &request);
    Variant LocateRecord(const Variant &request);
};

#pragma once
// Small helpers shared by the dataset tests.

#include "ClientDataSet.h"

#include <memory>

// A client dataset with ID (integer, key), Name (string 20), Amount (float) and the given rows.
inline std::unique_ptr<TClientDataSet>
MakePeople(const std::vector<std::tuple<int, QString, double>> &rows, QObject *owner = nullptr) {
    auto ds = std::make_unique<TClientDataSet>(owner);
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger, 0, true).ProviderFlags =
        pfInKey | pfInWhere | pfInUpdate;
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    ds->CreateDataSet();
    for (const auto &[id, name, amount] : rows) {
        ds->Append();
        ds->FieldByName(QStringLiteral("ID"))->SetAsInteger(id);
        ds->FieldByName(QStringLiteral("Name"))->SetAsString(name);
        ds->FieldByName(QStringLiteral("Amount"))->SetAsFloat(amount);
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

// The values of one field over the dataset's records, in view order.
inline QStringList Column(TDataSet &ds, const QString &field) {
    QStringList out;
    const TBookmark mark = ds.GetBookmark();
    ds.First();
    while (!ds.Eof()) {
        out << ds.FieldByName(field)->AsString();
        ds.Next();
    }
    if (mark >= 0 && ds.BookmarkValid(mark))
        ds.GotoBookmark(mark);
    return out;
}

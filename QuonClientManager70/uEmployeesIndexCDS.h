#pragma once
// The staff index of the personnel server ("xEmployeesIdxProvider" of
// "SrvPersonnel.PersonnelINTF"), shared by every dataset of its class in the process.

#include "uSystemTable.h"

class TEmployeesIndexCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TEmployeesIndexCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TEmployeesIndexCDS"); }
    TSystemTable *GetSystemTable() override;
};

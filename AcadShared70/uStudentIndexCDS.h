#pragma once
// The student index of the academic server, shared by every dataset of its class in the process.

#include "uSystemTable.h"

// Every student of the school ("vStudentIdxProvider" of "SrvAcademic.AcadStudentINTF").
class TStudentIndexCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TStudentIndexCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TStudentIndexCDS"); }
    TSystemTable *GetSystemTable() override;
};

#pragma once
// The index of the students on the school roll and the class-type definitions of the academic
// server, each shared by every dataset of its class in the process.

#include "uSystemTable.h"

// The students on the school roll, by class and seat ("xStdOnSchoolIdxProvider" of
// "SrvAcademic.AcadStudentINTF").
class TStdOnSchoolIdxCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TStdOnSchoolIdxCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TStdOnSchoolIdxCDS"); }
    TSystemTable *GetSystemTable() override;
};

// The class-type definitions ("xClassTypeDefProvider" of "SrvAcademic.AcadStudentINTF").
class TAcadClassTypeCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TAcadClassTypeCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TAcadClassTypeCDS"); }
    TSystemTable *GetSystemTable() override;
};

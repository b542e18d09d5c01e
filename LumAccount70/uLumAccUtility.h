#pragma once
// The account titles of the general ledger, shared by every dataset of their class in the
// process.

#include "uSystemTable.h"

// Every account title ("dspAccTitle" of "SrvAccGL.ACCGLINTF"): AccNo, AccName, DC_Mode,
// ALevel, AParent.
class TAccTitleCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TAccTitleCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TAccTitleCDS"); }
    TSystemTable *GetSystemTable() override;
};

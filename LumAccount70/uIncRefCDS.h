#pragma once
// The income references of the tax system (the people and companies the school pays or is
// paid by), shared by every dataset of their class in the process.

#include "uSystemTable.h"

// Every payee ("dspIncRef_Orv" of "SrvAccTax.AccTaxINTF"): BAN, IDN, INCMER_NM,
// HOUHLD_ADDR_X60, ID, IDtype, EMail.
class TIncRefIndexCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TIncRefIndexCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TIncRefIndexCDS"); }
    TSystemTable *GetSystemTable() override;
};

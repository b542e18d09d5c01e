#pragma once
// TLumWRAcadRewardBill: the proposal of rewards or punishments ("獎懲建議單.doc"): the proposal
// (RewardPunish, provider "edRewardPunishProvider" of the reward server, parameter RewardNo)
// in the labels RewardNo, SuggestDate, YSemester, SuggestUnit_ID, Reworpun and SuggestName, and
// its students (the nested Detail, by student number) in table 0 below row 4: student number,
// department, year, name, origin, kind, count and basis.

#include "uLumDocuReportBase.h"

class TDataSource;
class TDBWRTableIndex;

class TLumWRAcadRewardBill : public TLumDocuReportBase {
    Q_OBJECT
public:
    explicit TLumWRAcadRewardBill(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadRewardBill"); }

    TCodeTableCDS *CDUnit, *AF_REPU;
    TStatelessCDataSet *RewardPunish;
    TClientDataSet *Detail;
    TDataSource *DetailSource;
    TDBWRTableIndex *wrDetailTable;

    // Reads the proposal of that number through the module's connection; makes no document.
    void PrintingByNo(const QString &rewardNo);
    // The document from the proposal read or given last.
    void PrintDoc();
    void SetFormLabels() override;

protected:
    void DoPrintData(TClientDataSet *dataSet) override;
};

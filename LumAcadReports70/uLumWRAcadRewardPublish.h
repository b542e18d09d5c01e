#pragma once
// TLumWRAcadRewardPublish: the public notice of rewards and punishments ("獎懲公告單.doc"): the
// approved and checked rows of vLumRewardPunishDetail (Detail, provider
// "cmvRewardPunishDetailProvider" of the reward server, by student and kind) grouped by their
// dispatch number: each number's notice is as many copies of the template as it has pages of
// ten rows, with the dispatch in the labels DispatchNo, Dispatchdate, YSemester and
// Dispatchword and the page's rows in table 0 below row 4.

#include "uLumDocuReportBase.h"

class TDataSource;
class TDBWRTableIndex;

class TLumWRAcadRewardPublish : public TLumDocuReportBase {
    Q_OBJECT
public:
    static constexpr int kPageRows = 10;

    explicit TLumWRAcadRewardPublish(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadRewardPublish"); }

    TCodeTableCDS *st_CLASS, *AF_REPU;
    TStatelessCDataSet *Detail;
    TDataSource *DetailSource;
    TDBWRTableIndex *wrDetailTable;

    // The approved and checked rows of that dispatch number, read through the module's
    // connection, then Print.
    void PrintingByNo(const QString &dispatchNo);
    // The dataset's rows into Detail, then Print.
    void Printing(TClientDataSet *dataSet) override;
    // One notice per dispatch number of the approved and checked rows, in the rows' order, all
    // in one document (a page with empty labels when there is none). The filter of Detail is
    // the approved and checked rows afterwards, also after a failure.
    void Print();
    // The dispatch numbers Print printed last, in order.
    const QStringList &DispatchNumbers() const { return FNumbers; }

    void SetFormLabels() override;

private:
    QStringList FNumbers;
};

#include "uLumWRAcadRewardBill.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

TLumWRAcadRewardBill::TLumWRAcadRewardBill(QObject *owner) : TLumDocuReportBase(owner) {
    SetDocForm(QStringLiteral("獎懲建議單.doc"));
    CDUnit = AddCodeTable(QStringLiteral("CDUnit"), QStringLiteral("Main_Code='NUNT'"));
    AF_REPU = AddCodeTable(QStringLiteral("AF_REPU"), QStringLiteral("Main_Code='AF_REPU'"));

    RewardPunish = AddRemoteDataSet(QStringLiteral("RewardPunish"),
                                    QStringLiteral("SrvAcademic.AcadRewardConductINTF"),
                                    QStringLiteral("edRewardPunishProvider"));
    RewardPunish->Params().CreateParam(ftString, QStringLiteral("RewardNo"));
    FieldDisplays()->Labels(RewardPunish,
                            {{QStringLiteral("Unit_ID"), QStringLiteral("建議單位")},
                             {QStringLiteral("SuggestName"), QStringLiteral("建議人")},
                             {QStringLiteral("SuggestDate"), QStringLiteral("建議日期")},
                             {QStringLiteral("Reworpun"), QStringLiteral("區分")}});
    ShowCodeText(RewardPunish, QStringLiteral("Unit_ID"), CDUnit);
    // 1 proposes rewards, 2 punishments.
    FieldDisplays()->Setup(RewardPunish, QStringLiteral("Reworpun"), [](TField *field) {
        field->OnGetText = [](TField *f, QString &text, bool) {
            text = f->AsString() == QLatin1String("1")   ? QStringLiteral("獎勵")
                   : f->AsString() == QLatin1String("2") ? QStringLiteral("懲處")
                                                         : f->AsString();
        };
    });

    Detail = new TClientDataSet(this);
    Detail->SetName(QStringLiteral("Detail"));
    Detail->SetIndexFieldNames(QStringLiteral("StudentID"));
    ShowNested(RewardPunish, QStringLiteral("Detail"), Detail);
    const QStringList columns{QStringLiteral("StudentID"), QStringLiteral("Uint_ID"),
                              QStringLiteral("NGrade"),    QStringLiteral("Cht_Name"),
                              QStringLiteral("Origin"),    QStringLiteral("Kind"),
                              QStringLiteral("RepuCnt"),   QStringLiteral("Basis")};
    FieldDisplays()->Columns(Detail, columns);
    // The student's department by its name.
    ShowCodeText(Detail, QStringLiteral("Uint_ID"), CDUnit);
    ShowCodeText(Detail, QStringLiteral("Kind"), AF_REPU);
    DetailSource = new TDataSource(this);
    DetailSource->SetName(QStringLiteral("DetailSource"));
    DetailSource->SetDataSet(Detail);

    wrDetailTable = new TDBWRTableIndex(this);
    wrDetailTable->SetName(QStringLiteral("wrDetailTable"));
    wrDetailTable->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
    wrDetailTable->SetReplaceType(rtInsertAfter);
    wrDetailTable->SetTableIndex(0);
    wrDetailTable->SetStartRow(4);
    wrDetailTable->SetIncludeTitle(false);
    wrDetailTable->SetDataSource(DetailSource);
    // In the sheet's order, whatever order a caller's packet has.
    wrDetailTable->SetColumns(columns);
    wrDetailTable->SetDocuReport(DocuReport);
}

void TLumWRAcadRewardBill::PrintingByNo(const QString &rewardNo) {
    RewardPunish->Close();
    RewardPunish->Params()[0].SetValue(Variant(rewardNo));
    OpenRemote(RewardPunish);
}

void TLumWRAcadRewardBill::PrintDoc() {
    SendDocument();
}

void TLumWRAcadRewardBill::DoPrintData(TClientDataSet *dataSet) {
    CopyDataPacket(RewardPunish, dataSet);
}

void TLumWRAcadRewardBill::SetFormLabels() {
    TLumDocuReportBase::SetFormLabels();
    for (const char *name : {"RewardNo", "SuggestDate", "YSemester", "Reworpun", "SuggestName"})
        SetFieldLabel(RewardPunish, QLatin1String(name));
    // The proposing unit is the proposal's Unit_ID.
    SetFieldLabel(RewardPunish, QStringLiteral("Unit_ID"), QStringLiteral("SuggestUnit_ID"));
}

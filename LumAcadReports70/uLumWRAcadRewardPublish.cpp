#include "uLumWRAcadRewardPublish.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

namespace {

const QString kApproved = QStringLiteral("(Verify='Y') and (CheckedDate is Not Null )");

// A value inside single quotes of a statement or filter.
QString Quoted(const QString &value) {
    return QString(value).replace(u'\'', QStringLiteral("''"));
}

} // namespace

TLumWRAcadRewardPublish::TLumWRAcadRewardPublish(QObject *owner) : TLumDocuReportBase(owner) {
    SetDocForm(QStringLiteral("獎懲公告單.doc"));
    st_CLASS = AddCodeTable(QStringLiteral("st_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    AF_REPU = AddCodeTable(QStringLiteral("AF_REPU"), QStringLiteral("Main_Code='AF_REPU'"));

    Detail = AddRemoteDataSet(QStringLiteral("Detail"),
                              QStringLiteral("SrvAcademic.AcadRewardConductINTF"),
                              QStringLiteral("cmvRewardPunishDetailProvider"));
    Detail->SetIndexFieldNames(QStringLiteral("StudentID;VerifyKind"));
    Detail->SetFilter(kApproved);
    Detail->SetFiltered(true);
    const QStringList columns{QStringLiteral("StudentID"), QStringLiteral("Cht_Name"),
                              QStringLiteral("ClassType"), QStringLiteral("SeatNo"),
                              QStringLiteral("Origin"),    QStringLiteral("VerifyKind"),
                              QStringLiteral("VerifyCnt"), QStringLiteral("Basis")};
    FieldDisplays()->Columns(Detail, columns);
    ShowCodeText(Detail, QStringLiteral("ClassType"), st_CLASS);
    ShowCodeText(Detail, QStringLiteral("VerifyKind"), AF_REPU);
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
    wrDetailTable->SetPageRows(kPageRows);
    wrDetailTable->SetKeepDataTrack(true);
    wrDetailTable->SetDataSource(DetailSource);
    // The view's order is not the sheet's.
    wrDetailTable->SetColumns(columns);
    wrDetailTable->SetDocuReport(DocuReport);
}

void TLumWRAcadRewardPublish::PrintingByNo(const QString &dispatchNo) {
    Detail->Close();
    Detail->SetCommandText(
        QStringLiteral("Select * from vLumRewardPunishDetail Where ") +
        QStringLiteral("(Verify='Y') and (CheckedDate is Not Null ) and Dispatchno='%1'")
            .arg(Quoted(dispatchNo)));
    OpenRemote(Detail);
    Print();
}

void TLumWRAcadRewardPublish::Printing(TClientDataSet *dataSet) {
    CopyDataPacket(Detail, dataSet);
    Print();
}

void TLumWRAcadRewardPublish::Print() {
    Detail->SetFilter(kApproved);
    Detail->SetFiltered(true);
    FNumbers.clear();
    if (Detail->Active())
        for (Detail->First(); !Detail->Eof(); Detail->Next()) {
            const QString no = Detail->FieldByName(QStringLiteral("Dispatchno"))->AsString();
            if (!FNumbers.contains(no))
                FNumbers << no;
        }
    DocuReport->Close();
    try {
        if (FNumbers.isEmpty()) {
            DocuReport->SetPages(1);
            DocuReport->SendToWord();
        }
        for (const QString &no : FNumbers) {
            Detail->SetFilter(QStringLiteral("(Verify='Y') and(CheckedDate is Not Null ) and  "
                                             "Dispatchno='%1'")
                                  .arg(Quoted(no)));
            Detail->First();
            DocuReport->SetPages((Detail->RecordCount() + kPageRows - 1) / kPageRows);
            DocuReport->SendToWord();
        }
    } catch (...) {
        Detail->SetFilter(kApproved);
        throw;
    }
    Detail->SetFilter(kApproved);
}

void TLumWRAcadRewardPublish::SetFormLabels() {
    TLumDocuReportBase::SetFormLabels();
    SetFieldLabel(Detail, QStringLiteral("Dispatchno"), QStringLiteral("DispatchNo"));
    for (const char *name : {"Dispatchdate", "YSemester", "Dispatchword"})
        SetFieldLabel(Detail, QLatin1String(name));
}

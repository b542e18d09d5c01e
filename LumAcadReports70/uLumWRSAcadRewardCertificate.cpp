#include "uLumWRSAcadRewardCertificate.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

namespace {

QStringList Names(std::initializer_list<const char *> names) {
    QStringList list;
    for (const char *n : names)
        list << QLatin1String(n);
    return list;
}

} // namespace

TLumWRSAcadRewardCertificate::TLumWRSAcadRewardCertificate(QObject *owner)
    : TLumDocuReportStudent(owner) {
    AF_REPU = AddCodeTable(QStringLiteral("AF_REPU"), QStringLiteral("Main_Code='AF_REPU'"));
    cdAF_OriType =
        AddCodeTable(QStringLiteral("cdAF_OriType"), QStringLiteral("Main_Code='AF_OriType' "));

    // The student with the terms and rewards, from the reward server.
    RemoteData()->Bind(StudentDataSet, QStringLiteral("SrvAcademic.AcadRewardConductINTF"),
                       QStringLiteral("RewardByStudentProvider"));
    StudentDataSet->SetCommandText(QString());
    StudentDataSet->Params().CreateParam(ftString, QStringLiteral("StudentID"));

    StudentSemStatic = new TClientDataSet(this);
    StudentSemStatic->SetName(QStringLiteral("StudentSemStatic"));
    ShowNested(StudentDataSet, QStringLiteral("StudentSemStatic"), StudentSemStatic);
    FieldDisplays()->Columns(
        StudentSemStatic,
        Names({"YSemester", "Conduct", "GreatMerit", "SmallMerit", "Citecnt", "MajorDemerit",
               "SmallDemerit", "Caution", "DateLook", "AskFor_Pub", "AskFor", "AskFor_Sick",
               "AskFor_Other", "Absence"}));
    FieldDisplays()->Labels(StudentSemStatic,
                            {{QStringLiteral("YSemester"), QStringLiteral("學年期")},
                             {QStringLiteral("Conduct"), QStringLiteral("操行成績")}});

    StudentPunishDetail = new TClientDataSet(this);
    StudentPunishDetail->SetName(QStringLiteral("StudentPunishDetail"));
    ShowNested(StudentDataSet, QStringLiteral("StudentPunishDetail"), StudentPunishDetail);
    ShowCodeText(StudentPunishDetail, QStringLiteral("VerifyKind"), AF_REPU);
    ShowCodeText(StudentPunishDetail, QStringLiteral("OriginType"), cdAF_OriType);

    RewardSource = new TDataSource(this);
    RewardSource->SetName(QStringLiteral("RewardSource"));
    wrRewardTable = new TDBWRTableIndex(this);
    wrRewardTable->SetName(QStringLiteral("wrRewardTable"));
    wrRewardTable->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
    wrRewardTable->SetReplaceType(rtInsertAfter);
    wrRewardTable->SetTableIndex(0);
    wrRewardTable->SetStartRow(4);
    wrRewardTable->SetIncludeTitle(false);
    wrRewardTable->SetDataSource(RewardSource);
    wrRewardTable->SetDocuReport(DocuReport);

    FType = rctReward; // so that the first setting takes
    SetCertificateType(rctConduct);
}

void TLumWRSAcadRewardCertificate::SetCertificateType(TRewardCertificateType type) {
    if (type == FType)
        return;
    FType = type;
    switch (type) {
    case rctConduct:
        SetDocForm(QStringLiteral("學生操行證明單.doc"));
        RewardSource->SetDataSet(StudentSemStatic);
        break;
    case rctReward:
        SetDocForm(QStringLiteral("學生歷年獎懲證明單.doc"));
        RewardSource->SetDataSet(StudentPunishDetail);
        FieldDisplays()->Columns(StudentPunishDetail,
                                 Names({"YSemester", "NGrade", "Origin", "VerifyKind", "VerifyCnt",
                                        "Dispatchword", "Dispatchno"}));
        break;
    case rctOrigin:
        SetDocForm(QStringLiteral("學生在校事蹟證明單.doc"));
        RewardSource->SetDataSet(StudentPunishDetail);
        FieldDisplays()->Columns(
            StudentPunishDetail,
            Names({"YSemester", "NGrade", "Origin", "VerifyKind", "VerifyCnt", "OriginType"}));
        break;
    }
}

void TLumWRSAcadRewardCertificate::SetOriginType(const QString &code) {
    if (cdAF_OriType->Active() && cdAF_OriType->Locate(QStringLiteral("Code"), Variant(code))) {
        FOriginText = cdAF_OriType->FieldByName(QStringLiteral("Descript"))->AsString();
        if (code != FOriginType) {
            FOriginType = code;
            StudentPunishDetail->SetFilter(
                QStringLiteral("OriginType='%1'")
                    .arg(QString(code).replace(u'\'', QStringLiteral("''"))));
            StudentPunishDetail->SetFiltered(true);
        }
        return;
    }
    FOriginType.clear();
    FOriginText.clear();
    StudentPunishDetail->SetFiltered(false);
    StudentPunishDetail->SetFilter(QString());
}

void TLumWRSAcadRewardCertificate::PrintingByStudent(const QString &studentID) {
    StudentDataSet->Close();
    StudentDataSet->Params().ParamByName(QStringLiteral("StudentID")).SetValue(Variant(studentID));
    OpenRemote(StudentDataSet);
    SendDocument();
}

void TLumWRSAcadRewardCertificate::SetFormLabels() {
    TLumDocuReportStudent::SetFormLabels();
    if (FType == rctOrigin)
        WRMultiLabel->SetLabelText(QStringLiteral("AF_OriType"), FOriginText);
}

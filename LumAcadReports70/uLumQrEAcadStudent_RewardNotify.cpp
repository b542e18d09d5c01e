#include "uLumQrEAcadStudent_RewardNotify.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumQrElements.h"

namespace {

const QList<TLumColumn> kRowColumns{{0, 25, QStringLiteral("發文日期")},
                                    {25, 70, QStringLiteral("事由/")},
                                    {95, 28, QStringLiteral("獎懲種類")},
                                    {123, 12, QStringLiteral("次數")},
                                    {135, 55, QStringLiteral("獎懲依據")}};

} // namespace

TLumQrEAcadStudent_RewardNotify::TLumQrEAcadStudent_RewardNotify(QObject *owner)
    : TLumQrEAcadStudent(owner), Parts(this, QStringLiteral("發文於 %1 至 %2 期間獎懲記錄如下：")) {
    SetReportTitle(QStringLiteral("學生獎懲通知單"));
    AF_REPU = AddCodeTable(QStringLiteral("AF_REPU"), QStringLiteral("Main_Code='AF_REPU' "));

    StudentSemStatic = AddRemoteDataSet(QStringLiteral("StudentSemStatic"),
                                        QStringLiteral("SrvAcademic.AcadSemCoursesINTF"),
                                        QStringLiteral("cmSemStaticStudentsProvider"));
    StudentSemStatic->SetIndexFieldNames(QStringLiteral("StudentID"));
    StudentSemStatic->SetMasterSource(ReceiverSource);
    StudentSemStatic->SetMasterFields(QStringLiteral("StudentID"));
    SetFieldLabels(StudentSemStatic, {{QStringLiteral("Comment"), QStringLiteral("學習總評")},
                                      {QStringLiteral("Citecnt"), QStringLiteral("嘉獎次數")},
                                      {QStringLiteral("SmallMerit"), QStringLiteral("小功次數")},
                                      {QStringLiteral("GreatMerit"), QStringLiteral("大功次數")},
                                      {QStringLiteral("Caution"), QStringLiteral("申誡次數")},
                                      {QStringLiteral("SmallDemerit"), QStringLiteral("小過次數")},
                                      {QStringLiteral("MajorDemerit"), QStringLiteral("大過次數")},
                                      {QStringLiteral("DateLook"), QStringLiteral("定期察看")}});

    RewardSemDetail = AddRemoteDataSet(QStringLiteral("RewardSemDetail"),
                                       QStringLiteral("SrvAcademic.AcadRewardConductINTF"),
                                       QStringLiteral("cmvRewardPunishDetailProvider"));
    // Approved and posted rows only.
    RewardSemDetail->SetFilter(QStringLiteral("Verify='Y' and TranYN='Y'"));
    RewardSemDetail->SetFiltered(true);
    RewardSemDetail->SetIndexFieldNames(QStringLiteral("StudentID;Dispatchdate"));
    RewardSemDetail->SetMasterSource(ReceiverSource);
    RewardSemDetail->SetMasterFields(QStringLiteral("StudentID"));
    SetFieldLabels(RewardSemDetail, {{QStringLiteral("RewardNo"), QStringLiteral("單號")},
                                     {QStringLiteral("Dispatchdate"), QStringLiteral("發文日期")},
                                     {QStringLiteral("VerifyKind"), QStringLiteral("核可獎懲種類")},
                                     {QStringLiteral("VerifyCnt"), QStringLiteral("核可獎懲次數")},
                                     {QStringLiteral("Origin"), QStringLiteral("獎懲事由")},
                                     {QStringLiteral("Basis"), QStringLiteral("獎懲依據")}});
    ShowCodeText(RewardSemDetail, QStringLiteral("VerifyKind"), AF_REPU);
    BuildBands();
}

void TLumQrEAcadStudent_RewardNotify::BuildBands() {
    DetailRows = new TQRSubDetail(this, RewardSemDetail, 6);
    DetailRows->SetName(QStringLiteral("DetailRows"));
    DetailRows->SetReprintHeaderOnNewPage(true);
    const char *fields[] = {"Dispatchdate", "Origin", "VerifyKind", "VerifyCnt", "Basis"};
    for (int c = 0; c < kRowColumns.size(); ++c) {
        const TLumColumn &column = kRowColumns[c];
        TQRDBText *text = DetailRows->AddDBText(column.Left + 1, 0.5, column.Width - 2, 5,
                                                RewardSemDetail, QLatin1String(fields[c]));
        text->SetWordWrap(c == 1 || c == 4);
        text->SetAutoStretch(c == 1 || c == 4);
        if (c == 3)
            text->SetAlignment(taRightJustify);
    }
    DetailHeading = DetailRows->AddHeaderBand(7);
    DetailHeading->SetName(QStringLiteral("DetailHeading"));
    DetailHeading->Frame().Bottom = true;
    AddHeadings(DetailHeading, kRowColumns, 1, 5);

    SemStaticRows = new TQRSubDetail(this, StudentSemStatic, 7);
    SemStaticRows->SetName(QStringLiteral("SemStaticRows"));
    SemStaticHeading = SemStaticRows->AddHeaderBand(8);
    SemStaticHeading->SetName(QStringLiteral("SemStaticHeading"));
    SemStaticHeading->Frame().Top = true;
    SemStaticHeading->AddLabel(0, 2, 190, 6, QStringLiteral("本學期獎懲統計如下："));
    const std::pair<const char *, const char *> totals[] = {
        {"Citecnt", "嘉獎:"},     {"SmallMerit", "小功:"},   {"GreatMerit", "大功:"},
        {"Caution", "申誡:"},     {"SmallDemerit", "小過:"}, {"MajorDemerit", "大過:"},
        {"DateLook", "定期察看:"}};
    double left = 0;
    for (const auto &[field, caption] : totals) {
        const double width = QLatin1String(field) == QLatin1String("DateLook") ? 34 : 26;
        AddCaptionedText(SemStaticRows, left, 1, width, 5, StudentSemStatic, QLatin1String(field),
                         QString::fromUtf8(caption));
        left += width;
    }

    // The reply form, cut off along the line and brought back by the student.
    TQRBand *reply = Parts.FixedTextBand;
    reply->SetHeight(30);
    reply->AddHorLine(0, 3, 190)->SetPenColor(Qt::gray);
    reply->AddLabel(0, 6, 190, 6, QStringLiteral("*.通知書回條(本回條請貴子弟攜回,送交訓導處)"));
    lbReplyStudent = reply->AddLabel(0, 13, 190, 6, {});
    lbReplyStudent->SetName(QStringLiteral("lbReplyStudent"));
    reply->AddLabel(0, 21, 190, 6, QStringLiteral("*.請家長簽名："));

    EnvelopeBand->BeforePrint = [this](TQRBand *, bool &) {
        Parts.SetInfoLine();
        lbReplyStudent->SetCaption(GetStudentInfo());
    };
}

void TLumQrEAcadStudent_RewardNotify::OpenDetail(const QString &where, bool addDefaults) {
    GenSQLWhere->SetSQLWhere(where);
    if (addDefaults || GenSQLWhere->SQLWhere().isEmpty()) {
        GenSQLWhere->AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), YSemester());
        GenSQLWhere->BetweenDate(true, QStringLiteral("Dispatchdate"), FromDate(), ToDate());
        AddStudentsCondition();
    }
    RewardSemDetail->Close();
    RewardSemDetail->SetCommandText(QStringLiteral("Select * from vLumRewardPunishDetail Where ") +
                                    GenSQLWhere->SQLWhere());
    OpenRemote(RewardSemDetail);
}

void TLumQrEAcadStudent_RewardNotify::OpenDetail(TClientDataSet *dataSet) {
    CopyDataPacket(RewardSemDetail, dataSet);
}

void TLumQrEAcadStudent_RewardNotify::OpenSemStatic(const QString &where, bool addDefaults) {
    GenSQLWhere->SetSQLWhere(where);
    if (addDefaults || GenSQLWhere->SQLWhere().isEmpty()) {
        GenSQLWhere->AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), YSemester());
        AddStudentsCondition();
    }
    StudentSemStatic->Close();
    StudentSemStatic->SetCommandText(QStringLiteral("Select * from SemStaticStudents Where ") +
                                     GenSQLWhere->SQLWhere());
    OpenRemote(StudentSemStatic);
}

void TLumQrEAcadStudent_RewardNotify::OpenSemStatic(TClientDataSet *dataSet) {
    CopyDataPacket(StudentSemStatic, dataSet);
}

void TLumQrEAcadStudent_RewardNotify::SetEnableDetail(bool enable) {
    FEnableDetail = enable;
    DetailRows->SetEnabled(enable);
    DetailHeading->SetEnabled(enable);
}

void TLumQrEAcadStudent_RewardNotify::DoBeforePrint(bool &printReport) {
    TLumQrEAcadStudent::DoBeforePrint(printReport);
    Parts.SetPeriodLine();
}

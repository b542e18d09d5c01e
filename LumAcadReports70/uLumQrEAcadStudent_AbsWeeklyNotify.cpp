#include "uLumQrEAcadStudent_AbsWeeklyNotify.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumAbsenceWeekly.h"
#include "uLumQrElements.h"

#include <QRegularExpression>

TLumQrEAcadStudent_AbsWeeklyNotify::TLumQrEAcadStudent_AbsWeeklyNotify(QObject *owner)
    : TLumQrEAcadStudent(owner), Parts(this, QStringLiteral("於 %1 至 %2 期間缺課節數記錄如下：")) {
    SetReportTitle(QStringLiteral("學生每週缺曠課通知單"));
    st_VACID = AddCodeTable(QStringLiteral("st_VACID"), QStringLiteral("Main_Code='st_VACID'"));

    StudentAbsenceWeekly = AddRemoteDataSet(QStringLiteral("StudentAbsenceWeekly"),
                                            QStringLiteral("SrvAcademic.AcadAbsenceINTF"),
                                            QStringLiteral("cmvLumStudentAbsenceWeekly"));
    StudentAbsenceWeekly->SetIndexFieldNames(QStringLiteral("StudentID;BeginDate"));
    StudentAbsenceWeekly->SetMasterSource(ReceiverSource);
    StudentAbsenceWeekly->SetMasterFields(QStringLiteral("StudentID"));
    SetFieldLabels(StudentAbsenceWeekly,
                   {{QStringLiteral("AYear"), QStringLiteral("年")},
                    {QStringLiteral("YWeekNo"), QStringLiteral("週")},
                    {QStringLiteral("BeginDate"), QStringLiteral("起")},
                    {QStringLiteral("EndDate"), QStringLiteral("迄")},
                    {QStringLiteral("SubAbsence"), QStringLiteral("缺課小計")},
                    {QStringLiteral("SubAskFor"), QStringLiteral("請假小計")},
                    {QStringLiteral("WeekRealAbs"), QStringLiteral("週曠課")}});
    ShowWeeklyAbsence(FieldDisplays(), StudentAbsenceWeekly, st_VACID);
    BuildBands();
}

void TLumQrEAcadStudent_AbsWeeklyNotify::BuildBands() {
    EnvelopeBand->BeforePrint = [this](TQRBand *, bool &) { Parts.SetInfoLine(); };

    WeekRows = new TQRSubDetail(this, StudentAbsenceWeekly, 5.5);
    WeekRows->SetName(QStringLiteral("WeekRows"));
    WeekRows->SetReprintHeaderOnNewPage(true);
    WeekRows->Frame().Bottom = true;
    WeekRows->Frame().Width = 0.1;
    WeekHeading = WeekRows->AddHeaderBand(10);
    WeekHeading->SetName(QStringLiteral("WeekHeading"));
    WeekHeading->Frame().Top = WeekHeading->Frame().Bottom = true;

    WeekHeading->AddLabel(0, 2.5, 18, 4.5, QStringLiteral("週起始日期"))->SetAlignment(taCenter);
    WeekRows->AddDBText(0, 0.5, 18, 4.5, StudentAbsenceWeekly, QStringLiteral("BeginDate"))
        ->SetAlignment(taCenter);
    double left = AddWeekDays(WeekHeading, WeekRows, StudentAbsenceWeekly, 18, 5.5, 8, 0);
    const struct {
        double Width;
        const char *Group;
        QList<std::pair<const char *, const char *>> Cells;
    } totals[] = {
        {6, "週缺/假/曠", {{"缺", "SubAbsence"}, {"假", "SubAskFor"}, {"曠", "WeekRealAbs"}}},
        {7, "至本週累計", {{"缺課", "AccAbsence"}, {"請假", "AccAskFor"}, {"曠課", "AccRealAbs"}}}};
    for (const auto &group : totals) {
        const double width = group.Width * group.Cells.size();
        WeekHeading->AddLabel(left, 0, width, 4.5, QString::fromUtf8(group.Group))
            ->SetAlignment(taCenter);
        WeekHeading->AddHorLine(left + 0.5, 4.8, width - 1, 0.1);
        for (const auto &[heading, field] : group.Cells) {
            WeekHeading->AddLabel(left, 5, group.Width, 4.5, QString::fromUtf8(heading))
                ->SetAlignment(taCenter);
            WeekRows
                ->AddDBText(left, 0.5, group.Width, 4.5, StudentAbsenceWeekly, QLatin1String(field))
                ->SetAlignment(taCenter);
            left += group.Width;
        }
    }
    SetBandFontSize(WeekHeading, 7);
    SetBandFontSize(WeekRows, 7);

    Parts.AddFixedText({QStringLiteral("1.依據教育部學生德育成績考查辦法,曠課達45小時予以退學."),
                        QStringLiteral("2.請家長注意貴子弟之學習"),
                        QStringLiteral("3.請家長簽名：")});
}

void TLumQrEAcadStudent_AbsWeeklyNotify::OpenStudentAbsenceWeekly(const QString &where,
                                                                  bool addDefaults) {
    // A caller's text that brings the word Where itself gets it once.
    static const QRegularExpression keyword(QStringLiteral("^\\s*where\\s+"),
                                            QRegularExpression::CaseInsensitiveOption);
    GenSQLWhere->SetSQLWhere(QString(where).remove(keyword));
    if (addDefaults || GenSQLWhere->SQLWhere().isEmpty()) {
        GenSQLWhere->BetweenDate(true, QStringLiteral("BeginDate"), FromDate(), ToDate());
        AddStudentsCondition();
    }
    const QString condition = GenSQLWhere->SQLWhere();
    StudentAbsenceWeekly->Close();
    StudentAbsenceWeekly->SetCommandText(
        QStringLiteral("Select * from vLumStudentAbsenceWeekly ") +
        (condition.isEmpty() ? QString() : QStringLiteral("Where ") + condition));
    OpenRemote(StudentAbsenceWeekly);
}

void TLumQrEAcadStudent_AbsWeeklyNotify::OpenStudentAbsenceWeekly(TClientDataSet *dataSet) {
    CopyDataPacket(StudentAbsenceWeekly, dataSet);
}

void TLumQrEAcadStudent_AbsWeeklyNotify::DoBeforePrint(bool &printReport) {
    TLumQrEAcadStudent::DoBeforePrint(printReport);
    Parts.SetPeriodLine();
}

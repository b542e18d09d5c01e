#include "uLumQrHAcadClassmate_AbsWeekly.h"

#include "CodeTableCDS.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uLumAbsenceWeekly.h"
#include "uLumQrElements.h"

TLumQrHAcadClassmate_AbsWeekly::TLumQrHAcadClassmate_AbsWeekly(QObject *owner)
    : TLumQrHAcadClassmate(owner) {
    SetReportTitle(QStringLiteral("班級學生週缺曠課統計表"));
    Page().Orientation = QPageLayout::Landscape;
    st_VACID = AddCodeTable(QStringLiteral("st_VACID"), QStringLiteral("Main_Code='st_VACID'"));
    // By seat in each class, each student's weeks in order.
    AClassDetail->SetIndexFieldNames(
        QStringLiteral("Unit_ID;ClassType;NGrade;AClassName;SeatNo;StudentID;BeginDate"));
    SetFieldLabels(AClassDetail, {{QStringLiteral("SemWeekNo"), QStringLiteral("週別")},
                                  {QStringLiteral("BeginDate"), QStringLiteral("起")},
                                  {QStringLiteral("EndDate"), QStringLiteral("迄")},
                                  {QStringLiteral("SubAbsence"), QStringLiteral("缺課小計")},
                                  {QStringLiteral("SubAskFor"), QStringLiteral("請假小計")},
                                  {QStringLiteral("WeekRealAbs"), QStringLiteral("週曠課")}});
    ShowWeeklyAbsence(FieldDisplays(), AClassDetail, st_VACID);

    WeekRows = new TQRSubDetail(this, AClassDetail, 5.5);
    WeekRows->SetName(QStringLiteral("WeekRows"));
    WeekRows->SetReprintHeaderOnNewPage(true);
    WeekRows->Frame().Bottom = true;
    WeekRows->Frame().Width = 0.1;
    WeekHeading = WeekRows->AddHeaderBand(10);
    WeekHeading->SetName(QStringLiteral("WeekHeading"));
    WeekHeading->Frame().Top = WeekHeading->Frame().Bottom = true;
    const QList<TLumColumn> student{{0, 20, QStringLiteral("學 號")},
                                    {20, 20, QStringLiteral("姓 名")},
                                    {40, 9, QStringLiteral("座號")},
                                    {49, 18, QStringLiteral("週起始日期")}};
    AddHeadings(WeekHeading, student, 2.5, 4.5);
    const char *fields[] = {"StudentID", "Cht_Name", "SeatNo", "BeginDate"};
    for (int c = 0; c < student.size(); ++c)
        WeekRows
            ->AddDBText(student[c].Left + 0.5, 0.5, student[c].Width - 1, 4.5, AClassDetail,
                        QLatin1String(fields[c]))
            ->SetAlignment(c >= 2 ? taCenter : taLeftJustify);
    double left = AddWeekDays(WeekHeading, WeekRows, AClassDetail, 67, 7, 10, 0);
    const struct {
        const char *Group;
        const char *Fields[3];
    } totals[] = {{"週小計", {"SubAbsence", "SubAskFor", "WeekRealAbs"}},
                  {"累計", {"AccAbsence", "AccAskFor", "AccRealAbs"}}};
    for (const auto &group : totals) {
        WeekHeading->AddLabel(left, 0, 21, 4.5, QString::fromUtf8(group.Group))
            ->SetAlignment(taCenter);
        WeekHeading->AddHorLine(left + 0.5, 4.8, 20, 0.1);
        const char *headings[] = {"缺", "假", "曠"};
        for (int c = 0; c < 3; ++c) {
            WeekHeading->AddLabel(left, 5, 7, 4.5, QString::fromUtf8(headings[c]))
                ->SetAlignment(taCenter);
            WeekRows->AddDBText(left, 0.5, 7, 4.5, AClassDetail, QLatin1String(group.Fields[c]))
                ->SetAlignment(taCenter);
            left += 7;
        }
    }
    SetBandFontSize(WeekHeading, 7.5);
    SetBandFontSize(WeekRows, 7.5);

    PageFooter = new TQRBand(this, rbPageFooter, 10);
    PageFooter->SetName(QStringLiteral("PageFooter"));
    QRMemo_Foot = PageFooter->AddMemo(0, 2, 277, 8);
    QRMemo_Foot->SetName(QStringLiteral("QRMemo_Foot"));
    QRMemo_Foot->SetFontSize(9);
}

QString TLumQrHAcadClassmate_AbsWeekly::FootMemo() const {
    return QRMemo_Foot->Text();
}

void TLumQrHAcadClassmate_AbsWeekly::SetFootMemo(const QString &text) {
    QRMemo_Foot->SetText(text);
}

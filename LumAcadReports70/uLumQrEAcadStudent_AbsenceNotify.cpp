#include "uLumQrEAcadStudent_AbsenceNotify.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumAbsenceWeekly.h"
#include "uLumFieldDisplays.h"
#include "uLumQrElements.h"
#include "uOrvCoursesIndexCDS.h"

namespace {

const QList<TLumColumn> kRowColumns{
    {0, 24, QStringLiteral("日期")},       {24, 12, QStringLiteral("星期")},
    {36, 48, QStringLiteral("科目")},      {84, 30, QStringLiteral("節次")},
    {114, 16, QStringLiteral("缺課")},     {130, 16, QStringLiteral("遲到")},
    {146, 22, QStringLiteral("請假節數")}, {168, 22, QStringLiteral("假別")}};

} // namespace

TLumQrEAcadStudent_AbsenceNotify::TLumQrEAcadStudent_AbsenceNotify(QObject *owner)
    : TLumQrEAcadStudent(owner), Parts(this, QStringLiteral("於 %1 至 %2 期間缺課節數記錄如下：")) {
    SetReportTitle(QStringLiteral("學生缺曠課通知單"));
    st_VACID = AddCodeTable(QStringLiteral("st_VACID"), QStringLiteral("Main_Code='st_VACID'"));
    OrvCoursesIndexCDS1 = new TOrvCoursesIndexCDS(this);
    OrvCoursesIndexCDS1->SetName(QStringLiteral("OrvCoursesIndexCDS1"));
    OrvCoursesIndexCDS1->SetIndexFieldNames(QStringLiteral("CourseID"));
    OrvCoursesIndexCDS1->Open();

    AbsenceSemStatic = AddRemoteDataSet(QStringLiteral("AbsenceSemStatic"),
                                        QStringLiteral("SrvAcademic.AcadSemCoursesINTF"),
                                        QStringLiteral("cmSemStaticStudentsProvider"));
    AbsenceSemStatic->SetIndexFieldNames(QStringLiteral("StudentID"));
    AbsenceSemStatic->SetMasterSource(ReceiverSource);
    AbsenceSemStatic->SetMasterFields(QStringLiteral("StudentID"));
    SetFieldLabels(AbsenceSemStatic, {{QStringLiteral("Absence"), QStringLiteral("缺課節數")},
                                      {QStringLiteral("Truancy"), QStringLiteral("曠課節數")},
                                      {QStringLiteral("AbsLate"), QStringLiteral("遲到節數")},
                                      {QStringLiteral("AskFor"), QStringLiteral("事假節數")},
                                      {QStringLiteral("AskFor_Sick"), QStringLiteral("病假節數")},
                                      {QStringLiteral("AskFor_Pub"), QStringLiteral("公假節數")},
                                      {QStringLiteral("AskFor_Other"), QStringLiteral("其他假")}});

    AbsenceDetail = AddRemoteDataSet(QStringLiteral("AbsenceDetail"),
                                     QStringLiteral("SrvAcademic.AcadAbsenceINTF"),
                                     QStringLiteral("cmvLumStudentAbsenceDetailProvider"));
    AbsenceDetail->SetIndexFieldNames(QStringLiteral("StudentID;AbsenceDate"));
    // Each letter's rows are its student's (the student's term totals need not exist yet).
    AbsenceDetail->SetMasterSource(ReceiverSource);
    AbsenceDetail->SetMasterFields(QStringLiteral("StudentID"));
    SetFieldLabels(AbsenceDetail, {{QStringLiteral("AbsenceNo"), QStringLiteral("單號")},
                                   {QStringLiteral("AbsenceDate"), QStringLiteral("點名日期")},
                                   {QStringLiteral("Week"), QStringLiteral("星期")},
                                   {QStringLiteral("CourseID"), QStringLiteral("科目")},
                                   {QStringLiteral("SecAbsence"), QStringLiteral("缺課")},
                                   {QStringLiteral("SecLate"), QStringLiteral("遲到")},
                                   {QStringLiteral("SecVAC"), QStringLiteral("請假節數")},
                                   {QStringLiteral("VAC_ID"), QStringLiteral("假別")},
                                   {QStringLiteral("ASectionList"), QStringLiteral("節次")}});
    FieldDisplays()->Setup(AbsenceDetail, QStringLiteral("YSemester"),
                           [](TField *field) { field->SetVisible(false); });
    // The leave type "*" (no leave) prints empty, any other code by its description.
    FieldDisplays()->Setup(AbsenceDetail, QStringLiteral("VAC_ID"), [this](TField *field) {
        field->OnGetText = [this](TField *f, QString &text, bool) {
            const QString code = f->AsString().trimmed();
            text = code == QLatin1String("*") ? QString() : CodeTableText(st_VACID, code);
        };
    });
    // The day of the week by its name: 1 is Sunday "日", 2 Monday "一", ...
    FieldDisplays()->Setup(AbsenceDetail, QStringLiteral("Week"), [](TField *field) {
        field->OnGetText = [](TField *f, QString &text, bool) {
            bool number = false;
            const int day = f->AsString().trimmed().toInt(&number);
            text = number && day >= 1 && day <= 7 ? WeekDayName(day) : f->AsString();
        };
    });
    FieldDisplays()->Setup(AbsenceDetail, QStringLiteral("CourseID"), [this](TField *field) {
        field->SetLookupDataSet(FCourseIndex);
        field->SetLookupKeyFields(QStringLiteral("CourseID"));
        field->SetLookupResultField(QStringLiteral("CourseName"));
        field->OnGetText = [](TField *f, QString &text, bool) { LookUpFieldText(f, text); };
    });
    BuildBands();
    SetLink(FCourseIndex, static_cast<TDataSet *>(OrvCoursesIndexCDS1));
}

void TLumQrEAcadStudent_AbsenceNotify::BuildBands() {
    EnvelopeBand->BeforePrint = [this](TQRBand *, bool &) { Parts.SetInfoLine(); };

    DetailRows = new TQRSubDetail(this, AbsenceDetail, 6);
    DetailRows->SetName(QStringLiteral("DetailRows"));
    DetailRows->SetReprintHeaderOnNewPage(true);
    const char *fields[] = {"AbsenceDate", "Week",    "CourseID", "ASectionList",
                            "SecAbsence",  "SecLate", "SecVAC",   "VAC_ID"};
    for (int c = 0; c < kRowColumns.size(); ++c) {
        const TLumColumn &column = kRowColumns[c];
        TQRDBText *text = DetailRows->AddDBText(column.Left + 1, 0.5, column.Width - 2, 5,
                                                AbsenceDetail, QLatin1String(fields[c]));
        text->SetAlignment(c >= 4 && c <= 6 ? taRightJustify : taLeftJustify);
    }
    DetailHeading = DetailRows->AddHeaderBand(7);
    DetailHeading->SetName(QStringLiteral("DetailHeading"));
    DetailHeading->Frame().Bottom = true;
    AddHeadings(DetailHeading, kRowColumns, 1, 5);

    SubTotalBand = DetailRows->AddFooterBand(8);
    SubTotalBand->SetName(QStringLiteral("SubTotalBand"));
    SubTotalBand->Frame().Top = true;
    SubTotalBand->AddLabel(kRowColumns[2].Left + 1, 1.5, 30, 5, QStringLiteral("小計"));
    const char *sums[] = {"SecAbsence", "SecLate", "SecVAC"};
    for (int c = 0; c < 3; ++c) {
        const TLumColumn &column = kRowColumns[4 + c];
        TQRExpr *sum = SubTotalBand->AddExpr(column.Left + 1, 1.5, column.Width - 2, 5, qaSum,
                                             QLatin1String(sums[c]));
        sum->SetDisplayFormat(QStringLiteral("0"));
        sum->SetAlignment(taRightJustify);
    }
    const TLumColumn &last = kRowColumns.last();
    TQRExpr *truancy = SubTotalBand->AddExpr(last.Left + 1, 1.5, last.Width - 1, 5, qaSum);
    truancy->SetName(QStringLiteral("qrTruancy"));
    truancy->ValueFunction = [this] {
        return AbsenceDetail->FieldByName(QStringLiteral("SecAbsence"))->AsFloat() -
               AbsenceDetail->FieldByName(QStringLiteral("SecVAC"))->AsFloat();
    };
    truancy->SetDisplayFormat(QStringLiteral("0"));
    truancy->OnPrint = [](TQRCustomLabel *, QString &text) {
        text = QStringLiteral("曠課:") + text;
    };

    SemStaticRows = new TQRSubDetail(this, AbsenceSemStatic, 7);
    SemStaticRows->SetName(QStringLiteral("SemStaticRows"));
    SemStaticHeading = SemStaticRows->AddHeaderBand(8);
    SemStaticHeading->SetName(QStringLiteral("SemStaticHeading"));
    SemStaticHeading->AddLabel(0, 2, 190, 6, QStringLiteral("本學期缺課與請假節數累計如下："));
    const std::pair<const char *, const char *> totals[] = {
        {"Absence", "缺課:"},     {"AbsLate", "遲到:"},    {"AskFor", "事假:"},
        {"AskFor_Sick", "病假:"}, {"AskFor_Pub", "公假:"}, {"AskFor_Other", "其他假:"},
        {"Truancy", "曠課:"}};
    double left = 0;
    for (const auto &[field, caption] : totals) {
        AddCaptionedText(SemStaticRows, left, 1, 27, 5, AbsenceSemStatic, QLatin1String(field),
                         QString::fromUtf8(caption));
        left += 27;
    }

    Parts.AddFixedText({QStringLiteral("1.依據教育部學生德育成績考查辦法,曠課達45小時予以退學."),
                        QStringLiteral("2.請家長注意貴子弟之學習"),
                        QStringLiteral("3.請家長簽名：")});
}

void TLumQrEAcadStudent_AbsenceNotify::OpenDetail(const QString &where, bool addDefaults) {
    GenSQLWhere->SetSQLWhere(where);
    if (addDefaults || GenSQLWhere->SQLWhere().isEmpty()) {
        GenSQLWhere->AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), YSemester());
        GenSQLWhere->BetweenDate(true, QStringLiteral("AbsenceDate"), FromDate(), ToDate());
        AddStudentsCondition();
    }
    AbsenceDetail->Close();
    AbsenceDetail->SetCommandText(QStringLiteral("Select * from vLumStudentAbsenceDetail Where ") +
                                  GenSQLWhere->SQLWhere());
    OpenRemote(AbsenceDetail);
}

void TLumQrEAcadStudent_AbsenceNotify::OpenDetail(TClientDataSet *dataSet) {
    CopyDataPacket(AbsenceDetail, dataSet);
}

void TLumQrEAcadStudent_AbsenceNotify::OpenSemStatic(const QString &where, bool addDefaults) {
    GenSQLWhere->SetSQLWhere(where);
    if (addDefaults || GenSQLWhere->SQLWhere().isEmpty()) {
        GenSQLWhere->AsString(true, QStringLiteral("YSemester"), QStringLiteral("="), YSemester());
        AddStudentsCondition();
    }
    AbsenceSemStatic->Close();
    AbsenceSemStatic->SetCommandText(QStringLiteral("Select * from SemStaticStudents Where ") +
                                     GenSQLWhere->SQLWhere());
    OpenRemote(AbsenceSemStatic);
}

void TLumQrEAcadStudent_AbsenceNotify::OpenSemStatic(TClientDataSet *dataSet) {
    CopyDataPacket(AbsenceSemStatic, dataSet);
}

void TLumQrEAcadStudent_AbsenceNotify::SetEnableDetail(bool enable) {
    FEnableDetail = enable;
    DetailRows->SetEnabled(enable);
    DetailHeading->SetEnabled(enable);
}

void TLumQrEAcadStudent_AbsenceNotify::SetCourseIndex(TDataSet *courseIndex) {
    SetLink(FCourseIndex, courseIndex);
    FieldDisplays()->Apply(AbsenceDetail);
}

void TLumQrEAcadStudent_AbsenceNotify::Notification(TComponentBase *component,
                                                    TOperation operation) {
    if (operation == TOperation::opRemove && component == FCourseIndex) {
        FCourseIndex = nullptr;
        if (!IsDestroying())
            FieldDisplays()->Apply(AbsenceDetail);
    }
    TLumQrEAcadStudent::Notification(component, operation);
}

void TLumQrEAcadStudent_AbsenceNotify::DoBeforePrint(bool &printReport) {
    TLumQrEAcadStudent::DoBeforePrint(printReport);
    Parts.SetPeriodLine();
}

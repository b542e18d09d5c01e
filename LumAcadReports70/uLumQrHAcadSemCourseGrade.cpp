#include "uLumQrHAcadSemCourseGrade.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumFieldDisplays.h"

TLumQrHAcadSemCourseGrade::TLumQrHAcadSemCourseGrade(QObject *owner) : TLumQrHAcadSemCourse(owner) {
    SetReportTitle(QStringLiteral("科目修課學生"));
    st_ENmType =
        AddCodeTable(QStringLiteral("st_ENmType"), QStringLiteral("Main_Code='st_ENmType'"));
    st_Enter = AddCodeTable(QStringLiteral("st_Enter"), QStringLiteral("Main_Code='st_Enter'"));

    SemGradeDetail = AddRemoteDataSet(QStringLiteral("SemGradeDetail"),
                                      QStringLiteral("SrvAcademic.AcadSemCoursesINTF"),
                                      QStringLiteral("cmvLumSemGradeBySTDProvider"));
    SemGradeDetail->SetIndexFieldNames(QStringLiteral("SemCourseID;StudentID"));
    SemGradeDetail->SetMasterSource(SemCoursesSource);
    SemGradeDetail->SetMasterFields(QStringLiteral("SemCourseID"));
    SetFieldLabels(SemGradeDetail,
                   {{QStringLiteral("StudentID"), QStringLiteral("學生")},
                    {QStringLiteral("Cht_Name"), QStringLiteral("姓名")},
                    {QStringLiteral("SeatNo"), QStringLiteral("座位")},
                    {QStringLiteral("EnterNormalType"), QStringLiteral("身心障礙")},
                    {QStringLiteral("EnterType"), QStringLiteral("入學方式")},
                    {QStringLiteral("ComResults"), QStringLiteral("平時成績")},
                    {QStringLiteral("MidResults"), QStringLiteral("期中成績")},
                    {QStringLiteral("EndResults"), QStringLiteral("期末成績")},
                    {QStringLiteral("SemResults"), QStringLiteral("學期成績")},
                    {QStringLiteral("SemResultsTime"), QStringLiteral("學期成績登錄時間")},
                    {QStringLiteral("Absence"), QStringLiteral("缺課節數")},
                    {QStringLiteral("AbsLate"), QStringLiteral("遲到節數")},
                    {QStringLiteral("AskFor"), QStringLiteral("請假時數")}});
    ShowCodeText(SemGradeDetail, QStringLiteral("EnterNormalType"), st_ENmType);
    ShowCodeText(SemGradeDetail, QStringLiteral("EnterType"), st_Enter);
    ShowCodeText(SemGradeDetail, QStringLiteral("Unit_ID"), NUNT);
    // A grade below 0 has not been entered: it prints empty.
    for (const char *grade : {"ComResults", "MidResults", "EndResults", "SemResults"})
        FieldDisplays()->Setup(SemGradeDetail, QLatin1String(grade), [](TField *field) {
            field->OnGetText = [](TField *f, QString &text, bool) {
                text = f->IsNull() || f->AsFloat() < 0 ? QString() : f->AsString();
            };
        });

    StudentRows = new TQRSubDetail(this, SemGradeDetail, 6.5);
    StudentRows->SetName(QStringLiteral("StudentRows"));
    StudentRows->SetReprintHeaderOnNewPage(true);
    StudentRows->Frame().Bottom = true;
    StudentRows->Frame().Width = 0.1;
    StudentHeading = StudentRows->AddHeaderBand(10);
    StudentHeading->SetName(QStringLiteral("StudentHeading"));
    StudentHeading->Frame().Top = StudentHeading->Frame().Bottom = true;
    AddStudentColumn({0, 22, QStringLiteral("學 號")}, QStringLiteral("StudentID"));
    AddStudentColumn({22, 25, QStringLiteral("姓 名")}, QStringLiteral("Cht_Name"));
    AddStudentColumn({47, 10, QStringLiteral("座位")}, QStringLiteral("SeatNo"));

    StudentFooter = StudentRows->AddFooterBand(8);
    StudentFooter->SetName(QStringLiteral("StudentFooter"));
    StudentFooter->AddLabel(0, 1.5, 24, 6, QStringLiteral("學生合計："));
    qrStudentCount = StudentFooter->AddExpr(24, 1.5, 30, 6, qaCount);
    qrStudentCount->SetName(QStringLiteral("qrStudentCount"));
    qrStudentCount->SetDisplayFormat(QStringLiteral("0 人"));

    PageFooter = new TQRBand(this, rbPageFooter, 8);
    PageFooter->SetName(QStringLiteral("PageFooter"));
    moFooter = PageFooter->AddMemo(0, 2, 190, 5);
    moFooter->SetName(QStringLiteral("moFooter"));
    moFooter->SetFontSize(9);
}

TQRDBText *TLumQrHAcadSemCourseGrade::AddStudentColumn(const TLumColumn &column,
                                                       const QString &field, TQRLabel **heading) {
    FColumns << column;
    TQRLabel *label = AddHeadings(StudentHeading, {column}, 2.5, 5).front();
    if (heading)
        *heading = label;
    if (field.isEmpty())
        return nullptr;
    return StudentRows->AddDBText(column.Left + 1, 0.8, column.Width - 2, 5, SemGradeDetail, field);
}

void TLumQrHAcadSemCourseGrade::FinishStudentGrid() {
    AddColumnRules(StudentRows, FColumns);
    AddColumnRules(StudentHeading, FColumns);
}

TQRBand *TLumQrHAcadSemCourseGrade::AddTeacherFooter() {
    TQRBand *footer = CourseHeader->AddFooterBand(14);
    footer->SetName(QStringLiteral("TeacherFooter"));
    footer->AddLabel(0, 6, 190, 6, QStringLiteral("教師簽章：                       年  月   日"));
    return footer;
}

void TLumQrHAcadSemCourseGrade::OpenSemGrade(const QString &where, bool addDefaults) {
    SemGradeDetail->Close();
    GenSQLWhere->SetSQLWhere(where);
    if ((addDefaults || GenSQLWhere->SQLWhere().isEmpty()) && SemCoursesDataSet->Active() &&
        SemCoursesDataSet->FindField(QStringLiteral("SemCourseID")))
        GenSQLWhere->InDataSet(true, QStringLiteral("SemCourseID"), SemCoursesDataSet,
                               QStringLiteral("SemCourseID"));
    // No courses and no condition: nobody, rather than a statement that ends in "Where".
    const QString condition = GenSQLWhere->SQLWhere().isEmpty()
                                  ? QStringLiteral("SemCourseID is Null")
                                  : GenSQLWhere->SQLWhere();
    SemGradeDetail->SetCommandText(QStringLiteral("Select * From vLumSemGradeBySTD Where ") +
                                   condition);
    OpenRemote(SemGradeDetail);
}

void TLumQrHAcadSemCourseGrade::OpenSemGrade(TClientDataSet *dataSet) {
    CopyDataPacket(SemGradeDetail, dataSet);
}

QString TLumQrHAcadSemCourseGrade::SemGradeIndexFields() const {
    return SemGradeDetail->IndexFieldNames();
}

void TLumQrHAcadSemCourseGrade::SetSemGradeIndexFields(const QString &names) {
    const QString order = names.trimmed();
    SemGradeDetail->SetIndexFieldNames(order.isEmpty() ? QStringLiteral("SemCourseID")
                                                       : QStringLiteral("SemCourseID;") + order);
}

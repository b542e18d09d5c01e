#include "uLumQrHAcadSemCourse.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uLumFieldDisplays.h"
#include "uOrvCoursesIndexCDS.h"

TLumQrHAcadSemCourse::TLumQrHAcadSemCourse(QObject *owner) : TLumQrHAcad(owner) {
    SetReportTitle(QStringLiteral("科目"));
    NUNT = AddCodeTable(QStringLiteral("NUNT"), QStringLiteral("Main_Code='NUNT'"));
    st_CLASS = AddCodeTable(QStringLiteral("st_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    st_ClassName =
        AddCodeTable(QStringLiteral("st_ClassName"), QStringLiteral("Main_Code='st_ClassName'"));
    cs_CHOOSE = AddCodeTable(QStringLiteral("cs_CHOOSE"), QStringLiteral("Main_Code='cs_CHOOSE'"));
    OrvCoursesIndexCDS1 = new TOrvCoursesIndexCDS(this);
    OrvCoursesIndexCDS1->SetName(QStringLiteral("OrvCoursesIndexCDS1"));
    OrvCoursesIndexCDS1->SetIndexFieldNames(QStringLiteral("CourseID"));
    OrvCoursesIndexCDS1->Open();

    SemCoursesDataSet = AddRemoteDataSet(QStringLiteral("SemCoursesDataSet"),
                                         QStringLiteral("SrvAcademic.AcadSemCoursesINTF"),
                                         QStringLiteral("cmvTqSemCoursesProvider"));
    SemCoursesDataSet->SetCommandText(
        QStringLiteral("Select * From vTqSemCourses Where SemCourseID is Null"));
    SemCoursesDataSet->SetIndexFieldNames(QStringLiteral("Unit_ID;ClassType;CourseID"));
    // The course's name from the course index, a field of its own beside the packet's.
    TField *name =
        SemCoursesDataSet->AddField(ftString, QStringLiteral("lkCourseName"), 60, fkLookup);
    name->SetKeyFields(QStringLiteral("CourseID"));
    name->SetLookupKeyFields(QStringLiteral("CourseID"));
    name->SetLookupResultField(QStringLiteral("CourseName"));
    name->SetDisplayLabel(QStringLiteral("科目名稱"));
    SemCoursesSource = new TDataSource(this);
    SemCoursesSource->SetName(QStringLiteral("SemCoursesSource"));
    SemCoursesSource->SetDataSet(SemCoursesDataSet);
    SetDataSet(SemCoursesDataSet);

    SetFieldLabels(SemCoursesDataSet,
                   {{QStringLiteral("SemCourseID"), QStringLiteral("學期科目編號")},
                    {QStringLiteral("YSemester"), QStringLiteral("開課學年學期")},
                    {QStringLiteral("Unit_ID"), QStringLiteral("開課系所")},
                    {QStringLiteral("CourseID"), QStringLiteral("科目")},
                    {QStringLiteral("CourseSEQNo"), QStringLiteral("班次")},
                    {QStringLiteral("FitUnitID"), QStringLiteral("適用系所")},
                    {QStringLiteral("ClassType"), QStringLiteral("適用修業別")},
                    {QStringLiteral("Grade"), QStringLiteral("適用年級")},
                    {QStringLiteral("AClassName"), QStringLiteral("適用班級")},
                    {QStringLiteral("Choose"), QStringLiteral("選課別")},
                    {QStringLiteral("Credit"), QStringLiteral("學分數")},
                    {QStringLiteral("TimeRoomList"), QStringLiteral("上課教室,時間")},
                    {QStringLiteral("TeacherList"), QStringLiteral("授課教師列表")}});
    ShowCodeText(SemCoursesDataSet, QStringLiteral("Unit_ID"), NUNT);
    ShowCodeText(SemCoursesDataSet, QStringLiteral("FitUnitID"), NUNT);
    ShowCodeText(SemCoursesDataSet, QStringLiteral("ClassType"), st_CLASS);
    ShowCodeText(SemCoursesDataSet, QStringLiteral("AClassName"), st_ClassName);
    ShowCodeText(SemCoursesDataSet, QStringLiteral("Choose"), cs_CHOOSE);
    BuildHeader();
    SetCourseIndex(OrvCoursesIndexCDS1);
}

void TLumQrHAcadSemCourse::BuildHeader() {
    CourseHeader = new TQRGroup(this, {}, 27);
    CourseHeader->SetName(QStringLiteral("CourseHeader"));
    // Every course is a group of its own, from a new page, its header on each of its pages.
    CourseHeader->GroupValue = [](TDataSet *, int position) { return Variant(position); };
    CourseHeader->SetForceNewPage(true);
    CourseHeader->SetReprintOnNewPage(true);
    CourseHeader->Frame().Bottom = true;
    struct TItem {
        double Left, Top, CaptionWidth, Width;
        const char *Caption;
        const char *Field;
    };
    const TItem items[] = {
        {0, 1, 12, 44, "課號：", "SemCourseID"},
        {58, 1, 12, 56, "課名：", "lkCourseName"},
        {128, 1, 12, 50, "學分：", "Credit"},
        {0, 7.5, 16, 40, "選課別：", "Choose"},
        {58, 7.5, 12, 56, "班次：", "CourseSEQNo"},
        {128, 7.5, 12, 50, "教師：", "TeacherList"},
        {0, 14, 12, 44, "科系：", "Unit_ID"},
        {58, 14, 20, 48, "修業類別：", "ClassType"},
        {128, 14, 12, 50, "編號：", "CourseID"},
        {0, 20.5, 12, 44, "年級：", "Grade"},
        {58, 20.5, 12, 56, "班別：", "AClassName"},
        {128, 20.5, 20, 42, "教室節次：", "TimeRoomList"},
    };
    for (const TItem &item : items) {
        TQRLabel *caption = CourseHeader->AddLabel(item.Left, item.Top, item.CaptionWidth, 6,
                                                   QString::fromUtf8(item.Caption));
        TQRDBText *text =
            CourseHeader->AddDBText(item.Left + item.CaptionWidth, item.Top, item.Width, 6,
                                    SemCoursesDataSet, QLatin1String(item.Field));
        if (QLatin1String(item.Field) == QLatin1String("Grade")) {
            lbGrade = caption;
            qrGrade = text;
        } else if (QLatin1String(item.Field) == QLatin1String("AClassName")) {
            lbClass = caption;
            qrAClassName = text;
        }
    }
}

TClientDataSet *TLumQrHAcadSemCourse::GetMasterDataSet() {
    return SemCoursesDataSet;
}

void TLumQrHAcadSemCourse::DoMasterCommand() {
    TLumQrHAcad::DoMasterCommand();
    SemCoursesDataSet->SetCommandText(QStringLiteral("Select * From vTqSemCourses Where ") +
                                      TermCondition(WhereMaster()));
}

void TLumQrHAcadSemCourse::SetEnableFit(bool enable) {
    FEnableFit = enable;
    for (TQRPrintable *element :
         std::initializer_list<TQRPrintable *>{lbGrade, qrGrade, lbClass, qrAClassName})
        element->SetEnabled(enable);
}

void TLumQrHAcadSemCourse::SetCourseIndex(TDataSet *courseIndex) {
    SetLink(FCourseIndex, courseIndex);
    SemCoursesDataSet->FieldByName(QStringLiteral("lkCourseName"))->SetLookupDataSet(courseIndex);
}

void TLumQrHAcadSemCourse::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove && component == FCourseIndex) {
        FCourseIndex = nullptr;
        if (TField *name = SemCoursesDataSet->FindField(QStringLiteral("lkCourseName")))
            name->SetLookupDataSet(nullptr);
    }
    TLumQrHAcad::Notification(component, operation);
}

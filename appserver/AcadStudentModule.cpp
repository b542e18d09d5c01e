#include "AcadStudentModule.h"

namespace {

QString BasicSelect() {
    return QStringLiteral("SELECT StudentID, Cht_Name, Sex, ClassID, SeatNo, State, Birthday, "
                          "IDNo, Address, EditInfo FROM StdOnSchool");
}

QList<TProviderField> BasicFields() {
    return {
        {QStringLiteral("StudentID"), ftString, 10}, {QStringLiteral("Cht_Name"), ftString, 40},
        {QStringLiteral("Sex"), ftString, 1},        {QStringLiteral("ClassID"), ftString, 10},
        {QStringLiteral("SeatNo"), ftInteger, 0},    {QStringLiteral("State"), ftString, 2},
        {QStringLiteral("Birthday"), ftDate, 0},     {QStringLiteral("IDNo"), ftString, 10},
        {QStringLiteral("Address"), ftString, 80},   {QStringLiteral("EditInfo"), ftString, 255}};
}

TProviderDef IndexProvider() {
    return {
        QStringLiteral("xStdOnSchoolIdxProvider"),
        QStringLiteral("SELECT s.StudentID, s.Cht_Name, s.Sex, x.Descript AS SexName, s.ClassID, "
                       "c.Descript AS ClassName, s.SeatNo, s.State, t.Descript AS StateName "
                       "FROM StdOnSchool s "
                       "LEFT JOIN CodeTable x ON x.Main_Code = 'NSEX' AND x.Code = s.Sex "
                       "LEFT JOIN CodeTable c ON c.Main_Code = 'st_CLASS' AND c.Code = s.ClassID "
                       "LEFT JOIN CodeTable t ON t.Main_Code = 'st_State' AND t.Code = s.State "
                       "ORDER BY s.ClassID, s.SeatNo, s.StudentID"),
        QStringLiteral("StdOnSchool"),
        {QStringLiteral("StudentID")},
        {},
        {{QStringLiteral("StudentID"), ftString, 10},
         {QStringLiteral("Cht_Name"), ftString, 40},
         {QStringLiteral("Sex"), ftString, 1},
         {QStringLiteral("SexName"), ftString, 120},
         {QStringLiteral("ClassID"), ftString, 10},
         {QStringLiteral("ClassName"), ftString, 120},
         {QStringLiteral("SeatNo"), ftInteger, 0},
         {QStringLiteral("State"), ftString, 2},
         {QStringLiteral("StateName"), ftString, 120}},
        true};
}

TProviderDef BasicProvider() {
    return {QStringLiteral("dspStdBasic"),
            BasicSelect() + QStringLiteral(" ORDER BY ClassID, SeatNo, StudentID"),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {},
            BasicFields(),
            false};
}

TProviderDef BasicByNoProvider() {
    return {QStringLiteral("dspStdBasicByNo"),
            BasicSelect() + QStringLiteral(" WHERE StudentID = :No"),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {QStringLiteral("No")},
            BasicFields(),
            false};
}

} // namespace

TAcadStudentModule::TAcadStudentModule(const TServerContext &context)
    : TServerModule(context, {IndexProvider(), BasicProvider(), BasicByNoProvider()}) {}

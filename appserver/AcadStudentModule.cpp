#include "AcadStudentModule.h"

TAcadStudentModule::TAcadStudentModule(const TServerContext &context)
    : TServerModule(
          context, {{QStringLiteral("xStdOnSchoolIdxProvider"),
                     QStringLiteral(
                         "SELECT s.StudentID, s.Cht_Name, s.Sex, x.Descript AS SexName, s.ClassID, "
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
                     true}}) {}

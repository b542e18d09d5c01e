#include "AcadSemCoursesModule.h"

#include "AcadViewFields.h"

TAcadSemCoursesModule::TAcadSemCoursesModule(const TServerContext &context)
    : TServerModule(context,
                    {ReadOnlyProvider(
                         QStringLiteral("cmvTqSemCoursesProvider"), QStringLiteral("vTqSemCourses"),
                         SemCoursesFields(), {QStringLiteral("SemCourseID")},
                         QStringLiteral("YSemester, Unit_ID, ClassType, CourseID, SemCourseID")),
                     ReadOnlyProvider(QStringLiteral("cmvLumSemGradeBySTDProvider"),
                                      QStringLiteral("vLumSemGradeBySTD"), SemGradeFields(),
                                      {QStringLiteral("SemCourseID"), QStringLiteral("StudentID")},
                                      QStringLiteral("SemCourseID, StudentID")),
                     ReadOnlyProvider(QStringLiteral("cmSemStaticStudentsProvider"),
                                      QStringLiteral("SemStaticStudents"), SemStaticFields(),
                                      {QStringLiteral("YSemester"), QStringLiteral("StudentID")},
                                      QStringLiteral("YSemester, StudentID"))}) {}

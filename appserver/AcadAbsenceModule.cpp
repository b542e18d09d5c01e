#include "AcadAbsenceModule.h"

#include "AcadViewFields.h"

namespace {
QStringList WeekKeys() {
    return {QStringLiteral("YSemester"), QStringLiteral("StudentID"), QStringLiteral("BeginDate")};
}
} // namespace

TAcadAbsenceModule::TAcadAbsenceModule(const TServerContext &context)
    : TServerModule(
          context,
          {ReadOnlyProvider(QStringLiteral("cmvLumStudentAbsenceDetailProvider"),
                            QStringLiteral("vLumStudentAbsenceDetail"), AbsenceDetailFields(),
                            {QStringLiteral("StudentID"), QStringLiteral("AbsenceDate"),
                             QStringLiteral("SemCourseID")},
                            QStringLiteral("StudentID, AbsenceDate, SemCourseID")),
           ReadOnlyProvider(QStringLiteral("cmvLumStudentAbsenceWeekly"),
                            QStringLiteral("vLumStudentAbsenceWeekly"), AbsenceWeeklyFields(),
                            WeekKeys(), QStringLiteral("StudentID, BeginDate, YSemester")),
           ReadOnlyProvider(QStringLiteral("cmvLumClassAbsenceWeeklyProvider"),
                            QStringLiteral("vLumStudentAbsenceWeekly"), AbsenceWeeklyFields(),
                            WeekKeys(),
                            QStringLiteral("Unit_ID, ClassType, NGrade, AClassName, SeatNo, "
                                           "StudentID, BeginDate"))}) {}

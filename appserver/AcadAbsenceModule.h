#pragma once
// "SrvAcademic.AcadAbsenceINTF": the roll call, day by day and week by week. All read-only;
// clients usually send their own statement over the view.
//
// - "cmvLumStudentAbsenceDetailProvider": vLumStudentAbsenceDetail, by student, day and course.
// - "cmvLumStudentAbsenceWeekly": vLumStudentAbsenceWeekly, by student and week (the weekly
//   notices to families).
// - "cmvLumClassAbsenceWeeklyProvider": the same weeks by department, class, seat and week (the
//   weekly statistics of a class).

#include "ServerModule.h"

class TAcadAbsenceModule : public TServerModule {
public:
    explicit TAcadAbsenceModule(const TServerContext &context);
};

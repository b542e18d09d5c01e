#pragma once
// "SrvAcademic.AcadRewardConductINTF": the rewards and punishments of the students.
//
// - "cmvRewardPunishDetailProvider": vLumRewardPunishDetail, every reward and punishment with
//   its student, approved or not (Verify) and posted or not (TranYN), by student and date of
//   dispatch. Read-only; clients usually send their own statement over the view. The term
//   totals of the approved and posted ones are SemStaticStudents ("cmSemStaticStudentsProvider"
//   of "SrvAcademic.AcadSemCoursesINTF").

#include "ServerModule.h"

class TAcadRewardConductModule : public TServerModule {
public:
    explicit TAcadRewardConductModule(const TServerContext &context);
};

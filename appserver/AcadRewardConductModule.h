#pragma once
// "SrvAcademic.AcadRewardConductINTF": the rewards and punishments of the students.
//
// - "cmvRewardPunishDetailProvider": vLumRewardPunishDetail, every reward and punishment with
//   its student, approved or not (Verify) and posted or not (TranYN), by student and date of
//   dispatch. Read-only; clients usually send their own statement over the view. The term
//   totals of the approved and posted ones are SemStaticStudents ("cmSemStaticStudentsProvider"
//   of "SrvAcademic.AcadSemCoursesINTF").
// - "edRewardPunishProvider" (a proposal with its students) and "RewardByStudentProvider" (a
//   student's terms and rewards, for the certificates): AcadStudyRewardProviders.h.

#include "ServerModule.h"

class TAcadRewardConductModule : public TServerModule {
public:
    explicit TAcadRewardConductModule(const TServerContext &context);
};

#pragma once
// What the demo school adds to its roll and its rewards for the study-programme and reward
// documents: each student follows the programme of the department and year the student
// entered; the students of the earlier terms have their conduct marks; the rewards and
// punishments proposed on one day by one unit form one proposal (RewardBills) of rewards or
// of punishments; those dispatched on one day share the dispatch number of that day's notice,
// and the approved ones were checked by the office when dispatched (those of the last day not
// yet).

#include "DemoCurriculum.h"

void FillDemoStudyRewards(TServerDatabase &db, const TDemoTerm &term);

#pragma once
// The providers of the study-programme and reward documents.
//
// On "SrvAcademic.AcadRewardConductINTF":
// - "edRewardPunishProvider": the proposal of parameter "RewardNo" (RewardBills: RewardNo,
//   YSemester, Unit_ID, SuggestName, SuggestDate, Reworpun) with its students in the nested
//   field "Detail" (RewardNo, StudentID, Uint_ID the student's department, NGrade, Cht_Name,
//   OriginType, Origin, Kind, RepuCnt, Basis), by student number.
// - "RewardByStudentProvider": the student of parameter "StudentID" (the fields of vStudentAll)
//   with the term totals in "StudentSemStatic" (SemStaticStudents: conduct, rewards,
//   punishments, leave and absence of each term) and the approved and posted rewards and
//   punishments in "StudentPunishDetail" (vLumRewardPunishDetail), by term.
// On "SrvAcademic.AcadCourseINTF":
// - "cmvLumStudentStudyInfoProvider": vLumStudentStudyInfo, the students of every programme
//   with their class; clients send " Select * from vLumStudentStudyInfo Where StudyID= :StudyID".
// - the students of a programme, the nested "StudyStudents" of "edStudyInfo2DProvider".
// All of them read only.

#include "ProviderHost.h"

TProviderDef RewardBillProvider();
TProviderDef RewardByStudentProvider();
TProviderDef StudentStudyInfoProvider();
TProviderDetail StudyStudentsDetail();

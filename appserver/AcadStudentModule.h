#pragma once
// "SrvAcademic.AcadStudentINTF": the students on the school roll.
//
// - "xStdOnSchoolIdxProvider": the index by class and seat (StudentID, Cht_Name, Sex, SexName,
//   ClassID, ClassName, SeatNo, State, StateName), the codes described through the code table
//   (categories "NSEX", "st_CLASS", "st_State"). Read-only for clients.
// - "dspStdBasic": the basic data of every student, by class, seat and number (StudentID,
//   Cht_Name, Sex, ClassID, SeatNo, State, Birthday, IDNo, Address, EditInfo).
// - "dspStdBasicByNo": the same fields of the one student whose StudentID is parameter "No".
//
// The basic-data providers take changes: edits, new students and deletions go to StdOnSchool
// by StudentID.

#include "ServerModule.h"

class TAcadStudentModule : public TServerModule {
public:
    explicit TAcadStudentModule(const TServerContext &context);
};

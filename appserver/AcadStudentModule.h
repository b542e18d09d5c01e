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
// - "cmvStudentAllProvider": vStudentAll, every student with the person, class, family and
//   address (the letters to families and the documents about one student send their own
//   statement: "Select * from vStudentAll Where ...").
// - "vStudentIdxProvider": the student index over vStudentAll (ID, StudentID, Cht_Name, Sex,
//   Unit_ID, ClassType, NGrade, AClassName, SeatNo, State), by student number.
// - "xClassTypeDefProvider": the classes (ClassType, ClassTypeName, Unit_ID, UnitName, NGrade,
//   AClassName, AClassDesc, Tutor, TutorName, Room, StudentCount: the students in school), by
//   class.
//
// The basic-data providers take changes: edits, new students and deletions go to StdOnSchool
// by StudentID. The others are read-only.

#include "ServerModule.h"

class TAcadStudentModule : public TServerModule {
public:
    explicit TAcadStudentModule(const TServerContext &context);
};

#pragma once
// "SrvAcademic.AcadStudentINTF": the students on the school roll. Provider
// "xStdOnSchoolIdxProvider" (by class and seat: StudentID, Cht_Name, Sex, SexName, ClassID,
// ClassName, SeatNo, State, StateName), the codes described through the code table
// (categories "NSEX", "st_CLASS", "st_State"). Read-only for clients.

#include "ServerModule.h"

class TAcadStudentModule : public TServerModule {
public:
    explicit TAcadStudentModule(const TServerContext &context);
};

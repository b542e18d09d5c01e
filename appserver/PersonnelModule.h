#pragma once
// "SrvPersonnel.PersonnelINTF": the school's staff. Provider "xEmployeesIdxProvider" (by unit:
// EmpID, Cht_Name, UnitID, UnitName, Title, Extension, EMail), the unit names from the unit
// table. Read-only for clients.

#include "ServerModule.h"

class TPersonnelModule : public TServerModule {
public:
    explicit TPersonnelModule(const TServerContext &context);
};

#pragma once
// "SrvPersonnel.PersonnelINTF": the school's staff. Provider "xEmployeesIdxProvider" (by unit:
// EmpID, Cht_Name, UnitID, UnitName, Title, Extension, EMail), the unit names from the unit
// table; read-only for clients. A new person comes in through AddEmployee, never through the
// provider, so that the server gives the number and checks the identity number.

#include "ServerModule.h"

class TPersonnelModule : public TServerModule {
public:
    static constexpr int DispAddEmployee = 1;

    explicit TPersonnelModule(const TServerContext &context);

private:
    // AddEmployee(name, identity number, unit): the new person's number, "E" and the next of
    // the staff numbers in use. Refused: an empty name, a number that fails its check, a
    // number already held by someone on the staff.
    QString AddEmployee(const QString &name, const QString &idNo, const QString &unitId);
};

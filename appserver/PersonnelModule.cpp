#include "PersonnelModule.h"

TPersonnelModule::TPersonnelModule(const TServerContext &context)
    : TServerModule(context,
                    {{QStringLiteral("xEmployeesIdxProvider"),
                      QStringLiteral("SELECT e.EmpID, e.Cht_Name, e.UnitID, u.UnitName, e.Title, "
                                     "e.Extension, e.EMail FROM Employees e LEFT JOIN Units u "
                                     "ON u.UnitID = e.UnitID ORDER BY e.UnitID, e.EmpID"),
                      QStringLiteral("Employees"),
                      {QStringLiteral("EmpID")},
                      {},
                      {{QStringLiteral("EmpID"), ftString, 10},
                       {QStringLiteral("Cht_Name"), ftString, 40},
                       {QStringLiteral("UnitID"), ftString, 20},
                       {QStringLiteral("UnitName"), ftString, 60},
                       {QStringLiteral("Title"), ftString, 40},
                       {QStringLiteral("Extension"), ftString, 10},
                       {QStringLiteral("EMail"), ftString, 80}},
                      true}}) {}

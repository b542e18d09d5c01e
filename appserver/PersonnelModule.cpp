#include "PersonnelModule.h"

#include "RemoteProtocol.h"
#include "uLumPublic.h"

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
                      true}}) {
    Method(DispAddEmployee, "AddEmployee", 3, {},
           [this](TRemoteCall &c) { return Variant(AddEmployee(c.Str(0), c.Str(1), c.Str(2))); });
    DeclareChangesData({"AddEmployee"});
}

QString TPersonnelModule::AddEmployee(const QString &name, const QString &idNo,
                                      const QString &unitId) {
    const QString person = name.trimmed();
    const QString number = idNo.trimmed().toUpper();
    if (person.isEmpty() || person.size() > 40)
        throw EServerError(QStringLiteral("「姓名」必須輸入,最多 40 個字"));
    if (!CheckRocID(number))
        throw EServerError(QStringLiteral("「身分證號」%1 不正確").arg(number));
    QString empId;
    Db().Transaction([&] {
        QSqlQuery holder =
            Db().Exec(QStringLiteral("SELECT EmpID, Cht_Name FROM Employees WHERE UPPER(IDNo) = ?"),
                      {number});
        if (holder.next())
            throw EServerError(
                QStringLiteral("「身分證號」%1 已是 %2 %3 的證號")
                    .arg(number, holder.value(0).toString(), holder.value(1).toString()));
        int last = 0;
        for (const QString &id : Column(QStringLiteral("SELECT EmpID FROM Employees WHERE EmpID "
                                                       "LIKE 'E%'"))) {
            bool ok = false;
            const int n = id.mid(1).toInt(&ok);
            if (ok)
                last = std::max(last, n);
        }
        empId = QStringLiteral("E%1").arg(last + 1, 3, 10, QLatin1Char('0'));
        Db().Exec(
            QStringLiteral("INSERT INTO Employees (EmpID, Cht_Name, UnitID, IDNo) "
                           "VALUES (?, ?, ?, ?)"),
            {empId, person, unitId.trimmed().isEmpty() ? QVariant() : unitId.trimmed(), number});
    });
    return empId;
}

#include "uEmployeesIndexCDS.h"

TSystemTable *TEmployeesIndexCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemEmployeesIndex"),
                             QStringLiteral("SrvPersonnel.PersonnelINTF"),
                             QStringLiteral("xEmployeesIdxProvider"));
}

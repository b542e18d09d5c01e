#include "uStdOnSchoolIdxCDS.h"

TSystemTable *TStdOnSchoolIdxCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemStdOnSchoolIndex"),
                             QStringLiteral("SrvAcademic.AcadStudentINTF"),
                             QStringLiteral("xStdOnSchoolIdxProvider"));
}

TSystemTable *TAcadClassTypeCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemAcadClassType"),
                             QStringLiteral("SrvAcademic.AcadStudentINTF"),
                             QStringLiteral("xClassTypeDefProvider"));
}

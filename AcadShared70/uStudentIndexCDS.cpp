#include "uStudentIndexCDS.h"

TSystemTable *TStudentIndexCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemStudentIndex"),
                             QStringLiteral("SrvAcademic.AcadStudentINTF"),
                             QStringLiteral("vStudentIdxProvider"));
}

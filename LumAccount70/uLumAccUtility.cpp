#include "uLumAccUtility.h"

TSystemTable *TAccTitleCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemAccTitle"), QStringLiteral("SrvAccGL.ACCGLINTF"),
                             QStringLiteral("dspAccTitle"));
}

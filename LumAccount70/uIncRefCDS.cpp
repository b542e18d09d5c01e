#include "uIncRefCDS.h"

TSystemTable *TIncRefIndexCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemIncRefIndex"),
                             QStringLiteral("SrvAccTax.AccTaxINTF"),
                             QStringLiteral("dspIncRef_Orv"));
}

#pragma once
// "SystemObj.CodeTableINTF": the shared services — key numbers with prefixes and formats, the
// server's clock, the usage log, mail (written to an outbox table; the server sends nothing
// itself), the unit hierarchy and the computer–user records. Provider "xspCodeTable".

#include "ServerModule.h"

class TCodeTableModule : public TServerModule {
public:
    explicit TCodeTableModule(const TServerContext &context);

    // Sub-units of a unit, one per line: "UnitID", or "UnitID=UnitName" with names.
    QString UnitChilds(const QString &unitId, bool all, bool withNames);
};

#pragma once
// The IIDName class ("SystemObj.IDNameINTF"): names behind identifiers. Types: "USER" (account
// to its name), "UNIT" (unit to its name), "CODE" (a code-table entry written
// "Main_Code.Code" to its description). Dispatch numbers: IDToName 1, IDType 2, GetIDData 3.

#include "ServerModule.h"

class TIDNameModule : public TServerModule {
public:
    explicit TIDNameModule(const TServerContext &context);

private:
    bool Lookup(const QString &type, const QString &value, QString &name);
};

#pragma once
// "SrvPublicInfo.PublicInfoINTF": what the school tells everyone. Providers "xspPublicNews"
// (the notices, newest first: NewsID, PublishDate, UnitID, UnitName, Title, Content, Publisher)
// and "xspUnitActions" (the school calendar by date: ActionID, ActionDate, UnitID, UnitName,
// Content). The unit names come from the unit table. Both are read-only for clients.

#include "ServerModule.h"

class TPublicInfoModule : public TServerModule {
public:
    explicit TPublicInfoModule(const TServerContext &context);
};

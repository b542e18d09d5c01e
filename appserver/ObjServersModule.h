#pragma once
// "SystemObj.ObjServersINTF": the server-location table — for each logical server name the
// computers and ports that serve it. ReadServerData answers in the object broker's host-list
// form (see ObjectBroker.h). Provider "xspServerLocation".

#include "ServerModule.h"

class TObjServersModule : public TServerModule {
public:
    explicit TObjServersModule(const TServerContext &context);
};

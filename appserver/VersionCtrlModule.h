#pragma once
// "SrvJobSecurity.VersionCtrlNTF": the master copies of the files clients keep in step (job
// packages, system files, document templates), their list records, package flags and monthly
// schedules, help documents and the event log. Providers "xspClientApps", "xspSystemFiles",
// "xspDataFiles" list the records (without the bytes).
//
// Schedules: twelve values per package, months numbered 1 to 12 in ChangeAppSchedule and
// indexed 0 to 11 in GetAppSchedule/SetAppSchedule.

#include "ServerModule.h"

class TVersionCtrlModule : public TServerModule {
public:
    explicit TVersionCtrlModule(const TServerContext &context);

private:
    Variant FileBytes(const QString &table, const QString &fileName);
    bool DeleteFile(const QString &table, const QString &fileName);
};

#pragma once
// Publishes the job packages and document templates of a program folder into the server's
// file lists, as an upload from a maintenance tool would: every "*.bpl" of the folder goes to
// the client-application list with the version and description of its version block, every
// file of its "TemplateDocs" subfolder to the data-file list. A file whose version and size
// match its record is left alone; a changed one replaces the bytes and keeps the record's
// flags (AtClient, AppType); a new one gets the defaults (kept on the client, type "Z,其他").

#include <QString>

class TServerDatabase;

struct TPublishResult {
    int Packages = 0;  // client applications added or replaced
    int Templates = 0; // data files added or replaced
};

TPublishResult PublishProgramFolder(TServerDatabase &db, const QString &folder);

#pragma once
// Where the office applications keep the documents and workbooks they show: the user's
// documents folder (or a folder set for the program), one new file per shown document,
// named after its template and the time it was first shown.

#include <QString>

// The user's documents folder, else the home folder.
QString DefaultDocumentsFolder();

// A file name in folder that does not exist yet: "<template base>-<yyyyMMdd-HHmmss>.<suffix>",
// with "-2", "-3", ... before the suffix when that is taken. The folder is made when missing
// (EOfficeError when it cannot be). A template without a base name is called fallbackBase.
QString NewShowingFile(const QString &folder, const QString &templateName, const QString &suffix,
                       const QString &fallbackBase);

#pragma once
// TCodeTableCDS: the school's code table ("xspCodeTable" of the code-table server), one row per
// code of one category, shared by every instance in the process. Forms drop one per category
// and filter it, e.g. "Main_Code='Semester'", and look names up by "Code".

#include "uSystemTable.h"

class TCodeTableCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TCodeTableCDS(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TCodeTableCDS"); }
    TSystemTable *GetSystemTable() override;
};

// The process-wide copy of the code table, created on first use.
TSystemTable *CodeTableSystemTable();

// A field that holds a code of the code table's category mainCode shows the code's name
// ("Descript") wherever it is displayed (grids, printouts), while its value, its edit text,
// filters and sorting stay with the code: "2" shows as "女". The category's rows come from a
// clone of the shared code table owned by `owner` (a form opens the clones it owns when it
// is created).
void ShowCodeByName(QObject *owner, TField *field, const QString &mainCode);

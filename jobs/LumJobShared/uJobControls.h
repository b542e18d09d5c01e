#pragma once
// The controls job forms build the same way: a data grid with its context menu left to the
// form, an edit of one field, and the fields of a client dataset from their list.

#include "uJobServerData.h"

class QWidget;
class TClientDataSet;
class TDBGrid;
class TDataSource;
class TTqDBNumEdit;

// A grid named `name` on the source; the form pops its menu up (custom context menu).
TDBGrid *JobGrid(QWidget *parent, const char *name, TDataSource *source, bool readOnly);
// The edit of one field of the source, named "ed" + the field's name.
TTqDBNumEdit *JobFieldEdit(QWidget *parent, TDataSource *source, const char *field);
// The fields of the dataset, with their column headings and whether they show.
void AddJobFields(TClientDataSet *dataSet, const QList<TJobField> &fields);

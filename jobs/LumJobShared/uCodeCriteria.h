#pragma once
// A code list of the code table as a criterion or a choice in a job form: the category's
// codes by name, after a first item with no code ("(全部)", "(不變更)") that stands for none.

#include <QString>

class QWidget;
class TDataSet;
class TDataSource;
class TLUMDBCodeComboBox;
class TLumCodeComboBox;

// A list of the records of a data source (filtered by `filter` while it fills), showing the
// name field and giving the code field; with a noneText a first item with no code comes
// before them and survives every refill. It fills when the form is created.
TLUMDBCodeComboBox *DataCodeList(QWidget *parent, const char *name, TDataSource *source,
                                 const QString &filter, const char *codeField,
                                 const char *nameField, const QString &noneText = QString());
// The list fills from `codes` (a form's code-table source) when the form is created; without a
// noneText the list holds the category's codes only.
TLUMDBCodeComboBox *CodeCriterion(QWidget *parent, TDataSource *codes, const char *name,
                                  const QString &category, const QString &noneText);
// Puts the list on its first item (none) when nothing is chosen yet.
void ChooseNoneIfUnset(TLUMDBCodeComboBox *combo);
// The school's current term ("1131": ROC year 113, first term), as the code table's system
// entry NSYS/NowYSem gives it; empty when the table does not say.
QString CurrentSemester(TDataSet *codes);
// Chooses the current term in a list of terms when it is listed, else the first term.
void ChooseCurrentSemester(TLumCodeComboBox *combo, TDataSet *codes);

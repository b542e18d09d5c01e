#pragma once
// The fields of a student as the academic server's basic-data providers give them, and the
// look-up fields that show a student's coded sex, class and status by their names from the
// code table, for the job forms that list, query or change students.

class QObject;
class TClientDataSet;

// Persistent fields of the student datasets, with their labels.
void DefineStudentFields(TClientDataSet *dataSet);
// Sex, class and status show by their names from the code table (the values stay the codes).
// The code table's rows come through clones owned by `owner`, opened when the form is created.
void ShowStudentCodesByName(QObject *owner, TClientDataSet *dataSet);

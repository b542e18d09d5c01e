#pragma once
// The fields of the course jobs on "SrvAcademic.AcadCourseINTF": a course of a term and the
// students enrolled in it, with their labels. Coded fields are shown by their names through
// look-up fields: the class over the code table's classes, the teacher over the staff index.
// The student's name, class and seat come from the roll and are never written back.

#include <QString>

class TClientDataSet;
class TDataSet;

// A look-up field shown in place of a code: keyField of the dataset found as "Code" in
// codes (a code table filtered to one category) gives its "Descript".
void AddCodeLookup(TClientDataSet *dataSet, const QString &name, const QString &keyField,
                   TDataSet *codes, const QString &label);

// The courses of "dspSemCourses": number, name, class, teacher and credits shown; the students
// nested in "CourseStudents".
void DefineCourseFields(TClientDataSet *courses, TDataSet *classCodes, TDataSet *staff);

// The enrolments of a course ("dspCourseStudents", or the nested "CourseStudents"): number,
// name, class and seat of the student, and the score.
void DefineEnrolmentFields(TClientDataSet *enrolments, TDataSet *classCodes);

// Fills the roll's fields of an enrolment (name, class, seat) from the index of the roll, by
// the student's number; they are emptied for a number the roll does not have. Returns whether
// the roll has the student.
bool FillFromRoll(TDataSet *enrolment, TDataSet *roll);

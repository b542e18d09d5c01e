#pragma once
// The fields of the course jobs on "SrvAcademic.AcadCourseINTF": a course of a term and the
// students enrolled in it, with their labels. Coded fields are shown by their names: the class
// from the code table, the teacher from the staff index. The student's name, class and seat
// come from the roll and are never written back.

#include <QString>

class QObject;
class TClientDataSet;
class TDataSet;

// The courses of "dspSemCourses": number, name, class, teacher and credits shown; the students
// nested in "CourseStudents". The class shows by its name from the code table (clones owned
// by `owner`), the teacher by name from `staff` (the staff index).
void DefineCourseFields(QObject *owner, TClientDataSet *courses, TDataSet *staff);

// The enrolments of a course ("dspCourseStudents", or the nested "CourseStudents"): number,
// name, class (by its name) and seat of the student, and the score.
void DefineEnrolmentFields(QObject *owner, TClientDataSet *enrolments);

// Copies a student of the roll (any dataset with StudentID, Cht_Name, ClassID and SeatNo, the
// current record of `student`) into the enrolment being edited.
void CopyStudent(TDataSet *enrolment, TDataSet *student);

// Fills the roll's fields of an enrolment (name, class, seat) from the index of the roll, by
// the student's number; they are emptied for a number the roll does not have. Returns whether
// the roll has the student.
bool FillFromRoll(TDataSet *enrolment, TDataSet *roll);

#pragma once
// The graduation review of one student against one study programme, from the student's
// grades: "GetStudentGraduateCheckInfo" of "SrvAcademic.AcadCourseINTF" answers with these
// five data packets.
//
// - Info (StudentStudyInfo): one row, the student (StudentID, Cht_Name, Unit_ID, ClassType,
//   DiplomaType, NGrade, AClassName), the programme (StudyID, StudyName, StudyUnit_ID,
//   StudyType, DiplomaChtName, DiplomaEngName) and what is required against what is passed:
//   GradeuateCredit / PassTotalCredit, MustCredit / PassMustCredit, SelectCredit /
//   PassSelectCredit, the discipline groups (GroupCount / PassGroupCount) and GraduateYN. No
//   row when the student or the programme does not exist.
// - Courses (StudyCourses): the programme's courses (StudyID, CourseID, CourseName, Choose,
//   Credit, Grade the year, Semester, Remark) with the student's best grade (Score) and PassYN.
// - Groups (GroupInfo): the programme's discipline groups with their thresholds
//   (PassCreditNum, PassCourseNum), what the student passed of their courses (GetCredit,
//   GetCourseNum) and PassYN.
// - GroupCourses: the courses of those groups (ChooseGID, CourseID, CourseName, Credit) with
//   the best grade and PassYN.
// - Grades (StudentGrade): every grade of the student (YSemester, CourseID, CourseName, Choose,
//   Credit, Score, PassYN) by term.
//
// A grade is passed from the course's pass mark on (60 without one); -2 is a credit
// transferred (抵免) and passes; -1 is a course taken without a grade (未到) and fails, unless
// `countEnrolled` is set: then the courses being taken count as passed, so that the office sees
// what a student still lacks beyond them. A course taken more than once counts once, with its
// best grade.

#include <QByteArray>
#include <QString>

class TServerDatabase;

struct TGraduateCheck {
    QByteArray Info, Courses, Groups, GroupCourses, Grades;
};

TGraduateCheck GraduateCheck(TServerDatabase &db, const QString &studentID, const QString &studyID,
                             bool countEnrolled);

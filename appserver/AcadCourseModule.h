#pragma once
// "SrvAcademic.AcadCourseINTF": the courses of each semester and the students enrolled in them.
//
// - "dspSemCourses": the courses of parameter "Semester" (a school-term code such as "1131"),
//   by class (CourseID, Semester, CourseName, TeacherID, Credits, ClassID, EditInfo), each with
//   its students in the nested field "CourseStudents" (the fields of "dspCourseStudents").
//   Changes go to SemCourses by CourseID, the students' changes inside them to CourseStudents:
//   a course and its students are confirmed in one batch. A course is deleted only with all its
//   students (deleted in the same batch), and its number changes only while it has none.
// - "dspCourseStudents": the students enrolled in the course of parameter "CourseID"
//   (CourseID, StudentID, the student's Cht_Name, ClassID and SeatNo read from the roll, Score,
//   EditInfo). Enrolments and removals go to CourseStudents by CourseID and StudentID; a
//   student whose score is recorded is not removed.
// - "dspCourseCandidates": the students on the roll (in school) not enrolled in the course of
//   parameter "CourseID" (StudentID, Cht_Name, Sex, ClassID, SeatNo). Read-only.
// - "xspSemCourseIdx": the courses of parameter "Semester" with their class and teacher by
//   name and the number of students enrolled (CourseID, CourseName, ClassID, ClassName,
//   TeacherID, TeacherName, Credits, StudentCount). Read-only.
// - "xOrvCoursesIdxProvider": the course catalogue (CourseID, CourseName, EngName, Unit_ID,
//   DegreeType, Choose, Credit, LectureHours, LabHours, Grade, Semester, UseState, GroupType,
//   GradeType, PassScore, ScienceType, MinistryCode, YSemester, Remark, CreateDate, Creater).
// - "xChooseGroupProvider": the discipline groups (ChooseGID, ChooseGName, Unit_ID,
//   PassCreditNum, PassCourseNum, GroupType, Description, CreateDate, Creater, CheckeDate,
//   Checker, LockedYN).
// - "xStudyInfoProvider": the study programmes (StudyID, StudyName, Unit_ID, ClassType,
//   StudyType, LockedYN).
// - "edStudyInfo2DProvider": the study programme of parameter "No" with every field, its
//   discipline groups in the nested field "StudyGroups" (StudyID, ChooseGID) and its courses in
//   "StudyCourses" (StudyID, CourseID, Choose, Credit, Grade, Semester, Remark, EditInfo).
// - "edChooseGroup2dProvider": the discipline group of parameter "No" with every field, its
//   study programmes in "GroupStudies" (ChooseGID, StudyID) and its courses in "GroupCourses"
//   (ChooseGID, CourseID, Credit, EditInfo).
// - "cmvLumStudentStudyInfoProvider": the students of the programmes (AcadStudyRewardProviders.h);
//   edStudyInfo2DProvider's programme also carries its students in "StudyStudents".
// - GetStudentGraduateCheckInfo(StudentID, StudyID, CountEnrolled; out five data packets): the
//   graduation review of a student against a programme (GraduateCheck.h).
// The catalogue, groups and programmes are read-only here.
//
// Every enrolment names a student on the roll who is in school and a course that exists; a
// score is from 0 to 100.

#include "ServerModule.h"

class TAcadCourseModule : public TServerModule {
public:
    explicit TAcadCourseModule(const TServerContext &context);
};

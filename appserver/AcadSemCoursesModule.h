#pragma once
// "SrvAcademic.AcadSemCoursesINTF": the courses of each term with their students, and the term
// totals of every student. All read-only; clients usually send their own statement over the
// view ("Select * From vTqSemCourses Where ...").
//
// - "cmvTqSemCoursesProvider": vTqSemCourses, by term, department, class and subject.
// - "cmvLumSemGradeBySTDProvider": vLumSemGradeBySTD, by course and student.
// - "cmSemStaticStudentsProvider": SemStaticStudents, the term totals of roll calls and of
//   approved and posted rewards and punishments, by term and student.

#include "ServerModule.h"

class TAcadSemCoursesModule : public TServerModule {
public:
    explicit TAcadSemCoursesModule(const TServerContext &context);
};

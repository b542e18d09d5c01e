#pragma once
// The academic views: what the academic office reads about its students, their courses, their
// roll calls and their rewards, computed by the database from the rows the school keeps (never
// stored copies), the same on SQLite and on PostgreSQL.
//
// - vStudentAll: every student on the roll with the person, the class (department Unit_ID,
//   class type ClassType = the class's code in st_CLASS, year NGrade, class name AClassName as
//   a st_ClassName code), the family (guardian Genearch, emergency contact Emergent) and the
//   address with its post code. ID is the identity number, the student number for a student
//   who has none yet, so that "ID is Null" never selects anyone. Birth_Year is a ROC year.
// - vLumStudentAbsenceDetail: the roll-call rows (one per student, day and course) with the
//   student and the subject (CourseID) of the course; Week is the day of the week, 1 = Sunday.
// - vLumStudentAbsenceWeekly: per student, term and week (Sunday to Saturday) the absent and
//   leave periods of each day (AbsWeek1..7, AskWeek1..7, Sunday first), the day's leave type
//   (AskWeek1VAC..7VAC: the lowest code when the day had several, "*" on a day without
//   leave), the week's totals (SubAbsence, SubAskFor,
//   truancy WeekRealAbs) and the totals of the term up to that week (AccAbsence, AccAskFor,
//   AccRealAbs); SemWeekNo counts the weeks of the term from the week it begins in, YWeekNo the
//   weeks of the year (AYear, a ROC year) from the week holding its first Sunday. Only days on
//   which the student was absent count.
// - SemStaticStudents: per student and term the term's totals: absent periods Absence, truancy
//   Truancy (absent without leave), late AbsLate, leave by type (AskFor personal 01, AskFor_Sick
//   02, AskFor_Pub official 03, AskFor_Other every other type), the conduct mark and comment,
//   and the rewards and punishments that are approved and posted by kind (Citecnt 1, SmallMerit
//   2, GreatMerit 3, Caution 4, SmallDemerit 5, MajorDemerit 6, DateLook 7 of AF_REPU). A
//   student has a row for every term in which anything of his is recorded.
// - vLumRewardPunishDetail: every reward and punishment with its student, approved or not.
// - vTqSemCourses: the courses of each term (SemCourseID) with their subject, the class they
//   are for (FitUnitID, ClassType, Grade, AClassName), credits, times and rooms and teacher.
// - vLumSemGradeBySTD: the students of each course with their grades (a grade not entered yet
//   reads -1, which the score sheets print empty) and their roll-call totals in that course.
//
// Dates read as dates: DATE on PostgreSQL, on SQLite the text "yyyy/mm/dd", the form in which
// the client's condition builder writes them, so that its conditions compare on both.

#include <QList>
#include <QString>

struct TViewDef {
    QString Name;
    QString Sql; // the CREATE VIEW statement
};

// The views in the order they are made (none reads another).
QList<TViewDef> AcademicViews(bool sqlite);

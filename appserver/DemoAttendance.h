#pragma once
// The demo school's term so far: the daily roll call of every student in school from the
// term's first day to the day before the database is made (school days, Monday to Friday, the
// national holidays left out), as the discipline office records it: lateness, sick, personal,
// official and funeral leave (st_VACID 02, 01, 03, 04), truancy, a day partly excused; one
// row per student, day and course, one slip number per student and day, posted (TranYN) once
// a week old. Most students are seldom away, some often, a few are often truant. And the
// rewards and punishments proposed so far: approved (Verify) after some days, or still
// pending when recent; dispatched once approved; posted to the record a week after.

#include "DemoCurriculum.h"

void FillDemoAttendance(TServerDatabase &db, const TDemoTerm &term,
                        const TDemoTimetable &timetable);

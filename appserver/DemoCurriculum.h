#pragma once
// What the demo school teaches in its current term: the terms with their dates (the current
// term 1131 began on the Monday fifteen weeks before the week the database is made, so that its
// roll calls reach up to the day before), the course catalogue (each subject for each year),
// the discipline groups and study programmes of its two departments, and the term's courses:
// every class takes every subject (DemoSubjects.h) from a teacher of the subject, at the times
// of the class's weekly timetable, and every student of the class who is in school is enrolled
// with the grades entered so far (mid-term results, some coursework; the semester results of
// the senior class 301 and of class 201's Chinese and mathematics, as the school began with).

#include <QDate>
#include <QMap>
#include <QStringList>
#include <array>

class TServerDatabase;

struct TDemoTerm {
    QString Code; // "1131"
    QDate Begin;  // a Monday
    QDate End;    // a Friday
    QDate Today;  // the day the database is made
};

TDemoTerm DemoTerm(const QDate &today);

// Each class's week: for Monday (0) to Friday (4) and period 1 (0) to 7 (6) the course held
// then; empty for the class's own periods (class meeting, self-study).
using TDemoWeek = std::array<std::array<QString, 7>, 5>;
using TDemoTimetable = QMap<QString, TDemoWeek>;

// `teachers`: the new teachers of each subject.
TDemoTimetable FillDemoCurriculum(TServerDatabase &db, const TDemoTerm &term,
                                  const QMap<QString, QStringList> &teachers);

#pragma once
// The weekly absence rows (view vLumStudentAbsenceWeekly: one row per student and week, with
// each day's absent periods AbsWeek1..7, leave periods AskWeek1..7 and leave type
// AskWeek1VAC..7VAC, Sunday first, then the week's totals and the running totals) as the weekly
// notice and the class statistics print them: a day's count of 0 prints empty, a leave type "*"
// (none) prints empty and any other code prints its description.

#include <QString>

class TDataSet;
class TLumFieldDisplays;
class TQRBand;

// "日", "一", ... "六" for d = 1..7.
QString WeekDayName(int day);

// The display rules above for the day fields of the dataset; leave types through vacTable.
void ShowWeeklyAbsence(TLumFieldDisplays *displays, TDataSet *weekly, TDataSet *vacTable);

// For d = 1..7 from `left`: the day's name over its three columns on `heading` at headingTop,
// "缺", "假", "假別" under it, and the day's three fields on `row`. Returns the right edge.
double AddWeekDays(TQRBand *heading, TQRBand *row, TDataSet *weekly, double left, double countWidth,
                   double typeWidth, double headingTop);

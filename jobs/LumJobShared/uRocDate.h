#pragma once
// Dates as the school shows them: the year of the Republic of China calendar (the Gregorian
// year minus 1911).

#include "DateTime.h"

#include <QString>

// "113/09/02": ROC year, month and day of the date, month and day with two digits.
QString RocDateText(TDateTime date);
// "民國113年9月".
QString RocMonthCaption(int year, int month);

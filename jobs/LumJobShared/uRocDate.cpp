#include "uRocDate.h"

#include <QDate>

QString RocDateText(TDateTime date) {
    const QDate d = date.ToDate();
    return QStringLiteral("%1/%2/%3")
        .arg(d.year() - 1911)
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

QString RocMonthCaption(int year, int month) {
    return QStringLiteral("民國%1年%2月").arg(year - 1911).arg(month);
}

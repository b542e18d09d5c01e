#pragma once
// TCalendarX: the month calendar of the date picker. Like the platform's calendar it shows one
// month's days under the weekday names, without a year or month bar of its own (forms put
// their own year and month controls, in the ROC calendar, above it); it adds the first and
// last day of the shown month as text and the "yyyymm" of its date.

#include "Component.h"

#include <QCalendarWidget>

class TCalendarX : public QCalendarWidget, public TComponentBase {
    Q_OBJECT
    // The calendar's date, as readers of date controls take it.
    Q_PROPERTY(QDate Date READ CalendarDate)
public:
    explicit TCalendarX(QWidget *parent = nullptr);
    ~TCalendarX() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TCalendarX"); }

    // The calendar's date and its elements. Changing the year or month keeps the day, or the
    // month's last day when the month is shorter; values outside the calendar are ignored.
    QDate CalendarDate() const { return selectedDate(); }
    void SetCalendarDate(const QDate &date);
    int Year() const { return selectedDate().year(); }
    void SetYear(int year);
    int Month() const { return selectedDate().month(); }
    void SetMonth(int month);
    int Day() const { return selectedDate().day(); }
    void SetDay(int day);

    // The first and last day of the shown month in the short date format.
    QString FirstDayOfMonth() const;
    QString EndDayOfMonth() const;
    // "yyyymm" of the calendar's date.
    QString YMFormat() const;
    // Days of the shown month.
    int DaysThisMonth() const;
};

#include "CalendarX.h"

#include "DateTime.h"

TCalendarX::TCalendarX(QWidget *parent) : QCalendarWidget(parent) {
    if (OwnerIsLoading(parent))
        SetLoading(true);
    setLocale(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
    setNavigationBarVisible(false);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    setGridVisible(true);
    setSelectedDate(Date().ToDate());
}

TCalendarX::~TCalendarX() {
    Destroying();
}

void TCalendarX::SetCalendarDate(const QDate &date) {
    if (date.isValid())
        setSelectedDate(date);
}

void TCalendarX::SetYear(int year) {
    if (year < 1)
        return;
    const QDate date = selectedDate();
    const QDate first(year, date.month(), 1);
    SetCalendarDate(QDate(year, date.month(), qMin(date.day(), first.daysInMonth())));
}

void TCalendarX::SetMonth(int month) {
    if (month < 1 || month > 12)
        return;
    const QDate date = selectedDate();
    const QDate first(date.year(), month, 1);
    SetCalendarDate(QDate(date.year(), month, qMin(date.day(), first.daysInMonth())));
}

void TCalendarX::SetDay(int day) {
    const QDate date = selectedDate();
    if (day >= 1 && day <= date.daysInMonth())
        SetCalendarDate(QDate(date.year(), date.month(), day));
}

QString TCalendarX::FirstDayOfMonth() const {
    return DateToStr(TDateTime::FromDate(QDate(yearShown(), monthShown(), 1)));
}

QString TCalendarX::EndDayOfMonth() const {
    return DateToStr(TDateTime::FromDate(QDate(yearShown(), monthShown(), DaysThisMonth())));
}

QString TCalendarX::YMFormat() const {
    return FormatDateTime(QStringLiteral("yyyymm"), TDateTime::FromDate(selectedDate()));
}

int TCalendarX::DaysThisMonth() const {
    return QDate(yearShown(), monthShown(), 1).daysInMonth();
}

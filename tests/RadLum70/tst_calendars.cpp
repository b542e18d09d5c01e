// The month calendars: multi-select days and weekdays by program and by mouse, moving between
// months, the ROC year-month, and the date picker's calendar.

#include "CalendarX.h"
#include "DateTime.h"
#include "TestMain.h"
#include "uMultiSelectCalendar.h"

namespace {

class TFixedClock : public TClock {
public:
    explicit TFixedClock(const QDate &date) : FNow(date, QTime(9, 30)) {}
    QDateTime CurrentDateTime() const override { return FNow; }

private:
    QDateTime FNow;
};

void SetDate(TMultiSelectCalendar &calendar, int year, int month, int day) {
    calendar.SetDay(1);
    calendar.SetYear(year);
    calendar.SetMonth(month);
    calendar.SetDay(day);
}

QPoint CellCentre(const TMultiSelectCalendar &calendar, int column, int row) {
    return calendar.CellRect(column, row).center();
}

} // namespace

class TstCalendars : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { FCalendar = std::make_unique<TMultiSelectCalendar>(); }
    void cleanup() { FCalendar.reset(); }

    void startsOnTheCurrentDate();
    void selectedDaysAsBits();
    void layoutOfTheMonth();
    void mouseSelects();
    void movingBetweenMonths();
    void yearMonthTexts();
    void datePickerCalendar();

private:
    std::unique_ptr<TMultiSelectCalendar> FCalendar;
};

void TstCalendars::startsOnTheCurrentDate() {
    TFixedClock clock(QDate(2004, 5, 15));
    SetClock(&clock);
    TMultiSelectCalendar calendar;
    SetClock(nullptr);
    QCOMPARE(calendar.CalendarDate(), QDate(2004, 5, 15));
    QVERIFY(calendar.UseCurrentDate());
    int changes = 0;
    calendar.OnChange = [&](TMultiSelectCalendar *) { ++changes; };
    calendar.SetDay(20);
    QVERIFY(!calendar.UseCurrentDate());
    QCOMPARE(changes, 1);
    SetClock(&clock);
    calendar.SetUseCurrentDate(true);
    SetClock(nullptr);
    QCOMPARE(calendar.Day(), 15);
}

void TstCalendars::selectedDaysAsBits() {
    TMultiSelectCalendar &c = *FCalendar;
    SetDate(c, 2004, 2, 10);
    // Single-select: the calendar's day is the selection.
    QCOMPARE(c.GetDaySelectedByBits(), 1u << 9);
    QVERIFY(c.GetDaySelected(10));
    c.SetDaySelectedByBits(0xFF);
    QCOMPARE(c.GetDaySelectedByBits(), 1u << 9);

    c.SetMultiSelect(true);
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    c.SetDaySelected(3, true);
    c.SetDaySelected(17, true);
    QCOMPARE(c.GetDaySelectedByBits(), (1u << 2) | (1u << 16));
    QCOMPARE(c.Day(), 17);      // selecting moves the calendar to the day
    c.SetDaySelected(30, true); // February 2004 has no 30th
    QVERIFY(!c.GetDaySelected(30));
    QCOMPARE(c.Day(), 17);
    c.SetDaySelected(3, false);
    QCOMPARE(c.GetDaySelectedByBits(), 1u << 16);

    c.SetDaySelectedByBits(0x80000001u | (1u << 30));
    QVERIFY(c.GetDaySelected(1) && c.GetDaySelected(31));
    // Day flags stay with the month change; the weekday flags do not.
    c.SetWeekDaySelected(1, true); // Mondays of February 2004: 2, 9, 16, 23
    QVERIFY(c.GetWeekDaySelected(1));
    QCOMPARE(c.GetDaySelectedByBits() & 0x7FFFFFFEu,
             (1u << 1) | (1u << 8) | (1u << 15) | (1u << 22) | (1u << 30));
    c.NextMonth();
    QVERIFY(!c.GetWeekDaySelected(1));
    QVERIFY(c.GetDaySelected(2) && c.GetDaySelected(31));
    c.SetWeekDaySelected(1, false); // Mondays of March 2004: 1, 8, 15, 22, 29
    QVERIFY(!c.GetDaySelected(1) && c.GetDaySelected(2));

    c.ClearSelected();
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    c.SetDaySelected(5, true);
    c.SetMultiSelect(false);
    c.SetMultiSelect(true);
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
}

void TstCalendars::layoutOfTheMonth() {
    TMultiSelectCalendar &c = *FCalendar;
    // May 2004 starts on a Saturday.
    SetDate(c, 2004, 5, 1);
    QCOMPARE(c.MonthOffset(), 6);
    QCOMPARE(c.DayAt(6, 1), 1);
    QCOMPARE(c.DayAt(0, 2), 2);
    QCOMPARE(c.DayAt(0, 1), 0);
    QCOMPARE(c.DayAt(1, 6), 31);
    QCOMPARE(c.DayAt(2, 6), 0);
    // February 2004 starts on a Sunday, the first column: day 1 moves a week down.
    c.SetMonth(2);
    QCOMPARE(c.MonthOffset(), 7);
    QCOMPARE(c.DayAt(6, 1), 0);
    QCOMPARE(c.DayAt(0, 2), 1);
    QCOMPARE(c.DayAt(0, 6), 29);
    // Weeks starting on Monday.
    c.SetStartOfWeek(1);
    QCOMPARE(c.DayAt(6, 1), 1);
}

void TstCalendars::mouseSelects() {
    TMultiSelectCalendar &c = *FCalendar;
    c.resize(350, 280);
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    SetDate(c, 2004, 5, 1);
    c.SetMultiSelect(true);
    // Ctrl+click toggles a day and makes it the calendar's day; a plain click only moves.
    QTest::mouseClick(&c, Qt::LeftButton, Qt::ControlModifier, CellCentre(c, 1, 3)); // 10th
    QCOMPARE(c.GetDaySelectedByBits(), 1u << 9);
    QCOMPARE(c.Day(), 10);
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, CellCentre(c, 2, 3)); // 11th
    QCOMPARE(c.GetDaySelectedByBits(), 1u << 9);
    QCOMPARE(c.Day(), 11);
    QTest::mouseClick(&c, Qt::LeftButton, Qt::ControlModifier, CellCentre(c, 1, 3));
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    // A cell without a day does nothing.
    QTest::mouseClick(&c, Qt::LeftButton, Qt::ControlModifier, CellCentre(c, 0, 1));
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    QCOMPARE(c.Day(), 10);
    // The weekday name toggles all Sundays: 2, 9, 16, 23, 30.
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, CellCentre(c, 0, 0));
    QCOMPARE(c.GetDaySelectedByBits(),
             (1u << 1) | (1u << 8) | (1u << 15) | (1u << 22) | (1u << 29));
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, CellCentre(c, 0, 0));
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    // Read-only: nothing can be selected.
    c.SetReadOnly(true);
    QTest::mouseClick(&c, Qt::LeftButton, Qt::ControlModifier, CellCentre(c, 3, 3));
    QTest::mouseClick(&c, Qt::LeftButton, Qt::NoModifier, CellCentre(c, 0, 0));
    QCOMPARE(c.GetDaySelectedByBits(), 0u);
    QCOMPARE(c.Day(), 10);
    // Painting shows the selection without failing.
    c.SetReadOnly(false);
    c.SetDaySelectedByBits(0x0F);
    QImage image(c.size(), QImage::Format_ARGB32);
    c.render(&image);
    QCOMPARE(QColor(image.pixel(c.CellRect(0, 2).topLeft() + QPoint(3, 3))), QColor(128, 0, 0));
}

void TstCalendars::movingBetweenMonths() {
    TMultiSelectCalendar &c = *FCalendar;
    SetDate(c, 2004, 1, 15);
    c.MoveMonth(-1);
    QCOMPARE(c.CalendarDate(), QDate(2003, 12, 15));
    SetDate(c, 2004, 1, 31);
    c.MoveMonth(1);
    QCOMPARE(c.CalendarDate(), QDate(2004, 2, 29));
    c.MoveMonth(13);
    c.MoveMonth(-13);
    QCOMPARE(c.CalendarDate(), QDate(2004, 2, 29));
    c.MoveMonth(-12);
    QCOMPARE(c.CalendarDate(), QDate(2003, 2, 28));
    c.PrevMonth();
    c.NextYear();
    QCOMPARE(c.CalendarDate(), QDate(2004, 1, 28));
    // Writing date elements: out-of-range values change nothing; a shorter month keeps its
    // last day.
    SetDate(c, 2004, 3, 31);
    c.SetDay(0);
    c.SetDay(32);
    c.SetMonth(13);
    c.SetYear(0);
    QCOMPARE(c.CalendarDate(), QDate(2004, 3, 31));
    c.SetMonth(4);
    QCOMPARE(c.CalendarDate(), QDate(2004, 4, 30));
    QCOMPARE(TMultiSelectCalendar::DaysPerMonth(1900, 2), 28);
    QCOMPARE(TMultiSelectCalendar::DaysPerMonth(2000, 2), 29);
}

void TstCalendars::yearMonthTexts() {
    TMultiSelectCalendar &c = *FCalendar;
    SetDate(c, 2004, 5, 9);
    QCOMPARE(c.YMFormat(), QStringLiteral("200405"));
    QCOMPARE(c.RocYMFormat(), QStringLiteral("93年5月"));
    SetDate(c, 2011, 12, 1);
    QCOMPARE(c.RocYMFormat(), QStringLiteral("100年12月"));
}

void TstCalendars::datePickerCalendar() {
    TCalendarX calendar;
    QVERIFY(!calendar.isNavigationBarVisible()); // no Gregorian year on show
    calendar.SetCalendarDate(QDate(2004, 2, 10));
    QCOMPARE(calendar.FirstDayOfMonth(), QStringLiteral("2004/02/01"));
    QCOMPARE(calendar.EndDayOfMonth(), QStringLiteral("2004/02/29"));
    QCOMPARE(calendar.YMFormat(), QStringLiteral("200402"));
    QCOMPARE(calendar.DaysThisMonth(), 29);
    calendar.SetCalendarDate(QDate(2004, 3, 31));
    calendar.SetMonth(4);
    QCOMPARE(calendar.CalendarDate(), QDate(2004, 4, 30));
    calendar.SetYear(2005);
    calendar.SetDay(31);
    QCOMPARE(calendar.CalendarDate(), QDate(2005, 4, 30));
    QCOMPARE(calendar.EndDayOfMonth(), QStringLiteral("2005/04/30"));
}

LUM_TEST_MAIN(TstCalendars)
#include "tst_calendars.moc"

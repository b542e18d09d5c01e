#pragma once
// TMultiSelectCalendar: a month calendar (a grid of seven columns, the weekday names above six
// rows of days) in which several days can be selected. In multi-select mode Ctrl+click toggles
// a day and a click on a weekday name toggles every day of that weekday in the month; the
// selection can be read and written as a 32-bit mask (bit d-1 for day d), which is how job
// schedules store a month. Day flags stay when the month changes, so a mask describes "these
// days of any month". Without multi-select the calendar's own day is the selection.

#include "Component.h"

#include <QColor>
#include <QDate>
#include <QWidget>
#include <array>
#include <functional>

class TMultiSelectCalendar : public QWidget, public TComponentBase {
    Q_OBJECT
    // The calendar's date, as readers of date controls take it.
    Q_PROPERTY(QDate Date READ CalendarDate)
public:
    explicit TMultiSelectCalendar(QWidget *parent = nullptr);
    ~TMultiSelectCalendar() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TMultiSelectCalendar"); }

    QDate CalendarDate() const { return FDate; }
    // Date elements. Writing one moves the calendar (values below 1, months above 12 and days
    // past the month's end are ignored; a day that the new month lacks becomes its last day),
    // clears the weekday flags when the year or month changed, switches UseCurrentDate off and
    // runs OnChange.
    int Day() const { return FDate.day(); }
    void SetDay(int day);
    int Month() const { return FDate.month(); }
    void SetMonth(int month);
    int Year() const { return FDate.year(); }
    void SetYear(int year);

    bool MultiSelect() const { return FMultiSelect; }
    // Switching clears the selection.
    void SetMultiSelect(bool multiSelect);
    QColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(const QColor &color);
    // The weekday of the first column: 0 Sunday ... 6 Saturday.
    int StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(int dayOfWeek);
    // While set, the calendar shows today; setting it moves the calendar to today.
    bool UseCurrentDate() const { return FUseCurrentDate; }
    void SetUseCurrentDate(bool useCurrentDate);
    // The user cannot select anything.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int width);

    std::function<void(TMultiSelectCalendar *)> OnChange;

    bool GetDaySelected(int day) const;
    void SetDaySelected(int day, bool selected);
    quint32 GetDaySelectedByBits() const;
    void SetDaySelectedByBits(quint32 mask);
    // Weekday 0 Sunday ... 6 Saturday.
    bool GetWeekDaySelected(int weekDay) const;
    void SetWeekDaySelected(int weekDay, bool selected);
    void ClearSelected();

    void PrevMonth() { ChangeMonth(-1); }
    void NextMonth() { ChangeMonth(1); }
    void PrevYear() { ChangeMonth(-12); }
    void NextYear() { ChangeMonth(12); }
    // Moves -12 to 12 months, keeping the day or the target month's last day; other counts
    // change nothing.
    void MoveMonth(int months);

    // "yyyymm" of the calendar date.
    QString YMFormat() const;
    // The year-month in the ROC calendar, e.g. "93年5月" for May 2004.
    QString RocYMFormat() const;
    static bool IsLeapYear(int year);
    static int DaysPerMonth(int year, int month);
    int DaysThisMonth() const { return DaysPerMonth(Year(), Month()); }

    // The grid: column 0..6, row 0 the weekday names, rows 1..6 the days.
    // The day shown in a cell, or 0 for a cell without a day.
    int DayAt(int column, int row) const;
    QRect CellRect(int column, int row) const;
    // The column of day 1; 7 when it is moved down a week (its weekday starts the week).
    int MonthOffset() const { return FMonthOffset; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void ChangeMonth(int months);
    void SetDate(const QDate &date, bool byUser);
    void UpdateOffset();
    int WeekDayOfColumn(int column) const { return (FStartOfWeek + column) % 7; }

    QDate FDate;
    int FMonthOffset = 0;
    std::array<bool, 31> FDaySelected{};
    std::array<bool, 7> FWeekDaySelected{};
    Qt::KeyboardModifiers FLastShiftState;
    bool FMultiSelect = false;
    QColor FSelectedColor = QColor(128, 0, 0);
    int FStartOfWeek = 0;
    bool FUseCurrentDate = true;
    bool FReadOnly = false;
    int FGridLineWidth = 1;
};

#include "uMultiSelectCalendar.h"

#include "DateTime.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kColumns = 7;
constexpr int kRows = 7; // the weekday names and six weeks

// Weekday 0 Sunday ... 6 Saturday of a date.
int WeekDayOf(const QDate &date) {
    return date.dayOfWeek() % 7;
}

const QString &WeekDayName(int weekDay) {
    static const QString names[7] = {
        QStringLiteral("日"), QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
        QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六")};
    return names[weekDay];
}

} // namespace

TMultiSelectCalendar::TMultiSelectCalendar(QWidget *parent) : QWidget(parent) {
    if (OwnerIsLoading(parent))
        SetLoading(true);
    FDate = Date().ToDate();
    UpdateOffset();
}

TMultiSelectCalendar::~TMultiSelectCalendar() {
    Destroying();
}

// ---- date ------------------------------------------------------------------------------------

bool TMultiSelectCalendar::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int TMultiSelectCalendar::DaysPerMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

void TMultiSelectCalendar::SetDate(const QDate &date, bool byUser) {
    if (!date.isValid())
        return;
    const bool monthChanged = date.year() != FDate.year() || date.month() != FDate.month();
    FDate = date;
    if (monthChanged) {
        FWeekDaySelected.fill(false);
        UpdateOffset();
    }
    update();
    if (byUser) {
        FUseCurrentDate = false;
        if (OnChange)
            OnChange(this);
    }
}

void TMultiSelectCalendar::SetDay(int day) {
    if (day < 1 || day > DaysThisMonth())
        return;
    SetDate(QDate(Year(), Month(), day), true);
}

void TMultiSelectCalendar::SetMonth(int month) {
    if (month < 1 || month > 12)
        return;
    SetDate(QDate(Year(), month, qMin(Day(), DaysPerMonth(Year(), month))), true);
}

void TMultiSelectCalendar::SetYear(int year) {
    if (year < 1)
        return;
    SetDate(QDate(year, Month(), qMin(Day(), DaysPerMonth(year, Month()))), true);
}

void TMultiSelectCalendar::ChangeMonth(int months) {
    const int total = Year() * 12 + Month() - 1 + months;
    const int year = total / 12;
    const int month = total % 12 + 1;
    if (year < 1)
        return;
    SetDate(QDate(year, month, qMin(Day(), DaysPerMonth(year, month))), true);
}

void TMultiSelectCalendar::MoveMonth(int months) {
    if (months < -12 || months > 12)
        return;
    ChangeMonth(months);
}

void TMultiSelectCalendar::SetUseCurrentDate(bool useCurrentDate) {
    if (useCurrentDate)
        SetDate(Date().ToDate(), false);
    FUseCurrentDate = useCurrentDate;
}

QString TMultiSelectCalendar::YMFormat() const {
    return FormatDateTime(QStringLiteral("yyyymm"), TDateTime::FromDate(FDate));
}

QString TMultiSelectCalendar::RocYMFormat() const {
    return QStringLiteral("%1年%2月").arg(Year() - 1911).arg(Month());
}

// ---- selection -------------------------------------------------------------------------------

void TMultiSelectCalendar::SetMultiSelect(bool multiSelect) {
    if (multiSelect == FMultiSelect)
        return;
    FMultiSelect = multiSelect;
    ClearSelected();
}

bool TMultiSelectCalendar::GetDaySelected(int day) const {
    if (!FMultiSelect)
        return day == Day();
    return day >= 1 && day <= 31 && FDaySelected[static_cast<size_t>(day - 1)];
}

void TMultiSelectCalendar::SetDaySelected(int day, bool selected) {
    if (FMultiSelect && day >= 1 && day <= DaysThisMonth())
        FDaySelected[static_cast<size_t>(day - 1)] = selected;
    SetDay(day);
    update();
}

quint32 TMultiSelectCalendar::GetDaySelectedByBits() const {
    if (!FMultiSelect)
        return 1u << (Day() - 1);
    quint32 mask = 0;
    for (int d = 1; d <= 31; ++d)
        if (FDaySelected[static_cast<size_t>(d - 1)])
            mask |= 1u << (d - 1);
    return mask;
}

void TMultiSelectCalendar::SetDaySelectedByBits(quint32 mask) {
    if (!FMultiSelect)
        return;
    for (int d = 1; d <= 31; ++d)
        FDaySelected[static_cast<size_t>(d - 1)] = (mask >> (d - 1)) & 1u;
    update();
}

bool TMultiSelectCalendar::GetWeekDaySelected(int weekDay) const {
    return weekDay >= 0 && weekDay < 7 && FWeekDaySelected[static_cast<size_t>(weekDay)];
}

void TMultiSelectCalendar::SetWeekDaySelected(int weekDay, bool selected) {
    if (!FMultiSelect || weekDay < 0 || weekDay > 6)
        return;
    FWeekDaySelected[static_cast<size_t>(weekDay)] = selected;
    const int first = WeekDayOf(QDate(Year(), Month(), 1));
    for (int d = 1 + (weekDay - first + 7) % 7; d <= DaysThisMonth(); d += 7)
        FDaySelected[static_cast<size_t>(d - 1)] = selected;
    update();
}

void TMultiSelectCalendar::ClearSelected() {
    FDaySelected.fill(false);
    FWeekDaySelected.fill(false);
    update();
}

// ---- grid ------------------------------------------------------------------------------------

void TMultiSelectCalendar::SetStartOfWeek(int dayOfWeek) {
    if (dayOfWeek < 0 || dayOfWeek > 6 || dayOfWeek == FStartOfWeek)
        return;
    FStartOfWeek = dayOfWeek;
    UpdateOffset();
    update();
}

void TMultiSelectCalendar::SetSelectedColor(const QColor &color) {
    FSelectedColor = color;
    update();
}

void TMultiSelectCalendar::SetGridLineWidth(int width) {
    FGridLineWidth = qMax(0, width);
    update();
}

void TMultiSelectCalendar::UpdateOffset() {
    // Day 1 in the first column would leave the first row empty of earlier days; it moves a
    // week down instead, as the platform's calendar shows it.
    FMonthOffset = (WeekDayOf(QDate(Year(), Month(), 1)) - FStartOfWeek + 7) % 7;
    if (FMonthOffset == 0)
        FMonthOffset = 7;
}

int TMultiSelectCalendar::DayAt(int column, int row) const {
    if (column < 0 || column >= kColumns || row < 1 || row >= kRows)
        return 0;
    const int day = (row - 1) * kColumns + column - FMonthOffset + 1;
    return day >= 1 && day <= DaysThisMonth() ? day : 0;
}

QRect TMultiSelectCalendar::CellRect(int column, int row) const {
    const int left = column * width() / kColumns;
    const int right = (column + 1) * width() / kColumns;
    const int top = row * height() / kRows;
    const int bottom = (row + 1) * height() / kRows;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QSize TMultiSelectCalendar::sizeHint() const {
    const int cell = fontMetrics().height() * 2;
    return QSize(cell * kColumns, cell * kRows);
}

void TMultiSelectCalendar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int today = Day();
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const QRect cell = CellRect(column, row);
            if (row == 0) {
                painter.fillRect(cell, palette().button());
                painter.setPen(palette().buttonText().color());
                painter.drawText(cell, Qt::AlignCenter, WeekDayName(WeekDayOfColumn(column)));
                continue;
            }
            const int day = DayAt(column, row);
            if (day == 0)
                continue;
            if (GetDaySelected(day)) {
                painter.fillRect(cell, FSelectedColor);
                painter.setPen(Qt::white);
            } else {
                painter.setPen(palette().text().color());
            }
            painter.drawText(cell, Qt::AlignCenter, QString::number(day));
            if (FMultiSelect && day == today) {
                QPen frame(palette().highlight().color());
                frame.setStyle(Qt::DotLine);
                painter.setPen(frame);
                painter.drawRect(cell.adjusted(1, 1, -2, -2));
            }
        }
    }
    if (FGridLineWidth > 0) {
        QPen pen(palette().mid().color());
        pen.setWidth(FGridLineWidth);
        painter.setPen(pen);
        for (int column = 1; column < kColumns; ++column) {
            const int x = column * width() / kColumns;
            painter.drawLine(x, 0, x, height());
        }
        for (int row = 1; row < kRows; ++row) {
            const int y = row * height() / kRows;
            painter.drawLine(0, y, width(), y);
        }
    }
}

void TMultiSelectCalendar::mousePressEvent(QMouseEvent *event) {
    FLastShiftState = event->modifiers();
    if (event->button() != Qt::LeftButton || FReadOnly)
        return;
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos))
        return;
    const int column = pos.x() * kColumns / qMax(1, width());
    const int row = pos.y() * kRows / qMax(1, height());
    if (row == 0) {
        // A weekday name toggles every day of that weekday in the month.
        if (FMultiSelect) {
            const int weekDay = WeekDayOfColumn(column);
            SetWeekDaySelected(weekDay, !GetWeekDaySelected(weekDay));
        }
        return;
    }
    const int day = DayAt(column, row);
    if (day == 0)
        return;
    if (FMultiSelect && (FLastShiftState & Qt::ControlModifier))
        FDaySelected[static_cast<size_t>(day - 1)] = !FDaySelected[static_cast<size_t>(day - 1)];
    SetDay(day);
}

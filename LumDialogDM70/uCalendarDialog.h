#pragma once
// The date picker of the job forms, in the Gregorian or the ROC calendar (year minus 1911).
// TCalendarDialog is the component a form holds; Execute shows TCalendarForm modally and, when
// the user confirms, keeps the chosen date.

#include "Component.h"
#include "DateTime.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QGroupBox;
class TCalendarX;

constexpr int RocYearOffset = 1911;

class TCalendarForm : public QDialog {
    Q_OBJECT
public:
    explicit TCalendarForm(QWidget *parent = nullptr);

    QLabel *lbTitle;
    QSpinBox *seYear;
    QSpinBox *seMonth;
    TCalendarX *MonthCalendar;
    QGroupBox *rgCalendarType;
    QRadioButton *rbGregorian;
    QRadioButton *rbChinese;
    QPushButton *btnOK;
    QPushButton *btnCancel;

    // Sets the calendar's date when it differs, copying its year and month into the edits.
    void SetCalendarDate(const QDate &date);
    QDate getCalendarDate() const;
    // Sets the calendar's (Gregorian) year and shows it in the year edit in the chosen era.
    void SetYear(int year);
    int GetYear() const;
    void SetMonth(int month);
    int GetMonth() const;
    int GetChineseYear() const { return GetYear() - RocYearOffset; }
    void setChineseYear(int year) { SetYear(year + RocYearOffset); }

    bool ChineseCalendar() const;
    void SetChineseCalendar(bool chinese);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Shows the era's title and the calendar's year in that era.
    void ApplyCalendarType();
    void ShowYearMonth();
    void YearEdited();
    void MonthEdited();
    bool FUpdating = false;
};

class TCalendarDialog : public TComponent {
    Q_OBJECT
public:
    explicit TCalendarDialog(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TCalendarDialog"); }

    TDateTime CalendarDate() const { return FCalendarDate; }
    void SetCalendarDate(TDateTime date) { FCalendarDate = date; }
    // The year in the ROC calendar; setting it keeps month and day.
    int ChineseYear() const { return GetChineseYear(); }
    void SetChineseYear(int year) { setChineseYear(year); }
    bool ChineseCalendar() const { return FChineseCalendar; }
    void SetChineseCalendar(bool value) { FChineseCalendar = value; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption) { FCaption = caption; }

    int Year() const { return GetYear(); }
    int Month() const { return GetMonth(); }
    int Day() const { return GetDay(); }
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetChineseYear() const { return GetYear() - RocYearOffset; }
    // Raises EConvertError when the day does not exist in that year (29 February).
    void setChineseYear(int year);

    // Shows the picker modally; true when the user confirmed, the date being kept then.
    bool Execute();

private:
    TDateTime FCalendarDate;
    bool FChineseCalendar = true;
    QString FCaption;
};

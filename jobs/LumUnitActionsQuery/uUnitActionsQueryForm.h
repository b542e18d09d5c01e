#pragma once
// The school calendar ("行事曆查詢"): a month calendar with the ROC year above it, the days
// that have events in bold, and under it the events of the month shown (date, unit, what),
// read from the public-information server. Choosing a day selects its first event.

#include "Form.h"

#include <QDate>

class QCalendarWidget;
class QLabel;
class QTableWidget;
class TClientDataSet;
class TJobServerData;

class TUnitActionsQueryForm : public TForm {
    Q_OBJECT
public:
    TUnitActionsQueryForm();

    QLabel *lblMonth = nullptr;
    QCalendarWidget *Calendar = nullptr;
    QTableWidget *grdActions = nullptr;
    TJobServerData *ServerData = nullptr;
    TClientDataSet *ActionsCDS = nullptr;

    // Reads the calendar from the server again.
    void RefreshActions();
    // Shows the events of a month in the grid and marks their days on the calendar.
    void ShowMonth(int year, int month);

private:
    void SelectDay(const QDate &day);
    bool FFirstShow = true;
    QList<QDate> FMarkedDays;
};

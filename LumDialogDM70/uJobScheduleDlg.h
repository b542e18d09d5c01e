#pragma once
// The job schedule: for the twelve months from the current one the user marks the days on
// which a job runs. The schedule has one day set per calendar month (January first), each a
// bit set as the multi-select calendar encodes it, and is kept on the job-security server.

#include <QDialog>
#include <QList>

class QComboBox;
class QGroupBox;
class QPushButton;
class TMultiSelectCalendar;
class TRADObjectBroker;
class TVersionServer;

using TJobSchedule = QList<int>; // 12 monthly day sets, January at 0

class TJobScheduleDlg : public QDialog {
    Q_OBJECT
public:
    explicit TJobScheduleDlg(QWidget *parent = nullptr);

    QGroupBox *gbCalendar;
    QComboBox *cbbMonth;
    TMultiSelectCalendar *SelCalendar;
    QPushButton *btnOK;
    QPushButton *btnCancel;
    TRADObjectBroker *ObjectBroker;
    TVersionServer *VersionServer;

    QString JobName;
    QString JobDescription;
    const TJobSchedule &Schedule() const { return FSchedule; }

    // The OK button and the calendar's editing follow the read-only flag.
    void SetReadOnly(bool readOnly);
    // Reads the job's schedule from the server and shows the form modally; true when the
    // schedule was stored and the form closed with OK. Server errors reach the caller.
    bool Execute();

private:
    void FillMonthList();
    void MonthChosen(int index);
    void StoreShownMonth();
    void btnOKClick();
    TJobSchedule FSchedule;
};

// Shows the job's schedule; the 12 stored day sets when the user confirmed, otherwise zeros.
TJobSchedule HandleJobScedule(const QString &jobName, const QString &jobDescription, bool readOnly);

#include "uJobScheduleDlg.h"

#include "DateTime.h"
#include "Exceptions.h"
#include "RadServer.h"
#include "uMultiSelectCalendar.h"
#include "uObjServers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TJobSchedule EmptySchedule() {
    return TJobSchedule(12, 0);
}

// Raises the server's text when a call failed.
void CheckCall(HRESULT status, const TVersionServer &server) {
    if (!Succeeded(status))
        throw EOleSysError(server.LastErrorText(), status);
}

// Moves the calendar to the date: the day first, so that no step passes a day that the
// intermediate month lacks.
void ShowMonth(TMultiSelectCalendar *calendar, const QDate &date) {
    calendar->SetDay(1);
    calendar->SetYear(date.year());
    calendar->SetMonth(date.month());
    calendar->SetDay(date.day());
}

} // namespace

TJobScheduleDlg::TJobScheduleDlg(QWidget *parent) : QDialog(parent), FSchedule(EmptySchedule()) {
    setObjectName(QStringLiteral("JobScheduleDlg"));
    setWindowTitle(QStringLiteral("工作排程"));

    gbCalendar = new QGroupBox(QStringLiteral("日曆"), this);
    gbCalendar->setObjectName(QStringLiteral("gbCalendar"));
    cbbMonth = new QComboBox(gbCalendar);
    cbbMonth->setObjectName(QStringLiteral("cbbMonth"));
    SelCalendar = new TMultiSelectCalendar(gbCalendar);
    SelCalendar->setObjectName(QStringLiteral("SelCalendar"));
    SelCalendar->SetMultiSelect(true);
    SelCalendar->SetStartOfWeek(0);
    SelCalendar->setToolTip(QStringLiteral("日期選取：(<Ctrl>+Mouse 左鍵) 或 (點選星期x)"));
    SelCalendar->setMinimumSize(280, 180);
    auto *calendarLayout = new QVBoxLayout(gbCalendar);
    calendarLayout->addWidget(cbbMonth);
    calendarLayout->addWidget(SelCalendar, 1);

    btnOK = new QPushButton(QStringLiteral("確定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbCalendar, 1);
    layout->addLayout(buttons);

    // The schedule lives on the job-security server, found through the location table.
    ObjectBroker = new TRADObjectBroker(this, QStringLiteral("SrvJobSecurity"));
    VersionServer = new TVersionServer(this);
    VersionServer->SetObjectBroker(ObjectBroker);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbbMonth, &QComboBox::currentIndexChanged, this,
            [this](int index) { MonthChosen(index); });
}

void TJobScheduleDlg::SetReadOnly(bool readOnly) {
    btnOK->setVisible(!readOnly);
    SelCalendar->SetReadOnly(readOnly);
    SelCalendar->setEnabled(!readOnly);
}

bool TJobScheduleDlg::Execute() {
    Variant stored;
    CheckCall(VersionServer->GetAppSchedule(JobName, stored), *VersionServer);
    FSchedule = EmptySchedule();
    if (stored.IsArray()) {
        for (int i = 0; i < 12 && stored.LowBound() + i <= stored.HighBound(); ++i) {
            const Variant &value = stored[stored.LowBound() + i];
            FSchedule[i] = value.IsEmptyOrNull() ? 0 : value.ToInt();
        }
    }
    setWindowTitle(QStringLiteral("工作排程:[ %1 ]").arg(JobDescription));
    FillMonthList();
    return exec() == QDialog::Accepted;
}

void TJobScheduleDlg::FillMonthList() {
    const QSignalBlocker blocker(cbbMonth);
    cbbMonth->clear();
    for (int i = 0; i < 12; ++i) {
        cbbMonth->addItem(SelCalendar->RocYMFormat());
        SelCalendar->MoveMonth(1);
    }
    SelCalendar->MoveMonth(-1);
    gbCalendar->setTitle(
        QStringLiteral("民國%1 至 %2 日曆").arg(cbbMonth->itemText(0), cbbMonth->itemText(11)));
    SelCalendar->ClearSelected();
    ShowMonth(SelCalendar, Date().ToDate());
    SelCalendar->SetDaySelectedByBits(quint32(FSchedule[SelCalendar->Month() - 1]));
    cbbMonth->setCurrentIndex(0);
}

void TJobScheduleDlg::StoreShownMonth() {
    FSchedule[SelCalendar->Month() - 1] = int(SelCalendar->GetDaySelectedByBits());
}

void TJobScheduleDlg::MonthChosen(int index) {
    if (index < 0)
        return;
    StoreShownMonth();
    SelCalendar->ClearSelected();
    const QDate today = Date().ToDate();
    int month = today.month() + index;
    int year = today.year();
    if (month > 12) {
        month -= 12;
        ++year;
    }
    ShowMonth(SelCalendar, QDate(year, month, today.day() <= 28 ? today.day() : 1));
    SelCalendar->SetDaySelectedByBits(quint32(FSchedule[month - 1]));
}

void TJobScheduleDlg::btnOKClick() {
    StoreShownMonth();
    std::vector<Variant> months;
    for (int value : FSchedule)
        months.emplace_back(value);
    try {
        CheckCall(VersionServer->SetAppSchedule(JobName, Variant::ArrayOf(std::move(months))),
                  *VersionServer);
    } catch (const Exception &e) {
        // The form stays open so that the marks are not lost.
        QMessageBox::critical(this, windowTitle(), e.Message());
        return;
    }
    accept();
}

TJobSchedule HandleJobScedule(const QString &jobName, const QString &jobDescription,
                              bool readOnly) {
    TJobScheduleDlg dlg;
    dlg.SetReadOnly(readOnly);
    dlg.JobName = jobName;
    dlg.JobDescription = jobDescription;
    return dlg.Execute() ? dlg.Schedule() : EmptySchedule();
}

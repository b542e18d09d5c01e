#include "uCalendarDialog.h"

#include "CalendarX.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TCalendarForm::TCalendarForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CalendarForm"));
    setWindowTitle(QStringLiteral("日期選取"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto *title = new QWidget(this);
    title->setObjectName(QStringLiteral("pnlTitle"));
    lbTitle = new QLabel(QStringLiteral("民國"), title);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    seYear = new QSpinBox(title);
    seYear->setObjectName(QStringLiteral("seYear"));
    // The year has no bounds of its own; the widest range a spin edit holds stands for that.
    seYear->setRange(-99999, 99999);
    seMonth = new QSpinBox(title);
    seMonth->setObjectName(QStringLiteral("seMonth"));
    seMonth->setRange(1, 12);
    auto *titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->addWidget(lbTitle);
    titleLayout->addWidget(seYear);
    titleLayout->addWidget(new QLabel(QStringLiteral("年"), title));
    titleLayout->addWidget(seMonth);
    titleLayout->addWidget(new QLabel(QStringLiteral("月"), title));
    titleLayout->addStretch();

    MonthCalendar = new TCalendarX(this);
    MonthCalendar->setObjectName(QStringLiteral("MonthCalendar"));
    MonthCalendar->setFirstDayOfWeek(Qt::Sunday);

    rgCalendarType = new QGroupBox(QStringLiteral("曆別"), this);
    rgCalendarType->setObjectName(QStringLiteral("rgCalendarType"));
    rbGregorian = new QRadioButton(QStringLiteral("西曆"), rgCalendarType);
    rbChinese = new QRadioButton(QStringLiteral("國曆"), rgCalendarType);
    rbGregorian->setChecked(true);
    auto *typeLayout = new QHBoxLayout(rgCalendarType);
    typeLayout->addWidget(rbGregorian);
    typeLayout->addWidget(rbChinese);

    btnOK = new QPushButton(QStringLiteral("確認"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(MonthCalendar);
    layout->addWidget(rgCalendarType);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(rbChinese, &QRadioButton::toggled, this, [this] { ApplyCalendarType(); });
    connect(seYear, &QSpinBox::valueChanged, this, [this] { YearEdited(); });
    connect(seMonth, &QSpinBox::valueChanged, this, [this] { MonthEdited(); });
    // Moving in the calendar itself (keys across a month's end) keeps the edits in step.
    connect(MonthCalendar, &QCalendarWidget::selectionChanged, this, [this] { ShowYearMonth(); });
}

bool TCalendarForm::ChineseCalendar() const {
    return rbChinese->isChecked();
}

void TCalendarForm::SetChineseCalendar(bool chinese) {
    (chinese ? rbChinese : rbGregorian)->setChecked(true);
}

void TCalendarForm::SetCalendarDate(const QDate &date) {
    if (date == MonthCalendar->CalendarDate())
        return;
    MonthCalendar->SetCalendarDate(date);
    SetYear(date.year());
    SetMonth(date.month());
}

QDate TCalendarForm::getCalendarDate() const {
    return MonthCalendar->CalendarDate();
}

void TCalendarForm::SetYear(int year) {
    MonthCalendar->SetYear(year);
    ShowYearMonth();
}

int TCalendarForm::GetYear() const {
    return MonthCalendar->Year();
}

void TCalendarForm::SetMonth(int month) {
    MonthCalendar->SetMonth(month);
    ShowYearMonth();
}

int TCalendarForm::GetMonth() const {
    return MonthCalendar->Month();
}

void TCalendarForm::ApplyCalendarType() {
    lbTitle->setText(ChineseCalendar() ? QStringLiteral("民國") : QStringLiteral("西元"));
    ShowYearMonth();
}

void TCalendarForm::ShowYearMonth() {
    if (FUpdating)
        return;
    FUpdating = true;
    const int year = MonthCalendar->Year();
    seYear->setValue(ChineseCalendar() ? year - RocYearOffset : year);
    seMonth->setValue(MonthCalendar->Month());
    FUpdating = false;
}

void TCalendarForm::YearEdited() {
    if (FUpdating || seYear->cleanText().trimmed().isEmpty())
        return;
    FUpdating = true;
    const int value = seYear->value();
    MonthCalendar->SetYear(ChineseCalendar() ? value + RocYearOffset : value);
    FUpdating = false;
}

void TCalendarForm::MonthEdited() {
    if (FUpdating)
        return;
    FUpdating = true;
    MonthCalendar->SetMonth(seMonth->value());
    FUpdating = false;
}

void TCalendarForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    ApplyCalendarType();
    MonthCalendar->setFocus();
}

TCalendarDialog::TCalendarDialog(QObject *owner) : TComponent(owner), FCalendarDate(Date()) {}

int TCalendarDialog::GetYear() const {
    return FCalendarDate.ToDate().year();
}

int TCalendarDialog::GetMonth() const {
    return FCalendarDate.ToDate().month();
}

int TCalendarDialog::GetDay() const {
    return FCalendarDate.ToDate().day();
}

void TCalendarDialog::setChineseYear(int year) {
    const QDate date = FCalendarDate.ToDate();
    FCalendarDate = TDateTime::EncodeDate(year + RocYearOffset, date.month(), date.day()) +
                    FCalendarDate.TimePart().Value();
}

bool TCalendarDialog::Execute() {
    TCalendarForm form;
    if (!FCaption.isEmpty())
        form.setWindowTitle(FCaption);
    form.SetCalendarDate(FCalendarDate.ToDate());
    if (FChineseCalendar)
        form.SetChineseCalendar(true);
    const bool ok = form.exec() == QDialog::Accepted;
    if (ok)
        FCalendarDate = TDateTime::FromDate(form.getCalendarDate());
    return ok;
}

#include "uUnitActionsQueryForm.h"

#include "ClientDataSet.h"
#include "uJobGuard.h"
#include "uJobServerData.h"
#include "uRocDate.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>

TUnitActionsQueryForm::TUnitActionsQueryForm() {
    SetName(QStringLiteral("UnitActionsQueryForm"));
    SetCaption(QStringLiteral("行事曆查詢"));
    SetTag(2); // the shell's item area
    SetDragKind(TDragKind::dkDock);
    resize(480, 360);

    ServerData = new TJobServerData(this, QStringLiteral("SrvPublicInfo.PublicInfoINTF"));
    ActionsCDS = ServerData->AddDataSet(QStringLiteral("xspUnitActions"));

    auto *layout = new QVBoxLayout(this);
    lblMonth = new QLabel(this);
    lblMonth->setObjectName(QStringLiteral("lblMonth"));
    layout->addWidget(lblMonth);
    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setGridVisible(true);
    layout->addWidget(Calendar);
    grdActions = new QTableWidget(0, 3, this);
    grdActions->setObjectName(QStringLiteral("grdActions"));
    grdActions->setHorizontalHeaderLabels(
        {QStringLiteral("日期"), QStringLiteral("單位"), QStringLiteral("行事內容")});
    grdActions->horizontalHeader()->setStretchLastSection(true);
    grdActions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdActions->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdActions->verticalHeader()->hide();
    layout->addWidget(grdActions, 1);

    connect(Calendar, &QCalendarWidget::currentPageChanged, this,
            [this](int year, int month) { ShowMonth(year, month); });
    connect(Calendar, &QCalendarWidget::clicked, this, [this](QDate day) { SelectDay(day); });
    lblMonth->setText(RocMonthCaption(Calendar->yearShown(), Calendar->monthShown()));
    OnShow = [this] {
        if (!FFirstShow)
            return;
        FFirstShow = false;
        RunGuarded([this] { RefreshActions(); });
    };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

void TUnitActionsQueryForm::RefreshActions() {
    ServerData->Open(ActionsCDS);
    ShowMonth(Calendar->yearShown(), Calendar->monthShown());
}

void TUnitActionsQueryForm::ShowMonth(int year, int month) {
    lblMonth->setText(RocMonthCaption(year, month));
    for (const QDate &day : FMarkedDays)
        Calendar->setDateTextFormat(day, QTextCharFormat());
    FMarkedDays.clear();
    grdActions->setRowCount(0);
    if (!ActionsCDS->Active())
        return;
    QTextCharFormat marked;
    marked.setFontWeight(QFont::Bold);
    marked.setForeground(Qt::darkRed);
    TField *date = ActionsCDS->FieldByName(QStringLiteral("ActionDate"));
    TField *unit = ActionsCDS->FieldByName(QStringLiteral("UnitName"));
    TField *content = ActionsCDS->FieldByName(QStringLiteral("Content"));
    // The records come in date order; the grid takes those of the month without moving the
    // dataset's cursor.
    for (int i = 0; i < ActionsCDS->RecordCount(); ++i) {
        const Variant value = ActionsCDS->ValueAt(i, date);
        if (value.IsEmptyOrNull())
            continue;
        const QDate day = value.ToDateTime().ToDate();
        if (day.year() != year || day.month() != month)
            continue;
        const int row = grdActions->rowCount();
        grdActions->insertRow(row);
        auto *dayItem = new QTableWidgetItem(RocDateText(value.ToDateTime()));
        dayItem->setData(Qt::UserRole, day);
        grdActions->setItem(row, 0, dayItem);
        grdActions->setItem(row, 1, new QTableWidgetItem(VarToStr(ActionsCDS->ValueAt(i, unit))));
        grdActions->setItem(row, 2,
                            new QTableWidgetItem(VarToStr(ActionsCDS->ValueAt(i, content))));
        if (!FMarkedDays.contains(day)) {
            FMarkedDays << day;
            Calendar->setDateTextFormat(day, marked);
        }
    }
    grdActions->resizeColumnToContents(0);
    grdActions->resizeColumnToContents(1);
}

void TUnitActionsQueryForm::SelectDay(const QDate &day) {
    for (int row = 0; row < grdActions->rowCount(); ++row) {
        if (grdActions->item(row, 0)->data(Qt::UserRole).toDate() == day) {
            grdActions->selectRow(row);
            grdActions->scrollToItem(grdActions->item(row, 0));
            return;
        }
    }
    grdActions->clearSelection();
}

// The school calendar query ("行事曆查詢"): the start-up job of every user. It docks into the
// shell's item area and shows a month of the school's calendar with the ROC year.

#include "Packages.h"
#include "uClientAppControl.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString RocMonthCaption(int year, int month) {
    return QStringLiteral("民國%1年%2月").arg(year - 1911).arg(month);
}

class TUnitActionsQueryForm : public TForm {
public:
    TUnitActionsQueryForm() {
        SetName(QStringLiteral("UnitActionsQueryForm"));
        SetCaption(QStringLiteral("行事曆查詢"));
        SetTag(2); // the shell's item area
        SetDragKind(TDragKind::dkDock);
        resize(480, 360);

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
        layout->addWidget(grdActions, 1);

        connect(Calendar, &QCalendarWidget::currentPageChanged, this,
                [this](int year, int month) { lblMonth->setText(RocMonthCaption(year, month)); });
        lblMonth->setText(RocMonthCaption(Calendar->yearShown(), Calendar->monthShown()));
        OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
    }

    QLabel *lblMonth = nullptr;
    QCalendarWidget *Calendar = nullptr;
    QTableWidget *grdActions = nullptr;
};

} // namespace

class TLumUnitActionsQuery : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TUnitActionsQueryForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumUnitActionsQuery);

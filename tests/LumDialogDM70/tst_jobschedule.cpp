// The job schedule against a real job-security server: the twelve months offered from the
// current one, days marked with Ctrl and the mouse, the schedule stored and read back, the
// read-only view, cancelling, and a server that cannot be reached.

#include "AppServerFixture.h"
#include "Exceptions.h"
#include "FixedClock.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uJobScheduleDlg.h"
#include "uMultiSelectCalendar.h"
#include "uObjServers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

namespace {

void WhenShown(const std::function<void(TJobScheduleDlg *)> &act) {
    QTimer::singleShot(0, [act] {
        auto *dlg = qobject_cast<TJobScheduleDlg *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        act(dlg);
    });
}

// Ctrl-clicks the day's cell, as a user marks a day.
void MarkDay(TMultiSelectCalendar *calendar, int day) {
    for (int row = 1; row < 7; ++row)
        for (int column = 0; column < 7; ++column)
            if (calendar->DayAt(column, row) == day) {
                QTest::mouseClick(calendar, Qt::LeftButton, Qt::ControlModifier,
                                  calendar->CellRect(column, row).center());
                return;
            }
    QFAIL("day not shown");
}

quint32 Bit(int day) {
    return 1u << (day - 1);
}

} // namespace

class TstJobSchedule : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
    }
    void cleanupTestCase() { FServer.reset(); }

    void decemberOffersDecemberToNovemberAndStoresMarkedDays() {
        TFixedClock clock(QDate(2026, 12, 7));
        QStringList months;
        QString caption, group;
        int secondYear = 0, secondMonth = 0;
        bool okVisible = false;
        WhenShown([&](TJobScheduleDlg *dlg) {
            caption = dlg->windowTitle();
            group = dlg->gbCalendar->title();
            okVisible = dlg->btnOK->isVisible();
            for (int i = 0; i < dlg->cbbMonth->count(); ++i)
                months << dlg->cbbMonth->itemText(i);
            MarkDay(dlg->SelCalendar, 24);
            MarkDay(dlg->SelCalendar, 31);
            dlg->cbbMonth->setCurrentIndex(1);
            secondYear = dlg->SelCalendar->Year();
            secondMonth = dlg->SelCalendar->Month();
            MarkDay(dlg->SelCalendar, 1);
            dlg->btnOK->click();
        });
        const TJobSchedule schedule = HandleJobScedule(QStringLiteral("TqStdOnSchoolIdx.bpl"),
                                                       QStringLiteral("在校生索引"), false);
        QCOMPARE(caption, QStringLiteral("工作排程:[ 在校生索引 ]"));
        QVERIFY(okVisible);
        QCOMPARE(months.size(), 12);
        QCOMPARE(months.first(), QStringLiteral("115年12月"));
        QCOMPARE(months.last(), QStringLiteral("116年11月"));
        QCOMPARE(group, QStringLiteral("民國115年12月 至 116年11月 日曆"));
        QCOMPARE(secondYear, 2027);
        QCOMPARE(secondMonth, 1);
        QCOMPARE(schedule.size(), 12);
        QCOMPARE(quint32(schedule[11]), Bit(24) | Bit(31));
        QCOMPARE(quint32(schedule[0]), Bit(1));
        for (int m = 1; m < 11; ++m)
            QCOMPARE(schedule[m], 0);
        // Stored on the server, one value per calendar month.
        QCOMPARE(FServer
                     ->Query("SELECT WorkDay FROM AppSchedule WHERE FileName = "
                             "'TqStdOnSchoolIdx.bpl' AND MonthNo = 11")
                     .toUInt(),
                 Bit(24) | Bit(31));
    }

    void readOnlyShowsTheStoredDaysWithoutEditing() {
        TFixedClock clock(QDate(2027, 1, 15));
        FServer->SignIn(); // a month later the morning's session has lapsed
        bool okVisible = true, calendarEnabled = true;
        quint32 shown = 0, afterClick = 0;
        WhenShown([&](TJobScheduleDlg *dlg) {
            okVisible = dlg->btnOK->isVisible();
            calendarEnabled = dlg->SelCalendar->isEnabled();
            shown = dlg->SelCalendar->GetDaySelectedByBits();
            MarkDay(dlg->SelCalendar, 5);
            afterClick = dlg->SelCalendar->GetDaySelectedByBits();
            dlg->btnCancel->click();
        });
        const TJobSchedule schedule =
            HandleJobScedule(QStringLiteral("TqStdOnSchoolIdx.bpl"), QString(), true);
        QVERIFY(!okVisible);
        QVERIFY(!calendarEnabled);
        QCOMPARE(shown, Bit(1)); // January's set, stored by the previous case
        QCOMPARE(afterClick, Bit(1));
        QCOMPARE(schedule, TJobSchedule(12, 0));
    }

    void cancelReturnsZerosAndStoresNothing() {
        TFixedClock clock(QDate(2026, 12, 7));
        WhenShown([](TJobScheduleDlg *dlg) {
            MarkDay(dlg->SelCalendar, 2);
            dlg->btnCancel->click();
        });
        QCOMPARE(HandleJobScedule(QStringLiteral("LumPublicNews.bpl"), QString(), false),
                 TJobSchedule(12, 0));
        QVERIFY(FServer
                    ->Query("SELECT COUNT(*) FROM AppSchedule WHERE FileName = "
                            "'LumPublicNews.bpl'")
                    .toInt() == 0);
    }

    void anUnreachableServerReachesTheCaller() {
        TJobScheduleDlg dlg;
        dlg.ObjectBroker->Servers().clear();
        dlg.ObjectBroker->AddServer(QStringLiteral("127.0.0.1"), 1);
        dlg.JobName = QStringLiteral("LumPublicNews.bpl");
        QVERIFY_THROWS_EXCEPTION(Exception, dlg.Execute());
        QVERIFY(!dlg.isVisible());
    }
};

LUM_TEST_MAIN(TstJobSchedule)
#include "tst_jobschedule.moc"

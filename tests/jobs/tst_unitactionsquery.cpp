// The school calendar job against a real server: the events of the month shown, with their
// days marked on the calendar; another month shows its own events; choosing a day selects its
// first event.

#include "JobTestSupport.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTextCharFormat>

class TstUnitActionsQuery : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    // The server's events of a month, in date order: "day|unit name|content".
    QStringList ServerEvents(int year, int month) {
        const QString lines =
            FBench
                ->Query(QStringLiteral(
                            "SELECT group_concat(line, char(10)) FROM (SELECT "
                            "CAST(substr(a.ActionDate, 9, 2) AS INTEGER) || '|' || "
                            "IFNULL(u.UnitName, '') || '|' || a.Content AS line FROM UnitActions a "
                            "LEFT JOIN Units u ON u.UnitID = a.UnitID WHERE a.ActionDate LIKE "
                            "'%1-%2%' ORDER BY a.ActionDate, a.ActionID)")
                            .arg(year)
                            .arg(month, 2, 10, QLatin1Char('0')))
                .toString();
        return lines.isEmpty() ? QStringList() : lines.split(u'\n');
    }
    static QStringList GridEvents(const QTableWidget *grid) {
        QStringList events;
        for (int row = 0; row < grid->rowCount(); ++row)
            events << QStringLiteral("%1|%2|%3")
                          .arg(grid->item(row, 0)->text().section(u'/', 2).toInt())
                          .arg(grid->item(row, 1)->text(), grid->item(row, 2)->text());
        return events;
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void theMonthsEventsOnTheCalendar() {
        TForm *form = FBench->Run(QStringLiteral("LumUnitActionsQuery.bpl"));
        QVERIFY(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("行事曆查詢"));
        QCOMPARE(form->Tag(), 2);
        auto *calendar = form->findChild<QCalendarWidget *>(QStringLiteral("Calendar"));
        auto *grid = form->findChild<QTableWidget *>(QStringLiteral("grdActions"));
        auto *month = form->findChild<QLabel *>(QStringLiteral("lblMonth"));
        const QDate today = QDate::currentDate();
        QCOMPARE(month->text(),
                 QStringLiteral("民國%1年%2月").arg(today.year() - 1911).arg(today.month()));

        const QStringList events = ServerEvents(today.year(), today.month());
        QVERIFY(events.size() >= 3);
        QCOMPARE(GridEvents(grid), events);
        QCOMPARE(grid->item(0, 0)->text(),
                 QStringLiteral("%1/%2/%3")
                     .arg(today.year() - 1911)
                     .arg(today.month(), 2, 10, QLatin1Char('0'))
                     .arg(events[0].section(u'|', 0, 0).toInt(), 2, 10, QLatin1Char('0')));
        // Days with events are bold; others are not.
        for (int day = 1; day <= today.daysInMonth(); ++day) {
            const bool hasEvent =
                !events.filter(QRegularExpression(QStringLiteral("^%1\\|").arg(day))).isEmpty();
            const QTextCharFormat format =
                calendar->dateTextFormat(QDate(today.year(), today.month(), day));
            QCOMPARE(format.fontWeight() == QFont::Bold, hasEvent);
        }

        // Choosing a day selects its first event; a day without one clears the selection.
        const int eventDay = events[1].section(u'|', 0, 0).toInt();
        Q_EMIT calendar->clicked(QDate(today.year(), today.month(), eventDay));
        const QModelIndexList rows = grid->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        const QStringList shown = GridEvents(grid);
        const auto dayOf = [&](int row) { return shown[row].section(u'|', 0, 0).toInt(); };
        QCOMPARE(dayOf(rows[0].row()), eventDay);
        QVERIFY(rows[0].row() == 0 || dayOf(rows[0].row() - 1) != eventDay);
        int quietDay = 1;
        while (!events.filter(QRegularExpression(QStringLiteral("^%1\\|").arg(quietDay))).isEmpty())
            ++quietDay;
        Q_EMIT calendar->clicked(QDate(today.year(), today.month(), quietDay));
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());
    }

    void anotherMonthShowsItsOwnEvents() {
        TForm *form = FBench->Run(QStringLiteral("LumUnitActionsQuery.bpl"));
        QVERIFY(form);
        auto *calendar = form->findChild<QCalendarWidget *>(QStringLiteral("Calendar"));
        auto *grid = form->findChild<QTableWidget *>(QStringLiteral("grdActions"));
        const QDate today = QDate::currentDate();
        const QDate next = QDate(today.year(), today.month(), 1).addMonths(1);
        const QStringList thisMonth = ServerEvents(today.year(), today.month());
        calendar->setCurrentPage(next.year(), next.month());
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("lblMonth"))->text(),
                 QStringLiteral("民國%1年%2月").arg(next.year() - 1911).arg(next.month()));
        const QStringList events = ServerEvents(next.year(), next.month());
        QVERIFY(!events.isEmpty());
        QCOMPARE(GridEvents(grid), events);
        // The marks of the month before are gone.
        const int day = thisMonth[0].section(u'|', 0, 0).toInt();
        QVERIFY(calendar->dateTextFormat(QDate(today.year(), today.month(), day)).fontWeight() !=
                QFont::Bold);
        calendar->setCurrentPage(today.year(), today.month());
        QCOMPARE(GridEvents(grid), thisMonth);
    }
};

LUM_TEST_MAIN(TstUnitActionsQuery)
#include "tst_unitactionsquery.moc"

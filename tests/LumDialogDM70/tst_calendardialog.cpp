// The date picker: its ROC year, and the picker form driven as a user would (typing a year in
// either era, switching the era, confirming or cancelling).

#include "CalendarX.h"
#include "Exceptions.h"
#include "FixedClock.h"
#include "TestMain.h"
#include "uCalendarDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace {

// Runs `act` on the picker form as soon as it is shown modally.
void WhenShown(const std::function<void(TCalendarForm *)> &act) {
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<TCalendarForm *>(QApplication::activeModalWidget());
        QVERIFY(form);
        act(form);
    });
}

void TypeInto(QSpinBox *edit, const QString &text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

class TstCalendarDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chineseYearKeepsMonthAndDay() {
        TCalendarDialog dlg;
        dlg.SetCalendarDate(TDateTime::EncodeDate(2006, 3, 15));
        QCOMPARE(dlg.ChineseYear(), 95);
        dlg.SetChineseYear(96);
        QCOMPARE(dlg.CalendarDate(), TDateTime::EncodeDate(2007, 3, 15));
        QCOMPARE(dlg.Year(), 2007);
        QCOMPARE(dlg.Month(), 3);
        QCOMPARE(dlg.Day(), 15);
        // A leap day has no twin in a common year: refused, the date kept.
        dlg.SetCalendarDate(TDateTime::EncodeDate(2008, 2, 29));
        QVERIFY_THROWS_EXCEPTION(EConvertError, dlg.SetChineseYear(98));
        QCOMPARE(dlg.CalendarDate(), TDateTime::EncodeDate(2008, 2, 29));
    }

    void startsTodayInTheRocCalendar() {
        TFixedClock clock(QDate(2026, 12, 7));
        TCalendarDialog dlg;
        QCOMPARE(dlg.CalendarDate(), TDateTime::EncodeDate(2026, 12, 7));
        QVERIFY(dlg.ChineseCalendar());
        QString title, year, month;
        WhenShown([&](TCalendarForm *form) {
            title = form->lbTitle->text();
            year = form->seYear->text();
            month = form->seMonth->text();
            QCOMPARE(form->windowTitle(), QStringLiteral("日期選取"));
            form->btnCancel->click();
        });
        QVERIFY(!dlg.Execute());
        QCOMPARE(title, QStringLiteral("民國"));
        QCOMPARE(year, QStringLiteral("115"));
        QCOMPARE(month, QStringLiteral("12"));
    }

    void typedRocYearMovesTheCalendarAndOkKeepsIt() {
        TCalendarDialog dlg;
        dlg.SetCaption(QStringLiteral("入學日期"));
        dlg.SetCalendarDate(TDateTime::EncodeDate(2010, 7, 20));
        QString caption;
        int shownYear = 0;
        WhenShown([&](TCalendarForm *form) {
            caption = form->windowTitle();
            TypeInto(form->seYear, QStringLiteral("95"));
            shownYear = form->MonthCalendar->Year();
            TypeInto(form->seMonth, QStringLiteral("2"));
            form->btnOK->click();
        });
        QVERIFY(dlg.Execute());
        QCOMPARE(caption, QStringLiteral("入學日期"));
        QCOMPARE(shownYear, 2006);
        QCOMPARE(dlg.CalendarDate(), TDateTime::EncodeDate(2006, 2, 20));
    }

    void gregorianEraShowsTheWholeYear() {
        TCalendarDialog dlg;
        dlg.SetCalendarDate(TDateTime::EncodeDate(2004, 5, 6));
        QString titleAfter, yearAfter;
        int calendarYear = 0;
        WhenShown([&](TCalendarForm *form) {
            QCOMPARE(form->seYear->value(), 93);
            form->rbGregorian->click();
            titleAfter = form->lbTitle->text();
            yearAfter = form->seYear->text();
            TypeInto(form->seYear, QStringLiteral("1999"));
            calendarYear = form->MonthCalendar->Year();
            form->btnCancel->click();
        });
        QVERIFY(!dlg.Execute());
        QCOMPARE(titleAfter, QStringLiteral("西元"));
        QCOMPARE(yearAfter, QStringLiteral("2004"));
        QCOMPARE(calendarYear, 1999);
        // Cancelled: the dialog keeps its date.
        QCOMPARE(dlg.CalendarDate(), TDateTime::EncodeDate(2004, 5, 6));
    }

    void movingInTheCalendarKeepsTheEditsInStep() {
        TCalendarForm form;
        form.SetChineseCalendar(true);
        form.SetCalendarDate(QDate(2006, 1, 31));
        QCOMPARE(form.GetChineseYear(), 95);
        form.MonthCalendar->setSelectedDate(QDate(2005, 12, 31));
        QCOMPARE(form.seYear->value(), 94);
        QCOMPARE(form.seMonth->value(), 12);
        form.setChineseYear(100);
        QCOMPARE(form.getCalendarDate(), QDate(2011, 12, 31));
        // An emptied year edit leaves the calendar where it is.
        form.seYear->clear();
        QCOMPARE(form.GetYear(), 2011);
    }
};

LUM_TEST_MAIN(TstCalendarDialog)
#include "tst_calendardialog.moc"

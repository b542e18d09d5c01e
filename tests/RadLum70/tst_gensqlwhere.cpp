// The SQL condition generator: combining, ranges, lists and the checks on typed input.

#include "CalendarX.h"
#include "ClientDataSet.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "StringList.h"
#include "TestMain.h"
#include "uGenSQLWhere.h"
#include "uMultiSelectCalendar.h"
#include "uTqDBNumEdit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>

namespace {

QString Text(const std::function<void(TGenSQLWhere &)> &build) {
    TGenSQLWhere w;
    build(w);
    return w.SQLWhere();
}

QString Message(const std::function<void()> &f) {
    try {
        f();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

TDateTime Day(int y, int m, int d) {
    return TDateTime::EncodeDate(y, m, d);
}

} // namespace

class TstGenSQLWhere : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void conditionsNestFromTheLeft() {
        QCOMPARE(Text([](TGenSQLWhere &w) {
                     w.SetSQLWhere(QStringLiteral("  "));
                     w.AsString(true, "A", "=", "1");
                     w.AsInteger(true, "B", ">", 2, 0);
                     w.AsFloat(false, "C", "<", 2.5, 0);
                     w.AsString(true, "D", "=", "   "); // nothing given: nothing added
                 }),
                 QStringLiteral("( ( A='1' And B>2 ) Or C<2.5 )"));
        // An apostrophe cannot end the literal early.
        QCOMPARE(Text([](TGenSQLWhere &w) { w.AsString(true, "Name", "=", "O'Neil"); }),
                 QStringLiteral("Name='O''Neil'"));
    }

    void integerRanges_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("equal") << 5 << 5 << "F=5";
        QTest::newRow("range") << 3 << 7 << "( F Between 3 and 7 )";
        QTest::newRow("no from") << 0 << 7 << "F<=7";
        QTest::newRow("no to") << 3 << 0 << "F=3";
        QTest::newRow("reversed") << 7 << 3 << "( F>=7 And F<=3 )";
        QTest::newRow("neither") << 0 << 0 << "";
    }
    void integerRanges() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.BetweenInteger(true, "F", from, to, 0); }),
                 expected);
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.BetweenFloat(true, "F", from, to, 0); }), expected);
    }

    void stringAndDateRanges() {
        QCOMPARE(Text([](TGenSQLWhere &w) { w.BetweenString(true, "F", "A", "", true); }),
                 QStringLiteral("F='A'"));
        QCOMPARE(Text([](TGenSQLWhere &w) { w.BetweenString(true, "F", "", "B", true); }),
                 QStringLiteral("F<='B'"));
        QCOMPARE(Text([](TGenSQLWhere &w) { w.BetweenString(true, "F", " A ", "C", true); }),
                 QStringLiteral("( F Between 'A' and 'C' )"));
        QCOMPARE(Text([](TGenSQLWhere &w) { w.BetweenString(true, "F", "C", "A", true); }),
                 QStringLiteral("( F>='C' And F<='A' )"));
        // Dates are whole days; two given dates make a Between in the order given.
        QCOMPARE(Text([](TGenSQLWhere &w) {
                     w.BetweenDate(true, "D", TDateTime(Day(2024, 9, 1).Value() + 0.75),
                                   Day(2024, 8, 1));
                 }),
                 QStringLiteral("( D Between '2024/09/01' and '2024/08/01' )"));
        QCOMPARE(
            Text([](TGenSQLWhere &w) { w.BetweenDate(true, "D", TDateTime(0), Day(2024, 8, 1)); }),
            QStringLiteral("D<='2024/08/01'"));
        QCOMPARE(Text([](TGenSQLWhere &w) { w.AsDate(true, "D", "=", TDateTime(0)); }), QString());
    }

    void likesAndLists() {
        QCOMPARE(Text([](TGenSQLWhere &w) { w.Like(true, "F", "abc"); }),
                 QStringLiteral("( F Like '%%abc%%' )"));
        QCOMPARE(Text([](TGenSQLWhere &w) { w.LikeLeft(true, "F", " abc "); }),
                 QStringLiteral("( F Like 'abc%%' )"));
        TStringList lines;
        lines.SetText(QStringLiteral("a\n\nb\n"));
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.InStrings(true, "F", lines); }),
                 QStringLiteral("( F In (  'a', 'b' ))"));
        TStringList numbers;
        numbers.SetText(QStringLiteral("1\n2\n"));
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.InIntegers(true, "F", numbers); }),
                 QStringLiteral("( F In (  1, 2 ))"));
        TStringList none;
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.InIntegers(true, "F", none); }), QString());
    }

    void inDataSetTakesDistinctValuesAndPutsTheCursorBack() {
        TClientDataSet ds;
        ds.AddField(ftInteger, QStringLiteral("No"));
        ds.AddField(ftString, QStringLiteral("Cls"), 10);
        ds.CreateDataSet();
        const std::pair<int, const char *> rows[] = {{3, "101"}, {1, "102"}, {3, ""}, {2, "101"}};
        for (auto [no, cls] : rows) {
            ds.Append();
            ds.FieldByName(QStringLiteral("No"))->SetAsInteger(no);
            if (*cls)
                ds.FieldByName(QStringLiteral("Cls"))->SetAsString(QLatin1String(cls));
            ds.Post();
        }
        ds.SetRecNo(2);
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.InDataSet(true, "StdNo", &ds, "No"); }),
                 QStringLiteral("( StdNo In (  3, 1, 2 ))"));
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.InDataSet(true, "Class", &ds, "Cls"); }),
                 QStringLiteral("( Class In (  '101', '102' ))"));
        QCOMPARE(ds.RecNo(), 2);
        QVERIFY_THROWS_EXCEPTION(
            Exception, Text([&](TGenSQLWhere &w) { w.InDataSet(true, "X", &ds, "NoSuchField"); }));
    }

    void typedInputIsChecked() {
        QWidget window;
        QLineEdit from(&window), to(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Integers: range, empty value, min = max takes anything.
        from.setText(QStringLiteral(" 12 "));
        QCOMPARE(EditToUnInt(&from, true, 0, 0, -1), 12);
        QCOMPARE(Message([&] { EditToUnInt(&from, true, 1, 10, -1); }),
                 QStringLiteral("輸入允許的範圍為 1 到 10"));
        QVERIFY(from.hasFocus());
        to.setFocus();
        from.setText(QString());
        QCOMPARE(EditToUnInt(&from, false, 1, 10, -1), -1);
        from.setText(QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(EConvertError, EditToUnInt(&from, false, 0, 0, -1));
        QVERIFY(from.hasFocus());
        from.setText(QStringLiteral("9"));
        to.setText(QStringLiteral("3"));
        int a = 0, b = 0;
        QCOMPARE(Message([&] { EditToUnInt2(&from, &to, 0, 0, 0, a, b); }),
                 QStringLiteral("範圍錯誤 9 > 3"));

        // Decimals.
        from.setText(QStringLiteral("1.25"));
        QCOMPARE(EditToFloat(&from, 2, true, 0, 0, 0), 1.25);
        from.setText(QStringLiteral("1.255"));
        QCOMPARE(Message([&] { EditToFloat(&from, 2, true, 0, 0, 0); }),
                 QStringLiteral("小數位數只可為 2 位"));
        QCOMPARE(Message([&] { EditToFloat(&from, 7, true, 0, 0, 0); }),
                 QStringLiteral("7 超過小數位數範圍( 0 - 6 )"));
        QCOMPARE(Round45(2.345, 2), 2.35);
        QCOMPARE(Round45(-2.345, 2), -2.35);
        QCOMPARE(Round45(2.5, 0), 3.0);
        QCOMPARE(nRound45(2.5), qint64(3));

        // Dates: text, calendars, required, order.
        from.setText(QStringLiteral("2024/9/1"));
        QCOMPARE(EditToDate(&from, true).Value(), Day(2024, 9, 1).Value());
        from.setText(QStringLiteral("2024/13/1"));
        QCOMPARE(Message([&] { EditToDate(&from, false); }), QStringLiteral("輸入日期格式錯誤"));
        from.setText(QString());
        QCOMPARE(Message([&] { EditToDate(&from, true); }), QStringLiteral("必須輸入日期"));
        QCOMPARE(EditToDate(&from, false).Value(), 0.0);
        QCalendarWidget calendar;
        calendar.setSelectedDate(QDate(2024, 8, 1));
        from.setText(QStringLiteral("2024/9/1"));
        TDateTime d1, d2;
        QCOMPARE(Message([&] { EditToDate2(&from, &calendar, d1, d2); }),
                 QStringLiteral("範圍錯誤 2024/09/01 > 2024/08/01"));

        // A failed read adds nothing.
        TGenSQLWhere w;
        w.SetSQLWhere(QStringLiteral("A=1"));
        to.setText(QStringLiteral("abc"));
        QVERIFY_THROWS_EXCEPTION(Exception, w.AsInteger(true, "B", "=", &to, true, 0, 0, 0));
        QCOMPARE(w.SQLWhere(), QStringLiteral("A=1"));
        from.setText(QStringLiteral("b"));
        to.setText(QStringLiteral("a"));
        QCOMPARE(Message([&] { w.BetweenString(true, "S", &from, &to); }),
                 QStringLiteral("範圍錯誤 b > a"));
        // An empty message aborts silently.
        QVERIFY_THROWS_EXCEPTION(EAbort, ValidGoWinControl(&from, QString()));
        SetEditText(&to, QStringLiteral("新"));
        QCOMPARE(sGetEditText(&to), QStringLiteral("新"));
    }

    void dataBoundEditsAndCalendarsAreReadAndWritten() {
        // A data-bound edit gets the text into its field, not only onto the screen.
        TClientDataSet ds;
        ds.FieldDefs().Add(QStringLiteral("Score"), ftInteger);
        ds.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
        ds.CreateDataSet();
        ds.Append();
        TDataSource source;
        source.SetDataSet(&ds);
        TTqDBNumEdit score, name;
        score.SetDataSource(&source);
        score.SetDataField(QStringLiteral("Score"));
        name.SetDataSource(&source);
        name.SetDataField(QStringLiteral("Name"));
        SetEditText(&score, QStringLiteral("42"));
        SetEditText(&name, QStringLiteral("王小明"));
        QCOMPARE(ds.FieldByName(QStringLiteral("Score"))->AsInteger(), 42);
        QCOMPARE(ds.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("王小明"));
        QCOMPARE(sGetEditText(&score), QStringLiteral("42"));
        ds.Post();
        QCOMPARE(
            Text([&](TGenSQLWhere &w) { w.AsInteger(true, "Score", "=", &score, true, 0, 0, 0); }),
            QStringLiteral("Score=42"));

        // A multi-select calendar is read by its date, whatever text it has.
        TMultiSelectCalendar month;
        month.SetYear(2024);
        month.SetMonth(9);
        month.SetDay(15);
        QCOMPARE(EditToDate(&month, true).Value(), Day(2024, 9, 15).Value());
        QCOMPARE(Text([&](TGenSQLWhere &w) { w.AsDate(true, "ADate", ">=", &month, true); }),
                 QStringLiteral("ADate>='2024/09/15'"));
        TCalendarX calendar;
        calendar.SetCalendarDate(QDate(2024, 10, 1));
        TDateTime d1, d2;
        EditToDate2(&month, &calendar, d1, d2);
        QCOMPARE(d1.Value(), Day(2024, 9, 15).Value());
        QCOMPARE(d2.Value(), Day(2024, 10, 1).Value());
    }
};

LUM_TEST_MAIN(TstGenSQLWhere)
#include "tst_gensqlwhere.moc"

#include "ClientDataSet.h"
#include "FilterExpr.h"

#include <QTest>

// Code rows: Main_Code, Code, ALevel (integer), Verify, CheckedDate (date), Ext, Amount (currency).
class TstFilterExpr : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void matches_data();
    void matches();
    void errorsNamePosition_data();
    void errorsNamePosition();
    void filterSurvivesRefreshAndEdits();
    void filterEventAndExpressionCombine();
    void badFilterKeepsThePreviousOne();
    void likeMatcher_data();
    void likeMatcher();

private:
    std::unique_ptr<TClientDataSet> FDs;
    QStringList Codes(const QString &filter, int options = 0);
};

void TstFilterExpr::init() {
    FDs = std::make_unique<TClientDataSet>();
    auto &defs = FDs->FieldDefs();
    defs.Add("Main_Code", ftString, 10);
    defs.Add("Code", ftString, 10);
    defs.Add("ALevel", ftInteger);
    defs.Add("Verify", ftString, 1);
    defs.Add("CheckedDate", ftDate);
    defs.Add("Ext", ftString, 10);
    defs.Add("Amount", ftCurrency);
    defs.Add("Active", ftBoolean);
    FDs->CreateDataSet();
    struct Row {
        const char *main, *code;
        int level;
        const char *verify;
        int day;
        const char *ext;
        double amount;
        bool active;
    };
    const Row rows[] = {
        {"NSEX", "1", 1, "Y", 1, ".doc", 10.5, true}, {"NSEX", "2", 2, "N", 0, ".xls", 0, false},
        {"NBLD", "A", 2, "Y", 0, ".DOC", -3, true},   {"NBLD", "B", 3, "Y", 15, ".txt", 100, false},
        {"CHA", "Ab'c", 1, "", 20, "", 7.25, true},
    };
    for (const Row &r : rows) {
        FDs->Append();
        FDs->FieldByName("Main_Code")->SetAsString(r.main);
        FDs->FieldByName("Code")->SetAsString(r.code);
        FDs->FieldByName("ALevel")->SetAsInteger(r.level);
        if (*r.verify)
            FDs->FieldByName("Verify")->SetAsString(r.verify);
        if (r.day)
            FDs->FieldByName("CheckedDate")->SetAsDateTime(TDateTime::EncodeDate(2024, 1, r.day));
        if (*r.ext)
            FDs->FieldByName("Ext")->SetAsString(r.ext);
        FDs->FieldByName("Amount")->SetAsFloat(r.amount);
        FDs->FieldByName("Active")->SetAsBoolean(r.active);
        FDs->Post();
    }
}

QStringList TstFilterExpr::Codes(const QString &filter, int options) {
    FDs->SetFiltered(false);
    FDs->SetFilterOptions(options);
    FDs->SetFilter(filter);
    FDs->SetFiltered(true);
    QStringList out;
    for (FDs->First(); !FDs->Eof(); FDs->Next())
        out << FDs->FieldByName("Code")->AsString();
    return out;
}

void TstFilterExpr::matches_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("codes");
    const int ci = foCaseInsensitive, np = foNoPartialCompare;
    QTest::newRow("equal") << "Main_Code='NSEX'" << 0 << QStringList{"1", "2"};
    QTest::newRow("field name any case") << "main_code = 'NBLD'" << 0 << QStringList{"A", "B"};
    QTest::newRow("bracketed name") << "[Main_Code]='CHA'" << 0 << QStringList{"Ab'c"};
    QTest::newRow("parenthesised and")
        << "( Main_Code='NBLD' ) and ( ALevel=2 )" << 0 << QStringList{"A"};
    QTest::newRow("is not null") << "(Verify='Y') and (CheckedDate is Not Null )" << 0
                                 << QStringList{"1", "B"};
    QTest::newRow("is null") << "Verify IS NULL" << 0 << QStringList{"Ab'c"};
    QTest::newRow("= null") << "Ext = NULL" << 0 << QStringList{"Ab'c"};
    QTest::newRow("case-sensitive text") << "Ext='.doc'" << 0 << QStringList{"1"};
    QTest::newRow("case-insensitive text") << "Ext='.doc'" << ci << QStringList{"1", "A"};
    QTest::newRow("partial") << "Main_Code='NS*'" << 0 << QStringList{"1", "2"};
    QTest::newRow("partial not equal") << "Main_Code<>'N*'" << 0 << QStringList{"Ab'c"};
    QTest::newRow("partial switched off") << "Main_Code='NS*'" << np << QStringList{};
    QTest::newRow("partial case-insensitive") << "Main_Code='ns*'" << ci << QStringList{"1", "2"};
    QTest::newRow("like contains") << "Ext LIKE '%o%'" << 0 << QStringList{"1"};
    QTest::newRow("like starts, two percent")
        << "Main_Code  LIKE 'NB%%'" << 0 << QStringList{"A", "B"};
    QTest::newRow("not like") << "Ext not like '.d%'" << 0 << QStringList{"2", "A", "B"};
    QTest::newRow("like case-insensitive") << "Ext LIKE '.D%'" << ci << QStringList{"1", "A"};
    QTest::newRow("numbers") << "ALevel >= 2 and ALevel < 3" << 0 << QStringList{"2", "A"};
    QTest::newRow("number as text") << "ALevel = '3'" << 0 << QStringList{"B"};
    QTest::newRow("negative currency") << "Amount < -1" << 0 << QStringList{"A"};
    QTest::newRow("decimal") << "Amount = 7.25" << 0 << QStringList{"Ab'c"};
    QTest::newRow("date in quotes")
        << "CheckedDate > '2024/01/10'" << 0 << QStringList{"B", "Ab'c"};
    QTest::newRow("quote doubled") << "Code = 'Ab''c'" << 0 << QStringList{"Ab'c"};
    QTest::newRow("or and not") << "not (ALevel = 2) or Code = 'A'" << 0
                                << QStringList{"1", "A", "B", "Ab'c"};
    QTest::newRow("and binds tighter")
        << "Code='1' or Code='2' and ALevel=1" << 0 << QStringList{"1"};
    QTest::newRow("in list") << "Code in ('1', 'B', 'zz')" << 0 << QStringList{"1", "B"};
    QTest::newRow("not in") << "ALevel not in (1, 2)" << 0 << QStringList{"B"};
    QTest::newRow("boolean field alone") << "Active" << 0 << QStringList{"1", "A", "Ab'c"};
    QTest::newRow("boolean literal") << "Active = false" << 0 << QStringList{"2", "B"};
    QTest::newRow("constant first") << "2 < ALevel" << 0 << QStringList{"B"};
    QTest::newRow("comparison with null is false") << "Verify <> 'Y'" << 0 << QStringList{"2"};
    QTest::newRow("keywords any case")
        << "Verify = 'Y' AND ALevel=1 Or Ext Is Null" << 0 << QStringList{"1", "Ab'c"};
    QTest::newRow("dynamic filter output")
        << " Main_Code  = 'NBLD' AND  (  ALevel  >= 3 OR  Code  LIKE 'A%' ) " << 0
        << QStringList{"A", "B"};
}

void TstFilterExpr::matches() {
    QFETCH(QString, filter);
    QFETCH(int, options);
    QFETCH(QStringList, codes);
    QCOMPARE(Codes(filter, options), codes);
}

void TstFilterExpr::errorsNamePosition_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("position");
    QTest::newRow("empty") << "   " << -1;
    QTest::newRow("unknown field") << "Code = 1 and Nope = 2" << 14;
    QTest::newRow("unterminated string") << "Code = 'abc" << 8;
    QTest::newRow("missing operand") << "Code = " << 8;
    QTest::newRow("unbalanced open") << "(Code = 'a'" << 12;
    QTest::newRow("unbalanced close") << "Code = 'a')" << 11;
    QTest::newRow("bad character") << "Code # 'a'" << 6;
    QTest::newRow("is without null") << "Code is 'a'" << 9;
    QTest::newRow("dangling and") << "Code = 'a' and" << 15;
    QTest::newRow("type mismatch") << "ALevel = 'abc'" << 10;
    QTest::newRow("bad date") << "CheckedDate = 'yesterday'" << 15;
    QTest::newRow("lone bang") << "Code ! 'a'" << 6;
    QTest::newRow("deep nesting") << QString(300, '(') + "Code='a'" + QString(300, ')') << -1;
}

void TstFilterExpr::errorsNamePosition() {
    QFETCH(QString, filter);
    QFETCH(int, position);
    if (filter.trimmed().isEmpty()) {
        // An empty filter is no filter at all.
        QCOMPARE(Codes(filter).size(), 5);
        return;
    }
    FDs->SetFiltered(true);
    try {
        FDs->SetFilter(filter);
        QFAIL("no error raised");
    } catch (const EDatabaseError &e) {
        if (position > 0)
            QVERIFY2(e.Message().contains(QStringLiteral("position %1:").arg(position)),
                     qPrintable(e.Message()));
    }
}

void TstFilterExpr::filterSurvivesRefreshAndEdits() {
    QCOMPARE(Codes("Main_Code='NBLD'"), QStringList({"A", "B"}));
    FDs->First();
    FDs->Edit();
    FDs->FieldByName("Main_Code")->SetAsString("XXXX");
    FDs->Post();
    // The edited record no longer passes and leaves the view.
    QCOMPARE(FDs->RecordCount(), 1);
    FDs->Refresh();
    QCOMPARE(FDs->RecordCount(), 1);
    FDs->Append();
    FDs->FieldByName("Main_Code")->SetAsString("NBLD");
    FDs->FieldByName("Code")->SetAsString("C");
    FDs->Post();
    QCOMPARE(FDs->RecordCount(), 2);
    FDs->SetFiltered(false);
    QCOMPARE(FDs->RecordCount(), 6);
}

void TstFilterExpr::filterEventAndExpressionCombine() {
    FDs->SetOnFilterRecord(
        [](TDataSet *d, bool &accept) { accept = d->FieldByName("ALevel")->AsInteger() > 1; });
    QCOMPARE(Codes("Main_Code='NSEX'"), QStringList({"2"}));
    QCOMPARE(Codes(""), QStringList({"2", "A", "B"}));
}

void TstFilterExpr::badFilterKeepsThePreviousOne() {
    QCOMPARE(Codes("ALevel = 1"), QStringList({"1", "Ab'c"}));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, FDs->SetFilter("ALevel = "));
    QCOMPARE(FDs->Filter(), QString("ALevel = 1"));
    QCOMPARE(FDs->RecordCount(), 2);
}

void TstFilterExpr::likeMatcher_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("match");
    QTest::newRow("empty pattern") << ""
                                   << "" << true;
    QTest::newRow("percent only") << "abc"
                                  << "%" << true;
    QTest::newRow("underscore") << "abc"
                                << "a_c" << true;
    QTest::newRow("underscore needs a char") << "ac"
                                             << "a_c" << false;
    QTest::newRow("backtracking") << "aXbXc"
                                  << "a%b%c" << true;
    QTest::newRow("suffix") << "file.doc"
                            << "%.doc" << true;
    QTest::newRow("suffix mismatch") << "file.docx"
                                     << "%.doc" << false;
    QTest::newRow("chinese") << "學生資料"
                             << "%生資%" << true;
}

void TstFilterExpr::likeMatcher() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, match);
    QCOMPARE(LikeMatch(text, pattern, false), match);
}

QTEST_GUILESS_MAIN(TstFilterExpr)
#include "tst_filterexpr.moc"

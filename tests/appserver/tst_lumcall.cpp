// lumcall, the command-line client, against a real server: typed arguments, a method's result
// with its output arguments, a provider's rows, and the errors it reports.

#include "AppServerFixture.h"
#include "LumCall.h"

#include <QTest>

namespace {
struct TOutcome {
    int Code;
    QString Out;
    QString Err;
};

TOutcome Call(const QStringList &arguments) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = LumCall::Run(arguments, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}
} // namespace

class TstLumCall : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void argumentsTakeTheirType();
    void callsFetchesAndErrors();
    void objectsOfOtherGroupsRefused();
};

void TstLumCall::argumentsTakeTheirType() {
    using LumCall::ParseArgument;
    QVERIFY(ParseArgument("null").IsNull());
    QCOMPARE(ParseArgument("true").VarType(), TVarType::Boolean);
    QCOMPARE(ParseArgument("-42").VarType(), TVarType::Integer);
    QCOMPARE(ParseArgument("5000000000").VarType(), TVarType::Int64);
    QCOMPARE(ParseArgument("5000000000").ToInt64(), Q_INT64_C(5000000000));
    QCOMPARE(ParseArgument("1.5").ToDouble(), 1.5);
    QCOMPARE(ParseArgument("s:42").VarType(), TVarType::String);
    QCOMPARE(ParseArgument("1.2.3").ToString(), QString("1.2.3"));
    QCOMPARE(ParseArgument("d:2024-02-29").ToDateTime().Value(),
             TDateTime::EncodeDate(2024, 2, 29).Value());
    QVERIFY_THROWS_EXCEPTION(Exception, ParseArgument("d:2024-02-30"));
    QCOMPARE(LumCall::Show(Variant::ArrayOf({Variant(1), Variant::Null(), Variant("甲")})),
             QString("[1, null, 甲]"));
}

void TstLumCall::callsFetchesAndErrors() {
    TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
    const QString port = QString::number(server.Port());
    const QString security = QStringLiteral("SrvJobSecurity.SecurityINTF");
    const QStringList teacher{"--port", port, "--user", "T001", "--password", "teach-2024"};

    // Without signing in the students stay unread; signed in they are listed.
    TOutcome r = Call({"--port", port, "SrvAcademic.AcadStudentINTF", "--fetch", "dspStdBasic"});
    QCOMPARE(r.Code, 1);
    QCOMPARE(r.Err, QStringLiteral("error: 尚未登入或登入已逾時\n"));
    QVERIFY(!r.Out.contains("StudentID"));
    r = Call(teacher + QStringList{"SrvAcademic.AcadStudentINTF", "--fetch", "dspStdBasic"});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith("StudentID\t") && r.Out.contains(" records\n"), qPrintable(r.Out));
    r = Call({"--port", port, "--user", "T001", "--password", "guess", security, "--providers"});
    QCOMPARE(r.Code, 1);
    QVERIFY2(r.Err.contains("cannot sign in as T001: 帳號或密碼錯誤"), qPrintable(r.Err));
    QCOMPARE(Call({"--port", port, "--password", "x", security, "--providers"}).Code, 2);

    r = Call({"--port", port, security, "Login", "T001", "teach-2024", ""});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith("result: True\n"), qPrintable(r.Out));

    // A refused login is an answer, not an error: false with the server's message.
    r = Call({"--port", port, security, "Login", "T001", "wrong", ""});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.contains("result: False\n") && r.Out.contains("arg 2: 帳號或密碼錯誤"),
             qPrintable(r.Out));

    r = Call({"--port", port, "SystemObj.ObjServersINTF", "--fetch", "xspServerLocation"});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith("ServerName\tComputerName\tPort\n") &&
                 r.Out.contains("SrvJobSecurity\t") && r.Out.endsWith("3 records\n"),
             qPrintable(r.Out));

    r = Call(teacher + QStringList{"SystemObj.CodeTableINTF", "--providers"});
    QCOMPARE(r.Code, 0);
    QVERIFY(r.Out.split('\n').contains("xspCodeTable"));

    // A provider parameter travels with the fetch.
    r = Call(teacher + QStringList{security, "--fetch", "dspUserProfile", "--param", "ID=s:T001"});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.contains("MainForm"), qPrintable(r.Out));

    r = Call(teacher + QStringList{security, "NoSuchMethod"});
    QCOMPARE(r.Code, 1);
    QVERIFY2(r.Err.contains("error: ") && r.Err.contains("NoSuchMethod"), qPrintable(r.Err));

    r = Call({"--port", port, "No.SuchINTF", "--providers"});
    QCOMPARE(r.Code, 1);
    QVERIFY(r.Err.startsWith("error: "));

    QCOMPARE(Call({"--port", port, security}).Code, 2);
    QCOMPARE(Call({"--port", "x", security, "Login"}).Code, 2);
    QCOMPARE(Call({"--bogus"}).Code, 2);
}

// A teacher of 教務 is refused the accounts until the group is given them.
void TstLumCall::objectsOfOtherGroupsRefused() {
    TAppServerFixture server({}, 0, TFixtureSignIn::SignedOut);
    const QStringList accounts{
        "--port",     QString::number(server.Port()), "--user",  "T001",       "--password",
        "teach-2024", "SrvAccGL.ACCGLINTF",           "--fetch", "dspAccTitle"};
    TOutcome r = Call(accounts);
    QCOMPARE(r.Code, 1);
    QCOMPARE(r.Err, QStringLiteral("error: 權限不足:SrvAccGL.ACCGLINTF\n"));
    QVERIFY(!r.Out.contains("AccNo"));
    server.Database().Run({"INSERT INTO JobPermissions (GroupID, ProgID, CanApply) VALUES "
                           "('ACAD', 'SrvAccGL.ACCGLINTF', 0)"});
    r = Call(accounts);
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith("AccNo\t") && r.Out.endsWith("30 records\n"), qPrintable(r.Out));
}

QTEST_GUILESS_MAIN(TstLumCall)
#include "tst_lumcall.moc"

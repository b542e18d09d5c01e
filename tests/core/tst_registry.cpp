// The settings registry over INI files.

#include "Exceptions.h"
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstRegistry : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

private Q_SLOTS:
    void init() {
        // Each test starts with empty roots of its own.
        QDir(FDir.path()).removeRecursively();
        QDir().mkpath(FDir.path());
        qputenv("ORV7_MACHINE_REGISTRY",
                QFile::encodeName(FDir.filePath(QStringLiteral("machine"))));
        qputenv("ORV7_USER_REGISTRY", QFile::encodeName(FDir.filePath(QStringLiteral("user"))));
    }

    void rootsLiveWhereTheEnvironmentSays() {
        QCOMPARE(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE),
                 FDir.filePath(QStringLiteral("machine/registry.ini")));
        TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
        QVERIFY(reg.OpenKey(QStringLiteral("\\SOFTWARE\\ORV7.0\\AppServers\\DefaultServer"), true));
        reg.WriteString(QStringLiteral("IP"), QStringLiteral("10.1.2.3"));
        reg.WriteInteger(QStringLiteral("Port"), 250);
        QVERIFY(QFile::exists(FDir.filePath(QStringLiteral("machine/registry.ini"))));
        QVERIFY(!QFile::exists(FDir.filePath(QStringLiteral("user/registry.ini"))));

        TRegistry other(TRootKey::HKEY_LOCAL_MACHINE);
        QVERIFY(other.OpenKeyReadOnly(QStringLiteral("SOFTWARE/Orv7.0/appservers/defaultserver")));
        QCOMPARE(other.ReadString(QStringLiteral("ip")), QStringLiteral("10.1.2.3"));
        QCOMPARE(other.ReadInteger(QStringLiteral("PORT")), 250);
        QVERIFY(other.ValueExists(QStringLiteral("Ip")));

        TRegistry user(TRootKey::HKEY_CURRENT_USER);
        QVERIFY(!user.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\ORV7.0\\AppServers")));
    }

    void readingMissingOrMistypedValues() {
        TRegistry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("\\SOFTWARE\\Orv7.0\\DataFiles"), true));
        QCOMPARE(reg.ReadString(QStringLiteral("Nothing")), QString());
        try {
            reg.ReadInteger(QStringLiteral("Port"));
            QFAIL("no error");
        } catch (const ERegistryException &e) {
            QCOMPARE(e.Message(), QStringLiteral("Invalid data type for 'Port'"));
        }
        reg.WriteString(QStringLiteral("Port"), QStringLiteral("abc"));
        QVERIFY_THROWS_EXCEPTION(ERegistryException, reg.ReadInteger(QStringLiteral("Port")));
        reg.WriteInteger(QStringLiteral("Count"), -3);
        QVERIFY_THROWS_EXCEPTION(ERegistryException, reg.ReadString(QStringLiteral("Count")));
    }

    void awkwardTextSurvives() {
        TRegistry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("A\\B"), true));
        const QString text = QStringLiteral("a=b; [c]\nsecond line \\ end");
        reg.WriteString(QStringLiteral("key=with equals"), text);
        reg.WriteString(QStringLiteral("中文名稱"), QStringLiteral("校務行政"));
        TRegistry back;
        QVERIFY(back.OpenKey(QStringLiteral("a/b"), false));
        QCOMPARE(back.ReadString(QStringLiteral("key=with equals")), text);
        QCOMPARE(back.ReadString(QStringLiteral("中文名稱")), QStringLiteral("校務行政"));
        QCOMPARE(back.GetValueNames(), (QStringList{"key=with equals", "中文名稱"}));
    }

    void keysAreATree() {
        TRegistry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("\\Root\\One"), true));
        reg.WriteInteger(QStringLiteral("v"), 1);
        QVERIFY(reg.OpenKey(QStringLiteral("Child"), true)); // relative to the open key
        QCOMPARE(reg.CurrentPath(), QStringLiteral("Root/One/Child"));
        QVERIFY(reg.OpenKey(QStringLiteral("\\Root\\Two"), true));
        reg.CloseKey();
        QVERIFY(reg.OpenKey(QStringLiteral("\\Root"), false)); // exists through its subkeys
        QCOMPARE(reg.GetKeyNames(), (QStringList{"One", "Two"}));
        QVERIFY(reg.KeyExists(QStringLiteral("\\ROOT\\one\\child")));
        QVERIFY(reg.DeleteKey(QStringLiteral("\\Root\\One")));
        QVERIFY(!reg.KeyExists(QStringLiteral("\\Root\\One\\Child")));
        QVERIFY(reg.KeyExists(QStringLiteral("\\Root\\Two")));
        QVERIFY(!reg.DeleteKey(QStringLiteral("\\Root\\One")));
    }

    void deleteValue() {
        TRegistry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("\\K"), true));
        reg.WriteString(QStringLiteral("a"), QStringLiteral("1"));
        QVERIFY(reg.DeleteValue(QStringLiteral("A")));
        QVERIFY(!reg.ValueExists(QStringLiteral("a")));
        QVERIFY(!reg.DeleteValue(QStringLiteral("a")));
    }

    void writeFailuresAreReported() {
        TRegistry reg;
        QVERIFY_THROWS_EXCEPTION(
            ERegistryException,
            reg.WriteString(QStringLiteral("x"), QStringLiteral("no key open")));
        QVERIFY(reg.OpenKey(QStringLiteral("\\K"), true));
        reg.WriteString(QStringLiteral("kept"), QStringLiteral("yes"));
        // A root whose folder is a file cannot be written; the old contents stay readable.
        const QString blocker = FDir.filePath(QStringLiteral("blocked"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        qputenv("ORV7_USER_REGISTRY", QFile::encodeName(blocker));
        QVERIFY(!reg.OpenKey(QStringLiteral("\\New"), true));
        qputenv("ORV7_USER_REGISTRY", QFile::encodeName(FDir.filePath(QStringLiteral("user"))));
        QCOMPARE(reg.ReadString(QStringLiteral("kept")), QStringLiteral("yes"));
    }

    void handWrittenFilesAreRead() {
        QDir().mkpath(FDir.filePath(QStringLiteral("user")));
        QFile f(TRegistry::RootFile(TRootKey::HKEY_CURRENT_USER));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "; comment\n[SOFTWARE\\ORV7.0]\r\nRegType=d:1\r\nName=plain text\r\ngarbage line\r\n");
        f.close();
        TRegistry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("\\software\\orv7.0"), false));
        QCOMPARE(reg.ReadInteger(QStringLiteral("RegType")), 1);
        QCOMPARE(reg.ReadString(QStringLiteral("Name")), QStringLiteral("plain text"));
    }
};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"

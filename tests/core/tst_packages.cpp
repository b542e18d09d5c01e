// The class registry and the package loader.

#include "Component.h"
#include "Exceptions.h"
#include "Packages.h"

#include <QCoreApplication>
#include <QTest>

class TstPackages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void registryIgnoresLetterCase() {
        RegisterClass(QStringLiteral("TLocalThing"),
                      [](QObject *owner) -> TComponentBase * { return new TComponent(owner); });
        const TPersistentClass *c = GetClass(QStringLiteral("tlocalTHING"));
        QVERIFY(c);
        QCOMPARE(c->ClassName, QStringLiteral("TLocalThing"));
        QCOMPARE(c->Package, TPackageHandle(0));
        TComponent owner;
        QCOMPARE(c->Create(&owner)->Owner(), &owner);
        try {
            FindClass(QStringLiteral("TNoSuchClass"));
            QFAIL("no error");
        } catch (const EClassNotFound &e) {
            QCOMPARE(e.Message(), QStringLiteral("Class TNoSuchClass not found"));
        }
        UnRegisterModuleClasses(0);
        QVERIFY(!GetClass(QStringLiteral("TLocalThing")));
    }

    void packagesRegisterWhileLoading() {
        const int before = RegisteredClassCount();
        const TPackageHandle a = LoadPackage(QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobA.bpl"));
        QVERIFY(a != 0);
        QCOMPARE(RegisteredClassCount(), before + 1);
        const TPersistentClass *c = GetClass(QStringLiteral("TTSTJOBA"));
        QVERIFY(c);
        QCOMPARE(c->Package, a);
        QCOMPARE(PackageFileName(a), QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobA.bpl"));

        const TPackageHandle b = LoadPackage(QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobB.bpl"));
        UnRegisterModuleClasses(a); // only the classes of that package go
        QVERIFY(!GetClass(QStringLiteral("TTstJobA")));
        QVERIFY(GetClass(QStringLiteral("TTstJobB")));
        UnloadPackage(a);
        QCOMPARE(PackageFileName(a), QString());
        UnRegisterModuleClasses(b);
        UnloadPackage(b);
        QCOMPARE(RegisteredClassCount(), before);

        // Loaded again after unloading, the package registers its class again.
        const TPackageHandle again =
            LoadPackage(QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobA.bpl"));
        QVERIFY(GetClass(QStringLiteral("TTstJobA")));
        UnRegisterModuleClasses(again);
        UnloadPackage(again);
    }

    void bareNamesComeFromTheProgramFolder() {
        qputenv("ORV7_PROGRAM_DIR", LUM_TEST_PACKAGE_DIR);
        QCOMPARE(ProgramFolder(), QStringLiteral(LUM_TEST_PACKAGE_DIR "/"));
        const TPackageHandle h = LoadPackage(QStringLiteral("TstJobB.bpl"));
        QCOMPARE(PackageFileName(h), QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobB.bpl"));
        UnRegisterModuleClasses(h);
        UnloadPackage(h);
        qunsetenv("ORV7_PROGRAM_DIR");
        QCOMPARE(ProgramFolder(), QCoreApplication::applicationDirPath() + u'/');
    }

    void missingPackagesRaise() {
        const int before = RegisteredClassCount();
        try {
            LoadPackage(QStringLiteral("NoSuchJob.bpl"));
            QFAIL("no error");
        } catch (const EPackageError &e) {
            QVERIFY(e.Message().startsWith(QStringLiteral("Can't load package NoSuchJob.bpl.\n")));
        }
        QCOMPARE(RegisteredClassCount(), before);
        UnloadPackage(12345); // unknown handles are ignored
    }
};

QTEST_GUILESS_MAIN(TstPackages)
#include "tst_packages.moc"

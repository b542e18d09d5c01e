// Publishing a program folder into the server's file lists.

#include "Exceptions.h"
#include "PackagePublisher.h"
#include "RadSystemApi.h"
#include "ServerDatabase.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

class TstPackagePublisher : public QObject {
    Q_OBJECT

    static QVariant Value(TServerDatabase &db, const QString &sql) {
        QSqlQuery q = db.Exec(sql);
        return q.next() ? q.value(0) : QVariant();
    }

private Q_SLOTS:
    void packagesAndTemplatesReachTheLists() {
        QTemporaryDir dir;
        TDatabaseConfig config;
        config.Name = dir.filePath(QStringLiteral("school.sqlite"));
        config.HashCost = THashCost::Minimal;
        TServerDatabase db(config);

        const QString folder = dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(folder + QStringLiteral("/TemplateDocs"));
        const QString package = folder + QStringLiteral("/TstJobA.bpl");
        QVERIFY(QFile::copy(QStringLiteral(LUM_TEST_PACKAGE_DIR "/TstJobA.bpl"), package));
        {
            QFile doc(folder + QStringLiteral("/TemplateDocs/Notice.docx"));
            QVERIFY(doc.open(QIODevice::WriteOnly));
            doc.write("PK template");
        }
        QVERIFY(QFile(folder + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly));

        TPublishResult r = PublishProgramFolder(db, folder);
        QCOMPARE(r.Packages, 1);
        QCOMPARE(r.Templates, 1);
        QCOMPARE(Value(db, "SELECT count(*) FROM ClientApps WHERE FileName='notes.txt'").toInt(),
                 0);
        QCOMPARE(
            Value(db, "SELECT Version FROM ClientApps WHERE FileName='TstJobA.bpl'").toString(),
            GetFileVersionInformation(package, QStringLiteral("FileVersion")));
        QCOMPARE(Value(db, "SELECT length(FileData) FROM ClientApps WHERE FileName='TstJobA.bpl'")
                     .toLongLong(),
                 QFileInfo(package).size());
        QCOMPARE(Value(db, "SELECT CheckSum FROM DataFiles WHERE FileName='Notice.docx'").toInt(),
                 11);
        QCOMPARE(Value(db, "SELECT Ext FROM DataFiles WHERE FileName='Notice.docx'").toString(),
                 QStringLiteral(".docx"));

        // Nothing changed: nothing is written again.
        r = PublishProgramFolder(db, folder);
        QCOMPARE(r.Packages + r.Templates, 0);

        // A changed package replaces the bytes and keeps the flags the school gave it.
        db.Exec("UPDATE ClientApps SET AtClient = 2, AppType = 'A,教務' "
                "WHERE FileName = 'TstJobA.bpl'");
        {
            QFile f(package);
            QVERIFY(f.open(QIODevice::Append));
            f.write("x");
        }
        r = PublishProgramFolder(db, folder);
        QCOMPARE(r.Packages, 1);
        QCOMPARE(
            Value(db, "SELECT CheckSum FROM ClientApps WHERE FileName='TstJobA.bpl'").toLongLong(),
            QFileInfo(package).size());
        QCOMPARE(Value(db, "SELECT AtClient FROM ClientApps WHERE FileName='TstJobA.bpl'").toInt(),
                 2);
        QCOMPARE(
            Value(db, "SELECT AppType FROM ClientApps WHERE FileName='TstJobA.bpl'").toString(),
            QStringLiteral("A,教務"));

        QVERIFY_THROWS_EXCEPTION(Exception,
                                 PublishProgramFolder(db, dir.filePath(QStringLiteral("none"))));
    }
};

LUM_TEST_MAIN(TstPackagePublisher)
#include "tst_PackagePublisher.moc"

#pragma once
// A students table in an SQLite file behind providers in the test's own process, for the
// table and query forms: what the forms read and write can be checked in the file, and the
// counts tell how often the forms reached the provider.

#include "ClientDataSet.h"
#include "Component.h"
#include "DBActions.h"
#include "Provider.h"
#include "SqlQuery.h"
#include "uBaseTBForm.h"
#include "uSingalTBForm.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

inline const QString Conn = QStringLiteral("tableform-test");

// A students table in an SQLite file behind a provider that the form's dataset reaches by
// name, and counts of what reached the provider.
struct TStudents {
    QTemporaryDir Dir;
    TComponent Owner;
    TSqlQuery *Query, *ByNoQuery;
    TDataSetProvider *Provider, *ByNoProvider;
    TLocalAppServer Server;
    int Reads = 0, Applies = 0;

    TStudents() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Conn);
        db.setDatabaseName(Dir.filePath(QStringLiteral("school.db")));
        db.open();
        Exec("CREATE TABLE students (No TEXT PRIMARY KEY, Name TEXT, Sex TEXT, EditInfo TEXT)");
        Exec("INSERT INTO students VALUES ('S01', '王小明', '1', NULL), "
             "('S02', '李小華', '2', 'a-1,b-2'), ('S03', '陳大同', '1', NULL)");
        Query =
            MakeQuery(QStringLiteral("SELECT No, Name, Sex, EditInfo FROM students ORDER BY No"));
        Provider = MakeProvider(QStringLiteral("dspStudents"), Query);
        ByNoQuery = MakeQuery(
            QStringLiteral("SELECT No, Name, Sex, EditInfo FROM students WHERE No = :No"));
        ByNoQuery->Params().CreateParam(ftString, QStringLiteral("No"));
        ByNoProvider = MakeProvider(QStringLiteral("dspStudentByNo"), ByNoQuery);
    }
    TSqlQuery *MakeQuery(const QString &sql) {
        auto *query = new TSqlQuery(&Owner);
        query->SetConnectionName(Conn);
        query->SetSQL(sql);
        query->FieldDefs().Add(QStringLiteral("No"), ftString, 10).ProviderFlags =
            pfInKey | pfInWhere | pfInUpdate;
        query->FieldDefs().Add(QStringLiteral("Name"), ftString, 40);
        query->FieldDefs().Add(QStringLiteral("Sex"), ftString, 1);
        query->FieldDefs().Add(QStringLiteral("EditInfo"), ftString, 255);
        return query;
    }
    TDataSetProvider *MakeProvider(const QString &name, TSqlQuery *query) {
        auto *provider = new TDataSetProvider(&Owner);
        provider->SetName(name);
        provider->SetDataSet(query);
        // The query forms send the statements their criteria make.
        provider->SetOptions(poAllowCommandText);
        provider->BeforeGetRecords = [this](TDataSetProvider *, Variant &) { ++Reads; };
        provider->BeforeApplyUpdates = [this](TDataSetProvider *, Variant &) { ++Applies; };
        Server.RegisterProvider(provider);
        return provider;
    }
    ~TStudents() {
        delete ByNoProvider;
        delete Provider;
        delete ByNoQuery;
        delete Query;
        QSqlDatabase::database(Conn).close();
        QSqlDatabase::removeDatabase(Conn);
    }
    void Exec(const char *sql) {
        QSqlQuery q(QSqlDatabase::database(Conn));
        if (!q.exec(QString::fromUtf8(sql)))
            qFatal("%s", sql);
    }
    QString Value(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(Conn));
        q.exec(sql);
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
    // Binds the form's dataset to a provider and shows the data actions, as a job form does.
    void Bind(TSingalTBForm *form, const QString &provider = QStringLiteral("dspStudents")) {
        Bind(form, form->ActiveDataSet, provider);
    }
    void Bind(TBaseTBForm *form, TClientDataSet *dataSet,
              const QString &provider = QStringLiteral("dspStudents")) {
        for (QAction *action : std::initializer_list<QAction *>{
                 form->DataInsert, form->DataEdit, form->DataCopy, form->DataPrint,
                 form->DataSetDelete, form->DataSetPost, form->DataSetCancel, form->DataSetFirst,
                 form->DataSetPrior, form->DataSetNext, form->DataSetLast})
            action->setVisible(true);
        dataSet->SetAppServer(&Server);
        FinishLoading(form); // as the program's form creation does
        dataSet->SetProviderName(provider);
    }
};

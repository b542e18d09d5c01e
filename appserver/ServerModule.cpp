#include "ServerModule.h"

#include "ObjectServer.h"

TServerModule::TServerModule(const TServerContext &context, const QList<TProviderDef> &providers)
    : FContext(context), FProviders(std::make_unique<TProviderHost>(*context.Database, providers)) {
    FProviders->AfterApply = [this](const QString &provider, const TApplyCounts &counts,
                                    int errors) { RecordApply(provider, counts, errors); };
    PublishAppServer(FProviders.get());
    Method(DispRefreshDataSet, QStringLiteral("RefreshDataSet"), 1, {}, [this](TRemoteCall &c) {
        FProviders->Refresh(c.Str(0));
        return Variant();
    });
}

TServerModule::~TServerModule() = default;

QString TServerModule::SessionUser() const {
    return FContext.Session ? FContext.Session->User : QString();
}

void TServerModule::RecordApply(const QString &provider, const TApplyCounts &counts, int errors) {
    Db().Transaction([&] {
        Db().Exec(QStringLiteral("INSERT INTO ApplyLog (ID, ApplyTime, ProgID, Provider, Inserted, "
                                 "Changed, Deleted, Errors) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                  {SessionUser(), NowText(), FContext.ProgID, provider, counts.Inserted,
                   counts.Modified, counts.Deleted, errors});
    });
}

QStringList TServerModule::Lines(const QString &text) {
    QStringList items;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        const QString item = line.trimmed();
        if (!item.isEmpty())
            items << item;
    }
    return items;
}

QString TServerModule::Text(const QStringList &items) {
    QString out;
    for (const QString &item : items)
        out += item + u'\n';
    return out;
}

QStringList TServerModule::Column(const QString &sql, const QVariantList &binds) {
    QStringList values;
    QSqlQuery q = Db().Exec(sql, binds);
    while (q.next())
        values << q.value(0).toString();
    return values;
}

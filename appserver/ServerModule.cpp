#include "ServerModule.h"

TServerModule::TServerModule(const TServerContext &context, const QList<TProviderDef> &providers)
    : FContext(context), FProviders(std::make_unique<TProviderHost>(*context.Database, providers)) {
    PublishAppServer(FProviders.get());
    Method(DispRefreshDataSet, QStringLiteral("RefreshDataSet"), 1, {}, [this](TRemoteCall &c) {
        FProviders->Refresh(c.Str(0));
        return Variant();
    });
}

TServerModule::~TServerModule() = default;

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

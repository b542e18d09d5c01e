#include "IDNameModule.h"

#include "RemoteProtocol.h"

bool TIDNameModule::Lookup(const QString &type, const QString &value, QString &name) {
    QVariant found;
    const QString t = type.toUpper();
    if (t == QLatin1String("USER")) {
        found = Db().Scalar(QStringLiteral("SELECT Cht_Name FROM Users WHERE ID = ?"), {value});
    } else if (t == QLatin1String("UNIT")) {
        found = Db().Scalar(QStringLiteral("SELECT UnitName FROM Units WHERE UnitID = ?"), {value});
    } else if (t == QLatin1String("CODE")) {
        const qsizetype dot = value.indexOf(u'.');
        if (dot > 0)
            found = Db().Scalar(
                QStringLiteral("SELECT Descript FROM CodeTable WHERE Main_Code = ? AND Code = ?"),
                {value.left(dot), value.mid(dot + 1)});
    } else {
        throw EServerError(QStringLiteral("Unknown identifier type %1").arg(type));
    }
    name = found.isValid() ? found.toString() : QString();
    return found.isValid();
}

TIDNameModule::TIDNameModule(const TServerContext &context) : TServerModule(context, {}) {
    Method(1, "IDToName", 3, {2}, [this](TRemoteCall &c) {
        QString name;
        const bool ok = Lookup(c.Str(0), c.Str(1), name);
        c.Out(2) = Variant(name);
        return Variant(ok);
    });
    Method(2, "IDType", 0, {},
           [](TRemoteCall &) { return Variant(QStringLiteral("USER\nUNIT\nCODE\n")); });
    Method(3, "GetIDData", 2, {}, [this](TRemoteCall &c) {
        QString name;
        if (!Lookup(c.Str(0), c.Str(1), name))
            return Variant::Null();
        return Variant::ArrayOf({Variant(c.Str(1)), Variant(name)});
    });
}

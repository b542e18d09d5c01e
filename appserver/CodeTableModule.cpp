#include "CodeTableModule.h"

#include "RemoteProtocol.h"

#include <QRegularExpression>

namespace {
bool PlausibleAddress(const QString &address) {
    static const QRegularExpression re(
        QStringLiteral("^[^@\\s,;<>]+@[^@\\s,;<>]+\\.[^@\\s,;<>]+$"));
    return re.match(address.trimmed()).hasMatch();
}
} // namespace

QString TCodeTableModule::UnitChilds(const QString &unitId, bool all, bool withNames) {
    QStringList lines;
    QStringList queue{unitId};
    QStringList seen{unitId};
    while (!queue.isEmpty()) {
        const QString parent = queue.takeFirst();
        QSqlQuery q = Db().Exec(
            QStringLiteral("SELECT UnitID, UnitName FROM Units WHERE ParentID = ? ORDER BY UnitID"),
            {parent});
        while (q.next()) {
            const QString id = q.value(0).toString();
            if (seen.contains(id))
                continue; // a cycle in the table must not loop for ever
            seen << id;
            lines << (withNames ? id + u'=' + q.value(1).toString() : id);
            if (all)
                queue << id;
        }
    }
    return Text(lines);
}

TCodeTableModule::TCodeTableModule(const TServerContext &context)
    : TServerModule(context,
                    {{QStringLiteral("xspCodeTable"),
                      QStringLiteral("SELECT Main_Code, Code, Descript, ALevel, AParent, "
                                     "AValue, ADate FROM CodeTable ORDER BY Main_Code, Code"),
                      QStringLiteral("CodeTable"),
                      {QStringLiteral("Main_Code"), QStringLiteral("Code")},
                      {},
                      {{QStringLiteral("Main_Code"), ftString, 20},
                       {QStringLiteral("Code"), ftString, 20},
                       {QStringLiteral("Descript"), ftString, 120},
                       {QStringLiteral("ALevel"), ftInteger, 0},
                       {QStringLiteral("AParent"), ftString, 20},
                       {QStringLiteral("AValue"), ftInteger, 0},
                       {QStringLiteral("ADate"), ftDateTime, 0}}}}) {
    Method(2, "GetKeyValue", 3, {2}, [this](TRemoteCall &c) {
        const int step = c.Int(1) == 0 ? 1 : c.Int(1);
        qint64 value = 0;
        QString prefix;
        Db().Transaction([&] {
            // The UPDATE comes first so that servers sharing one database queue up on the row.
            QSqlQuery u = Db().Exec(
                QStringLiteral("UPDATE KeyValues SET KeyValue = KeyValue + ? WHERE KeyName = ?"),
                {step, c.Str(0)});
            if (u.numRowsAffected() == 0)
                Db().Exec(QStringLiteral("INSERT INTO KeyValues (KeyName, KeyValue, Prefix) "
                                         "VALUES (?, ?, '')"),
                          {c.Str(0), step});
            QSqlQuery q = Db().Exec(
                QStringLiteral("SELECT KeyValue, Prefix FROM KeyValues WHERE KeyName = ?"),
                {c.Str(0)});
            q.next();
            value = q.value(0).toLongLong();
            prefix = q.value(1).toString();
        });
        c.Out(2) = Variant(prefix);
        return Variant(int(value));
    });
    Method(4, "GetKeyValueEX", 4, {2, 3}, [this](TRemoteCall &c) {
        qint64 value = 0;
        QString prefix;
        QString format;
        Db().Transaction([&] {
            QSqlQuery u = Db().Exec(QStringLiteral("UPDATE KeyValuesEx SET KeyValue = KeyValue + 1 "
                                                   "WHERE MajorID = ? AND MinorID = ?"),
                                    {c.Str(0), c.Str(1)});
            if (u.numRowsAffected() == 0)
                Db().Exec(
                    QStringLiteral("INSERT INTO KeyValuesEx (MajorID, MinorID, KeyValue, Prefix, "
                                   "FormatStr) VALUES (?, ?, 1, '', '')"),
                    {c.Str(0), c.Str(1)});
            QSqlQuery q =
                Db().Exec(QStringLiteral("SELECT KeyValue, Prefix, FormatStr FROM KeyValuesEx "
                                         "WHERE MajorID = ? AND MinorID = ?"),
                          {c.Str(0), c.Str(1)});
            q.next();
            value = q.value(0).toLongLong();
            prefix = q.value(1).toString();
            format = q.value(2).toString();
        });
        c.Out(2) = Variant(prefix);
        c.Out(3) = Variant(format);
        return Variant(int(value));
    });
    Method(1, "SetEventLog", 5, {}, [this](TRemoteCall &c) {
        const QString start =
            c[4].IsEmptyOrNull() ? NowText() : TServerDatabase::DateText(c[4].ToDateTime());
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, Description, "
                               "StartTime, LogTime) VALUES (?, ?, ?, ?, ?, ?)"),
                {c.Str(0), c.Str(1), c.Str(2), c.Str(3), start, NowText()});
        });
        return Variant();
    });
    Method(3, "GetSystemDateTime", 0, {}, [](TRemoteCall &) { return Variant(Now()); });
    Method(5, "SendMailTo", 5, {4}, [this](TRemoteCall &c) {
        const QString from = c.Str(3).isEmpty() ? Context().MailSender : c.Str(3);
        QStringList bad;
        const QStringList recipients =
            c.Str(0).split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts);
        for (const QString &to : recipients)
            if (!PlausibleAddress(to))
                bad << to.trimmed();
        if (recipients.isEmpty() || !bad.isEmpty() || !PlausibleAddress(from)) {
            c.Out(4) =
                Variant(recipients.isEmpty() ? QStringLiteral("未指定收件者")
                                             : QStringLiteral("郵件地址錯誤: %1")
                                                   .arg(bad.isEmpty() ? from : bad.join(u',')));
            return Variant(false);
        }
        Db().Transaction([&] {
            Db().Exec(QStringLiteral(
                          "INSERT INTO MailOutbox (ToAddr, FromAddr, Subject, Body, CreateTime) "
                          "VALUES (?, ?, ?, ?, ?)"),
                      {c.Str(0), from, c.Str(1), c.Str(2), NowText()});
        });
        c.Out(4) = Variant(QStringLiteral("OK"));
        return Variant(true);
    });
    Method(401, "GetUnitChilds", 3, {},
           [this](TRemoteCall &c) { return Variant(UnitChilds(c.Str(0), c.Bool(1), c.Bool(2))); });
    Method(Remote::DispIdUnknown, "ComputerUser", 2, {}, [this](TRemoteCall &c) {
        if (c.Str(0).isEmpty() || c.Str(1).isEmpty())
            return Variant(false);
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("DELETE FROM ComputerUser WHERE MacAddress = ? AND UserName = ?"),
                {c.Str(0), c.Str(1)});
            Db().Exec(QStringLiteral("INSERT INTO ComputerUser (MacAddress, UserName, LastTime) "
                                     "VALUES (?, ?, ?)"),
                      {c.Str(0), c.Str(1), NowText()});
        });
        return Variant(true);
    });
}

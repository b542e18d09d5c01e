#include "CodeTableModule.h"

#include "MailOutbox.h"
#include "Permissions.h"

#include "RemoteProtocol.h"

#include <QRegularExpression>

bool TCodeTableModule::MailFromCall(TRemoteCall &c, TMailMessage &message, QString &why) const {
    message.From = c.Str(3).trimmed().isEmpty() ? Context().MailSender : c.Str(3).trimmed();
    message.To = MailAddresses(c.Str(0));
    message.Subject = c.Str(1);
    message.Body = c.Str(2);
    QStringList bad;
    for (const QString &to : message.To)
        if (!PlausibleMailAddress(to))
            bad << to;
    if (message.To.isEmpty())
        why = QStringLiteral("未指定收件者");
    else if (!bad.isEmpty() || !PlausibleMailAddress(message.From))
        why = QStringLiteral("郵件地址錯誤: %1").arg(bad.isEmpty() ? message.From : bad.join(u','));
    return why.isEmpty();
}

bool TCodeTableModule::AttachmentsFromCall(const Variant &files, TMailMessage &message,
                                           QString &why) {
    if (files.IsEmptyOrNull())
        return true;
    if (!files.IsArray()) {
        why = QStringLiteral("附件格式錯誤");
        return false;
    }
    qint64 total = 0;
    for (int i = files.LowBound(); i <= files.HighBound(); ++i) {
        const Variant &file = files[i];
        if (!file.IsArray() || file.ElementCount() != 2) {
            why = QStringLiteral("附件格式錯誤");
            return false;
        }
        TMailAttachment a{file[file.LowBound()].ToString(), file[file.LowBound() + 1].ToBytes()};
        total += a.Bytes.size();
        if (a.FileName.trimmed().isEmpty() || total > MaxAttachmentBytes) {
            why = a.FileName.trimmed().isEmpty()
                      ? QStringLiteral("附件沒有檔名")
                      : QStringLiteral("附件超過 %1 MB").arg(MaxAttachmentBytes / 1024 / 1024);
            return false;
        }
        message.Attachments.append(a);
    }
    return true;
}

QString TCodeTableModule::Queue(const TMailMessage &message, qint64 *seq) {
    qint64 queued = 0;
    Db().Transaction([&] { queued = QueueMail(Db(), message); });
    if (seq)
        *seq = queued;
    if (Context().Mail)
        Context().Mail->Wake();
    return QStringLiteral("OK: 已排入寄送佇列 (%1)").arg(queued);
}

void TCodeTableModule::RequireAdministrator() const {
    TPermissions permissions(Db());
    if (!permissions.IsAdministrator(SessionUser()))
        throw EServerError(TPermissions::DeniedText(Context().ProgID));
}

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
        TMailMessage message;
        QString why;
        if (!MailFromCall(c, message, why)) {
            c.Out(4) = Variant(why);
            return Variant(false);
        }
        c.Out(4) = Variant(Queue(message));
        return Variant(true);
    });
    // QueueMail(ToAddr, Subject, Body, FromAddr, Attachments; out RetMessage): Seq. The
    // attachments are an array of [FileName, Bytes] pairs; 0 with the reason when refused.
    Method(Remote::DispIdUnknown, "QueueMail", 6, {5}, [this](TRemoteCall &c) {
        TMailMessage message;
        QString why;
        if (!MailFromCall(c, message, why) || !AttachmentsFromCall(c[4], message, why)) {
            c.Out(5) = Variant(why);
            return Variant(0);
        }
        qint64 seq = 0;
        c.Out(5) = Variant(Queue(message, &seq));
        return Variant(seq);
    });
    // The outbox for administrators: rows of [Seq, ToAddr, Subject, State, Attempts,
    // CreateTime, SentTime, Reply], newest first, at most `limit` (0: 500).
    Method(Remote::DispIdUnknown, "GetMailOutbox", 1, {}, [this](TRemoteCall &c) {
        RequireAdministrator();
        const int limit = c.Int(0) > 0 ? c.Int(0) : 500;
        std::vector<Variant> rows;
        for (QSqlQuery q = Db().Exec(
                 QStringLiteral("SELECT Seq, ToAddr, Subject, COALESCE(State, 'waiting'), "
                                "COALESCE(Attempts, 0), CreateTime, SentTime, Reply FROM "
                                "MailOutbox ORDER BY Seq DESC LIMIT %1")
                     .arg(limit));
             q.next();) {
            std::vector<Variant> row;
            row.emplace_back(q.value(0).toLongLong());
            for (int i = 1; i < 8; ++i)
                row.emplace_back(i == 4 ? Variant(q.value(i).toInt())
                                        : Variant(q.value(i).toString()));
            rows.push_back(Variant::ArrayOf(std::move(row)));
        }
        return Variant::ArrayOf(std::move(rows));
    });
    // Sends a failed message again (administrators); false when it had not failed.
    Method(Remote::DispIdUnknown, "RetryMail", 1, {}, [this](TRemoteCall &c) {
        RequireAdministrator();
        bool retried = false;
        Db().Transaction([&] { retried = RetryMail(Db(), c[0].ToInt64()); });
        if (retried && Context().Mail)
            Context().Mail->Wake();
        return Variant(retried);
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

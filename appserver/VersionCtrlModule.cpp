#include "VersionCtrlModule.h"

#include "RemoteProtocol.h"

#include <QFileInfo>

namespace {

QString ExtOf(const QString &fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.isEmpty() ? QString() : u'.' + suffix;
}

QByteArray BytesOf(const Variant &v) {
    return v.IsEmptyOrNull() ? QByteArray() : v.ToBytes();
}

// File names are plain names: no folders, nothing that climbs out of a folder on the client.
void CheckFileName(const QString &name) {
    if (name.trimmed().isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == ".." ||
        name == ".")
        throw EServerError(QStringLiteral("'%1' is not a valid file name").arg(name));
}

TProviderDef ListProvider(const QString &name, const QString &table, bool packages) {
    QList<TProviderField> fields{{QStringLiteral("FileName"), ftString, 60},
                                 {QStringLiteral("Descript"), ftString, 120},
                                 {QStringLiteral("Version"), ftString, 30},
                                 {QStringLiteral("CheckSum"), ftInteger, 0},
                                 {QStringLiteral("Ext"), ftString, 10}};
    if (packages)
        fields << TProviderField{QStringLiteral("AppType"), ftString, 40}
               << TProviderField{QStringLiteral("AtClient"), ftInteger, 0};
    return {name,
            QStringLiteral(
                "SELECT FileName, Descript, Version, CheckSum, Ext%1 FROM %2 ORDER BY FileName")
                .arg(packages ? QStringLiteral(", AppType, AtClient") : QString(), table),
            table,
            {QStringLiteral("FileName")},
            {},
            fields};
}

} // namespace

Variant TVersionCtrlModule::FileBytes(const QString &table, const QString &fileName) {
    QSqlQuery q = Db().Exec(QStringLiteral("SELECT FileData FROM %1 WHERE FileName = ?").arg(table),
                            {fileName});
    if (!q.next())
        throw EServerError(QStringLiteral("%1 is not in the file list").arg(fileName));
    // A record whose file was never sent must not reach a client as an empty file.
    if (q.value(0).isNull())
        throw EServerError(QStringLiteral("%1 has no file on the server").arg(fileName));
    return Variant(q.value(0).toByteArray());
}

bool TVersionCtrlModule::DeleteFile(const QString &table, const QString &fileName) {
    bool found = false;
    Db().Transaction([&] {
        found = Db().Scalar(QStringLiteral("SELECT 1 FROM %1 WHERE FileName = ?").arg(table),
                            {fileName})
                    .isValid();
        Db().Exec(QStringLiteral("DELETE FROM %1 WHERE FileName = ?").arg(table), {fileName});
        if (table == QLatin1String("ClientApps")) {
            Db().Exec(QStringLiteral("DELETE FROM AppSchedule WHERE FileName = ?"), {fileName});
            Db().Exec(QStringLiteral("DELETE FROM ClientAppsHelp WHERE FileName = ?"), {fileName});
        }
    });
    return found;
}

TVersionCtrlModule::TVersionCtrlModule(const TServerContext &context)
    : TServerModule(
          context,
          {ListProvider(QStringLiteral("xspClientApps"), QStringLiteral("ClientApps"), true),
           ListProvider(QStringLiteral("xspSystemFiles"), QStringLiteral("SystemFiles"), false),
           ListProvider(QStringLiteral("xspDataFiles"), QStringLiteral("DataFiles"), false)}) {
    Method(1, "GetClientAppFile", 1, {},
           [this](TRemoteCall &c) { return FileBytes("ClientApps", c.Str(0)); });
    Method(2, "GetSystemFile", 1, {},
           [this](TRemoteCall &c) { return FileBytes("SystemFiles", c.Str(0)); });
    Method(3, "GetDocFile", 1, {},
           [this](TRemoteCall &c) { return FileBytes("DataFiles", c.Str(0)); });

    Method(4, "UpdateClientAppFile", 9, {}, [this](TRemoteCall &c) {
        CheckFileName(c.Str(0));
        const QByteArray data = BytesOf(c[3]);
        if (c.Int(4) != data.size())
            throw EServerError(QStringLiteral("%1: %2 bytes announced, %3 received")
                                   .arg(c.Str(0))
                                   .arg(c.Int(4))
                                   .arg(data.size()));
        Db().Transaction([&] {
            Db().Exec(QStringLiteral("DELETE FROM ClientApps WHERE FileName = ?"), {c.Str(0)});
            Db().Exec(
                QStringLiteral("INSERT INTO ClientApps (FileName, Version, Descript, FileData, "
                               "CheckSum, AtClient, AppType, UpdateMemo, Changer, ChangeTime, Ext) "
                               "VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
                {c.Str(0), c.Str(1), c.Str(2), data, c.Int(4), c.Int(5),
                 c.Str(6).isEmpty() ? QStringLiteral("Z,其他") : c.Str(6), c.Str(7), c.Str(8),
                 NowText(), ExtOf(c.Str(0))});
        });
        return Variant(true);
    });
    auto updatePlain = [this](const QString &table, TRemoteCall &c) {
        CheckFileName(c.Str(0));
        const QByteArray data = BytesOf(c[3]);
        if (c.Int(4) != data.size())
            throw EServerError(QStringLiteral("%1: %2 bytes announced, %3 received")
                                   .arg(c.Str(0))
                                   .arg(c.Int(4))
                                   .arg(data.size()));
        Db().Transaction([&] {
            Db().Exec(QStringLiteral("DELETE FROM %1 WHERE FileName = ?").arg(table), {c.Str(0)});
            Db().Exec(
                QStringLiteral("INSERT INTO %1 (FileName, Version, Descript, FileData, CheckSum, "
                               "Ext) VALUES (?,?,?,?,?,?)")
                    .arg(table),
                {c.Str(0), c.Str(1), c.Str(2), data, c.Int(4), ExtOf(c.Str(0))});
        });
        return Variant(true);
    };
    Method(5, "UpdateSystemFile", 5, {},
           [updatePlain](TRemoteCall &c) { return updatePlain("SystemFiles", c); });
    Method(6, "UpdateDocFile", 5, {},
           [updatePlain](TRemoteCall &c) { return updatePlain("DataFiles", c); });
    Method(7, "DeleteClientAppFile", 1, {},
           [this](TRemoteCall &c) { return Variant(DeleteFile("ClientApps", c.Str(0))); });
    Method(8, "DeleteSystemFile", 1, {},
           [this](TRemoteCall &c) { return Variant(DeleteFile("SystemFiles", c.Str(0))); });
    Method(9, "DeleteDocFile", 1, {},
           [this](TRemoteCall &c) { return Variant(DeleteFile("DataFiles", c.Str(0))); });

    Method(10, "CheckClientAppFile", 4, {3}, [this](TRemoteCall &c) {
        QSqlQuery q = Db().Exec(QStringLiteral("SELECT Version, CheckSum, FileData FROM ClientApps "
                                               "WHERE FileName = ?"),
                                {c.Str(0)});
        if (!q.next()) {
            c.Out(3) = Variant::Null();
            return Variant(false);
        }
        if (q.value(0).toString() == c.Str(1) && q.value(1).toLongLong() == c.Int(2)) {
            c.Out(3) = Variant::Null();
            return Variant(true);
        }
        c.Out(3) = q.value(2).isNull() ? Variant::Null() : Variant(q.value(2).toByteArray());
        return Variant(false);
    });
    Method(11, "ChangeAppSchedule", 3, {}, [this](TRemoteCall &c) {
        const int month = c.Int(1);
        if (month < 1 || month > 12)
            throw EServerError(QStringLiteral("Invalid Month No"));
        // A month's work day is a day number, kept apart from the day sets of the schedule
        // (SetAppSchedule) that the schedule dialog reads.
        Db().Transaction([&] {
            for (const QString &file : Lines(c.Str(0))) {
                Db().Exec(
                    QStringLiteral("DELETE FROM AppWorkDay WHERE FileName = ? AND MonthNo = ?"),
                    {file, month - 1});
                Db().Exec(QStringLiteral("INSERT INTO AppWorkDay (FileName, MonthNo, "
                                         "WorkDayOfMonth) VALUES (?, ?, ?)"),
                          {file, month - 1, c.Int(2)});
            }
        });
        return Variant();
    });
    Method(12, "ChangeAppState", 3, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            Db().Exec(QStringLiteral(
                          "UPDATE ClientApps SET AtClient = ?, AppType = ? WHERE FileName = ?"),
                      {c.Int(1), c.Str(2), c.Str(0)});
        });
        return Variant();
    });
    Method(13, "ChangeAppType", 1, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            for (const QString &line : Lines(c.Str(0))) {
                const qsizetype eq = line.indexOf(u'=');
                if (eq <= 0)
                    throw EServerError(
                        QStringLiteral("'%1' is not of the form FileName=AppType").arg(line));
                Db().Exec(QStringLiteral("UPDATE ClientApps SET AppType = ? WHERE FileName = ?"),
                          {line.mid(eq + 1), line.left(eq)});
            }
        });
        return Variant();
    });
    // Null when no schedule is stored for the file; months without a value read as 0.
    Method(14, "GetAppSchedule", 1, {}, [this](TRemoteCall &c) {
        Variant months = Variant::Array(0, 11);
        for (int i = 0; i < 12; ++i)
            months.SetElement(i, Variant(0));
        QSqlQuery q =
            Db().Exec(QStringLiteral("SELECT MonthNo, WorkDay FROM AppSchedule WHERE FileName = ?"),
                      {c.Str(0)});
        bool stored = false;
        while (q.next()) {
            stored = true;
            const int m = q.value(0).toInt();
            if (m >= 0 && m < 12)
                months.SetElement(m, Variant(q.value(1).toInt()));
        }
        return stored ? months : Variant::Null();
    });
    Method(15, "SetAppSchedule", 2, {}, [this](TRemoteCall &c) {
        const Variant &list = c[1];
        if (!list.IsArray() || list.ElementCount() != 12)
            throw EServerError(QStringLiteral("A schedule holds twelve monthly values"));
        std::vector<int> values;
        for (int i = list.LowBound(); i <= list.HighBound(); ++i)
            values.push_back(list[i].IsEmptyOrNull() ? 0 : list[i].ToInt());
        Db().Transaction([&] {
            Db().Exec(QStringLiteral("DELETE FROM AppSchedule WHERE FileName = ?"), {c.Str(0)});
            for (int m = 0; m < 12; ++m)
                Db().Exec(QStringLiteral("INSERT INTO AppSchedule (FileName, MonthNo, WorkDay) "
                                         "VALUES (?, ?, ?)"),
                          {c.Str(0), m, values[size_t(m)]});
        });
        return Variant();
    });
    Method(16, "SetEventLog", 4, {}, [this](TRemoteCall &c) {
        Db().Transaction([&] {
            Db().Exec(
                QStringLiteral("INSERT INTO EventLog (AppName, Operation, Operator, Description, "
                               "StartTime, LogTime) VALUES (?, ?, ?, ?, ?, ?)"),
                {c.Str(0), c.Str(1), c.Str(2), c.Str(3), NowText(), NowText()});
        });
        return Variant();
    });
    Method(401, "SetClientAppsHelp", 5, {}, [this](TRemoteCall &c) {
        CheckFileName(c.Str(0));
        const QByteArray data = BytesOf(c[3]);
        Db().Transaction([&] {
            Db().Exec(QStringLiteral("DELETE FROM ClientAppsHelp WHERE FileName = ?"), {c.Str(0)});
            Db().Exec(
                QStringLiteral("INSERT INTO ClientAppsHelp (FileName, Version, Descript, FileSize, "
                               "FileData) VALUES (?, ?, ?, ?, ?)"),
                {c.Str(0), c.Str(1), c.Str(2), data.size(), data});
        });
        return Variant();
    });
    Method(402, "GetClientAppsHelp", 1, {}, [this](TRemoteCall &c) {
        QSqlQuery q = Db().Exec(
            QStringLiteral("SELECT FileData FROM ClientAppsHelp WHERE FileName = ?"), {c.Str(0)});
        if (!q.next())
            return Variant::Null();
        return Variant(q.value(0).toByteArray());
    });
    // What the school's administrators do to the file lists; the rest reads them (and writes
    // the usage log, which every client does).
    DeclareChangesData({"UpdateClientAppFile", "UpdateSystemFile", "UpdateDocFile",
                        "DeleteClientAppFile", "DeleteSystemFile", "DeleteDocFile",
                        "ChangeAppSchedule", "ChangeAppState", "ChangeAppType", "SetAppSchedule",
                        "SetClientAppsHelp"});
}

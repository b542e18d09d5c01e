#include "DelphiVCLModule.h"

#include "RemoteProtocol.h"

TDelphiVCLModule::TDelphiVCLModule(const TServerContext &context)
    : TServerModule(context, {{QStringLiteral("xspDelphiVCL"),
                               QStringLiteral("SELECT Main_Code, VCLName, AClassName, Description "
                                              "FROM StoredVCL ORDER BY VCLName"),
                               QStringLiteral("StoredVCL"),
                               {QStringLiteral("VCLName")},
                               {},
                               {{QStringLiteral("Main_Code"), ftString, 12},
                                {QStringLiteral("VCLName"), ftString, 30},
                                {QStringLiteral("AClassName"), ftString, 30},
                                {QStringLiteral("Description"), ftString, 60}}}}) {
    Method(1, "ReadClassVCLNames", 1, {}, [this](TRemoteCall &c) {
        return Variant(Text(Column(QStringLiteral("SELECT VCLName FROM StoredVCL WHERE "
                                                  "UPPER(AClassName) = UPPER(?) ORDER BY VCLName"),
                                   {c.Str(0)})));
    });
    Method(2, "LoadVCL", 3, {1, 2}, [this](TRemoteCall &c) {
        QSqlQuery q =
            Db().Exec(QStringLiteral("SELECT AClassName, Description, AData FROM StoredVCL "
                                     "WHERE UPPER(VCLName) = UPPER(?)"),
                      {c.Str(0)});
        if (!q.next())
            throw EServerError(QStringLiteral("Stored component %1 not found").arg(c.Str(0)));
        c.Out(1) = Variant(q.value(0).toString());
        c.Out(2) = Variant(q.value(1).toString());
        return Variant(q.value(2).toByteArray());
    });
    Method(3, "UpdateVCL", 4, {}, [this](TRemoteCall &c) {
        if (c.Str(0).trimmed().isEmpty())
            throw EServerError(QStringLiteral("A stored component needs a name"));
        const QByteArray data = c[3].IsEmptyOrNull() ? QByteArray() : c[3].ToBytes();
        Db().Transaction([&] {
            // A stored definition keeps its row: the name as it was first stored, and the
            // category (Main_Code, "總表類別") that clients give through the document list
            // "xspDelphiVCL", before the document is written or after it; UpdateVCL itself
            // carries none.
            QSqlQuery q = Db().Exec(QStringLiteral("UPDATE StoredVCL SET AClassName = ?, "
                                                   "Description = ?, AData = ? "
                                                   "WHERE UPPER(VCLName) = UPPER(?)"),
                                    {c.Str(1), c.Str(2), data, c.Str(0)});
            if (q.numRowsAffected() > 0)
                return;
            // A new one has no category until a client gives it one.
            Db().Exec(QStringLiteral("INSERT INTO StoredVCL (VCLName, Main_Code, AClassName, "
                                     "Description, AData) VALUES (?, NULL, ?, ?, ?)"),
                      {c.Str(0), c.Str(1), c.Str(2), data});
        });
        return Variant();
    });
    Method(4, "DeleteVCL", 1, {}, [this](TRemoteCall &c) {
        bool found = false;
        Db().Transaction([&] {
            QSqlQuery q =
                Db().Exec(QStringLiteral("DELETE FROM StoredVCL WHERE UPPER(VCLName) = UPPER(?)"),
                          {c.Str(0)});
            found = q.numRowsAffected() > 0;
        });
        return Variant(found);
    });
    Method(401, "ReadVCLNamesByDescription", 1, {}, [this](TRemoteCall &c) {
        QStringList lines;
        QSqlQuery q = Db().Exec(QStringLiteral("SELECT VCLName, Description FROM StoredVCL WHERE "
                                               "UPPER(AClassName) = UPPER(?) ORDER BY VCLName"),
                                {c.Str(0)});
        while (q.next())
            lines << q.value(0).toString() + u'=' + q.value(1).toString();
        return Variant(Text(lines));
    });
    DeclareChangesData({"UpdateVCL", "DeleteVCL"});
}

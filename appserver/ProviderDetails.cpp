#include "ProviderDetails.h"

#include "Packet.h"
#include "ServerDatabase.h"
#include "SqlQuery.h"

#include <QSqlError>

namespace {

constexpr quint8 kWrittenFlags = pfInUpdate | pfInWhere | pfInKey;

bool SameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int IndexOfName(const std::vector<TFieldDef> &fields, const QString &name) {
    for (size_t i = 0; i < fields.size(); ++i)
        if (SameName(fields[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

bool Contains(const QStringList &names, const QString &name) {
    return names.contains(name, Qt::CaseInsensitive);
}

QString Text(const Variant &value) {
    return value.IsEmptyOrNull() ? QString() : value.ToString();
}

// Whether two values of a field are the same as the database compares them.
bool SameValue(const Variant &a, const Variant &b, TFieldType type) {
    const bool aNull = a.IsEmptyOrNull(), bNull = b.IsEmptyOrNull();
    if (aNull || bNull)
        return aNull == bNull;
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return a.ToString() == b.ToString();
    default:
        return a == b;
    }
}

bool Comparable(TFieldType type) {
    return !IsBlobType(type) && type != ftDataSet;
}

// Reads the details of one master at a time through one prepared statement.
class TDetailReader {
public:
    TDetailReader(TServerDatabase &db, const TProviderDetail &detail)
        : FDetail(detail), FDefs(ProviderFieldDefs(detail.Fields, detail.KeyFields)),
          FQuery(db.Db()) {
        FQuery.setForwardOnly(true);
        if (!FQuery.prepare(detail.Sql))
            DatabaseError(FQuery.lastError().text());
    }

    const std::vector<TFieldDef> &Defs() const { return FDefs; }

    // The details whose link fields hold these values, as a data packet.
    QByteArray Packet(const std::vector<Variant> &links) {
        for (qsizetype i = 0; i < FDetail.LinkFields.size(); ++i) {
            const QString &link = FDetail.LinkFields[i];
            const int field = IndexOfName(FDefs, link);
            FQuery.bindValue(u':' + link,
                             VariantToSql(links[size_t(i)],
                                          field < 0 ? ftString : FDefs[size_t(field)].DataType));
        }
        if (!FQuery.exec())
            DatabaseError(FQuery.lastError().text());
        TPacketWriter writer(pkData, FDefs, true);
        std::vector<Variant> values(FDefs.size());
        while (FQuery.next()) {
            for (size_t i = 0; i < FDefs.size(); ++i)
                values[i] = SqlToVariant(FQuery.value(static_cast<int>(i)), FDefs[i].DataType);
            writer.WriteRow(usUnmodified, values);
        }
        FQuery.finish();
        return writer.Finish();
    }

private:
    const TProviderDetail &FDetail;
    std::vector<TFieldDef> FDefs;
    QSqlQuery FQuery;
};

// The values of a detail's link fields in a row of named values.
template <class ValueOf>
std::vector<Variant> LinkValues(const TProviderDetail &d, ValueOf valueOf) {
    std::vector<Variant> links;
    for (const QString &link : d.LinkFields)
        links.push_back(valueOf(link));
    return links;
}

} // namespace

std::vector<TFieldDef> ProviderFieldDefs(const QList<TProviderField> &fields,
                                         const QStringList &keyFields) {
    std::vector<TFieldDef> defs;
    for (const TProviderField &f : fields) {
        TFieldDef def = TFieldDef::Make(f.Name, f.Type, f.Size);
        if (f.Joined)
            def.ProviderFlags = 0;
        else if (Contains(keyFields, f.Name))
            def.ProviderFlags |= pfInKey;
        defs.push_back(def);
    }
    return defs;
}

QByteArray WithDetails(TServerDatabase &db, const TProviderDef &def, const QByteArray &packet) {
    const std::vector<TFieldDef> masterDefs = ProviderFieldDefs(def.Fields, def.KeyFields);
    TPacketReader reader(packet, &masterDefs);
    std::vector<TFieldDef> fields = reader.HasMetaData() ? reader.Fields() : masterDefs;
    const size_t masterCount = fields.size();
    std::vector<std::unique_ptr<TDetailReader>> details;
    for (const TProviderDetail &d : def.Details) {
        details.push_back(std::make_unique<TDetailReader>(db, d));
        TFieldDef nested = TFieldDef::Make(d.Field, ftDataSet);
        nested.Children = details.back()->Defs();
        fields.push_back(nested);
    }
    TPacketWriter writer(pkData, fields, reader.HasMetaData());
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
        for (qsizetype i = 0; i < def.Details.size(); ++i) {
            const auto links = LinkValues(def.Details[i], [&](const QString &link) {
                const int at = IndexOfName(fields, link);
                return at >= 0 && size_t(at) < masterCount ? values[size_t(at)] : Variant::Null();
            });
            values.push_back(Variant(details[size_t(i)]->Packet(links)));
        }
        writer.WriteRow(status, values);
    }
    writer.SetEndOfData(reader.EndOfData());
    writer.SetParams(reader.Params());
    return writer.Finish();
}

QByteArray WithServerFlags(const TProviderDef &def, const QByteArray &delta) {
    TPacketReader reader(delta);
    if (reader.Kind() != pkDelta || !reader.HasMetaData())
        return delta; // refused as it stands when it is applied
    std::vector<TFieldDef> fields = reader.Fields();
    bool changed = false;
    for (TFieldDef &f : fields)
        for (const TProviderField &mine : def.Fields)
            if (mine.Joined && SameName(mine.Name, f.Name) && (f.ProviderFlags & kWrittenFlags)) {
                f.ProviderFlags &= ~kWrittenFlags;
                changed = true;
            }
    if (!changed)
        return delta;
    TPacketWriter writer(pkDelta, fields, true);
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values))
        writer.WriteRow(status, values);
    return writer.Finish();
}

QByteArray WithCurrentDetails(TServerDatabase &db, const TProviderDef &def,
                              const std::vector<TFieldDef> &fields, const QByteArray &result) {
    if (def.Details.isEmpty() || result.isEmpty())
        return result;
    TPacketReader reader(result, &fields);
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
    }
    std::vector<TPacketError> errors = reader.Errors();
    bool any = false;
    for (TPacketError &e : errors) {
        if (e.Current.size() != fields.size())
            continue;
        for (const TProviderDetail &d : def.Details) {
            const int nested = IndexOfName(fields, d.Field);
            if (nested < 0)
                continue;
            const auto links = LinkValues(d, [&](const QString &link) {
                const int at = IndexOfName(fields, link);
                return at >= 0 ? e.Current[size_t(at)] : Variant::Null();
            });
            e.Current[size_t(nested)] = Variant(TDetailReader(db, d).Packet(links));
            any = true;
        }
    }
    if (!any)
        return result;
    TPacketWriter writer(pkReconcile, fields, false);
    for (const TPacketError &e : errors)
        writer.AddError(e);
    writer.SetRolledBack(reader.RolledBack());
    return writer.Finish();
}

bool RolledBack(const QByteArray &result, const std::vector<TFieldDef> &fields) {
    if (result.isEmpty())
        return false;
    TPacketReader reader(result, &fields);
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
    }
    return reader.RolledBack();
}

// ---- applying the details ------------------------------------------------------------------

TDetailResolver::TDetailResolver(TServerDatabase &db, const TProviderDef &def)
    : FDb(db), FDef(def) {}

void TDetailResolver::Start() {
    FCounts = TApplyCounts();
    FPending = TApplyCounts();
}

void TDetailResolver::BeforeMaster(const TDeltaRow &master) {
    // What an earlier master row wrote before it was refused was taken back with it.
    FPending = TApplyCounts();
    if (master.Kind == ukDelete)
        for (const TProviderDetail &d : FDef.Details)
            Apply(d, master);
}

void TDetailResolver::AfterMaster(const TDeltaRow &master) {
    if (master.Kind != ukDelete)
        for (const TProviderDetail &d : FDef.Details)
            Apply(d, master);
    FCounts.Inserted += FPending.Inserted;
    FCounts.Modified += FPending.Modified;
    FCounts.Deleted += FPending.Deleted;
    FPending = TApplyCounts();
}

namespace {

struct TDetailChange {
    TUpdateKind Kind;
    std::vector<Variant> Old; // deleted and modified rows
    std::vector<Variant> New; // inserted and modified rows
};

// The changes held in a nested packet (a data packet with its change log), by kind.
struct TDetailChanges {
    std::vector<TFieldDef> Fields;
    std::vector<TDetailChange> Deleted, Modified, Inserted;
};

TDetailChanges ReadChanges(const TProviderDetail &d, const QByteArray &bytes) {
    TPacketReader reader(bytes);
    if (reader.Kind() != pkData || !reader.HasMetaData())
        DatabaseError(QStringLiteral("The %1 are not a data packet").arg(d.Field));
    TDetailChanges changes;
    changes.Fields = reader.Fields();
    quint8 status;
    std::vector<Variant> values;
    std::vector<Variant> original;
    bool haveOriginal = false;
    while (reader.NextRow(status, values)) {
        if (haveOriginal != (status == usModified))
            DatabaseError(QStringLiteral("The %1 hold a modified row without its original values")
                              .arg(d.Field));
        switch (status) {
        case PacketOriginal:
            original = values;
            haveOriginal = true;
            break;
        case usModified:
            changes.Modified.push_back({ukModify, original, values});
            haveOriginal = false;
            break;
        case usInserted:
            changes.Inserted.push_back({ukInsert, {}, values});
            break;
        case usDeleted:
            changes.Deleted.push_back({ukDelete, values, {}});
            break;
        default:
            break;
        }
    }
    if (haveOriginal)
        DatabaseError(
            QStringLiteral("The %1 hold original values without a modified row").arg(d.Field));
    return changes;
}

// One detail change as the server applies it: the declared fields, the link fields taking the
// master's values.
class TDetailStatement {
public:
    TDetailStatement(const TProviderDetail &d, const TDetailChanges &changes,
                     const std::vector<Variant> &links)
        : FDetail(d), FLinks(links) {
        for (const TProviderField &f : d.Fields)
            FColumns.push_back(IndexOfName(changes.Fields, f.Name));
    }

    // The declared fields' values of a packet row (null where the packet has none), the
    // link fields checked against the master's.
    std::vector<Variant> Values(const std::vector<Variant> &row) const {
        std::vector<Variant> values;
        for (size_t i = 0; i < FColumns.size(); ++i)
            values.push_back(FColumns[i] >= 0 && size_t(FColumns[i]) < row.size()
                                 ? row[size_t(FColumns[i])]
                                 : Variant::Null());
        for (qsizetype l = 0; l < FDetail.LinkFields.size(); ++l) {
            const int at = Declared(FDetail.LinkFields[l]);
            if (at < 0)
                continue;
            Variant &value = values[size_t(at)];
            const Variant &mine = FLinks[size_t(l)];
            if (value.IsEmptyOrNull())
                value = mine;
            else if (!SameValue(value, mine, FDetail.Fields[at].Type))
                DatabaseError(QStringLiteral("%1 %2 不屬於 %3")
                                  .arg(FDetail.Caption, KeyText(values), Text(mine)));
        }
        return values;
    }

    // The detail's key without the link fields, for messages.
    QString KeyText(const std::vector<Variant> &values) const {
        QStringList parts;
        for (const QString &key : FDetail.KeyFields)
            if (!Contains(FDetail.LinkFields, key))
                if (const int at = Declared(key); at >= 0)
                    parts << Text(values[size_t(at)]);
        return parts.join(u',');
    }

    TDeltaRow Row(TUpdateKind kind, const std::vector<Variant> &values,
                  const std::vector<Variant> &old = {}) const {
        TDeltaRow row;
        row.Kind = kind;
        for (const TProviderField &f : FDetail.Fields)
            row.Names << f.Name;
        row.Values = values;
        row.OldValues = old;
        return row;
    }

    void Delete(QSqlQuery &q, const std::vector<Variant> &old) const {
        QStringList where;
        std::vector<QVariant> binds;
        // Every written field as it was read: a row that someone changed since (a score
        // recorded meanwhile) is not removed on the strength of what this client saw.
        for (size_t i = 0; i < FColumns.size(); ++i) {
            const TProviderField &f = FDetail.Fields[qsizetype(i)];
            if (f.Joined || !Comparable(f.Type) ||
                (FColumns[i] < 0 && !Contains(FDetail.LinkFields, f.Name)))
                continue;
            Compare(where, binds, f, old[i]);
        }
        Run(q,
            QStringLiteral("DELETE FROM %1 WHERE %2")
                .arg(FDetail.Table, where.join(QStringLiteral(" AND "))),
            binds, old);
    }

    // False when nothing the server writes has changed.
    bool Update(QSqlQuery &q, const std::vector<Variant> &old,
                const std::vector<Variant> &values) const {
        QStringList set, where;
        std::vector<QVariant> binds, whereBinds;
        for (size_t i = 0; i < FColumns.size(); ++i) {
            const TProviderField &f = FDetail.Fields[qsizetype(i)];
            if (f.Joined || FColumns[i] < 0)
                continue;
            const bool key = Contains(FDetail.KeyFields, f.Name);
            const bool changed = !SameValue(old[i], values[i], f.Type);
            if (changed) {
                set << f.Name + QStringLiteral(" = ?");
                binds.push_back(VariantToSql(values[i], f.Type));
            }
            if (key || (changed && Comparable(f.Type)))
                Compare(where, whereBinds, f, old[i]);
        }
        if (set.isEmpty())
            return false;
        binds.insert(binds.end(), whereBinds.begin(), whereBinds.end());
        Run(q,
            QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                .arg(FDetail.Table, set.join(QStringLiteral(", ")),
                     where.join(QStringLiteral(" AND "))),
            binds, old);
        return true;
    }

    void Insert(QSqlQuery &q, const std::vector<Variant> &values) const {
        QStringList columns, marks;
        std::vector<QVariant> binds;
        for (size_t i = 0; i < FColumns.size(); ++i) {
            const TProviderField &f = FDetail.Fields[qsizetype(i)];
            if (f.Joined || (FColumns[i] < 0 && !Contains(FDetail.LinkFields, f.Name)))
                continue;
            columns << f.Name;
            marks << QStringLiteral("?");
            binds.push_back(VariantToSql(values[i], f.Type));
        }
        Run(q,
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(FDetail.Table, columns.join(QStringLiteral(", ")),
                     marks.join(QStringLiteral(", "))),
            binds, values);
    }

private:
    int Declared(const QString &name) const {
        for (qsizetype i = 0; i < FDetail.Fields.size(); ++i)
            if (SameName(FDetail.Fields[i].Name, name))
                return static_cast<int>(i);
        return -1;
    }

    static void Compare(QStringList &where, std::vector<QVariant> &binds, const TProviderField &f,
                        const Variant &old) {
        if (old.IsEmptyOrNull()) {
            where << f.Name + QStringLiteral(" IS NULL");
        } else {
            where << f.Name + QStringLiteral(" = ?");
            binds.push_back(VariantToSql(old, f.Type));
        }
    }

    // Runs a statement that must touch exactly one row.
    void Run(QSqlQuery &q, const QString &sql, const std::vector<QVariant> &binds,
             const std::vector<Variant> &values) const {
        try {
            ExecPrepared(q, sql, binds);
        } catch (const EDatabaseError &e) {
            DatabaseError(
                QStringLiteral("%1 %2: %3").arg(FDetail.Caption, KeyText(values), e.Message()));
        }
        if (q.numRowsAffected() != 1)
            DatabaseError(QStringLiteral("%1 %2 已被其他使用者變更或刪除")
                              .arg(FDetail.Caption, KeyText(values)));
    }

    const TProviderDetail &FDetail;
    std::vector<Variant> FLinks;
    std::vector<int> FColumns; // per declared field, its column in the packet (-1: none)
};

void Check(const TProviderDetail &d, const TDeltaRow &row) {
    if (!d.CheckRow)
        return;
    try {
        d.CheckRow(row);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &e) {
        DatabaseError(e.Message());
    }
}

} // namespace

void TDetailResolver::Apply(const TProviderDetail &d, const TDeltaRow &master) {
    const Variant nested = master.Value(d.Field);
    if (nested.IsEmptyOrNull())
        return;
    if (nested.VarType() != TVarType::Bytes)
        DatabaseError(QStringLiteral("The %1 are not a data packet").arg(d.Field));
    const TDetailChanges changes = ReadChanges(d, nested.ToBytes());
    const auto links = LinkValues(d, [&](const QString &link) { return master.Value(link); });
    const TDetailStatement statement(d, changes, links);
    QSqlQuery q(FDb.Db());
    // Deletions first, so that a row removed and added again (the same key) can go in.
    for (const TDetailChange &c : changes.Deleted) {
        const std::vector<Variant> old = statement.Values(c.Old);
        Check(d, statement.Row(ukDelete, old));
        statement.Delete(q, old);
        ++FPending.Deleted;
    }
    for (const TDetailChange &c : changes.Modified) {
        const std::vector<Variant> old = statement.Values(c.Old);
        const std::vector<Variant> values = statement.Values(c.New);
        Check(d, statement.Row(ukModify, values, old));
        if (statement.Update(q, old, values))
            ++FPending.Modified;
    }
    for (const TDetailChange &c : changes.Inserted) {
        const std::vector<Variant> values = statement.Values(c.New);
        Check(d, statement.Row(ukInsert, values));
        statement.Insert(q, values);
        ++FPending.Inserted;
    }
}

#include "Packet.h"

#include "VariantCbor.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QCborValue>

namespace {
const QLatin1String Magic("LumDP");
constexpr int MaxNesting = 16;

void WriteFieldDefs(QCborStreamWriter &w, const std::vector<TFieldDef> &defs) {
    w.startArray(static_cast<quint64>(defs.size()));
    for (const TFieldDef &d : defs) {
        w.startArray(8);
        w.append(d.Name);
        w.append(static_cast<int>(d.DataType));
        w.append(d.Size);
        w.append((d.Required ? 1 : 0) | (d.ReadOnly ? 2 : 0) | (d.Visible ? 0 : 4));
        w.append(static_cast<int>(d.ProviderFlags));
        w.append(d.DisplayLabel);
        w.append(d.DisplayWidth);
        if (d.Children.empty())
            w.append(nullptr);
        else
            WriteFieldDefs(w, d.Children);
        w.endArray();
    }
    w.endArray();
}
} // namespace

TPacketWriter::TPacketWriter(TPacketKind kind, const std::vector<TFieldDef> &fields, bool metaData)
    : FWriter(std::make_unique<QCborStreamWriter>(&FBytes)) {
    for (const TFieldDef &d : fields)
        FTypes.push_back(d.DataType);
    QCborStreamWriter &w = *FWriter;
    w.startArray(6);
    w.append(Magic);
    w.append(PacketVersion);
    w.append(static_cast<int>(kind));
    if (metaData)
        WriteFieldDefs(w, fields);
    else
        w.append(nullptr);
    w.startArray();
}

TPacketWriter::~TPacketWriter() = default;

QCborValue TPacketWriter::CborValue(int field, const Variant &v) const {
    if (v.IsEmptyOrNull())
        return QCborValue(nullptr);
    switch (FTypes[static_cast<size_t>(field)]) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return QCborValue(v.ToString());
    case ftBoolean:
        return QCborValue(v.ToBool());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return QCborValue(v.ToInt64());
    case ftCurrency:
    case ftBCD:
        return QCborValue(v.ToCurrency().Scaled);
    case ftFloat:
        return QCborValue(v.ToDouble());
    case ftDate:
    case ftTime:
    case ftDateTime:
        return QCborValue(v.ToDateTime().Value());
    default:
        return QCborValue(v.ToBytes());
    }
}

void TPacketWriter::WriteValue(int field, const Variant &v) {
    CborValue(field, v).toCbor(*FWriter);
}

void TPacketWriter::WriteRow(quint8 status, const std::vector<Variant> &values) {
    // Every value is converted to its field's type before anything is written, so a value that
    // does not fit leaves no half-written row behind.
    std::vector<QCborValue> row(FTypes.size(), QCborValue(nullptr));
    for (size_t i = 0; i < FTypes.size() && i < values.size(); ++i) {
        try {
            row[i] = CborValue(static_cast<int>(i), values[i]);
        } catch (const Exception &) {
            DatabaseError(QStringLiteral("Value '%1' does not fit a field of type %2")
                              .arg(VarToStr(values[i]), FieldTypeName(FTypes[i])));
        }
    }
    QCborStreamWriter &w = *FWriter;
    w.startArray(static_cast<quint64>(FTypes.size() + 1));
    w.append(static_cast<int>(status));
    for (const QCborValue &value : row)
        value.toCbor(w);
    w.endArray();
    ++FRows;
}

void TPacketWriter::WriteRow(quint8 status, const TRecordLayout &layout, const uchar *rec) {
    QCborStreamWriter &w = *FWriter;
    w.startArray(static_cast<quint64>(FTypes.size() + 1));
    w.append(static_cast<int>(status));
    for (int i = 0; i < static_cast<int>(FTypes.size()); ++i) {
        if (layout.IsNull(rec, i)) {
            w.append(nullptr);
            continue;
        }
        switch (layout.Kind(i)) {
        case TStoreKind::Bool:
            w.append(layout.IntValue(rec, i) != 0);
            break;
        case TStoreKind::Int16:
        case TStoreKind::Int32:
        case TStoreKind::Int64:
        case TStoreKind::Currency:
            w.append(layout.IntValue(rec, i));
            break;
        case TStoreKind::Double:
        case TStoreKind::Date:
            w.append(layout.FloatValue(rec, i));
            break;
        case TStoreKind::Text: {
            const QByteArrayView raw = layout.Raw(rec, i);
            w.appendTextString(raw.data(), raw.size());
            break;
        }
        case TStoreKind::Bytes: {
            const QByteArrayView raw = layout.Raw(rec, i);
            w.appendByteString(raw.data(), raw.size());
            break;
        }
        }
    }
    w.endArray();
    ++FRows;
}

QByteArray TPacketWriter::Finish() {
    if (FFinished)
        return FBytes;
    QCborStreamWriter &w = *FWriter;
    w.endArray();
    w.startMap(4);
    w.append(QLatin1String("eod"));
    w.append(FEndOfData);
    w.append(QLatin1String("params"));
    WriteVariant(w, FParams);
    w.append(QLatin1String("rolledBack"));
    w.append(FRolledBack);
    w.append(QLatin1String("errors"));
    w.startArray(static_cast<quint64>(FErrors.size()));
    for (const TPacketError &e : FErrors) {
        w.startArray(4);
        w.append(e.Row);
        w.append(e.Code);
        w.append(e.Message);
        if (e.Current.empty()) {
            w.append(nullptr);
        } else {
            w.startArray(static_cast<quint64>(e.Current.size()));
            for (size_t i = 0; i < e.Current.size(); ++i)
                WriteValue(static_cast<int>(i), e.Current[i]);
            w.endArray();
        }
        w.endArray();
    }
    w.endArray();
    w.endMap();
    w.endArray();
    FFinished = true;
    FWriter.reset();
    return FBytes;
}

// ---- reading -------------------------------------------------------------------------------

namespace {

qint64 ReadInt(QCborStreamReader &r) {
    if (!r.isInteger())
        throw EDatabaseError(QStringLiteral("integer expected"));
    const qint64 v = r.toInteger();
    r.next();
    return v;
}

QString ReadText(QCborStreamReader &r) {
    if (!r.isString())
        throw EDatabaseError(QStringLiteral("text expected"));
    QString out;
    auto chunk = r.readString();
    while (chunk.status == QCborStreamReader::Ok) {
        out += chunk.data;
        chunk = r.readString();
    }
    if (chunk.status == QCborStreamReader::Error)
        throw EDatabaseError(QStringLiteral("bad text"));
    return out;
}

QByteArray ReadBytes(QCborStreamReader &r) {
    if (!r.isByteArray())
        throw EDatabaseError(QStringLiteral("bytes expected"));
    QByteArray out;
    auto chunk = r.readByteArray();
    while (chunk.status == QCborStreamReader::Ok) {
        out += chunk.data;
        chunk = r.readByteArray();
    }
    if (chunk.status == QCborStreamReader::Error)
        throw EDatabaseError(QStringLiteral("bad bytes"));
    return out;
}

bool ReadBool(QCborStreamReader &r) {
    if (!r.isBool())
        throw EDatabaseError(QStringLiteral("boolean expected"));
    const bool v = r.toBool();
    r.next();
    return v;
}

double ReadFloat(QCborStreamReader &r) {
    double v;
    if (r.isDouble())
        v = r.toDouble();
    else if (r.isFloat())
        v = r.toFloat();
    else if (r.isInteger())
        v = static_cast<double>(r.toInteger());
    else
        throw EDatabaseError(QStringLiteral("number expected"));
    r.next();
    return v;
}

void EnterArray(QCborStreamReader &r) {
    if (!r.isArray() || !r.enterContainer())
        throw EDatabaseError(QStringLiteral("array expected"));
}

void LeaveArray(QCborStreamReader &r) {
    if (r.hasNext())
        throw EDatabaseError(QStringLiteral("too many items"));
    if (!r.leaveContainer())
        throw EDatabaseError(QStringLiteral("unterminated array"));
}

bool ValidType(int type) {
    return type > ftUnknown && type < FieldTypeCount;
}

} // namespace

TPacketReader::TPacketReader(const QByteArray &bytes, const std::vector<TFieldDef> *fields)
    : FBytes(bytes), FReader(std::make_unique<QCborStreamReader>(FBytes)) {
    try {
        QCborStreamReader &r = *FReader;
        EnterArray(r);
        if (!r.hasNext() || ReadText(r) != Magic)
            Fail(QStringLiteral("not a data packet"));
        if (!r.hasNext())
            Fail(QStringLiteral("truncated"));
        const qint64 version = ReadInt(r);
        if (version != PacketVersion)
            Fail(QStringLiteral("version %1 is not supported").arg(version));
        if (!r.hasNext())
            Fail(QStringLiteral("truncated"));
        const qint64 kind = ReadInt(r);
        if (kind < pkData || kind > pkReconcile)
            Fail(QStringLiteral("unknown packet kind %1").arg(kind));
        FKind = static_cast<TPacketKind>(kind);
        if (!r.hasNext())
            Fail(QStringLiteral("truncated"));
        if (r.isNull()) {
            r.next();
            if (!fields)
                Fail(QStringLiteral("packet without field metadata"));
            FFields = *fields;
        } else {
            FFields = ReadFieldDefs(0);
            FHasMetaData = true;
        }
        if (!r.hasNext())
            Fail(QStringLiteral("truncated"));
        EnterArray(r);
        Check();
    } catch (const EDatabaseError &e) {
        if (e.Message().startsWith(QLatin1String("Invalid data packet")))
            throw;
        Fail(e.Message());
    }
}

TPacketReader::~TPacketReader() = default;

void TPacketReader::Fail(const QString &what) const {
    throw EDatabaseError(QStringLiteral("Invalid data packet: %1").arg(what));
}

void TPacketReader::Check() const {
    if (FReader->lastError() != QCborError::NoError)
        Fail(FReader->lastError().toString());
}

std::vector<TFieldDef> TPacketReader::ReadFieldDefs(int depth) {
    if (depth > MaxNesting)
        Fail(QStringLiteral("nested too deeply"));
    QCborStreamReader &r = *FReader;
    std::vector<TFieldDef> defs;
    EnterArray(r);
    while (r.hasNext()) {
        EnterArray(r);
        TFieldDef d;
        const auto need = [&] {
            if (!r.hasNext())
                Fail(QStringLiteral("field entry too short"));
        };
        need();
        d.Name = ReadText(r);
        need();
        const qint64 type = ReadInt(r);
        if (!ValidType(static_cast<int>(type)) || type != static_cast<int>(type))
            Fail(QStringLiteral("unknown field type %1").arg(type));
        d.DataType = static_cast<TFieldType>(type);
        need();
        const qint64 size = ReadInt(r);
        if (size < 0 || size > (1 << 30))
            Fail(QStringLiteral("bad field size"));
        d.Size = static_cast<int>(size);
        need();
        const qint64 flags = ReadInt(r);
        d.Required = flags & 1;
        d.ReadOnly = flags & 2;
        d.Visible = !(flags & 4);
        need();
        d.ProviderFlags = static_cast<quint8>(ReadInt(r) & 0xFF);
        need();
        d.DisplayLabel = ReadText(r);
        need();
        const qint64 width = ReadInt(r);
        d.DisplayWidth = width < 0 || width > 100000 ? 0 : static_cast<int>(width);
        need();
        if (r.isNull())
            r.next();
        else
            d.Children = ReadFieldDefs(depth + 1);
        LeaveArray(r);
        if (d.Name.isEmpty())
            Fail(QStringLiteral("field without a name"));
        for (const TFieldDef &other : defs)
            if (other.Name.compare(d.Name, Qt::CaseInsensitive) == 0)
                Fail(QStringLiteral("duplicate field '%1'").arg(d.Name));
        defs.push_back(std::move(d));
    }
    LeaveArray(r);
    Check();
    return defs;
}

Variant TPacketReader::ReadValue(TFieldType type) {
    QCborStreamReader &r = *FReader;
    if (r.isNull()) {
        r.next();
        return Variant::Null();
    }
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        return Variant(ReadText(r));
    case ftBoolean:
        return Variant(ReadBool(r));
    case ftSmallint: {
        const qint64 v = ReadInt(r);
        if (v < -32768 || v > 32767)
            Fail(QStringLiteral("small integer out of range"));
        return Variant::SmallInt(static_cast<int>(v));
    }
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        const qint64 v = ReadInt(r);
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            Fail(QStringLiteral("integer out of range"));
        return Variant(static_cast<int>(v));
    }
    case ftLargeint:
        return Variant(ReadInt(r));
    case ftCurrency:
    case ftBCD:
        return Variant(Currency{ReadInt(r)});
    case ftFloat:
        return Variant(ReadFloat(r));
    case ftDate:
    case ftTime:
    case ftDateTime:
        return Variant(TDateTime(ReadFloat(r)));
    default:
        return Variant(ReadBytes(r));
    }
}

bool TPacketReader::NextRow(quint8 &status, std::vector<Variant> &values) {
    if (FRowsDone)
        return false;
    QCborStreamReader &r = *FReader;
    try {
        if (!r.hasNext()) {
            Check();
            if (!r.leaveContainer())
                Fail(QStringLiteral("unterminated rows"));
            ReadTrailer();
            FRowsDone = true;
            return false;
        }
        EnterArray(r);
        if (!r.hasNext())
            Fail(QStringLiteral("empty row"));
        const qint64 s = ReadInt(r);
        if (s < 0 || s > PacketOriginal)
            Fail(QStringLiteral("bad row status %1").arg(s));
        status = static_cast<quint8>(s);
        values.resize(FFields.size());
        for (size_t i = 0; i < FFields.size(); ++i) {
            if (!r.hasNext())
                Fail(QStringLiteral("row too short"));
            values[i] = ReadValue(FFields[i].DataType);
        }
        LeaveArray(r);
        Check();
    } catch (const EDatabaseError &e) {
        if (e.Message().startsWith(QLatin1String("Invalid data packet")))
            throw;
        Check();
        Fail(e.Message());
    }
    return true;
}

void TPacketReader::ReadTrailer() {
    QCborStreamReader &r = *FReader;
    if (!r.hasNext() || !r.isMap() || !r.enterContainer())
        Fail(QStringLiteral("missing trailer"));
    while (r.hasNext()) {
        const QString key = ReadText(r);
        if (!r.hasNext())
            Fail(QStringLiteral("truncated trailer"));
        if (key == QLatin1String("eod")) {
            FEndOfData = ReadBool(r);
        } else if (key == QLatin1String("rolledBack")) {
            FRolledBack = ReadBool(r);
        } else if (key == QLatin1String("params")) {
            try {
                FParams = ReadVariant(r);
            } catch (const Exception &e) {
                Fail(e.Message());
            }
        } else if (key == QLatin1String("errors")) {
            EnterArray(r);
            while (r.hasNext()) {
                EnterArray(r);
                TPacketError e;
                const auto need = [&] {
                    if (!r.hasNext())
                        Fail(QStringLiteral("error entry too short"));
                };
                need();
                const qint64 row = ReadInt(r);
                if (row < 0 || row > std::numeric_limits<int>::max())
                    Fail(QStringLiteral("bad error row"));
                e.Row = static_cast<int>(row);
                need();
                e.Code = static_cast<int>(ReadInt(r));
                need();
                e.Message = ReadText(r);
                need();
                if (r.isNull()) {
                    r.next();
                } else {
                    EnterArray(r);
                    for (const TFieldDef &d : FFields) {
                        if (!r.hasNext())
                            Fail(QStringLiteral("error values too short"));
                        e.Current.push_back(ReadValue(d.DataType));
                    }
                    LeaveArray(r);
                }
                LeaveArray(r);
                FErrors.push_back(std::move(e));
            }
            LeaveArray(r);
        } else {
            Fail(QStringLiteral("unknown trailer entry '%1'").arg(key));
        }
    }
    if (!r.leaveContainer())
        Fail(QStringLiteral("unterminated trailer"));
    LeaveArray(r);
    Check();
    if (r.isValid() || r.currentOffset() != FBytes.size())
        Fail(QStringLiteral("bytes after the end of the packet"));
}

TPacketRows ReadAllRows(TPacketReader &reader) {
    TPacketRows rows;
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
        rows.Status.push_back(status);
        rows.Values.push_back(values);
    }
    return rows;
}

#include "VariantCbor.h"

#include "Exceptions.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <limits>

namespace {

constexpr quint64 kTagSmallInt = 40001;
constexpr quint64 kTagInt64 = 40002;
constexpr quint64 kTagDate = 40003;
constexpr quint64 kTagArray = 40004;
constexpr quint64 kTagDecimal = 4;
constexpr int kMaxDepth = 64;

[[noreturn]] void Malformed(const char *why) {
    throw EVariantError(QStringLiteral("Malformed variant data: ") + QString::fromLatin1(why));
}

void Check(QCborStreamReader &reader) {
    if (reader.lastError() != QCborError::NoError)
        Malformed("the data is not valid CBOR");
}

qint64 ReadInteger(QCborStreamReader &reader) {
    if (reader.isUnsignedInteger()) {
        const quint64 v = quint64(reader.toUnsignedInteger());
        if (v > quint64(std::numeric_limits<qint64>::max()))
            Malformed("integer out of range");
        reader.next();
        Check(reader);
        return qint64(v);
    }
    if (reader.isNegativeInteger()) {
        const quint64 v = quint64(reader.toNegativeInteger()); // the value is -v
        if (v == 0 || v > quint64(std::numeric_limits<qint64>::max()) + 1)
            Malformed("integer out of range");
        reader.next();
        Check(reader);
        return v == quint64(std::numeric_limits<qint64>::max()) + 1
                   ? std::numeric_limits<qint64>::min()
                   : -qint64(v);
    }
    Malformed("an integer was expected");
}

double ReadFloat(QCborStreamReader &reader) {
    double v;
    if (reader.isDouble())
        v = reader.toDouble();
    else if (reader.isFloat())
        v = reader.toFloat();
    else if (reader.isFloat16())
        v = double(float(reader.toFloat16()));
    else
        Malformed("a number was expected");
    reader.next();
    Check(reader);
    return v;
}

QString ReadText(QCborStreamReader &reader) {
    QString out;
    auto r = reader.readString();
    while (r.status == QCborStreamReader::Ok) {
        out += r.data;
        r = reader.readString();
    }
    if (r.status == QCborStreamReader::Error)
        Malformed("broken text string");
    return out;
}

QByteArray ReadBytes(QCborStreamReader &reader) {
    QByteArray out;
    auto r = reader.readByteArray();
    while (r.status == QCborStreamReader::Ok) {
        out += r.data;
        r = reader.readByteArray();
    }
    if (r.status == QCborStreamReader::Error)
        Malformed("broken byte string");
    return out;
}

Variant ReadValue(QCborStreamReader &reader, int depth);

std::vector<Variant> ReadItems(QCborStreamReader &reader, int depth) {
    if (!reader.isArray())
        Malformed("an array was expected");
    std::vector<Variant> items;
    if (reader.isLengthKnown() && reader.length() > 0)
        items.reserve(size_t(qMin<quint64>(reader.length(), 4096)));
    if (!reader.enterContainer())
        Malformed("broken array");
    while (reader.lastError() == QCborError::NoError && reader.hasNext())
        items.push_back(ReadValue(reader, depth + 1));
    Check(reader);
    if (!reader.leaveContainer())
        Malformed("broken array");
    return items;
}

Variant ReadValue(QCborStreamReader &reader, int depth) {
    if (depth > kMaxDepth)
        Malformed("nested too deeply");
    Check(reader);
    switch (reader.type()) {
    case QCborStreamReader::UnsignedInteger:
    case QCborStreamReader::NegativeInteger: {
        const qint64 v = ReadInteger(reader);
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            return Variant(int(v));
        return Variant(v);
    }
    case QCborStreamReader::Float16:
    case QCborStreamReader::Float:
    case QCborStreamReader::Double:
        return Variant(ReadFloat(reader));
    case QCborStreamReader::String:
        return Variant(ReadText(reader));
    case QCborStreamReader::ByteArray:
        return Variant(ReadBytes(reader));
    case QCborStreamReader::Array:
        return Variant::ArrayOf(ReadItems(reader, depth));
    case QCborStreamReader::SimpleType: {
        const QCborSimpleType t = reader.toSimpleType();
        reader.next();
        Check(reader);
        switch (t) {
        case QCborSimpleType::False:
            return Variant(false);
        case QCborSimpleType::True:
            return Variant(true);
        case QCborSimpleType::Null:
            return Variant::Null();
        case QCborSimpleType::Undefined:
            return Variant();
        default:
            Malformed("unknown simple value");
        }
    }
    case QCborStreamReader::Tag: {
        const quint64 tag = quint64(reader.toTag());
        reader.next();
        Check(reader);
        switch (tag) {
        case kTagSmallInt: {
            const qint64 v = ReadInteger(reader);
            if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
                Malformed("small integer out of range");
            return Variant::SmallInt(int(v));
        }
        case kTagInt64:
            return Variant(ReadInteger(reader));
        case kTagDate:
            return Variant(TDateTime(ReadFloat(reader)));
        case kTagDecimal: {
            if (!reader.isArray() || !reader.isLengthKnown() || reader.length() != 2 ||
                !reader.enterContainer())
                Malformed("broken currency");
            const qint64 exponent = ReadInteger(reader);
            const qint64 mantissa = ReadInteger(reader);
            if (exponent != -4 || !reader.leaveContainer())
                Malformed("broken currency");
            return Variant(Currency{mantissa});
        }
        case kTagArray: {
            if (!reader.isArray() || !reader.isLengthKnown() || reader.length() != 2 ||
                !reader.enterContainer())
                Malformed("broken array bounds");
            const qint64 low = ReadInteger(reader);
            if (low < std::numeric_limits<int>::min() / 2 ||
                low > std::numeric_limits<int>::max() / 2)
                Malformed("array bound out of range");
            std::vector<Variant> items = ReadItems(reader, depth);
            if (!reader.leaveContainer())
                Malformed("broken array bounds");
            Variant v = Variant::Array(int(low), int(low) + int(items.size()) - 1);
            for (size_t i = 0; i < items.size(); ++i)
                v.SetElement(int(low) + int(i), items[i]);
            return v;
        }
        default:
            Malformed("unknown tag");
        }
    }
    default:
        Malformed("unexpected item");
    }
}

} // namespace

void WriteVariant(QCborStreamWriter &writer, const Variant &value) {
    switch (value.VarType()) {
    case TVarType::Empty:
        writer.append(QCborSimpleType::Undefined);
        return;
    case TVarType::Null:
        writer.append(nullptr);
        return;
    case TVarType::Boolean:
        writer.append(value.ToBool());
        return;
    case TVarType::SmallInt:
        writer.append(QCborTag(kTagSmallInt));
        writer.append(value.ToInt64());
        return;
    case TVarType::Integer:
        writer.append(value.ToInt64());
        return;
    case TVarType::Int64: {
        const qint64 v = value.ToInt64();
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            writer.append(QCborTag(kTagInt64));
        writer.append(v);
        return;
    }
    case TVarType::Double:
        writer.append(value.ToDouble());
        return;
    case TVarType::Currency:
        writer.append(QCborTag(kTagDecimal));
        writer.startArray(2);
        writer.append(qint64(-4));
        writer.append(value.ToCurrency().Scaled);
        writer.endArray();
        return;
    case TVarType::Date:
        writer.append(QCborTag(kTagDate));
        writer.append(value.ToDateTime().Value());
        return;
    case TVarType::String:
        writer.append(value.ToString());
        return;
    case TVarType::Bytes:
        writer.append(value.ToBytes());
        return;
    case TVarType::Array: {
        const bool bounded = value.LowBound() != 0;
        if (bounded) {
            writer.append(QCborTag(kTagArray));
            writer.startArray(2);
            writer.append(qint64(value.LowBound()));
        }
        writer.startArray(quint64(value.ElementCount()));
        for (int i = value.LowBound(); i <= value.HighBound(); ++i)
            WriteVariant(writer, value[i]);
        writer.endArray();
        if (bounded)
            writer.endArray();
        return;
    }
    }
}

Variant ReadVariant(QCborStreamReader &reader) {
    return ReadValue(reader, 0);
}

QByteArray VariantToCbor(const Variant &value) {
    QByteArray out;
    QCborStreamWriter writer(&out);
    WriteVariant(writer, value);
    return out;
}

Variant VariantFromCbor(const QByteArray &data) {
    QCborStreamReader reader(data);
    Variant v = ReadVariant(reader);
    if (reader.lastError() != QCborError::NoError)
        Malformed("the data is not valid CBOR");
    if (reader.currentOffset() != data.size())
        Malformed("bytes left over after the value");
    return v;
}

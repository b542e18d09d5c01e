#include "Packet.h"

#include "VariantCbor.h"

#include <QCborStreamReader>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
const QLatin1String Magic("LumDP");
constexpr int MaxNesting = 16;

// ---- writing -------------------------------------------------------------------------------

// Appends CBOR items to a byte array: the shortest head for every length and integer, floats
// as 64-bit doubles. The array is grown ahead and cut to the bytes used by Finish.
class TCborOut {
public:
    TCborOut(QByteArray &out, qsizetype &used)
        : FOut(out), FUsed(used), FData(out.data()), FCapacity(out.size()) {}

    Q_ALWAYS_INLINE void Head(quint8 major, quint64 value) {
        const char m = static_cast<char>(major << 5);
        if (value < 24) {
            *Grow(1) = static_cast<char>(m | static_cast<char>(value));
        } else if (value <= 0xFF) {
            char *p = Grow(2);
            p[0] = static_cast<char>(m | 24);
            p[1] = static_cast<char>(value);
        } else if (value <= 0xFFFF) {
            char *p = Grow(3);
            p[0] = static_cast<char>(m | 25);
            qToBigEndian(static_cast<quint16>(value), p + 1);
        } else if (value <= 0xFFFFFFFFu) {
            char *p = Grow(5);
            p[0] = static_cast<char>(m | 26);
            qToBigEndian(static_cast<quint32>(value), p + 1);
        } else {
            char *p = Grow(9);
            p[0] = static_cast<char>(m | 27);
            qToBigEndian(value, p + 1);
        }
    }
    void Int(qint64 v) {
        if (v >= 0)
            Head(0, static_cast<quint64>(v));
        else
            Head(1, static_cast<quint64>(-1 - v));
    }
    void Double(double v) {
        char *p = Grow(9);
        p[0] = static_cast<char>(0xFB);
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        qToBigEndian(bits, p + 1);
    }
    void Bool(bool v) { *Grow(1) = static_cast<char>(v ? 0xF5 : 0xF4); }
    void Null() { *Grow(1) = static_cast<char>(0xF6); }
    void Text(const char *utf8, qsizetype size) { String(3, utf8, size); }
    void Text(const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        Text(utf8.constData(), utf8.size());
    }
    void Bytes(const char *data, qsizetype size) { String(2, data, size); }
    void Array(quint64 count) { Head(4, count); }
    void Map(quint64 count) { Head(5, count); }
    void OpenArray() { *Grow(1) = static_cast<char>(0x9F); }
    void Break() { *Grow(1) = static_cast<char>(0xFF); }
    void Raw(const QByteArray &bytes) {
        if (!bytes.isEmpty())
            std::memcpy(Grow(bytes.size()), bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    // Where the next item goes, for undoing a half-written row.
    qsizetype Mark() const { return FUsed; }
    void Reset(qsizetype mark) { FUsed = mark; }

private:
    // Called for every item of every row: kept inline, with the rare resize out of line.
    Q_ALWAYS_INLINE char *Grow(qsizetype n) {
        if (Q_UNLIKELY(FUsed + n > FCapacity))
            Enlarge(n);
        char *p = FData + FUsed;
        FUsed += n;
        return p;
    }
    Q_NEVER_INLINE void Enlarge(qsizetype n) {
        FOut.resize(std::max<qsizetype>(FUsed + n, FCapacity * 2 + 256));
        FData = FOut.data();
        FCapacity = FOut.size();
    }
    void String(quint8 major, const char *data, qsizetype size) {
        Head(major, static_cast<quint64>(size));
        if (size > 0)
            std::memcpy(Grow(size), data, static_cast<size_t>(size));
    }
    QByteArray &FOut;
    qsizetype &FUsed;
    // The array's bytes, held while this writer appends to it: only Grow resizes the array.
    char *FData;
    qsizetype FCapacity;
};

void WriteFieldDefs(TCborOut &w, const std::vector<TFieldDef> &defs) {
    w.Array(defs.size());
    for (const TFieldDef &d : defs) {
        w.Array(8);
        w.Text(d.Name);
        w.Int(static_cast<int>(d.DataType));
        w.Int(d.Size);
        w.Int((d.Required ? 1 : 0) | (d.ReadOnly ? 2 : 0) | (d.Visible ? 0 : 4));
        w.Int(static_cast<int>(d.ProviderFlags));
        w.Text(d.DisplayLabel);
        w.Int(d.DisplayWidth);
        if (d.Children.empty())
            w.Null();
        else
            WriteFieldDefs(w, d.Children);
    }
}

// Writes a value converted to a field type; raises on a value that does not convert.
void WriteTyped(TCborOut &w, TFieldType type, const Variant &v) {
    if (v.IsEmptyOrNull()) {
        w.Null();
        return;
    }
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
        w.Text(v.ToString());
        break;
    case ftBoolean:
        w.Bool(v.ToBool());
        break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        w.Int(v.ToInt64());
        break;
    case ftCurrency:
    case ftBCD:
        w.Int(v.ToCurrency().Scaled);
        break;
    case ftFloat:
        w.Double(v.ToDouble());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        w.Double(v.ToDateTime().Value());
        break;
    default: {
        const QByteArray bytes = v.ToBytes();
        w.Bytes(bytes.constData(), bytes.size());
        break;
    }
    }
}
} // namespace

TPacketWriter::TPacketWriter(TPacketKind kind, const std::vector<TFieldDef> &fields,
                             bool metaData) {
    for (const TFieldDef &d : fields)
        FTypes.push_back(d.DataType);
    TCborOut w(FBytes, FUsed);
    w.Array(6);
    w.Text(Magic.data(), Magic.size());
    w.Int(PacketVersion);
    w.Int(static_cast<int>(kind));
    if (metaData)
        WriteFieldDefs(w, fields);
    else
        w.Null();
    w.OpenArray();
}

TPacketWriter::~TPacketWriter() = default;

void TPacketWriter::WriteRow(quint8 status, const std::vector<Variant> &values) {
    // A value that does not fit its field leaves no half-written row behind.
    TCborOut w(FBytes, FUsed);
    const qsizetype mark = w.Mark();
    w.Array(FTypes.size() + 1);
    w.Int(status);
    for (size_t i = 0; i < FTypes.size(); ++i) {
        const Variant &v = i < values.size() ? values[i] : Variant::Null();
        try {
            WriteTyped(w, FTypes[i], v);
        } catch (const Exception &) {
            w.Reset(mark);
            DatabaseError(QStringLiteral("Value '%1' does not fit a field of type %2")
                              .arg(VarToStr(v), FieldTypeName(FTypes[i])));
        }
    }
    ++FRows;
}

namespace {
// Writes one stored value as it is kept in the record block.
void WriteStored(TCborOut &w, const TRecordLayout &layout, const uchar *rec, int i) {
    if (layout.IsNull(rec, i)) {
        w.Null();
        return;
    }
    switch (layout.Kind(i)) {
    case TStoreKind::Bool:
        w.Bool(layout.IntValue(rec, i) != 0);
        break;
    case TStoreKind::Int16:
    case TStoreKind::Int32:
    case TStoreKind::Int64:
    case TStoreKind::Currency:
        w.Int(layout.IntValue(rec, i));
        break;
    case TStoreKind::Double:
    case TStoreKind::Date:
        w.Double(layout.FloatValue(rec, i));
        break;
    case TStoreKind::Text: {
        const QByteArrayView raw = layout.Raw(rec, i);
        w.Text(raw.data(), raw.size());
        break;
    }
    case TStoreKind::Bytes: {
        const QByteArrayView raw = layout.Raw(rec, i);
        w.Bytes(raw.data(), raw.size());
        break;
    }
    }
}
} // namespace

void TPacketWriter::WriteRow(quint8 status, const TRecordLayout &layout, const uchar *rec) {
    TCborOut w(FBytes, FUsed);
    w.Array(FTypes.size() + 1);
    w.Int(status);
    for (int i = 0; i < static_cast<int>(FTypes.size()); ++i)
        WriteStored(w, layout, rec, i);
    ++FRows;
}

void TPacketWriter::WriteRow(quint8 status, const TRecordLayout &layout, const uchar *rec,
                             const std::vector<int> &columns) {
    TCborOut w(FBytes, FUsed);
    w.Array(FTypes.size() + 1);
    w.Int(status);
    for (int column : columns)
        WriteStored(w, layout, rec, column);
    ++FRows;
}

void TPacketWriter::Reserve(qsizetype more) {
    if (more > 0 && FUsed + more > FBytes.size())
        FBytes.resize(FUsed + more);
}

QByteArray TPacketWriter::Finish() {
    if (FFinished)
        return FBytes;
    TCborOut w(FBytes, FUsed);
    w.Break();
    w.Map(4);
    w.Text("eod", 3);
    w.Bool(FEndOfData);
    w.Text("params", 6);
    w.Raw(VariantToCbor(FParams));
    w.Text("rolledBack", 10);
    w.Bool(FRolledBack);
    w.Text("errors", 6);
    w.Array(FErrors.size());
    for (const TPacketError &e : FErrors) {
        w.Array(4);
        w.Int(e.Row);
        w.Int(e.Code);
        w.Text(e.Message);
        if (e.Current.empty()) {
            w.Null();
        } else {
            w.Array(e.Current.size());
            for (size_t i = 0; i < e.Current.size(); ++i)
                WriteTyped(w, i < FTypes.size() ? FTypes[i] : ftString, e.Current[i]);
        }
    }
    FBytes.truncate(FUsed);
    FFinished = true;
    return FBytes;
}

// ---- reading -------------------------------------------------------------------------------

namespace {

// The head and trailer are read with Qt's stream reader.
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
    else if (r.isFloat16())
        v = r.toFloat16();
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

// Checks UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool ValidUtf8(const uchar *p, qsizetype size) {
    const uchar *end = p + size;
    while (p < end) {
        // Eight ASCII bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        uint cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        static constexpr uint Least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < Least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

double HalfToDouble(quint16 half) {
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    double value;
    if (exponent == 0)
        value = std::ldexp(mantissa, -24);
    else if (exponent != 31)
        value = std::ldexp(mantissa + 1024, exponent - 25);
    else
        value = mantissa == 0 ? std::numeric_limits<double>::infinity()
                              : std::numeric_limits<double>::quiet_NaN();
    return half & 0x8000 ? -value : value;
}

// Reads the rows of a packet straight from its bytes: the rows are most of a packet, and going
// through Qt's stream reader and variants for every value costs several times the work itself.
// Every read is bounds-checked; anything malformed raises EDatabaseError.
class TCborIn {
public:
    TCborIn(const QByteArray &bytes, qsizetype pos)
        : FBegin(reinterpret_cast<const uchar *>(bytes.constData())), FPos(FBegin + pos),
          FEnd(FBegin + bytes.size()) {}

    qsizetype Offset() const { return FPos - FBegin; }
    bool AtEnd() const { return FPos >= FEnd; }
    uchar Peek() const {
        if (FPos >= FEnd)
            Fail("truncated");
        return *FPos;
    }
    void Skip1() { ++FPos; }

    // Reads an item's head: major type and argument; indefinite is set for the 0x1F forms.
    void Head(int &major, quint64 &value, bool &indefinite) {
        const uchar b = Peek();
        ++FPos;
        major = b >> 5;
        const int info = b & 0x1F;
        indefinite = false;
        if (info < 24) {
            value = static_cast<quint64>(info);
        } else if (info <= 27) {
            const int n = 1 << (info - 24);
            if (FEnd - FPos < n)
                Fail("truncated");
            switch (n) {
            case 1:
                value = FPos[0];
                break;
            case 2:
                value = qFromBigEndian<quint16>(FPos);
                break;
            case 4:
                value = qFromBigEndian<quint32>(FPos);
                break;
            default:
                value = qFromBigEndian<quint64>(FPos);
                break;
            }
            FPos += n;
        } else if (info == 31 && major >= 2 && major <= 5) {
            indefinite = true;
            value = 0;
        } else {
            Fail("malformed item");
        }
    }

    // An integer item (major type 0 or 1) after its head was read.
    static qint64 Integer(int major, quint64 value) {
        if (value > static_cast<quint64>(std::numeric_limits<qint64>::max()))
            Fail("integer out of range");
        return major == 0 ? static_cast<qint64>(value) : -1 - static_cast<qint64>(value);
    }

    // The bytes of a definite string item whose head was read.
    const char *Take(quint64 size) {
        if (static_cast<quint64>(FEnd - FPos) < size)
            Fail("truncated");
        const char *p = reinterpret_cast<const char *>(FPos);
        FPos += size;
        return p;
    }

    // Reads a text or byte string (major 3 or 2) whose head was read, in one or more pieces.
    template <class F> void String(int major, quint64 size, bool indefinite, F &&piece) {
        if (!indefinite) {
            const char *p = Take(size);
            CheckText(major, p, static_cast<qsizetype>(size));
            piece(p, static_cast<qsizetype>(size));
            return;
        }
        for (;;) {
            if (Peek() == 0xFF) {
                ++FPos;
                return;
            }
            int m;
            quint64 n;
            bool more;
            Head(m, n, more);
            if (m != major || more)
                Fail("bad string chunk");
            const char *p = Take(n);
            CheckText(major, p, static_cast<qsizetype>(n));
            piece(p, static_cast<qsizetype>(n));
        }
    }

    // Reads a simple value or float (major 7) whose initial byte is b, already consumed.
    double FloatAfter(uchar b) {
        switch (b) {
        case 0xF9: {
            const char *p = Take(2);
            return HalfToDouble(qFromBigEndian<quint16>(p));
        }
        case 0xFA: {
            const quint32 bits = qFromBigEndian<quint32>(Take(4));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        case 0xFB: {
            const quint64 bits = qFromBigEndian<quint64>(Take(8));
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default:
            Fail("number expected");
        }
    }

    [[noreturn]] static void Fail(const char *what) {
        throw EDatabaseError(QStringLiteral("Invalid data packet: %1").arg(QLatin1String(what)));
    }

private:
    static void CheckText(int major, const char *p, qsizetype size) {
        if (major == 3 && !ValidUtf8(reinterpret_cast<const uchar *>(p), size))
            Fail("invalid UTF-8 text");
    }

    const uchar *FBegin;
    const uchar *FPos;
    const uchar *FEnd;
};

// Where decoded values go: variants, or a record block under construction.
class TVariantSink {
public:
    explicit TVariantSink(std::vector<Variant> &values) : FValues(values) {}
    void Null(int i) { FValues[static_cast<size_t>(i)] = Variant::Null(); }
    void Bool(int i, bool v) { FValues[static_cast<size_t>(i)] = Variant(v); }
    void Int(int i, TFieldType type, qint64 v) {
        Variant &out = FValues[static_cast<size_t>(i)];
        switch (type) {
        case ftSmallint:
            out = Variant::SmallInt(static_cast<int>(v));
            break;
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            out = Variant(static_cast<int>(v));
            break;
        case ftCurrency:
        case ftBCD:
            out = Variant(Currency{v});
            break;
        default:
            out = Variant(v);
            break;
        }
    }
    void Float(int i, TFieldType type, double v) {
        FValues[static_cast<size_t>(i)] = type == ftFloat ? Variant(v) : Variant(TDateTime(v));
    }
    void BeginString(int) { FPiece.clear(); }
    void Piece(const char *p, qsizetype n) { FPiece.append(p, n); }
    void EndString(int i, bool text) {
        FValues[static_cast<size_t>(i)] =
            text ? Variant(QString::fromUtf8(FPiece)) : Variant(FPiece);
    }

private:
    std::vector<Variant> &FValues;
    QByteArray FPiece;
};

class TRecordSink {
public:
    explicit TRecordSink(TRecordBuilder &record) : FRecord(record) {}
    void Null(int i) { FRecord.SetNull(i); }
    void Bool(int i, bool v) { FRecord.SetInt(i, v ? 1 : 0); }
    void Int(int i, TFieldType, qint64 v) { FRecord.SetInt(i, v); }
    void Float(int i, TFieldType, double v) { FRecord.SetFloat(i, v); }
    void BeginString(int i) { FRecord.BeginBytes(i); }
    void Piece(const char *p, qsizetype n) { FRecord.AppendBytes(p, n); }
    void EndString(int, bool) {}

private:
    TRecordBuilder &FRecord;
};

// Reads one value of a field type from the rows.
template <class Sink> void ReadRowValue(TCborIn &in, int field, TFieldType type, Sink &sink) {
    const uchar first = in.Peek();
    if (first == 0xF6) {
        in.Skip1();
        sink.Null(field);
        return;
    }
    int major;
    quint64 value;
    bool indefinite;
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftBlob:
    case ftGraphic:
    case ftDataSet: {
        const bool text = type == ftString || type == ftWideString || type == ftMemo;
        in.Head(major, value, indefinite);
        if (major != (text ? 3 : 2))
            TCborIn::Fail(text ? "text expected" : "bytes expected");
        sink.BeginString(field);
        in.String(major, value, indefinite, [&](const char *p, qsizetype n) { sink.Piece(p, n); });
        sink.EndString(field, text);
        return;
    }
    case ftBoolean:
        if (first != 0xF4 && first != 0xF5)
            TCborIn::Fail("boolean expected");
        in.Skip1();
        sink.Bool(field, first == 0xF5);
        return;
    case ftFloat:
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double v;
        if ((first >> 5) <= 1) {
            in.Head(major, value, indefinite);
            v = static_cast<double>(TCborIn::Integer(major, value));
        } else {
            in.Skip1();
            v = in.FloatAfter(first);
        }
        sink.Float(field, type, v);
        return;
    }
    default: {
        if ((first >> 5) > 1)
            TCborIn::Fail("integer expected");
        in.Head(major, value, indefinite);
        const qint64 v = TCborIn::Integer(major, value);
        if (type == ftSmallint && (v < -32768 || v > 32767))
            TCborIn::Fail("small integer out of range");
        if ((type == ftInteger || type == ftWord || type == ftAutoInc) &&
            (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()))
            TCborIn::Fail("integer out of range");
        sink.Int(field, type, v);
        return;
    }
    }
}

} // namespace

TPacketReader::TPacketReader(const QByteArray &bytes, const std::vector<TFieldDef> *fields)
    : FBytes(bytes) {
    QCborStreamReader r(FBytes);
    try {
        if (!r.isArray())
            Fail(QStringLiteral("array expected"));
        FOuterDefinite = r.isLengthKnown();
        if (FOuterDefinite && r.length() != 6)
            Fail(QStringLiteral("a packet has six parts"));
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
            FFields = ReadFieldDefs(r, 0);
            FHasMetaData = true;
        }
        if (!r.hasNext())
            Fail(QStringLiteral("truncated"));
        if (!r.isArray())
            Fail(QStringLiteral("array expected"));
        FRowsDefinite = r.isLengthKnown();
        FRowsLeft = FRowsDefinite ? r.length() : 0;
        EnterArray(r);
        Check(r);
        FPos = r.currentOffset();
    } catch (const EDatabaseError &e) {
        if (e.Message().startsWith(QLatin1String("Invalid data packet")))
            throw;
        Fail(e.Message());
    }
    for (const TFieldDef &d : FFields)
        FTypes.push_back(d.DataType);
}

TPacketReader::~TPacketReader() = default;

void TPacketReader::Fail(const QString &what) const {
    throw EDatabaseError(QStringLiteral("Invalid data packet: %1").arg(what));
}

void TPacketReader::Check(QCborStreamReader &r) const {
    if (r.lastError() != QCborError::NoError)
        Fail(r.lastError().toString());
}

std::vector<TFieldDef> TPacketReader::ReadFieldDefs(QCborStreamReader &r, int depth) {
    if (depth > MaxNesting)
        Fail(QStringLiteral("nested too deeply"));
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
            d.Children = ReadFieldDefs(r, depth + 1);
        LeaveArray(r);
        if (d.Name.isEmpty())
            Fail(QStringLiteral("field without a name"));
        for (const TFieldDef &other : defs)
            if (other.Name.compare(d.Name, Qt::CaseInsensitive) == 0)
                Fail(QStringLiteral("duplicate field '%1'").arg(d.Name));
        defs.push_back(std::move(d));
    }
    LeaveArray(r);
    Check(r);
    return defs;
}

Variant TPacketReader::ReadValue(QCborStreamReader &r, TFieldType type) {
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

// Reads the next row's head and status; false after the last row, once the trailer is read.
template <class Sink> bool TPacketReader::ReadRow(quint8 &status, Sink &sink) {
    if (FRowsDone)
        return false;
    TCborIn in(FBytes, FPos);
    if (FRowsDefinite ? FRowsLeft == 0 : in.Peek() == 0xFF) {
        if (!FRowsDefinite)
            in.Skip1();
        ReadTrailer(in.Offset());
        FRowsDone = true;
        return false;
    }
    if (FRowsDefinite)
        --FRowsLeft;
    int major;
    quint64 count;
    bool indefinite;
    in.Head(major, count, indefinite);
    if (major != 4)
        TCborIn::Fail("array expected");
    const bool open = indefinite; // the row is an open array, ended by a break
    const quint64 want = FTypes.size() + 1;
    if (!open && count < want)
        TCborIn::Fail("row too short");
    if (!open && count > want)
        TCborIn::Fail("too many items");
    if (open && in.Peek() == 0xFF)
        TCborIn::Fail("empty row");
    in.Head(major, count, indefinite);
    if (major > 1)
        TCborIn::Fail("integer expected");
    const qint64 s = TCborIn::Integer(major, count);
    if (s < 0 || s > PacketOriginal)
        Fail(QStringLiteral("bad row status %1").arg(s));
    status = static_cast<quint8>(s);
    const int n = static_cast<int>(FTypes.size());
    for (int i = 0; i < n; ++i) {
        if (open && in.Peek() == 0xFF)
            TCborIn::Fail("row too short");
        ReadRowValue(in, i, FTypes[static_cast<size_t>(i)], sink);
    }
    if (open) {
        if (in.Peek() != 0xFF)
            TCborIn::Fail("too many items");
        in.Skip1();
    }
    FPos = in.Offset();
    return true;
}

bool TPacketReader::NextRow(quint8 &status, std::vector<Variant> &values) {
    values.resize(FTypes.size());
    TVariantSink sink(values);
    return ReadRow(status, sink);
}

bool TPacketReader::NextRecord(quint8 &status, TRecordBuilder &record) {
    record.Clear();
    TRecordSink sink(record);
    return ReadRow(status, sink);
}

void TPacketReader::ReadTrailer(qsizetype pos) {
    const QByteArray rest = QByteArray::fromRawData(FBytes.constData() + pos, FBytes.size() - pos);
    QCborStreamReader r(rest);
    try {
        if (!r.isMap() || !r.enterContainer())
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
                            e.Current.push_back(ReadValue(r, d.DataType));
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
        Check(r);
    } catch (const EDatabaseError &e) {
        if (e.Message().startsWith(QLatin1String("Invalid data packet")))
            throw;
        Check(r);
        Fail(e.Message());
    }
    // The trailer ends the packet: its array closes here (a break when it was written open).
    qsizetype end = pos + r.currentOffset();
    if (!FOuterDefinite) {
        if (end >= FBytes.size() || static_cast<uchar>(FBytes[end]) != 0xFF)
            Fail(QStringLiteral("unterminated array"));
        ++end;
    }
    if (end != FBytes.size())
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

namespace {
QByteArray MergedPacketAt(const QByteArray &packet, int depth) {
    // Packets from outside may nest without end: the depth is bounded as the metadata's is.
    if (depth > MaxNesting)
        DatabaseError(QStringLiteral("Invalid data packet: nested too deeply"));
    TPacketReader reader(packet);
    if (reader.Kind() != pkData || !reader.HasMetaData())
        DatabaseError(QStringLiteral("Invalid data packet: a nested packet without its fields"));
    const std::vector<TFieldDef> &fields = reader.Fields();
    TPacketWriter writer(pkData, fields, true);
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
        if (status == usDeleted || status == PacketOriginal)
            continue;
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].DataType == ftDataSet && !values[i].IsEmptyOrNull())
                values[i] = Variant(MergedPacketAt(values[i].ToBytes(), depth + 1));
        writer.WriteRow(usUnmodified, values);
    }
    writer.SetEndOfData(reader.EndOfData());
    writer.SetParams(reader.Params());
    return writer.Finish();
}
} // namespace

QByteArray MergedPacket(const QByteArray &packet) {
    return MergedPacketAt(packet, 0);
}

bool IsValidUtf8(const char *data, qsizetype size) {
    return ValidUtf8(reinterpret_cast<const uchar *>(data), size);
}

#include "Variant.h"

#include "Exceptions.h"
#include "NumberText.h"
#include "TextBuffer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The point and the decimals of a fraction of `places` decimals (frac < 10^places, not zero),
// without its trailing zeros: 2500 of four places is ".25".
// Places are at most four (currency, and the numbers WriteScaledFloat writes), so the
// digits are taken in 32 bits, where a division by ten is a multiplication.
char16_t *WriteDecimals(char16_t *at, qint64 frac, int places) {
    auto f = static_cast<quint32>(frac);
    while (f % 10 == 0) {
        f /= 10;
        --places;
    }
    at[0] = u'.';
    for (int i = places; i > 0; --i) {
        at[i] = static_cast<char16_t>(u'0' + f % 10);
        f /= 10;
    }
    return at + places + 1;
}

// A text written at the end of out by a writer that needs no more than `room` units.
template <typename Write> void AppendWritten(TTextBuffer &out, qsizetype room, Write &&write) {
    char16_t *const at = out.Extend(room);
    char16_t *const end = write(at);
    out.Truncate(out.Size() - room + (end - at));
}

// Rounds half to even, the rule of the original's Round().
qint64 BankersRound(double v) {
    const double r = std::nearbyint(v); // default rounding mode is to nearest, ties to even
    if (!(r >= -9.2e18 && r <= 9.2e18))
        throw EVariantError(QStringLiteral("Variant overflow"));
    return static_cast<qint64>(r);
}

bool ReadNumber(const QString &text, double &value) {
    // Short plain ASCII numbers, the usual case, are read without copies; anything else (and
    // anything this path does not take whole) goes through QString's own reading.
    QStringView s = QStringView(text).trimmed();
    if (!s.isEmpty() && s.size() < 64) {
        char buf[64];
        qsizetype n = 0;
        bool ascii = true;
        for (const QChar c : s) {
            if (c.unicode() >= 0x80) {
                ascii = false;
                break;
            }
            buf[n++] = static_cast<char>(c.unicode());
        }
        const char *begin = buf;
        if (ascii && n > 1 && buf[0] == '+' && buf[1] != '-' && buf[1] != '+')
            ++begin;
        if (ascii) {
            double d = 0;
            const auto [end, ec] = std::from_chars(begin, buf + n, d);
            if (ec == std::errc() && end == buf + n) {
                value = d;
                return std::isfinite(value);
            }
        }
    }
    bool ok = false;
    value = s.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

Currency Currency::FromDouble(double value) {
    const double scaled = value * 10000.0;
    if (!(scaled >= -9.2e18 && scaled <= 9.2e18))
        throw EVariantError(QStringLiteral("Currency overflow"));
    return Currency{static_cast<qint64>(std::llround(scaled))};
}

QString Currency::ToString() const {
    TTextBuffer text;
    AppendText(text);
    return text.ToString();
}

void Currency::AppendText(TTextBuffer &out) const {
    AppendWritten(out, kCurrencyTextUnits,
                  [this](char16_t *at) { return WriteCurrencyText(at, Scaled); });
}

char16_t *WriteCurrencyText(char16_t *at, qint64 scaled) {
    const qint64 whole = scaled / 10000;
    qint64 frac = scaled % 10000;
    if (scaled < 0 && whole == 0) {
        at[0] = u'-';
        at[1] = u'0';
        at += 2;
    } else {
        at = WriteIntText(at, whole);
    }
    if (frac == 0)
        return at;
    if (frac < 0)
        frac = -frac;
    return WriteDecimals(at, frac, 4);
}

Variant Variant::Null() {
    Variant v;
    v.FType = TVarType::Null;
    v.FData = NullTag{};
    return v;
}

Variant Variant::SmallInt(int v) {
    Variant r(static_cast<qint64>(static_cast<qint16>(v)));
    r.FType = TVarType::SmallInt;
    return r;
}

Variant Variant::Array(int lowBound, int highBound) {
    if (highBound < lowBound - 1)
        throw EVariantError(QStringLiteral("Invalid variant array bounds"));
    Variant v;
    v.FType = TVarType::Array;
    auto data = std::make_shared<ArrayData>();
    data->Low = lowBound;
    data->Items.resize(static_cast<size_t>(highBound - lowBound + 1));
    v.FData = std::move(data);
    return v;
}

Variant Variant::ArrayOf(std::vector<Variant> values) {
    Variant v;
    v.FType = TVarType::Array;
    auto data = std::make_shared<ArrayData>();
    data->Items = std::move(values);
    v.FData = std::move(data);
    return v;
}

bool Variant::IsNumeric() const {
    switch (FType) {
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency:
        return true;
    default:
        return false;
    }
}

QString Variant::TypeName(TVarType type) {
    switch (type) {
    case TVarType::Empty:
        return QStringLiteral("Empty");
    case TVarType::Null:
        return QStringLiteral("Null");
    case TVarType::Boolean:
        return QStringLiteral("Boolean");
    case TVarType::SmallInt:
        return QStringLiteral("SmallInt");
    case TVarType::Integer:
        return QStringLiteral("Integer");
    case TVarType::Int64:
        return QStringLiteral("Int64");
    case TVarType::Double:
        return QStringLiteral("Double");
    case TVarType::Currency:
        return QStringLiteral("Currency");
    case TVarType::Date:
        return QStringLiteral("Date");
    case TVarType::String:
        return QStringLiteral("String");
    case TVarType::Bytes:
        return QStringLiteral("Bytes");
    case TVarType::Array:
        return QStringLiteral("Array");
    }
    return QStringLiteral("Unknown");
}

void Variant::CastError(TVarType to) const {
    throw EVariantError(
        Format(QStringLiteral("Could not convert variant of type (%s) into type (%s)"),
               {TypeName(FType), TypeName(to)}));
}

bool Variant::ToBool() const {
    switch (FType) {
    case TVarType::Empty:
        return false;
    case TVarType::Boolean:
        return std::get<bool>(FData);
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
        return std::get<qint64>(FData) != 0;
    case TVarType::Double:
        return std::get<double>(FData) != 0.0;
    case TVarType::Currency:
        return std::get<Currency>(FData).Scaled != 0;
    case TVarType::String: {
        const QString s = std::get<QString>(FData).trimmed();
        if (s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
            return false;
        double d;
        if (ReadNumber(s, d))
            return d != 0.0;
        break;
    }
    default:
        break;
    }
    CastError(TVarType::Boolean);
}

qint64 Variant::ToInt64() const {
    switch (FType) {
    case TVarType::Empty:
        return 0;
    case TVarType::Boolean:
        return std::get<bool>(FData) ? -1 : 0;
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
        return std::get<qint64>(FData);
    case TVarType::Double:
        return BankersRound(std::get<double>(FData));
    case TVarType::Currency:
        return BankersRound(std::get<Currency>(FData).ToDouble());
    case TVarType::Date:
        return BankersRound(std::get<TDateTime>(FData).Value());
    case TVarType::String: {
        bool ok = false;
        const QString s = std::get<QString>(FData).trimmed();
        const qint64 i = s.toLongLong(&ok);
        if (ok)
            return i;
        double d;
        if (ReadNumber(s, d))
            return BankersRound(d);
        break;
    }
    default:
        break;
    }
    CastError(TVarType::Int64);
}

int Variant::ToInt() const {
    const qint64 v = ToInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw EVariantError(QStringLiteral("Variant overflow"));
    return static_cast<int>(v);
}

double Variant::ToDouble() const {
    switch (FType) {
    case TVarType::Empty:
        return 0.0;
    case TVarType::Boolean:
        return std::get<bool>(FData) ? -1.0 : 0.0;
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
        return static_cast<double>(std::get<qint64>(FData));
    case TVarType::Double:
        return std::get<double>(FData);
    case TVarType::Currency:
        return std::get<Currency>(FData).ToDouble();
    case TVarType::Date:
        return std::get<TDateTime>(FData).Value();
    case TVarType::String: {
        double d;
        if (ReadNumber(std::get<QString>(FData), d))
            return d;
        break;
    }
    default:
        break;
    }
    CastError(TVarType::Double);
}

Currency Variant::ToCurrency() const {
    if (FType == TVarType::Currency)
        return std::get<Currency>(FData);
    if (FType == TVarType::SmallInt || FType == TVarType::Integer || FType == TVarType::Int64) {
        const qint64 i = std::get<qint64>(FData);
        if (i > 922337203685477LL || i < -922337203685477LL)
            throw EVariantError(QStringLiteral("Currency overflow"));
        return Currency{i * 10000};
    }
    if (FType == TVarType::String) {
        double d;
        if (!ReadNumber(std::get<QString>(FData), d))
            CastError(TVarType::Currency);
        return Currency::FromDouble(d);
    }
    try {
        return Currency::FromDouble(ToDouble());
    } catch (const EVariantError &) {
        if (FType == TVarType::Null || FType == TVarType::Bytes || FType == TVarType::Array)
            CastError(TVarType::Currency);
        throw;
    }
}

TDateTime Variant::ToDateTime() const {
    switch (FType) {
    case TVarType::Empty:
        return TDateTime();
    case TVarType::Date:
        return std::get<TDateTime>(FData);
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
    case TVarType::Double:
    case TVarType::Currency:
        return TDateTime(ToDouble());
    case TVarType::String: {
        TDateTime t;
        if (TryStrToDateTime(std::get<QString>(FData), t))
            return t;
        break;
    }
    default:
        break;
    }
    CastError(TVarType::Date);
}

QString Variant::ToString() const {
    switch (FType) {
    case TVarType::Empty:
        return QString();
    case TVarType::Boolean:
        return std::get<bool>(FData) ? QStringLiteral("True") : QStringLiteral("False");
    case TVarType::SmallInt:
    case TVarType::Integer:
    case TVarType::Int64:
        return QString::number(std::get<qint64>(FData));
    case TVarType::Double:
        return FloatToStr(std::get<double>(FData));
    case TVarType::Currency:
        return std::get<Currency>(FData).ToString();
    case TVarType::Date:
        return DateTimeToStr(std::get<TDateTime>(FData));
    case TVarType::String:
        return std::get<QString>(FData);
    default:
        break;
    }
    CastError(TVarType::String);
}

QByteArray Variant::ToBytes() const {
    if (FType == TVarType::Bytes)
        return std::get<QByteArray>(FData);
    if (FType == TVarType::Empty)
        return QByteArray();
    if (FType == TVarType::String)
        return std::get<QString>(FData).toUtf8();
    CastError(TVarType::Bytes);
}

const Variant::ArrayData &Variant::ArrayRef() const {
    if (FType != TVarType::Array)
        throw EVariantError(QStringLiteral("Variant is not an array"));
    return *std::get<std::shared_ptr<ArrayData>>(FData);
}

Variant::ArrayData &Variant::MutableArray() {
    if (FType != TVarType::Array)
        throw EVariantError(QStringLiteral("Variant is not an array"));
    auto &ptr = std::get<std::shared_ptr<ArrayData>>(FData);
    if (ptr.use_count() > 1) // copies of a variant array never share changes
        ptr = std::make_shared<ArrayData>(*ptr);
    return *ptr;
}

int Variant::LowBound() const {
    return ArrayRef().Low;
}

int Variant::HighBound() const {
    const ArrayData &a = ArrayRef();
    return a.Low + static_cast<int>(a.Items.size()) - 1;
}

int Variant::ElementCount() const {
    return static_cast<int>(ArrayRef().Items.size());
}

const Variant &Variant::operator[](int index) const {
    const ArrayData &a = ArrayRef();
    const qint64 i = static_cast<qint64>(index) - a.Low;
    if (i < 0 || i >= static_cast<qint64>(a.Items.size()))
        throw EVariantError(QStringLiteral("Variant array index out of bounds"));
    return a.Items[static_cast<size_t>(i)];
}

void Variant::SetElement(int index, const Variant &value) {
    ArrayData &a = MutableArray();
    const qint64 i = static_cast<qint64>(index) - a.Low;
    if (i < 0 || i >= static_cast<qint64>(a.Items.size()))
        throw EVariantError(QStringLiteral("Variant array index out of bounds"));
    a.Items[static_cast<size_t>(i)] = value;
}

void Variant::Redim(int highBound) {
    ArrayData &a = MutableArray();
    if (highBound < a.Low - 1)
        throw EVariantError(QStringLiteral("Invalid variant array bounds"));
    a.Items.resize(static_cast<size_t>(highBound - a.Low + 1));
}

bool Variant::operator==(const Variant &other) const {
    if (FType == TVarType::Empty || other.FType == TVarType::Empty)
        return FType == other.FType;
    if (FType == TVarType::Null || other.FType == TVarType::Null)
        return FType == other.FType;
    if (FType == TVarType::Array || other.FType == TVarType::Array) {
        if (FType != other.FType)
            return false;
        const ArrayData &a = ArrayRef(), &b = other.ArrayRef();
        return a.Low == b.Low && a.Items == b.Items;
    }
    if (FType == TVarType::String && other.FType == TVarType::String)
        return std::get<QString>(FData) == std::get<QString>(other.FData);
    if (FType == TVarType::Bytes || other.FType == TVarType::Bytes)
        return FType == other.FType &&
               std::get<QByteArray>(FData) == std::get<QByteArray>(other.FData);
    if (FType == TVarType::Boolean && other.FType == TVarType::Boolean)
        return std::get<bool>(FData) == std::get<bool>(other.FData);
    const bool intA =
        FType == TVarType::SmallInt || FType == TVarType::Integer || FType == TVarType::Int64;
    const bool intB = other.FType == TVarType::SmallInt || other.FType == TVarType::Integer ||
                      other.FType == TVarType::Int64;
    if (intA && intB)
        return std::get<qint64>(FData) == std::get<qint64>(other.FData);
    try {
        return ToDouble() == other.ToDouble();
    } catch (const EVariantError &) {
        return false; // a string that is no number never equals a number
    }
}

QString VarToStr(const Variant &v) {
    return v.IsNull() ? QString() : v.ToString();
}

QString FloatToStr(double value) {
    TTextBuffer text;
    AppendFloatText(text, value);
    return text.ToString();
}

namespace {

// The text of a number that times 10^k (k up to 4) is a whole number under 10^15, the most
// written numbers of all (amounts, scores): that whole number's digits are the number's
// 15-digit rounding, the product being off by at most half a unit in its last place, far less
// than half a step of the 15-digit grid. Such a number is at least 1E-4 and under 1E15, so it
// is written without exponent. Returns the end of the text; nullptr for other numbers.
char16_t *WriteScaledFloat(char16_t *at, double value) {
    static constexpr double kScales[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
    static constexpr qint64 kPowers[] = {1, 10, 100, 1000, 10000};
    const double magnitude = std::fabs(value);
    for (int k = 0; k < 5; ++k) {
        const double scaled = magnitude * kScales[k];
        if (scaled >= 1e15)
            return nullptr;
        const qint64 whole = static_cast<qint64>(scaled);
        if (scaled != static_cast<double>(whole))
            continue;
        if (value < 0)
            *at++ = u'-';
        // One division, by a constant (a division by a number from the table costs tens of
        // cycles, more than the rest of the text).
        const auto u = static_cast<quint64>(whole);
        const quint64 integral = k == 0   ? u
                                 : k == 1 ? u / 10
                                 : k == 2 ? u / 100
                                 : k == 3 ? u / 1000
                                          : u / 10000;
        const auto fraction = static_cast<qint64>(u - integral * static_cast<quint64>(kPowers[k]));
        at = WriteIntText(at, static_cast<qint64>(integral));
        return fraction != 0 ? WriteDecimals(at, fraction, k) : at;
    }
    return nullptr;
}

// The significant digits of a normal number rounded to 15 places, when they can be had
// without the general formatting: digits (no trailing zeros), their count and the decimal
// exponent of the first. The shortest round-trip form is taken when it has at most 15 digits:
// those are then exactly the 15-digit rounding (the 15-digit grid is coarser than the doubles
// around the number). False for numbers that need more.
bool ShortDigits(double magnitude, char *digits, int &count, int &exponent) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    if (res.ec != std::errc())
        return false;
    const char *p = buf;
    count = 0;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p != '.') {
            if (count == 15)
                return false;
            digits[count++] = *p;
        }
    if (p >= res.ptr || std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exponent).ec != std::errc())
        return false;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    return true;
}

// The text of a normal number from its 15-digit rounding, laid out as the general formatting
// lays it out: exponent form below 1E-4 and from 1E15 on. Returns the end of the text; nullptr
// when the digits cannot be had without the general formatting.
char16_t *WriteShortFloat(char16_t *text, double value) {
    const bool negative = value < 0;
    char digits[20];
    int count = 0, exponent = 0;
    if (!ShortDigits(std::fabs(value), digits, count, exponent))
        return nullptr;
    int k = 0;
    if (negative)
        text[k++] = '-';
    if (exponent < -4 || exponent >= 15) {
        text[k++] = digits[0];
        if (count > 1) {
            text[k++] = '.';
            for (int i = 1; i < count; ++i)
                text[k++] = digits[i];
        }
        text[k++] = 'E';
        char e[8];
        const char *end = std::to_chars(e, e + sizeof e, exponent).ptr;
        for (const char *c = e; c < end; ++c)
            text[k++] = static_cast<char16_t>(*c);
    } else if (exponent < 0) {
        text[k++] = '0';
        text[k++] = '.';
        for (int i = 0; i < -exponent - 1; ++i)
            text[k++] = '0';
        for (int i = 0; i < count; ++i)
            text[k++] = digits[i];
    } else {
        for (int i = 0; i <= exponent; ++i)
            text[k++] = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            text[k++] = '.';
            for (int i = exponent + 1; i < count; ++i)
                text[k++] = digits[i];
        }
    }
    return text + k;
}

} // namespace

void AppendFloatText(TTextBuffer &out, double value) {
    AppendWritten(out, kFloatTextUnits,
                  [value](char16_t *at) { return WriteFloatText(at, value); });
}

char16_t *WriteFloatText(char16_t *at, double value) {
    const auto latin = [&at](QLatin1String text) {
        for (const char c : text)
            *at++ = static_cast<uchar>(c);
        return at;
    };
    if (std::isnan(value))
        return latin(QLatin1String("NAN"));
    if (std::isinf(value))
        return latin(value > 0 ? QLatin1String("INF") : QLatin1String("-INF"));
    if (value == 0.0) {
        *at = u'0';
        return at + 1;
    }
    // Subnormal numbers have fewer digits than 15 and go the general way.
    if (std::fabs(value) >= std::numeric_limits<double>::min()) {
        if (char16_t *end = WriteScaledFloat(at, value))
            return end;
        if (char16_t *end = WriteShortFloat(at, value))
            return end;
    }
    // At most 22 units: a sign, 15 digits, the point and an exponent of three digits.
    const QString s = QString::number(value, 'g', 15);
    const qsizetype e = s.indexOf(u'e');
    const qsizetype mantissa = e < 0 ? s.size() : e;
    CopyUnits(at, reinterpret_cast<const char16_t *>(s.utf16()), mantissa);
    at += mantissa;
    if (e < 0)
        return at;
    // "1e+20" -> "1E20", "1.5e-07" -> "1.5E-7"
    *at++ = u'E';
    return WriteIntText(at, QStringView(s).mid(e + 1).toInt());
}

void AppendIntText(TTextBuffer &out, qint64 value) {
    AppendWritten(out, kIntTextUnits, [value](char16_t *at) { return WriteIntText(at, value); });
}

char16_t *WriteIntText(char16_t *at, qint64 value) {
    // Most numbers of a school's records (grades, classes, seats, counts) are under 100.
    if (static_cast<quint64>(value) < 100) {
        const auto v = static_cast<unsigned>(value);
        if (v < 10) {
            *at = static_cast<char16_t>(u'0' + v);
            return at + 1;
        }
        WriteTwoDigits(at, v);
        return at + 2;
    }
    quint64 u = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    static constexpr quint64 kPowers[] = {1ULL,
                                          10ULL,
                                          100ULL,
                                          1000ULL,
                                          10000ULL,
                                          100000ULL,
                                          1000000ULL,
                                          10000000ULL,
                                          100000000ULL,
                                          1000000000ULL,
                                          10000000000ULL,
                                          100000000000ULL,
                                          1000000000000ULL,
                                          10000000000000ULL,
                                          100000000000000ULL,
                                          1000000000000000ULL,
                                          10000000000000000ULL,
                                          100000000000000000ULL,
                                          1000000000000000000ULL,
                                          10000000000000000000ULL};
    // Digits from the bit length (log10(2) is about 1233/4096), one too few at most.
    int digits = ((64 - __builtin_clzll(u | 1)) * 1233) >> 12;
    digits += u >= kPowers[digits] ? 1 : 0;
    digits = digits > 0 ? digits : 1; // zero
    const int sign = value < 0 ? 1 : 0;
    if (sign)
        at[0] = u'-';
    char16_t *p = at + sign + digits;
    // Most numbers fit 32 bits, whose division is cheaper; two digits at a time.
    for (; u > 0xFFFFFFFFu; u /= 10)
        *--p = static_cast<char16_t>(u'0' + u % 10);
    quint32 w = static_cast<quint32>(u);
    for (; w >= 100; w /= 100) {
        p -= 2;
        WriteTwoDigits(p, w % 100);
    }
    if (w >= 10)
        WriteTwoDigits(p - 2, w);
    else
        p[-1] = static_cast<char16_t>(u'0' + w);
    return at + sign + digits;
}

double StrToFloat(const QString &text) {
    double d;
    if (!ReadNumber(text, d))
        throw EConvertError(
            Format(QStringLiteral("'%s' is not a valid floating point value"), {text}));
    return d;
}

int StrToInt(const QString &text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(Format(QStringLiteral("'%s' is not a valid integer value"), {text}));
    return v;
}

int StrToIntDef(const QString &text, int def) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : def;
}

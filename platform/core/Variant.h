#pragma once
// Variant: the value type of fields, parameters and server calls. It holds nothing (empty),
// a database null, a boolean, an integer (small, integer or 64-bit), a double, a currency
// amount (fixed four decimals), a date-time, a string, raw bytes, or an array of variants with
// its own low and high bounds. Conversions follow the rules the system has always relied on:
// empty converts to 0, "" or false; null refuses every conversion except VarToStr's "".

#include "DateTime.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <memory>
#include <variant>
#include <vector>

class TTextBuffer;

enum class TVarType {
    Empty,
    Null,
    Boolean,
    SmallInt,
    Integer,
    Int64,
    Double,
    Currency,
    Date,
    String,
    Bytes,
    Array
};

// Currency: a fixed-point amount with four decimals, stored as an integer count of 1/10000.
struct Currency {
    qint64 Scaled = 0;
    static Currency FromDouble(double value);
    double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
    QString ToString() const;                // shortest form, e.g. "12.5", "3"
    void AppendText(TTextBuffer &out) const; // ToString() appended to out
    auto operator<=>(const Currency &) const = default;
};

class Variant {
public:
    Variant() = default;
    Variant(bool v) : FType(TVarType::Boolean), FData(v) {}
    Variant(int v) : FType(TVarType::Integer), FData(static_cast<qint64>(v)) {}
    Variant(qint64 v) : FType(TVarType::Int64), FData(v) {}
    Variant(double v) : FType(TVarType::Double), FData(v) {}
    Variant(Currency v) : FType(TVarType::Currency), FData(v) {}
    Variant(TDateTime v) : FType(TVarType::Date), FData(v) {}
    Variant(const QString &v) : FType(TVarType::String), FData(v) {}
    Variant(const char *utf8) : Variant(QString::fromUtf8(utf8)) {}
    Variant(const QByteArray &v) : FType(TVarType::Bytes), FData(v) {}

    static Variant Null();
    static Variant SmallInt(int v);
    // A one-dimensional array with the given inclusive bounds, every element empty.
    static Variant Array(int lowBound, int highBound);
    // An array from 0 to count-1 holding the given values.
    static Variant ArrayOf(std::vector<Variant> values);

    TVarType VarType() const { return FType; }
    bool IsEmpty() const { return FType == TVarType::Empty; }
    bool IsNull() const { return FType == TVarType::Null; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
    bool IsArray() const { return FType == TVarType::Array; }
    bool IsNumeric() const; // boolean excluded
    bool IsString() const { return FType == TVarType::String; }

    // Conversions; raise EVariantError when the value cannot be converted.
    bool ToBool() const;
    int ToInt() const;
    qint64 ToInt64() const;
    double ToDouble() const;
    Currency ToCurrency() const;
    TDateTime ToDateTime() const;
    QString ToString() const;
    QByteArray ToBytes() const;

    // Array access; raise EVariantError outside the bounds or on a non-array.
    int LowBound() const;
    int HighBound() const;
    int ElementCount() const;
    const Variant &operator[](int index) const;
    void SetElement(int index, const Variant &value);
    // Grows or shrinks the array to a new high bound (the original's VarArrayRedim).
    void Redim(int highBound);

    // Loose equality: numbers compare by value across integer, float and currency types,
    // strings compare exactly, a string against a number compares as numbers when the string
    // reads as one; null equals only null, empty equals only empty.
    bool operator==(const Variant &other) const;
    bool operator!=(const Variant &other) const { return !(*this == other); }

    // Name of the type for messages, e.g. "String", "Null".
    static QString TypeName(TVarType type);

private:
    struct ArrayData {
        int Low = 0;
        std::vector<Variant> Items;
    };
    struct NullTag {
        bool operator==(const NullTag &) const = default;
    };
    using Data = std::variant<std::monostate, NullTag, bool, qint64, double, Currency, TDateTime,
                              QString, QByteArray, std::shared_ptr<ArrayData>>;

    [[noreturn]] void CastError(TVarType to) const;
    ArrayData &MutableArray();
    const ArrayData &ArrayRef() const;

    TVarType FType = TVarType::Empty;
    Data FData;
};

// The string of a variant, "" for empty and null.
QString VarToStr(const Variant &v);
inline bool VarIsNull(const Variant &v) {
    return v.IsNull();
}
inline bool VarIsEmpty(const Variant &v) {
    return v.IsEmpty();
}
inline bool VarIsArray(const Variant &v) {
    return v.IsArray();
}

// The shortest text of a floating-point number as the system shows it: up to 15 significant
// digits, exponent form ("1E20", "1E-5") only for very large or small magnitudes.
QString FloatToStr(double value);
// The same texts appended to a buffer the caller reuses, so that writing many values makes no
// string per value: FloatToStr's text, and an integer's decimal digits (QString::number's).
void AppendFloatText(TTextBuffer &out, double value);
void AppendIntText(TTextBuffer &out, qint64 value);
// Reads a number written with "." as decimal point; raises EConvertError otherwise.
double StrToFloat(const QString &text);
int StrToInt(const QString &text);
int StrToIntDef(const QString &text, int def);

Q_DECLARE_METATYPE(Variant)

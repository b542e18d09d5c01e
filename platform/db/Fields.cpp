#include "Fields.h"

#include "ClientDataSet.h"
#include "DataSet.h"
#include "RowTexts.h"
#include "TextBuffer.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>
#include <cstring>

TFieldDef &TFieldDefs::Add(const QString &name, TFieldType type, int size, bool required) {
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    FItems.push_back(def);
    return FItems.back();
}

int TFieldDefs::IndexOf(const QString &name) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TField::TField(TFieldType type, int size) : FDataType(type), FSize(size) {
    if (IsNumericType(type))
        FAlignment = taRightJustify;
    if (type == ftString || type == ftWideString) {
        if (FSize == 0)
            FSize = 20;
    }
}

TField::~TField() = default;

TDataSetField::~TDataSetField() {
    if (FNested)
        FNested->SetDataSetField(nullptr);
}

std::unique_ptr<TField> TField::Create(TFieldType type, int size) {
    std::unique_ptr<TField> f;
    switch (type) {
    case ftString:
        f = std::make_unique<TStringField>(size);
        break;
    case ftWideString:
        f = std::make_unique<TWideStringField>(size);
        break;
    case ftSmallint:
        f = std::make_unique<TSmallintField>();
        break;
    case ftInteger:
        f = std::make_unique<TIntegerField>();
        break;
    case ftWord:
        f = std::make_unique<TWordField>();
        break;
    case ftAutoInc:
        f = std::make_unique<TAutoIncField>();
        break;
    case ftLargeint:
        f = std::make_unique<TLargeintField>();
        break;
    case ftBoolean:
        f = std::make_unique<TBooleanField>();
        break;
    case ftFloat:
        f = std::make_unique<TFloatField>();
        break;
    case ftCurrency:
        f = std::make_unique<TCurrencyField>();
        break;
    case ftBCD:
        f = std::make_unique<TBCDField>();
        break;
    case ftDate:
        f = std::make_unique<TDateField>();
        break;
    case ftTime:
        f = std::make_unique<TTimeField>();
        break;
    case ftDateTime:
        f = std::make_unique<TDateTimeField>();
        break;
    case ftBlob:
        f = std::make_unique<TBlobField>();
        break;
    case ftMemo:
        f = std::make_unique<TMemoField>();
        break;
    case ftGraphic:
        f = std::make_unique<TGraphicField>();
        break;
    case ftDataSet:
        f = std::make_unique<TDataSetField>();
        break;
    default:
        DatabaseError(QStringLiteral("Unknown field type %1").arg(int(type)));
    }
    if (type == ftString || type == ftWideString)
        f->FSize = size > 0 ? size : 0;
    else
        f->FSize = size;
    return f;
}

int TField::Index() const {
    return FDataSet ? FDataSet->Fields().IndexOf(this) : -1;
}

QString TField::Name() const {
    if (!FName.isEmpty())
        return FName;
    QString name = FDataSet ? FDataSet->Name() : QString();
    for (const QChar c : FFieldName)
        if (c.isLetterOrNumber() || c == u'_')
            name += c;
    return name;
}

int TField::DisplayWidth() const {
    if (FDisplayWidth > 0)
        return FDisplayWidth;
    switch (FDataType) {
    case ftString:
    case ftWideString:
        return FSize > 0 ? FSize : 20;
    case ftBoolean:
        return 5;
    case ftSmallint:
    case ftWord:
        return 6;
    case ftInteger:
    case ftAutoInc:
        return 11;
    case ftDate:
        return 10;
    case ftTime:
        return 8;
    case ftDateTime:
        return 19;
    default:
        return 10;
    }
}

void TField::LayoutChanged() {
    if (FDataSet && FDataSet->Active())
        FDataSet->DataEvent(deLayoutChange);
}

void TField::SetVisible(bool visible) {
    if (FVisible == visible)
        return;
    FVisible = visible;
    LayoutChanged();
}

void TField::SetDisplayLabel(const QString &label) {
    if (FDisplayLabel == label)
        return;
    FDisplayLabel = label;
    LayoutChanged();
}

void TField::SetDisplayWidth(int width) {
    if (FDisplayWidth == width)
        return;
    FDisplayWidth = width;
    LayoutChanged();
}

void TField::SetAlignment(TAlignment alignment) {
    if (FAlignment == alignment)
        return;
    FAlignment = alignment;
    LayoutChanged();
}

void TField::SetReadOnly(bool readOnly) {
    if (FReadOnly == readOnly)
        return;
    FReadOnly = readOnly;
    LayoutChanged();
}

void TField::SetDisplayFormat(const QString &format) {
    if (FDisplayFormat == format)
        return;
    FDisplayFormat = format;
    LayoutChanged();
}

Variant TField::Value() const {
    return FDataSet ? FDataSet->GetFieldValue(this) : Variant::Null();
}

void TField::SetValue(const Variant &value) {
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(FFieldName));
    FDataSet->SetFieldValue(this, value);
}

QString TField::AsString() const {
    const Variant v = Value();
    if (v.IsEmptyOrNull())
        return QString();
    switch (FDataType) {
    case ftFloat:
        return FloatToStr(v.ToDouble());
    case ftDate:
        return DateToStr(v.ToDateTime());
    case ftTime:
        return TimeToStr(v.ToDateTime());
    case ftDateTime:
        return DateTimeToStr(v.ToDateTime());
    case ftCurrency:
    case ftBCD:
        return v.ToCurrency().ToString();
    default:
        return v.ToString();
    }
}

QString TBlobField::AsString() const {
    return QString::fromLatin1(AsBytes());
}

int TField::AsInteger() const {
    const Variant v = Value();
    return v.IsEmptyOrNull() ? 0 : v.ToInt();
}

qint64 TField::AsLargeInt() const {
    const Variant v = Value();
    return v.IsEmptyOrNull() ? 0 : v.ToInt64();
}

double TField::AsFloat() const {
    const Variant v = Value();
    return v.IsEmptyOrNull() ? 0.0 : v.ToDouble();
}

Currency TField::AsCurrency() const {
    const Variant v = Value();
    return v.IsEmptyOrNull() ? Currency{} : v.ToCurrency();
}

TDateTime TField::AsDateTime() const {
    const Variant v = Value();
    return v.IsEmptyOrNull() ? TDateTime() : v.ToDateTime();
}

bool TField::AsBoolean() const {
    const Variant v = Value();
    return !v.IsEmptyOrNull() && v.ToBool();
}

QByteArray TField::AsBytes() const {
    const Variant v = Value();
    if (v.IsEmptyOrNull())
        return QByteArray();
    return v.VarType() == TVarType::Bytes ? v.ToBytes() : v.ToString().toUtf8();
}

namespace {

// The digits of a non-negative number rounded to `decimals` places, as "123.45". The number is
// first taken to 15 significant digits and then rounded half away from zero, so that a value
// typed as 1.255 (held as 1.25499999...) rounds to 1.26 as the user expects.
QString RoundedDigits(double value, int decimals) {
    if (!std::isfinite(value))
        return QString::number(value, 'f', decimals);
    const QString sci = QString::number(value, 'e', 14); // d.dddddddddddddde+XX
    const qsizetype ePos = sci.indexOf(QLatin1Char('e'));
    QString digits = sci.left(ePos);
    digits.remove(QLatin1Char('.'));
    int intDigits = sci.mid(ePos + 1).toInt() + 1;
    if (intDigits < 1) {
        digits.prepend(QString(1 - intDigits, QLatin1Char('0')));
        intDigits = 1;
    }
    const qsizetype keep = intDigits + decimals;
    if (keep < digits.size()) {
        const bool up = digits[keep] >= QLatin1Char('5');
        digits.truncate(keep);
        qsizetype i = keep - 1;
        for (; up && i >= 0; --i) {
            if (digits[i] != QLatin1Char('9')) {
                digits[i] = QChar(digits[i].unicode() + 1);
                break;
            }
            digits[i] = QLatin1Char('0');
        }
        if (up && i < 0) {
            digits.prepend(QLatin1Char('1'));
            ++intDigits;
        }
    } else {
        digits.append(QString(keep - digits.size(), QLatin1Char('0')));
    }
    QString intPart = digits.left(intDigits);
    while (intPart.size() > 1 && intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    return decimals > 0 ? intPart + QLatin1Char('.') + digits.mid(intDigits) : intPart;
}

} // namespace

QString FormatFloat(const QString &pattern, double value) {
    const auto isDigit = [](QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('#'); };
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (isDigit(pattern[i]) || pattern[i] == QLatin1Char('.') ||
            pattern[i] == QLatin1Char(',')) {
            if (first < 0)
                first = i;
            last = i;
        }
    if (first < 0)
        return pattern;
    const QString body = pattern.mid(first, last - first + 1);
    const qsizetype point = body.indexOf(QLatin1Char('.'));
    int decimals = 0, minDecimals = 0;
    if (point >= 0)
        for (qsizetype i = point + 1; i < body.size(); ++i)
            if (isDigit(body[i])) {
                ++decimals;
                if (body[i] == QLatin1Char('0'))
                    minDecimals = decimals;
            }
    QString digits = RoundedDigits(std::fabs(value), decimals);
    if (decimals > minDecimals) {
        // '#' decimals are shown only when they are not trailing zeros.
        while (digits.endsWith(QLatin1Char('0')) &&
               digits.size() - digits.indexOf(QLatin1Char('.')) - 1 > minDecimals)
            digits.chop(1);
        if (digits.endsWith(QLatin1Char('.')))
            digits.chop(1);
    }
    qsizetype intEnd = digits.indexOf(QLatin1Char('.'));
    if (intEnd < 0)
        intEnd = digits.size();
    QString intPart = digits.left(intEnd);
    const QString fracPart = digits.mid(intEnd);
    const QString intPattern = point >= 0 ? body.left(point) : body;
    if (intPart == QLatin1String("0") && !intPattern.contains(QLatin1Char('0')))
        intPart.clear();
    // Every placeholder from the first '0' on is a digit that is always shown: "000.#" shows
    // 5 as "005".
    qsizetype shownDigits = 0;
    const qsizetype firstZero = intPattern.indexOf(QLatin1Char('0'));
    for (qsizetype i = firstZero < 0 ? intPattern.size() : firstZero; i < intPattern.size(); ++i)
        shownDigits += isDigit(intPattern[i]) ? 1 : 0;
    if (intPart.size() < shownDigits)
        intPart.prepend(QString(shownDigits - intPart.size(), QLatin1Char('0')));
    if (intPattern.contains(QLatin1Char(','))) {
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, QLatin1Char(','));
    }
    const bool negative =
        value < 0 && (intPart + fracPart).contains(QRegularExpression(QStringLiteral("[1-9]")));
    return pattern.left(first) + (negative ? QStringLiteral("-") : QString()) + intPart + fracPart +
           pattern.mid(last + 1);
}

QString TField::FormatText(const Variant &value, const QString &format) const {
    if (value.IsEmptyOrNull())
        return QString();
    if (format.isEmpty())
        return AsString();
    if (IsNumericType(FDataType))
        return FormatFloat(format, value.ToDouble());
    if (FDataType == ftDate || FDataType == ftTime || FDataType == ftDateTime)
        return FormatDateTime(format, value.ToDateTime());
    if (FDataType == ftBoolean) {
        const QStringList parts = format.split(QLatin1Char(';'));
        return value.ToBool() ? parts.value(0) : parts.value(1);
    }
    return AsString();
}

QString TField::DisplayText() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField *>(this), text, true);
        return text;
    }
    return FormatText(Value(), FDisplayFormat);
}

QString TField::Text() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField *>(this), text, false);
        return text;
    }
    return FormatText(Value(), FEditFormat);
}

void TField::AppendText(TTextBuffer &out) const {
    const TSlotText how = TRowTexts::SlotTextOf(*this);
    const uchar *rec = how == TSlotText::Field ? nullptr : FDataSet->StoredRecord();
    if (!rec) {
        out.Append(QStringView(Text()));
        return;
    }
    const TRecordLayout &layout = FDataSet->FStore->Layout();
    if (!layout.IsNull(rec, FFieldNo))
        TRowTexts::AppendSlot(out, how, layout, rec, FFieldNo);
}

void TField::SetText(const QString &text) {
    if (OnSetText) {
        OnSetText(this, text);
        return;
    }
    if (text.isEmpty() && !IsStringType(FDataType)) {
        Clear();
        return;
    }
    QString plain = text;
    if (IsNumericType(FDataType))
        plain.remove(QLatin1Char(','));
    SetValue(Variant(plain));
}

bool TField::IsValidChar(QChar c) const {
    const bool digitOrSign = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('+') || c == QLatin1Char('-');
    switch (FDataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return digitOrSign;
    case ftFloat:
    case ftCurrency:
        return digitOrSign || c == QLatin1Char('.') || c == QLatin1Char('e') ||
               c == QLatin1Char('E');
    case ftBCD:
        return digitOrSign || c == QLatin1Char('.');
    default:
        return true;
    }
}

namespace {
// What a value of the type is called in a refusal of what a user typed.
QString KindOfValue(TFieldType type) {
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return QStringLiteral("整數");
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return QStringLiteral("數值");
    case ftBoolean:
        return QStringLiteral("是非值");
    case ftDate:
        return QStringLiteral("日期");
    case ftTime:
        return QStringLiteral("時間");
    case ftDateTime:
        return QStringLiteral("日期時間");
    default:
        return QStringLiteral("資料");
    }
}
} // namespace

Variant TField::Coerce(const Variant &value) const {
    if (value.IsEmptyOrNull())
        return Variant::Null();
    try {
        switch (FDataType) {
        case ftString:
        case ftWideString:
        case ftMemo:
            return Variant(value.ToString());
        case ftSmallint: {
            const int v = value.ToInt();
            if (v < -32768 || v > 32767)
                break;
            return Variant::SmallInt(v);
        }
        case ftWord: {
            const int v = value.ToInt();
            if (v < 0 || v > 65535)
                break;
            return Variant(v);
        }
        case ftInteger:
        case ftAutoInc:
            return Variant(value.ToInt());
        case ftLargeint:
            return Variant(value.ToInt64());
        case ftBoolean:
            return Variant(value.ToBool());
        case ftFloat:
            return Variant(value.ToDouble());
        case ftCurrency:
        case ftBCD:
            return Variant(value.ToCurrency());
        case ftDate:
            return Variant(value.ToDateTime().DatePart());
        case ftTime:
            return Variant(value.ToDateTime().TimePart());
        case ftDateTime:
            return Variant(value.ToDateTime());
        case ftBlob:
        case ftGraphic:
        case ftDataSet:
            return Variant(value.VarType() == TVarType::Bytes ? value.ToBytes()
                                                              : value.ToString().toUtf8());
        default:
            break;
        }
    } catch (const Exception &) {
    }
    // The value is what the user typed: the refusal is in the user's words, naming the field
    // as the forms label it.
    DatabaseError(QStringLiteral("「%1」的值 %2 不是正確的%3")
                      .arg(DisplayLabel(), VarToStr(value), KindOfValue(FDataType)));
}

void TField::Validate(const Variant &value) const {
    if (value.IsEmptyOrNull())
        return;
    if ((FDataType == ftString || FDataType == ftWideString) && FSize > 0 &&
        value.ToString().size() > FSize)
        DatabaseError(QStringLiteral("「%1」最多 %2 個字").arg(DisplayLabel()).arg(FSize));
    if (IsNumericType(FDataType)) {
        const double v = value.ToDouble();
        const bool hasMin = !FMinValue.IsEmptyOrNull(), hasMax = !FMaxValue.IsEmptyOrNull();
        const bool below = hasMin && v < FMinValue.ToDouble();
        const bool above = hasMax && v > FMaxValue.ToDouble();
        if (!below && !above)
            return;
        const QString start = QStringLiteral("「%1」的值 %2 ").arg(DisplayLabel(), VarToStr(value));
        if (hasMin && hasMax)
            DatabaseError(
                start +
                QStringLiteral("不在 %1 到 %2 之間").arg(VarToStr(FMinValue), VarToStr(FMaxValue)));
        if (below)
            DatabaseError(start + QStringLiteral("不能小於 %1").arg(VarToStr(FMinValue)));
        DatabaseError(start + QStringLiteral("不能大於 %1").arg(VarToStr(FMaxValue)));
    }
}

TFieldDef TField::ToDef() const {
    TFieldDef def;
    def.Name = FFieldName;
    def.DataType = FDataType;
    def.Size = FSize;
    def.Required = FRequired;
    def.ReadOnly = FReadOnly;
    def.Visible = FVisible;
    def.ProviderFlags = FProviderFlags;
    def.DisplayLabel = FDisplayLabel;
    def.DisplayWidth = FDisplayWidth;
    return def;
}

void TField::ApplyDef(const TFieldDef &def) {
    FRequired = def.Required;
    FReadOnly = def.ReadOnly;
    FVisible = def.Visible;
    FProviderFlags = def.ProviderFlags;
    FDisplayLabel = def.DisplayLabel;
    FDisplayWidth = def.DisplayWidth;
}

Variant TField::NewValue() const {
    return FDataSet ? FDataSet->ReconcileValue(this, dsNewValue) : Variant();
}

void TField::SetNewValue(const Variant &value) {
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(FFieldName));
    FDataSet->SetReconcileNewValue(this, value.IsEmpty() ? value : Coerce(value));
}

Variant TField::OldValue() const {
    return FDataSet ? FDataSet->ReconcileValue(this, dsOldValue) : Variant();
}

Variant TField::CurValue() const {
    return FDataSet ? FDataSet->ReconcileValue(this, dsCurValue) : Variant();
}

TField *TFields::FindField(const QString &name) const {
    for (const auto &f : FItems)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField *TFields::FieldByName(const QString &name) const {
    TField *f = FindField(name);
    if (!f)
        DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return f;
}

int TFields::IndexOf(const TField *field) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == field)
            return i;
    return -1;
}

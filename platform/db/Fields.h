#pragma once
// Fields of a dataset. A field reads and writes the dataset's current record: the record under
// the cursor while browsing, the edit buffer while editing or inserting. Data fields hold a
// slot of the stored record; calculated fields are filled by the dataset's OnCalcFields;
// lookup fields read another dataset through their key fields. Field definitions (TFieldDef)
// describe the stored record and travel as the metadata of data packets.

#include "DbTypes.h"

#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TClientDataSet;
class TTextBuffer;
class TField;

using TFieldNotifyEvent = std::function<void(TField *)>;
using TFieldGetTextEvent = std::function<void(TField *, QString &text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField *, const QString &text)>;

// Description of one stored field: what a data packet's metadata carries.
struct TFieldDef {
    QString Name;
    TFieldType DataType = ftString;
    int Size = 0;
    bool Required = false;
    bool ReadOnly = false;
    bool Visible = true;
    quint8 ProviderFlags = DefaultProviderFlags;
    QString DisplayLabel;            // empty: the name
    int DisplayWidth = 0;            // 0: from the type and size
    std::vector<TFieldDef> Children; // fields of a nested dataset

    static TFieldDef Make(const QString &name, TFieldType type, int size = 0) {
        TFieldDef def;
        def.Name = name;
        def.DataType = type;
        def.Size = size;
        return def;
    }
};

class TFieldDefs {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const TFieldDef &operator[](int i) const { return FItems[i]; }
    TFieldDef &operator[](int i) { return FItems[i]; }
    TFieldDef &Add(const QString &name, TFieldType type, int size = 0, bool required = false);
    void Add(const TFieldDef &def) { FItems.push_back(def); }
    int IndexOf(const QString &name) const; // any letter case; -1 when absent
    void Clear() { FItems.clear(); }
    const std::vector<TFieldDef> &Items() const { return FItems; }
    void Assign(std::vector<TFieldDef> items) { FItems = std::move(items); }

private:
    std::vector<TFieldDef> FItems;
};

class TField {
public:
    explicit TField(TFieldType type, int size = 0);
    virtual ~TField();
    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;

    // Creates the field class that fits a type.
    static std::unique_ptr<TField> Create(TFieldType type, int size = 0);

    TDataSet *DataSet() const { return FDataSet; }
    const QString &FieldName() const { return FFieldName; }
    void SetFieldName(const QString &name) { FFieldName = name; }
    // The field component's name, which messages about the component itself give. Unless one
    // is set, the name a form designer gives a field: its dataset's component name followed
    // by the field name without the characters an identifier cannot hold ("cdsPeople" and
    // "Birth Day" make "cdsPeopleBirthDay").
    QString Name() const;
    void SetName(const QString &name) { FName = name; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind kind) { FFieldKind = kind; }
    bool IsCalculated() const { return FFieldKind == fkCalculated || FFieldKind == fkInternalCalc; }
    bool IsLookup() const { return FFieldKind == fkLookup; }
    bool IsData() const { return FFieldKind == fkData; }
    int Size() const { return FSize; }
    void SetSize(int size) { FSize = size; }
    // Position among the dataset's fields.
    int Index() const;
    // Slot of the stored record (data fields), or of the calculated values; -1 otherwise.
    int FieldNo() const { return FFieldNo; }

    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString &label);
    int DisplayWidth() const;
    void SetDisplayWidth(int width);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    bool Required() const { return FRequired; }
    void SetRequired(bool required) { FRequired = required; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    quint8 ProviderFlags() const { return FProviderFlags; }
    void SetProviderFlags(quint8 flags) { FProviderFlags = flags; }
    const QString &EditMask() const { return FEditMask; }
    void SetEditMask(const QString &mask) { FEditMask = mask; }
    const QString &DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString &format);
    const QString &EditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString &format) { FEditFormat = format; }
    const Variant &MinValue() const { return FMinValue; }
    const Variant &MaxValue() const { return FMaxValue; }
    void SetMinValue(const Variant &v) { FMinValue = v; }
    void SetMaxValue(const Variant &v) { FMaxValue = v; }

    // Lookup settings: KeyFields of this dataset = LookupKeyFields of LookupDataSet gives
    // LookupResultField.
    TDataSet *LookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet *dataSet) { FLookupDataSet = dataSet; }
    const QString &KeyFields() const { return FKeyFields; }
    void SetKeyFields(const QString &names) { FKeyFields = names; }
    const QString &LookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const QString &names) { FLookupKeyFields = names; }
    const QString &LookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const QString &name) { FLookupResultField = name; }

    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;
    TFieldNotifyEvent OnValidate;
    TFieldNotifyEvent OnChange;

    Variant Value() const;
    void SetValue(const Variant &value);
    bool IsNull() const { return Value().IsEmptyOrNull(); }
    void Clear() { SetValue(Variant::Null()); }

    virtual QString AsString() const;
    void SetAsString(const QString &text) { SetValue(Variant(text)); }
    int AsInteger() const;
    void SetAsInteger(int value) { SetValue(Variant(value)); }
    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value) { SetValue(Variant(value)); }
    double AsFloat() const;
    void SetAsFloat(double value) { SetValue(Variant(value)); }
    Currency AsCurrency() const;
    void SetAsCurrency(Currency value) { SetValue(Variant(value)); }
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value) { SetValue(Variant(value)); }
    bool AsBoolean() const;
    void SetAsBoolean(bool value) { SetValue(Variant(value)); }
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray &value) { SetValue(Variant(value)); }

    // The text shown while browsing (DisplayFormat, OnGetText) and while editing (EditFormat).
    QString DisplayText() const;
    QString Text() const;
    void SetText(const QString &text);
    // Text() appended to out. A stored value of a data field without an OnGetText or an edit
    // format is written straight from its record, without a Variant or a string of its own, so
    // that an export of many records costs no allocation per value.
    void AppendText(TTextBuffer &out) const;
    // Whether Text() of a stored value is the value's plain text, which AppendText and the
    // exports may then write straight from the record. A field class that makes its own text
    // (overriding AsString or FormatText) for a string, number, boolean or date type returns
    // false; for the other types Text() is used anyway.
    virtual bool PlainStoredText() const { return true; }

    // During reconcile: the value the client sent, the value it replaced, the server's value.
    // NewValue may be set to correct the row before it is sent again.
    Variant NewValue() const;
    void SetNewValue(const Variant &value);
    Variant OldValue() const;
    Variant CurValue() const;

    // Whether a character may be typed into the field's text: digits and signs for integers,
    // with the decimal point (and exponent for floats) for the other numbers; any otherwise.
    bool IsValidChar(QChar c) const;
    // Converts a value to this field's type; raises EDatabaseError when it does not fit.
    virtual Variant Coerce(const Variant &value) const;
    // Checks a value against size, range and required rules.
    void Validate(const Variant &value) const;

    TFieldDef ToDef() const;
    void ApplyDef(const TFieldDef &def);

protected:
    virtual QString FormatText(const Variant &value, const QString &format) const;

private:
    // Tells the controls of an open dataset that the field shows differently (label, width,
    // alignment, format, visibility, whether it can be edited).
    void LayoutChanged();
    friend class TDataSet;
    friend class TFields;
    friend class TRowTexts;
    TDataSet *FDataSet = nullptr;
    QString FFieldName;
    QString FName;
    TFieldType FDataType;
    TFieldKind FFieldKind = fkData;
    int FSize = 0;
    int FFieldNo = -1;
    bool FDefault = false; // made by the dataset from its field definitions
    QString FDisplayLabel;
    int FDisplayWidth = 0;
    bool FVisible = true;
    int FTag = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FRequired = false;
    bool FReadOnly = false;
    quint8 FProviderFlags = DefaultProviderFlags;
    QString FEditMask, FDisplayFormat, FEditFormat;
    Variant FMinValue, FMaxValue;
    TDataSet *FLookupDataSet = nullptr;
    QString FKeyFields, FLookupKeyFields, FLookupResultField;
};

class TStringField : public TField {
public:
    explicit TStringField(int size = 20) : TField(ftString, size) {}
};
class TWideStringField : public TField {
public:
    explicit TWideStringField(int size = 20) : TField(ftWideString, size) {}
};
class TNumericField : public TField {
public:
    using TField::TField;
};
class TIntegerField : public TNumericField {
public:
    TIntegerField() : TNumericField(ftInteger) {}

protected:
    using TNumericField::TNumericField;
};
class TSmallintField : public TIntegerField {
public:
    TSmallintField() : TIntegerField(ftSmallint) {}
};
class TWordField : public TIntegerField {
public:
    TWordField() : TIntegerField(ftWord) {}
};
class TAutoIncField : public TIntegerField {
public:
    TAutoIncField() : TIntegerField(ftAutoInc) {}
};
class TLargeintField : public TNumericField {
public:
    TLargeintField() : TNumericField(ftLargeint) {}
};
class TFloatField : public TNumericField {
public:
    TFloatField() : TNumericField(ftFloat) {}

protected:
    using TNumericField::TNumericField;
};
class TCurrencyField : public TFloatField {
public:
    TCurrencyField() : TFloatField(ftCurrency) {}
};
class TBCDField : public TNumericField {
public:
    TBCDField() : TNumericField(ftBCD) {}
};
class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean) {}
};
class TDateTimeField : public TField {
public:
    TDateTimeField() : TField(ftDateTime) {}

protected:
    using TField::TField;
};
class TDateField : public TDateTimeField {
public:
    TDateField() : TDateTimeField(ftDate) {}
};
class TTimeField : public TDateTimeField {
public:
    TTimeField() : TDateTimeField(ftTime) {}
};
class TBlobField : public TField {
public:
    TBlobField() : TField(ftBlob) {}
    QString AsString() const override;

protected:
    using TField::TField;
};
class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) {}
    QString AsString() const override { return TField::AsString(); }
};
class TGraphicField : public TBlobField {
public:
    TGraphicField() : TBlobField(ftGraphic) {}
};
// A field holding a nested dataset. Its value is the nested records as a data packet; the
// nested client dataset shows them for the current record of the owning dataset.
class TDataSetField : public TField {
public:
    TDataSetField() : TField(ftDataSet) {}
    // A nested dataset still showing the field is closed and let go of it.
    ~TDataSetField() override;
    TClientDataSet *NestedDataSet() const { return FNested; }
    QString AsString() const override { return QStringLiteral("(DataSet)"); }

private:
    friend class TClientDataSet;
    TClientDataSet *FNested = nullptr;
};

// The fields of a dataset, in order; owns them.
class TFields {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TField *operator[](int i) const { return FItems[i].get(); }
    TField *FindField(const QString &name) const;   // any letter case
    TField *FieldByName(const QString &name) const; // raises EDatabaseError when absent
    int IndexOf(const TField *field) const;
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    friend class TDataSet;
    std::vector<std::unique_ptr<TField>> FItems;
};

// Formats a number with a pattern such as "#,##0.00" or "0.0": the number of digits after the
// point (rounded half away from zero from the number's 15 significant digits), thousands
// separators when the pattern has a comma; text before the first digit placeholder and after
// the last is kept.
QString FormatFloat(const QString &pattern, double value);

#pragma once
// Parameters of queries and provider requests. Parameters travel packed as a variant array
// with one element per parameter: [name, value, data type, parameter type].

#include "DbTypes.h"

#include <vector>

enum TParamType : quint8 { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
public:
    TParam() = default;
    TParam(const QString &name, TFieldType type, TParamType paramType = ptInput)
        : FName(name), FDataType(type), FParamType(paramType) {}
    const QString &Name() const { return FName; }
    void SetName(const QString &name) { FName = name; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType type) { FDataType = type; }
    TParamType ParamType() const { return FParamType; }
    void SetParamType(TParamType type) { FParamType = type; }
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &value) { FValue = value; }
    bool IsNull() const { return FValue.IsEmptyOrNull(); }
    QString AsString() const { return VarToStr(FValue); }
    void SetAsString(const QString &v) { FValue = Variant(v); }
    int AsInteger() const { return IsNull() ? 0 : FValue.ToInt(); }
    void SetAsInteger(int v) { FValue = Variant(v); }
    void Clear() { FValue = Variant::Null(); }

private:
    QString FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptInput;
    Variant FValue;
};

class TParams {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TParam &operator[](int i) { return FItems[static_cast<size_t>(i)]; }
    const TParam &operator[](int i) const { return FItems[static_cast<size_t>(i)]; }
    TParam &CreateParam(TFieldType type, const QString &name, TParamType paramType = ptInput);
    TParam *FindParam(const QString &name); // any letter case
    const TParam *FindParam(const QString &name) const;
    TParam &ParamByName(const QString &name); // raises EDatabaseError when absent
    void Clear() { FItems.clear(); }
    bool IsEmpty() const { return FItems.empty(); }

    Variant Pack() const;
    // Takes names, types and values from a packed array; parameters not present are added.
    // Raises EDatabaseError on a malformed array.
    void Unpack(const Variant &packed);
    // Copies values of output parameters only (what comes back from a provider).
    void UnpackOutput(const Variant &packed);

private:
    std::vector<TParam> FItems;
};

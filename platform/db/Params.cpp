#include "Params.h"

TParam &TParams::CreateParam(TFieldType type, const QString &name, TParamType paramType) {
    if (TParam *p = FindParam(name)) {
        p->SetDataType(type);
        p->SetParamType(paramType);
        return *p;
    }
    FItems.emplace_back(name, type, paramType);
    return FItems.back();
}

TParam *TParams::FindParam(const QString &name) {
    for (TParam &p : FItems)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const TParam *TParams::FindParam(const QString &name) const {
    return const_cast<TParams *>(this)->FindParam(name);
}

TParam &TParams::ParamByName(const QString &name) {
    TParam *p = FindParam(name);
    if (!p)
        DatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return *p;
}

Variant TParams::Pack() const {
    if (FItems.empty())
        return Variant();
    std::vector<Variant> items;
    for (const TParam &p : FItems)
        items.push_back(
            Variant::ArrayOf({Variant(p.Name()), p.Value(), Variant(static_cast<int>(p.DataType())),
                              Variant(static_cast<int>(p.ParamType()))}));
    return Variant::ArrayOf(std::move(items));
}

namespace {
struct TPacked {
    QString Name;
    Variant Value;
    TFieldType Type;
    TParamType ParamType;
};

std::vector<TPacked> ReadPacked(const Variant &packed) {
    std::vector<TPacked> out;
    if (packed.IsEmptyOrNull())
        return out;
    if (!packed.IsArray())
        DatabaseError(QStringLiteral("Invalid parameter list"));
    for (int i = packed.LowBound(); i <= packed.HighBound(); ++i) {
        const Variant &item = packed[i];
        if (!item.IsArray() || item.ElementCount() < 2)
            DatabaseError(QStringLiteral("Invalid parameter list"));
        const int lo = item.LowBound();
        TPacked p;
        p.Name = item[lo].ToString();
        p.Value = item[lo + 1];
        const int type = item.ElementCount() > 2 ? item[lo + 2].ToInt() : ftUnknown;
        const int ptype = item.ElementCount() > 3 ? item[lo + 3].ToInt() : ptInput;
        if (type < 0 || type >= FieldTypeCount || ptype < 0 || ptype > ptResult || p.Name.isEmpty())
            DatabaseError(QStringLiteral("Invalid parameter list"));
        p.Type = static_cast<TFieldType>(type);
        p.ParamType = static_cast<TParamType>(ptype);
        out.push_back(p);
    }
    return out;
}
} // namespace

void TParams::Unpack(const Variant &packed) {
    for (const TPacked &p : ReadPacked(packed)) {
        TParam &param = CreateParam(p.Type, p.Name, p.ParamType);
        param.SetValue(p.Value);
    }
}

void TParams::UnpackOutput(const Variant &packed) {
    for (const TPacked &p : ReadPacked(packed)) {
        if (p.ParamType != ptOutput && p.ParamType != ptInputOutput && p.ParamType != ptResult)
            continue;
        CreateParam(p.Type, p.Name, p.ParamType).SetValue(p.Value);
    }
}

#include "DbTypes.h"

QString FieldTypeName(TFieldType type) {
    static const char *const names[FieldTypeCount] = {
        "Unknown",  "String",  "WideString", "Smallint", "Integer", "Word", "AutoInc",
        "Largeint", "Boolean", "Float",      "Currency", "BCD",     "Date", "Time",
        "DateTime", "Blob",    "Memo",       "Graphic",  "DataSet"};
    return type < FieldTypeCount ? QString::fromLatin1(names[type]) : QStringLiteral("Unknown");
}

bool IsNumericType(TFieldType type) {
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return true;
    default:
        return false;
    }
}

bool IsStringType(TFieldType type) {
    return type == ftString || type == ftWideString || type == ftMemo;
}

QStringList SplitFieldNames(const QString &names) {
    QStringList result;
    for (const QString &part : names.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            result << name;
    }
    return result;
}

void DatabaseError(const QString &message) {
    throw EDatabaseError(message);
}

#pragma once
// Shared vocabulary of the dataset engine: field types, dataset states, option sets, update
// kinds and reconcile actions, and the database error class.

#include "Exceptions.h"
#include "Variant.h"

#include <QString>
#include <QStringList>

LUM_DECLARE_EXCEPTION(EDatabaseError, Exception);

enum TFieldType : quint8 {
    ftUnknown,
    ftString,
    ftWideString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftAutoInc,
    ftLargeint,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftDataSet,
};
constexpr int FieldTypeCount = ftDataSet + 1;

enum TFieldKind : quint8 { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TDataSetState : quint8 {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
};

enum TAlignment : quint8 { taLeftJustify, taRightJustify, taCenter };

// Locate and lookup options.
enum TLocateOption : int { loCaseInsensitive = 0x01, loPartialKey = 0x02 };
// Filter options; the bit values are those that travel in remote filter requests.
enum TFilterOption : int { foCaseInsensitive = 0x01, foNoPartialCompare = 0x02 };

enum TUpdateStatus : quint8 { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind : quint8 { ukModify, ukInsert, ukDelete };
// Reconcile actions in the order of their codes.
enum TReconcileAction : quint8 { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };
enum TUpdateMode : quint8 { upWhereAll, upWhereChanged, upWhereKeyOnly };
enum TProviderFlag : quint8 {
    pfInUpdate = 0x01,
    pfInWhere = 0x02,
    pfInKey = 0x04,
    pfHidden = 0x08
};
constexpr quint8 DefaultProviderFlags = pfInUpdate | pfInWhere;

// The name the system uses for a field type, e.g. "String", "Integer".
QString FieldTypeName(TFieldType type);
inline bool IsBlobType(TFieldType type) {
    return type == ftBlob || type == ftMemo || type == ftGraphic;
}
bool IsNumericType(TFieldType type);
bool IsStringType(TFieldType type); // string, wide string, memo

// Splits "A;B; C" into trimmed names, empty names dropped.
QStringList SplitFieldNames(const QString &names);

[[noreturn]] void DatabaseError(const QString &message);

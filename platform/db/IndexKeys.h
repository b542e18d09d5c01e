#pragma once
// Index keys: the fields of a record that an order sorts by, written as bytes that compare with
// memcmp exactly as the records compare field by field (nulls first, numbers by value, text by
// code point, descending fields reversed). Sorting and searching by such keys touch one compact
// value per record instead of the records themselves.
//
// Each field is written as a null marker (0) or a value marker (1) followed by the value:
// integers, booleans and currency big-endian with the sign bit flipped, floats and dates as
// their IEEE bits arranged to sort as numbers, text and bytes with every 0 byte doubled as
// 0 0xFF and ended by 0 0. A descending field has all its bytes inverted. Text compared
// without letter case has no such key.

#include "RecordStore.h"

#include <string>
#include <vector>

struct TKeyField {
    int Slot = 0;
    bool Descending = false;
    bool CaseInsensitive = false;
};

// Whether records can be ordered by byte keys on these fields.
bool KeysSupported(const TRecordLayout &layout, const std::vector<TKeyField> &fields);

// Appends a field of a record to a key.
void AppendRecordKey(std::string &key, const TRecordLayout &layout, const uchar *rec,
                     const TKeyField &field);
// Appends a value of the field's kind (null, or already converted to the field's type).
void AppendValueKey(std::string &key, TStoreKind kind, const Variant &value, bool descending);

// The first eight bytes of a key as a number that orders as the bytes do; the key is padded
// with `pad` bytes when shorter.
quint64 KeyPrefix(const std::string &key, uchar pad = 0);

// Sorts rows stably by their keys on the fields. When prefixes is given it receives the
// KeyPrefix of every row in the sorted order.
void SortByKeys(std::vector<quint32> &rows, const TRecordStore &store,
                const std::vector<TKeyField> &fields, std::vector<quint64> *prefixes);

// The KeyPrefix of every row, in the order given.
std::vector<quint64> KeyPrefixes(const std::vector<quint32> &rows, const TRecordStore &store,
                                 const std::vector<TKeyField> &fields);

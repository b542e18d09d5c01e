// libFuzzer target: arbitrary bytes as a data packet, a delta and a reconcile result, read the
// way a client dataset reads them (rows encoded into a record store, from variants and
// directly). Every input must either decode or raise EDatabaseError; anything else (a crash, a
// sanitizer report, another exception) is a finding. Both ways of reading must agree, and what
// decodes is written again and must read back the same.

#include "Packet.h"

#include <cstddef>
#include <cstdint>

namespace {

// Fields used for packets that carry no metadata of their own.
const std::vector<TFieldDef> &KnownFields() {
    static const std::vector<TFieldDef> fields = [] {
        std::vector<TFieldDef> f;
        for (int t = ftString; t < FieldTypeCount; ++t)
            f.push_back(TFieldDef::Make(QStringLiteral("F%1").arg(t), static_cast<TFieldType>(t)));
        return f;
    }();
    return fields;
}

void Decode(const QByteArray &bytes, const std::vector<TFieldDef> *known) {
    TPacketReader reader(bytes, known);
    std::vector<TFieldType> types;
    for (const TFieldDef &d : reader.Fields())
        types.push_back(d.DataType);
    TRecordStore store{TRecordLayout(types)};
    TPacketWriter again(reader.Kind(), reader.Fields(), true);
    std::vector<std::vector<Variant>> rows;
    quint8 status;
    std::vector<Variant> values;
    while (reader.NextRow(status, values)) {
        const uchar *block = store.Encode(values);
        store.Load(block);
        for (int i = 0; i < store.Layout().Count(); ++i)
            if (store.Layout().IsNull(block, i) != values[static_cast<size_t>(i)].IsEmptyOrNull())
                __builtin_trap();
        again.WriteRow(status, store.Layout(), block);
        rows.push_back(values);
    }
    for (const TPacketError &e : reader.Errors())
        if (!e.Current.empty() && e.Current.size() != types.size())
            __builtin_trap();
    // The direct path into record blocks reads the same rows, value for value.
    TPacketReader direct(bytes, known);
    TRecordBuilder record(store.Layout());
    size_t k = 0;
    while (direct.NextRecord(status, record)) {
        if (k >= rows.size())
            __builtin_trap();
        const uchar *block = store.Encode(record);
        const uchar *expected = store.Encode(rows[k]);
        for (int i = 0; i < store.Layout().Count(); ++i)
            if (store.Layout().Compare(block, expected, i, false) != 0)
                __builtin_trap();
        ++k;
    }
    if (k != rows.size())
        __builtin_trap();
    TPacketReader back(again.Finish());
    size_t n = 0;
    while (back.NextRow(status, values)) {
        if (n >= rows.size() || values.size() != rows[n].size())
            __builtin_trap();
        ++n;
    }
    if (n != rows.size())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        Decode(bytes, nullptr);
    } catch (const EDatabaseError &) {
    }
    try {
        Decode(bytes, &KnownFields());
    } catch (const EDatabaseError &) {
    }
    return 0;
}

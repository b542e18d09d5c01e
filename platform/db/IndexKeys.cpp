#include "IndexKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

void PutBigEndian(std::string &key, quint64 value, int bytes) {
    char buf[8];
    for (int i = 0; i < bytes; ++i)
        buf[i] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
    key.append(buf, static_cast<size_t>(bytes));
}

// An integer of `bytes` bytes with its sign bit flipped: negative numbers before positive.
void PutInt(std::string &key, qint64 value, int bytes) {
    const quint64 sign = 1ull << (8 * bytes - 1);
    const quint64 mask = bytes == 8 ? ~0ull : (1ull << (8 * bytes)) - 1;
    PutBigEndian(key, (static_cast<quint64>(value) ^ sign) & mask, bytes);
}

// IEEE bits arranged so that unsigned order is numeric order; -0 counts as 0.
void PutDouble(std::string &key, double value) {
    if (value == 0)
        value = 0;
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = bits >> 63 ? ~bits : bits | (1ull << 63);
    PutBigEndian(key, bits, 8);
}

// Bytes with every 0 doubled as 0 0xFF, ended by 0 0: shorter values sort first.
void PutBytes(std::string &key, const char *data, qsizetype size) {
    const char *end = data + size;
    while (data < end) {
        const void *zero = std::memchr(data, 0, static_cast<size_t>(end - data));
        if (!zero) {
            key.append(data, static_cast<size_t>(end - data));
            break;
        }
        const char *z = static_cast<const char *>(zero);
        key.append(data, static_cast<size_t>(z - data));
        key.push_back('\0');
        key.push_back('\xFF');
        data = z + 1;
    }
    key.push_back('\0');
    key.push_back('\0');
}

void Invert(std::string &key, size_t from) {
    for (size_t i = from; i < key.size(); ++i)
        key[i] = static_cast<char>(~key[i]);
}

int IntBytes(TStoreKind kind) {
    switch (kind) {
    case TStoreKind::Bool:
        return 1;
    case TStoreKind::Int16:
        return 2;
    case TStoreKind::Int32:
        return 4;
    default:
        return 8;
    }
}

quint64 LoadBigEndian(const char *p, size_t available, uchar pad) {
    quint64 v = 0;
    for (size_t i = 0; i < 8; ++i)
        v = (v << 8) | (i < available ? static_cast<uchar>(p[i]) : pad);
    return v;
}

} // namespace

bool KeysSupported(const TRecordLayout &layout, const std::vector<TKeyField> &fields) {
    for (const TKeyField &f : fields)
        if (f.CaseInsensitive && layout.Kind(f.Slot) == TStoreKind::Text)
            return false;
    return true;
}

void AppendRecordKey(std::string &key, const TRecordLayout &layout, const uchar *rec,
                     const TKeyField &field) {
    const size_t start = key.size();
    const int slot = field.Slot;
    if (layout.IsNull(rec, slot)) {
        key.push_back('\0');
    } else {
        key.push_back('\1');
        const TStoreKind kind = layout.Kind(slot);
        switch (kind) {
        case TStoreKind::Double:
        case TStoreKind::Date:
            PutDouble(key, layout.FloatValue(rec, slot));
            break;
        case TStoreKind::Text:
        case TStoreKind::Bytes: {
            const QByteArrayView raw = layout.Raw(rec, slot);
            PutBytes(key, raw.data(), raw.size());
            break;
        }
        default:
            PutInt(key, layout.IntValue(rec, slot), IntBytes(kind));
            break;
        }
    }
    if (field.Descending)
        Invert(key, start);
}

void AppendValueKey(std::string &key, TStoreKind kind, const Variant &value, bool descending) {
    const size_t start = key.size();
    if (value.IsEmptyOrNull()) {
        key.push_back('\0');
    } else {
        key.push_back('\1');
        switch (kind) {
        case TStoreKind::Bool:
            PutInt(key, value.ToBool() ? 1 : 0, 1);
            break;
        case TStoreKind::Currency:
            PutInt(key, value.ToCurrency().Scaled, 8);
            break;
        case TStoreKind::Double:
            PutDouble(key, value.ToDouble());
            break;
        case TStoreKind::Date:
            PutDouble(key, value.ToDateTime().Value());
            break;
        case TStoreKind::Text: {
            const QByteArray utf8 = value.ToString().toUtf8();
            PutBytes(key, utf8.constData(), utf8.size());
            break;
        }
        case TStoreKind::Bytes: {
            const QByteArray bytes = value.ToBytes();
            PutBytes(key, bytes.constData(), bytes.size());
            break;
        }
        default:
            PutInt(key, value.ToInt64(), IntBytes(kind));
            break;
        }
    }
    if (descending)
        Invert(key, start);
}

quint64 KeyPrefix(const std::string &key, uchar pad) {
    return LoadBigEndian(key.data(), key.size(), pad);
}

void SortByKeys(std::vector<quint32> &rows, const TRecordStore &store,
                const std::vector<TKeyField> &fields, std::vector<quint64> *prefixes) {
    // Each row's key: its first sixteen bytes inline, the rest (when longer) aside.
    struct TEntry {
        quint64 K0, K1;
        quint32 Index;
    };
    const size_t n = rows.size();
    std::vector<TEntry> entries(n);
    std::vector<quint32> restAt(n + 1, 0);
    std::string rest;
    std::string key;
    const TRecordLayout &layout = store.Layout();
    for (size_t i = 0; i < n; ++i) {
        key.clear();
        const uchar *rec = store.Data(rows[i]);
        for (const TKeyField &f : fields)
            AppendRecordKey(key, layout, rec, f);
        TEntry &e = entries[i];
        e.K0 = LoadBigEndian(key.data(), key.size(), 0);
        e.K1 = LoadBigEndian(key.data() + std::min<size_t>(8, key.size()),
                             key.size() > 8 ? key.size() - 8 : 0, 0);
        e.Index = static_cast<quint32>(i);
        if (key.size() > 16)
            rest.append(key, 16, std::string::npos);
        restAt[i + 1] = static_cast<quint32>(rest.size());
    }
    // Keys are prefix-free: equal first sixteen bytes mean both keys are that short and equal,
    // or both go on. Equal keys keep the order they came in.
    std::sort(entries.begin(), entries.end(), [&](const TEntry &a, const TEntry &b) {
        if (a.K0 != b.K0)
            return a.K0 < b.K0;
        if (a.K1 != b.K1)
            return a.K1 < b.K1;
        const quint32 la = restAt[a.Index + 1] - restAt[a.Index];
        const quint32 lb = restAt[b.Index + 1] - restAt[b.Index];
        if (la || lb) {
            const int c = std::memcmp(rest.data() + restAt[a.Index], rest.data() + restAt[b.Index],
                                      std::min(la, lb));
            if (c != 0)
                return c < 0;
            if (la != lb)
                return la < lb;
        }
        return a.Index < b.Index;
    });
    std::vector<quint32> sorted(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = rows[entries[i].Index];
    rows.swap(sorted);
    if (prefixes) {
        prefixes->resize(n);
        for (size_t i = 0; i < n; ++i)
            (*prefixes)[i] = entries[i].K0;
    }
}

std::vector<quint64> KeyPrefixes(const std::vector<quint32> &rows, const TRecordStore &store,
                                 const std::vector<TKeyField> &fields) {
    std::vector<quint64> prefixes(rows.size());
    std::string key;
    for (size_t i = 0; i < rows.size(); ++i) {
        key.clear();
        for (const TKeyField &f : fields)
            AppendRecordKey(key, store.Layout(), store.Data(rows[i]), f);
        prefixes[i] = KeyPrefix(key);
    }
    return prefixes;
}

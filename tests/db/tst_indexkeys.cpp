// Index keys order records exactly as the field-by-field comparison does, and searches through
// an index's keys find what a scan of the view finds, also after edits move records.

#include "DbTestUtil.h"
#include "IndexKeys.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const TFieldType Types[] = {ftSmallint, ftInteger, ftLargeint, ftFloat, ftCurrency,
                            ftDate,     ftBoolean, ftString,   ftBlob};

// Values chosen to meet at the edges: signs, zeros of both signs, infinities, text that is a
// prefix of other text or holds zero bytes, and nulls.
Variant Sample(TFieldType type, QRandomGenerator &r) {
    if (r.bounded(8) == 0)
        return Variant::Null();
    const int k = r.bounded(7) - 3;
    switch (type) {
    case ftSmallint:
        return Variant::SmallInt(k == 3 ? -32768 : k == -3 ? 32767 : k);
    case ftInteger:
        return Variant(k * 1000000);
    case ftLargeint:
        return Variant(qint64(k) * 3000000000000000000LL);
    case ftFloat: {
        const double values[] = {
            -std::numeric_limits<double>::infinity(), -1.5, -0.0, 0.0, 1e-300, 2.25,
            std::numeric_limits<double>::infinity()};
        return Variant(values[k + 3]);
    }
    case ftCurrency:
        return Variant(Currency{qint64(k) * 12345});
    case ftDate:
        return Variant(TDateTime(45000.0 + k * 0.25));
    case ftBoolean:
        return Variant(k > 0);
    case ftString: {
        const QString texts[] = {
            "", "a", QString("a") + QChar(0), QString("a") + QChar(0) + "b", "ab", "學", "b"};
        return Variant(texts[k + 3]);
    }
    default: {
        const QByteArray bytes[] = {"",        QByteArray("\0", 1),     QByteArray("\0\0", 2),
                                    "\x01",    QByteArray("\x01\0", 2), "\xff",
                                    "\xff\xff"};
        return Variant(bytes[k + 3]);
    }
    }
}
} // namespace

class TstIndexKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysOrderAsRecordsCompare();
    void searchesThroughKeysFindWhatAScanFinds();
};

void TstIndexKeys::keysOrderAsRecordsCompare() {
    std::vector<TFieldType> types(std::begin(Types), std::end(Types));
    TRecordStore store{TRecordLayout(types)};
    QRandomGenerator random(7);
    for (int i = 0; i < 600; ++i) {
        std::vector<Variant> values;
        for (TFieldType t : types)
            values.push_back(Sample(t, random));
        store.Load(store.Encode(values));
    }
    const TRecordLayout &layout = store.Layout();
    std::vector<std::vector<TKeyField>> orders;
    for (int f = 0; f < layout.Count(); ++f) {
        orders.push_back({{f, false, false}});
        orders.push_back({{f, true, false}});
    }
    orders.push_back({{7, false, false}, {1, true, false}, {3, false, false}});
    orders.push_back({{6, true, false}, {8, false, false}, {0, false, false}, {5, true, false}});
    for (const auto &order : orders) {
        std::vector<quint32> expected(store.RowCount());
        for (quint32 i = 0; i < store.RowCount(); ++i)
            expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
            for (const TKeyField &k : order) {
                const int c = layout.Compare(store.Data(a), store.Data(b), k.Slot, false);
                if (c != 0)
                    return k.Descending ? c > 0 : c < 0;
            }
            return false;
        });
        std::vector<quint32> sorted(store.RowCount());
        for (quint32 i = 0; i < store.RowCount(); ++i)
            sorted[i] = i;
        std::vector<quint64> prefixes;
        SortByKeys(sorted, store, order, &prefixes);
        QCOMPARE(sorted, expected);
        QVERIFY(std::is_sorted(prefixes.begin(), prefixes.end()));
        QCOMPARE(prefixes, KeyPrefixes(sorted, store, order));
    }
    // Text compared without letter case has no byte keys.
    QVERIFY(!KeysSupported(layout, {{7, false, true}}));
    QVERIFY(KeysSupported(layout, {{1, false, true}, {7, true, false}}));
}

void TstIndexKeys::searchesThroughKeysFindWhatAScanFinds() {
    TClientDataSet ds;
    ds.FieldDefs().Add("ID", ftInteger);
    ds.FieldDefs().Add("Grade", ftSmallint);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.FieldDefs().Add("Score", ftFloat);
    ds.CreateDataSet();
    QRandomGenerator random(11);
    for (int i = 0; i < 400; ++i) {
        ds.Append();
        ds.FieldByName("ID")->SetAsInteger(i);
        if (random.bounded(10) != 0)
            ds.FieldByName("Grade")->SetAsInteger(random.bounded(7) - 3);
        ds.FieldByName("Name")->SetAsString(
            QString(QChar('a' + random.bounded(5))).repeated(1 + random.bounded(3)));
        ds.FieldByName("Score")->SetAsFloat(random.bounded(20) / 4.0 - 2);
        ds.Post();
    }
    // The first record of the view matching every key, read without moving the cursor.
    const auto scan = [&](const QStringList &names, const std::vector<Variant> &keys) {
        for (int pos = 0; pos < ds.RecordCount(); ++pos) {
            bool match = true;
            for (int k = 0; match && k < names.size(); ++k) {
                const Variant v = ds.ValueAt(pos, ds.FieldByName(names[k]));
                match = keys[k].IsNull() ? v.IsNull() : !v.IsNull() && v == keys[k];
            }
            if (match)
                return pos + 1;
        }
        return -1;
    };
    const auto check = [&] {
        for (int grade = -4; grade <= 4; ++grade) {
            const Variant g = grade == 4 ? Variant::Null() : Variant::SmallInt(grade);
            const int byGrade = scan({"Grade"}, {g});
            QCOMPARE(ds.Locate("Grade", g) ? ds.RecNo() : -1, byGrade);
            for (const char *name : {"a", "bb", "ccc", "e", "zz"}) {
                const Variant both = Variant::ArrayOf({g, Variant(QString(name))});
                const int expected = scan({"Grade", "Name"}, {g, Variant(QString(name))});
                QCOMPARE(ds.Locate("grade;NAME", both) ? ds.RecNo() : -1, expected);
                QCOMPARE(ds.Lookup("Grade;Name", both, "ID").IsNull(), expected < 0);
            }
        }
    };
    ds.AddIndex("ByGradeName", "Grade;Name;Score", 0, "Grade;Score");
    ds.SetIndexName("ByGradeName");
    check();
    // Edits and deletes move records in the sorted view; searches keep up.
    for (int i = 0; i < 60; ++i) {
        if (!ds.Locate("ID", Variant(random.bounded(400))))
            ds.First();
        if (i % 3 == 0 && !ds.IsEmpty()) {
            ds.Delete();
            continue;
        }
        ds.Edit();
        ds.FieldByName("Grade")->SetAsInteger(random.bounded(7) - 3);
        ds.FieldByName("Name")->SetAsString(i % 2 ? "bb" : "e");
        ds.Post();
    }
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(1000);
    ds.FieldByName("Name")->SetAsString("ccc");
    ds.Post();
    check();
    QVERIFY(ds.Locate("ID", Variant(1000)));
    QCOMPARE(ds.FieldByName("Name")->AsString(), QString("ccc"));
    // A search by a name goes to the field carrying that name now.
    QVERIFY(ds.Locate("Name", Variant(QString("ccc"))));
    ds.FieldByName("Name")->SetFieldName("Title");
    ds.FieldByName("Score")->SetFieldName("Name");
    QCOMPARE(ds.Locate("Name", Variant(1.5)) ? ds.RecNo() : -1, scan({"Name"}, {Variant(1.5)}));
}

QTEST_GUILESS_MAIN(TstIndexKeys)
#include "tst_indexkeys.moc"

#include "DataSource.h"
#include "DbTestUtil.h"
#include "Packet.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {
const TFieldType AllTypes[] = {ftString,  ftWideString, ftSmallint, ftInteger,  ftWord,
                               ftAutoInc, ftLargeint,   ftBoolean,  ftFloat,    ftCurrency,
                               ftBCD,     ftDate,       ftTime,     ftDateTime, ftBlob,
                               ftMemo,    ftGraphic};

Variant SampleValue(TFieldType type, int row) {
    switch (type) {
    case ftString:
        return Variant(QStringLiteral("學生%1").arg(row));
    case ftWideString:
        return Variant(QStringLiteral("wide \u00e9 %1").arg(row));
    case ftSmallint:
        return Variant::SmallInt(-32768 + row);
    case ftInteger:
        return Variant(2147483647 - row);
    case ftWord:
        return Variant(65535 - row);
    case ftAutoInc:
        return Variant(row + 1);
    case ftLargeint:
        return Variant(qint64(-9000000000000000000LL) + row);
    case ftBoolean:
        return Variant(row % 2 == 0);
    case ftFloat:
        return Variant(1.0 / 3.0 + row);
    case ftCurrency:
    case ftBCD:
        return Variant(Currency{-123456789 + row});
    case ftDate:
        return Variant(TDateTime::EncodeDate(1999, 12, 31 - row));
    case ftTime:
        return Variant(TDateTime::EncodeTime(23, 59, 58 - row));
    case ftDateTime:
        return Variant(TDateTime::EncodeDate(2024, 2, 29) +
                       TDateTime::EncodeTime(12, 0, row).Value());
    case ftBlob:
    case ftGraphic:
        return Variant(QByteArray("\x00\x01\xff", 3) + QByteArray::number(row));
    case ftMemo:
        return Variant(QString(3000, QChar('m')) + QString::number(row));
    default:
        return Variant::Null();
    }
}

std::unique_ptr<TClientDataSet> MakeAllTypes() {
    auto ds = std::make_unique<TClientDataSet>();
    for (TFieldType t : AllTypes)
        ds->FieldDefs().Add("F" + FieldTypeName(t), t, t == ftString || t == ftWideString ? 40 : 0);
    ds->CreateDataSet();
    for (int row = 0; row < 3; ++row) {
        ds->Append();
        for (TFieldType t : AllTypes)
            // The last row is all nulls.
            ds->FieldByName("F" + FieldTypeName(t))
                ->SetValue(row == 2 ? Variant::Null() : SampleValue(t, row));
        ds->Post();
    }
    return ds;
}
} // namespace

class TstPacket : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTripEveryTypeAndNull();
    void metadataTravels();
    void packetsOfOtherCborWritersRead();
    void pendingChangesTravelAndApplyLater();
    void appendDataWithAndWithoutEndOfData();
    void truncatedPacketsRaiseAndChangeNothing();
    void corruptedPacketsNeverCrash();
    void wrongValueTypeIsRejected();
    void nestedDetailsTravelInMastersPacket();
    void nestedChangesOfADeletedMaster();
    void briefcaseKeepsPendingChanges();
};

void TstPacket::roundTripEveryTypeAndNull() {
    auto ds = MakeAllTypes();
    ds->MergeChangeLog();
    TClientDataSet copy;
    copy.SetData(ds->Data());
    QCOMPARE(copy.RecordCount(), 3);
    QCOMPARE(copy.FieldCount(), int(std::size(AllTypes)));
    int row = 0;
    for (copy.First(); !copy.Eof(); copy.Next(), ++row)
        for (TFieldType t : AllTypes) {
            TField *f = copy.FieldByName("F" + FieldTypeName(t));
            QCOMPARE(f->DataType(), t);
            if (row == 2)
                QVERIFY2(f->IsNull(), qPrintable(f->FieldName()));
            else
                QVERIFY2(f->Value() == SampleValue(t, row), qPrintable(f->FieldName()));
        }
    // The same packet read twice gives the same bytes back.
    QCOMPARE(copy.Data().ToBytes(), ds->Data().ToBytes());
}

void TstPacket::metadataTravels() {
    auto ds = MakePeople({{1, "a", 1}});
    TField *name = ds->FieldByName("Name");
    name->SetDisplayLabel("姓名");
    name->SetVisible(false);
    name->SetRequired(true);
    name->SetDisplayWidth(12);
    TClientDataSet copy;
    copy.SetData(ds->Data());
    TField *f = copy.FieldByName("name");
    QCOMPARE(f->DisplayLabel(), QString("姓名"));
    QVERIFY(!f->Visible());
    QVERIFY(f->Required());
    QCOMPARE(f->Size(), 20);
    QCOMPARE(f->DisplayWidth(), 12);
    QCOMPARE(copy.FieldByName("ID")->ProviderFlags() & pfInKey, int(pfInKey));
}

void TstPacket::packetsOfOtherCborWritersRead() {
    // The same two rows as other CBOR writers may encode them: definite-length arrays, rows as
    // open arrays, text in chunks, floats of half and single precision.
    const std::vector<TFieldDef> fields = {TFieldDef::Make("N", ftInteger),
                                           TFieldDef::Make("S", ftString, 10),
                                           TFieldDef::Make("D", ftDate)};
    QByteArray rows;
    rows += "\x82";                                // rows: definite, two
    rows += QByteArray("\x84\x00\x19\x01\x00", 5); // [0, 256,
    rows += "\x7f\x61"
            "a\x62"
            "bc\xff";                                  //  "a" "bc" in chunks,
    rows += QByteArray("\xf9\x3c\x00", 3);             //  half 1.0]
    rows += QByteArray("\x9f\x00\x20\xf6", 4);         // open [0, -1, null,
    rows += QByteArray("\xfa\x40\x20\x00\x00\xff", 6); //  single 2.5]
    QByteArray head("\x86\x65LumDP\x01\x00\xf6", 10);  // definite outer, no metadata
    QByteArray trailer("\xa1\x63"
                       "eod\xf5",
                       6);
    const QByteArray packet = head + rows + trailer;
    TPacketReader reader(packet, &fields);
    const TPacketRows read = ReadAllRows(reader);
    QCOMPARE(read.Values.size(), size_t(2));
    QCOMPARE(read.Values[0][0].ToInt(), 256);
    QCOMPARE(read.Values[0][1].ToString(), QString("abc"));
    QCOMPARE(read.Values[0][2].ToDateTime().Value(), 1.0);
    QCOMPARE(read.Values[1][0].ToInt(), -1);
    QVERIFY(read.Values[1][1].IsNull());
    QCOMPARE(read.Values[1][2].ToDateTime().Value(), 2.5);
    QVERIFY(reader.EndOfData());
    // Straight into records, the same.
    TRecordStore store{TRecordLayout({ftInteger, ftString, ftDate})};
    TRecordBuilder record(store.Layout());
    TPacketReader again(packet, &fields);
    quint8 status;
    QVERIFY(again.NextRecord(status, record));
    const uchar *first = store.Encode(record);
    QCOMPARE(store.Layout().Value(first, 1).ToString(), QString("abc"));
    QVERIFY(again.NextRecord(status, record));
    QVERIFY(store.Layout().IsNull(store.Encode(record), 1));
    QVERIFY(!again.NextRecord(status, record));
    // Text that is not UTF-8, an integer beyond 64 bits, a chunk of the wrong kind and a row
    // longer than its fields are refused.
    // Every byte of a literal, zeros included.
    const auto bytes = []<size_t N>(const char(&text)[N]) { return QByteArray(text, N - 1); };
    const std::pair<QByteArray, const char *> bad[] = {
        {head + bytes("\x81\x84\x00\x01\x62\xc3\x28\xf6") + trailer, "UTF-8"},
        {head + bytes("\x81\x84\x00\x1b\xff\xff\xff\xff\xff\xff\xff\xff\xf6\xf6\xf6") + trailer,
         "out of range"},
        {head + bytes("\x81\x84\x00\x01\x7f\x41x\xff\xf6") + trailer, "chunk"},
        {head + bytes("\x81\x85\x00\x01\xf6\xf6\xf6") + trailer, "too many items"},
        {head + rows + trailer + bytes("\x00"), "after the end"},
    };
    for (const auto &[b, why] : bad) {
        try {
            TPacketReader r(b, &fields);
            ReadAllRows(r);
            QFAIL(why);
        } catch (const EDatabaseError &e) {
            QVERIFY2(e.Message().contains(QLatin1String(why)), qPrintable(e.Message()));
        }
    }
}

void TstPacket::pendingChangesTravelAndApplyLater() {
    auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}, {3, "c", 3}});
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("a1");
    ds->Post();
    ds->Next();
    ds->Delete();
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(4);
    ds->Post();
    TClientDataSet copy;
    copy.SetData(ds->Data());
    QCOMPARE(copy.ChangeCount(), 3);
    QCOMPARE(copy.Delta().ToBytes(), ds->Delta().ToBytes());
    QCOMPARE(Column(copy, "Name"), QStringList({"a1", "c", ""}));
    copy.First();
    QCOMPARE(copy.FieldByName("Name")->OldValue().ToString(), QString("a"));
    copy.CancelUpdates();
    QCOMPARE(Column(copy, "Name"), QStringList({"a", "b", "c"}));
}

void TstPacket::appendDataWithAndWithoutEndOfData() {
    auto source = MakePeople({{1, "a", 1}, {2, "b", 2}});
    const Variant packet = source->Data();
    TClientDataSet ds;
    ds.AppendData(packet, false);
    QVERIFY(ds.Active());
    QVERIFY(!ds.FetchedAll());
    ds.Last();
    ds.AppendData(packet, true);
    QVERIFY(ds.FetchedAll());
    QCOMPARE(ds.RecordCount(), 4);
    QCOMPARE(ds.RecNo(), 2);
    QCOMPARE(ds.ChangeCount(), 0);
    // A packet of other fields is refused and adds nothing.
    TClientDataSet other;
    other.FieldDefs().Add("X", ftInteger);
    other.CreateDataSet();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.AppendData(other.Data(), true));
    QCOMPARE(ds.RecordCount(), 4);
}

void TstPacket::truncatedPacketsRaiseAndChangeNothing() {
    auto ds = MakeAllTypes();
    const QByteArray bytes = ds->Data().ToBytes();
    auto target = MakePeople({{7, "kept", 7}});
    for (int len = 0; len < bytes.size(); len += (len < 200 ? 1 : 37)) {
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, target->SetData(Variant(bytes.left(len))));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 target->AppendData(Variant(bytes.left(len)), true));
    }
    QVERIFY(target->Active());
    QCOMPARE(Column(*target, "Name"), QStringList({"kept"}));
    // Bytes after the end are refused too.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, target->SetData(Variant(bytes + QByteArray(1, '\0'))));
}

void TstPacket::corruptedPacketsNeverCrash() {
    auto ds = MakeAllTypes();
    const QByteArray bytes = ds->Data().ToBytes();
    QRandomGenerator random(42);
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bad = bytes;
        for (int k = 0; k < 3; ++k)
            bad[random.bounded(int(bad.size()))] = char(random.bounded(256));
        TClientDataSet target;
        try {
            target.SetData(Variant(bad));
            for (target.First(); !target.Eof(); target.Next())
                for (const auto &f : target.Fields())
                    f->DisplayText();
        } catch (const EDatabaseError &) {
            ++refused;
            QVERIFY(!target.Active());
        }
    }
    QVERIFY(refused > 0);
}

void TstPacket::wrongValueTypeIsRejected() {
    TPacketWriter w(pkData, {TFieldDef::Make("N", ftInteger)}, true);
    // The writer converts to the field's type: text that is no number is an error.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, w.WriteRow(usUnmodified, {Variant("text")}));
    QCOMPARE(w.RowCount(), 0);
    // A packet claiming a modified row without its original is refused.
    TPacketWriter w2(pkData, {TFieldDef::Make("N", ftInteger)}, true);
    w2.WriteRow(usModified, {Variant(1)});
    TClientDataSet ds;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetData(Variant(w2.Finish())));
    // A packet of unknown version is refused with a clear message.
    TPacketWriter w3(pkData, {TFieldDef::Make("N", ftInteger)}, true);
    QByteArray v = w3.Finish();
    const int pos = v.indexOf("LumDP") + 5;
    v[pos] = char(0x02);
    try {
        ds.SetData(Variant(v));
        QFAIL("accepted");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.Message().contains("version"), qPrintable(e.Message()));
    }
}

void TstPacket::nestedDetailsTravelInMastersPacket() {
    TClientDataSet master;
    TFieldDef &id = master.FieldDefs().Add("ID", ftInteger);
    Q_UNUSED(id);
    TFieldDef &lines = master.FieldDefs().Add("Lines", ftDataSet);
    lines.Children.push_back(TFieldDef::Make("Item", ftString, 10));
    lines.Children.push_back(TFieldDef::Make("Qty", ftInteger));
    master.CreateDataSet();
    TClientDataSet detail;
    detail.SetDataSetField(static_cast<TDataSetField *>(master.FieldByName("Lines")));
    for (int m = 1; m <= 2; ++m) {
        master.Append();
        master.FieldByName("ID")->SetAsInteger(m);
        master.Post();
        QVERIFY(detail.Active());
        QVERIFY(detail.IsEmpty());
        for (int d = 0; d < m; ++d) {
            detail.Append();
            detail.FieldByName("Item")->SetAsString(QStringLiteral("i%1%2").arg(m).arg(d));
            detail.FieldByName("Qty")->SetAsInteger(d);
            detail.Post();
        }
    }
    master.First();
    QCOMPARE(Column(detail, "Item"), QStringList({"i10"}));
    master.Next();
    QCOMPARE(Column(detail, "Item"), QStringList({"i20", "i21"}));
    // The master's packet carries the details and their pending changes.
    TClientDataSet copy;
    copy.SetData(master.Data());
    TClientDataSet copyDetail;
    copyDetail.SetDataSetField(static_cast<TDataSetField *>(copy.FieldByName("Lines")));
    copy.Last();
    QCOMPARE(Column(copyDetail, "Item"), QStringList({"i20", "i21"}));
    QCOMPARE(copyDetail.ChangeCount(), 2);
    copyDetail.First();
    copyDetail.Delete();
    QCOMPARE(copy.UpdateStatus(), usInserted);
    copy.First();
    copy.Last();
    QCOMPARE(Column(copyDetail, "Item"), QStringList({"i21"}));
}

// A master deleted after its details were: its delta row goes with the master's own values
// as read, and the details' deletions in its nested field. Accepted changes leave no pending
// changes in the details either.
void TstPacket::nestedChangesOfADeletedMaster() {
    TClientDataSet master;
    master.FieldDefs().Add("ID", ftInteger);
    master.FieldDefs().Add("Name", ftString, 10);
    TFieldDef &lines = master.FieldDefs().Add("Lines", ftDataSet);
    lines.Children.push_back(TFieldDef::Make("Item", ftString, 10));
    master.CreateDataSet();
    TClientDataSet detail;
    detail.SetDataSetField(static_cast<TDataSetField *>(master.FieldByName("Lines")));
    master.Append();
    master.FieldByName("ID")->SetAsInteger(1);
    master.FieldByName("Name")->SetAsString("read");
    master.Post();
    for (const char *item : {"a", "b"}) {
        detail.Append();
        detail.FieldByName("Item")->SetAsString(QLatin1String(item));
        detail.Post();
    }
    master.MergeChangeLog();
    QCOMPARE(detail.ChangeCount(), 0);
    QCOMPARE(Column(detail, "Item"), QStringList({"a", "b"}));

    master.Edit();
    master.FieldByName("Name")->SetAsString("renamed");
    master.Post();
    while (!detail.IsEmpty())
        detail.Delete();
    master.Delete();
    TPacketReader delta(master.Delta().ToBytes());
    quint8 status;
    std::vector<Variant> values;
    QVERIFY(delta.NextRow(status, values));
    QCOMPARE(status, quint8(usDeleted));
    QCOMPARE(values[1].ToString(), QString("read"));
    TPacketReader nested(values[2].ToBytes());
    int deleted = 0;
    while (nested.NextRow(status, values))
        deleted += status == usDeleted;
    QCOMPARE(deleted, 2);
    QVERIFY(!delta.NextRow(status, values));

    // The nested packet of changes, accepted: the deleted rows gone, the others unmodified.
    TPacketWriter w(pkData, {TFieldDef::Make("Item", ftString, 10)}, true);
    w.WriteRow(usUnmodified, {Variant("kept")});
    w.WriteRow(usDeleted, {Variant("gone")});
    w.WriteRow(PacketOriginal, {Variant("old")});
    w.WriteRow(usModified, {Variant("new")});
    w.WriteRow(usInserted, {Variant("added")});
    TPacketReader merged(MergedPacket(w.Finish()));
    QStringList rows;
    while (merged.NextRow(status, values))
        rows << QString::number(status) + values[0].ToString();
    QCOMPARE(rows, QStringList({"0kept", "0new", "0added"}));
}

void TstPacket::briefcaseKeepsPendingChanges() {
    QTemporaryDir dir;
    const QString file = dir.filePath("people.cds");
    {
        auto ds = MakePeople({{1, "a", 1}, {2, "b", 2}});
        ds->Edit();
        ds->FieldByName("Name")->SetAsString("changed");
        ds->Post();
        ds->SaveToFile(file);
    }
    TClientDataSet ds;
    ds.SetFileName(file);
    ds.Open();
    QCOMPARE(ds.ChangeCount(), 1);
    QCOMPARE(Column(ds, "Name"), QStringList({"changed", "b"}));
    ds.Last();
    ds.Delete();
    ds.Close(); // closing writes the briefcase back
    TClientDataSet again;
    again.LoadFromFile(file);
    QCOMPARE(again.ChangeCount(), 2);
    QCOMPARE(Column(again, "Name"), QStringList({"changed"}));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, again.LoadFromFile(dir.filePath("missing.cds")));
    QVERIFY(again.Active());
}

QTEST_GUILESS_MAIN(TstPacket)
#include "tst_packet.moc"

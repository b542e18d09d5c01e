#pragma once
// Data packets: the one binary form of records that travel between providers and client
// datasets and into briefcase files. A packet is CBOR (RFC 8949):
//
//   [ "LumDP", version, kind, fields, rows, trailer ]
//
//   kind     0 data, 1 delta, 2 reconcile result
//   fields   null (no metadata) or an array of field entries
//            [ name, type, size, flags, provider flags, label, display width, children ]
//            flags: 1 required, 2 read-only, 4 hidden; children: null or field entries of a
//            nested dataset
//   rows     array of [ status, value... ], one value per field; status 0 unmodified,
//            1 modified (new values), 2 inserted, 3 deleted, 4 original values of the
//            modified row that follows
//   trailer  { "eod": bool, "params": variant, "rolledBack": bool, "errors": [ error... ] }
//            error: [ row, code, message, current values (array or null) ]; row counts the
//            rows of the delta from 0, originals included
//
// Values: null as null; strings as text; integers and booleans as such; floats and date-times
// (days since 1899-12-30) as floats; currency as an integer count of 1/10000; blobs and nested
// datasets (a nested packet) as byte strings. Reading checks every item against the field
// types and raises EDatabaseError on anything malformed or truncated. Rows are read straight
// from the bytes, into variants or directly into record blocks.

#include "DbTypes.h"
#include "Fields.h"
#include "RecordStore.h"

#include <QByteArray>
#include <memory>
#include <vector>

class QCborStreamReader;

enum TPacketKind : quint8 { pkData = 0, pkDelta = 1, pkReconcile = 2 };
constexpr int PacketVersion = 1;
// Packet status of the original values that precede a modified row.
constexpr quint8 PacketOriginal = 4;

struct TPacketError {
    int Row = -1;
    int Code = 0;
    QString Message;
    std::vector<Variant> Current; // empty when the server has no such record
};

class TPacketWriter {
public:
    explicit TPacketWriter(TPacketKind kind, const std::vector<TFieldDef> &fields, bool metaData);
    ~TPacketWriter();
    void WriteRow(quint8 status, const TRecordLayout &layout, const uchar *rec);
    // A row whose field i is column columns[i] of the record (a subset or reordering of them).
    void WriteRow(quint8 status, const TRecordLayout &layout, const uchar *rec,
                  const std::vector<int> &columns);
    void WriteRow(quint8 status, const std::vector<Variant> &values);
    void SetEndOfData(bool eod) { FEndOfData = eod; }
    void SetParams(const Variant &params) { FParams = params; }
    void SetRolledBack(bool rolledBack) { FRolledBack = rolledBack; }
    void AddError(const TPacketError &error) { FErrors.push_back(error); }
    int RowCount() const { return FRows; }
    // Bytes written so far; and room made ahead for `more` bytes, so that a large packet is
    // not grown (and copied) step by step.
    qsizetype Size() const { return FUsed; }
    void Reserve(qsizetype more);
    QByteArray Finish();

private:
    QByteArray FBytes;
    qsizetype FUsed = 0; // bytes of FBytes written; the rest is room to grow
    std::vector<TFieldType> FTypes;
    bool FEndOfData = true;
    bool FRolledBack = false;
    Variant FParams;
    std::vector<TPacketError> FErrors;
    int FRows = 0;
    bool FFinished = false;
};

class TPacketReader {
public:
    // Reads the head of the packet: kind and metadata. `fields` describe the rows of a packet
    // without metadata (the dataset's own fields).
    explicit TPacketReader(const QByteArray &bytes, const std::vector<TFieldDef> *fields = nullptr);
    ~TPacketReader();

    TPacketKind Kind() const { return FKind; }
    bool HasMetaData() const { return FHasMetaData; }
    const std::vector<TFieldDef> &Fields() const { return FFields; }
    // Reads the next row into status and values; false after the last row, when the
    // trailer has been read.
    bool NextRow(quint8 &status, std::vector<Variant> &values);
    // The same, straight into a record block (of a layout made from Fields()).
    bool NextRecord(quint8 &status, TRecordBuilder &record);
    // Bytes of the packet read so far.
    qsizetype Offset() const { return FPos; }
    bool EndOfData() const { return FEndOfData; }
    bool RolledBack() const { return FRolledBack; }
    const Variant &Params() const { return FParams; }
    const std::vector<TPacketError> &Errors() const { return FErrors; }

private:
    [[noreturn]] void Fail(const QString &what) const;
    void Check(QCborStreamReader &r) const;
    template <class Sink> bool ReadRow(quint8 &status, Sink &sink);
    void ReadTrailer(qsizetype pos);
    Variant ReadValue(QCborStreamReader &r, TFieldType type);
    std::vector<TFieldDef> ReadFieldDefs(QCborStreamReader &r, int depth);
    QByteArray FBytes;
    TPacketKind FKind = pkData;
    bool FHasMetaData = false;
    std::vector<TFieldDef> FFields;
    std::vector<TFieldType> FTypes;
    bool FOuterDefinite = true;
    bool FRowsDefinite = false;
    quint64 FRowsLeft = 0;
    qsizetype FPos = 0; // the next row
    bool FRowsDone = false;
    bool FEndOfData = true;
    bool FRolledBack = false;
    Variant FParams;
    std::vector<TPacketError> FErrors;
};

// Whole-packet helpers.
struct TPacketRows {
    std::vector<quint8> Status;
    std::vector<std::vector<Variant>> Values;
};
TPacketRows ReadAllRows(TPacketReader &reader);
// A data packet with its pending changes accepted, as the server has written them: deleted
// records and the original values of modified ones are dropped, every other record becomes
// unmodified; the packets of nested datasets are accepted the same way. The packet must carry
// its metadata.
QByteArray MergedPacket(const QByteArray &packet);

// Whether bytes are UTF-8 as packets carry text: no overlong forms, no surrogates, nothing
// past U+10FFFF.
bool IsValidUtf8(const char *data, qsizetype size);

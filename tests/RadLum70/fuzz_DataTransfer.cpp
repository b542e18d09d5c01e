// libFuzzer target: arbitrary bytes as the lines file and as the ".mem" side file of a text
// import into a client dataset that already holds a record with a pending change. The first
// byte picks the line mode (delimited or fixed, quoted or not, with or without the side file),
// the next two where the lines file ends. Every input must either import or raise one of the
// platform's errors; a failed import must leave the records and the change log as they were.

#include "ClientDataSet.h"
#include "uLumDataTransfer.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {

std::unique_ptr<TClientDataSet> MakeTarget() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 8);
    ds->FieldDefs().Add(QStringLiteral("Score"), ftFloat);
    ds->FieldDefs().Add(QStringLiteral("Born"), ftDate);
    ds->FieldDefs().Add(QStringLiteral("Active"), ftBoolean);
    ds->FieldDefs().Add(QStringLiteral("Photo"), ftBlob);
    ds->FieldDefs().Add(QStringLiteral("Note"), ftMemo);
    ds->CreateDataSet();
    ds->Append();
    ds->Fields()[0]->SetAsInteger(1);
    ds->Post();
    ds->MergeChangeLog();
    ds->Edit();
    ds->Fields()[1]->SetAsString(QStringLiteral("王"));
    ds->Post();
    for (int i = 0; i < ds->FieldCount(); ++i)
        ds->Fields()[i]->SetDisplayWidth(i < 5 ? 3 + i : 0);
    return ds;
}

void WriteFile(const QString &name, const QByteArray &bytes) {
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    if (size < 3)
        return 0;
    const quint8 mode = data[0];
    const size_t split = 3 + ((size_t(data[1]) << 8 | data[2]) % (size - 2));
    const QByteArray lines(reinterpret_cast<const char *>(data + 3), qsizetype(split - 3));
    const QByteArray side(reinterpret_cast<const char *>(data + split), qsizetype(size - split));
    const QString linesFile = dir.filePath(QStringLiteral("in.txt"));
    const QString sideFile = dir.filePath(QStringLiteral("in.mem"));
    WriteFile(linesFile, lines);
    WriteFile(sideFile, side);

    auto ds = MakeTarget();
    TLumDataSetConverter conv;
    conv.SetDelimiter(mode & 1 ? QChar(0) : QChar(mode & 2 ? u',' : u'\t'));
    conv.SetQuoteChar(mode & 4 ? QChar(u'"') : QChar(0));
    conv.SetDataSet(ds.get());
    conv.OnLineAfterDeComposed = [](QObject *, TLumRowList &col, QString &) {
        TDataSet *target = col.Fields(0)->DataSet();
        target->Append();
        for (int i = 0; i < col.Count(); ++i)
            if (!TLumDataSetConverterCust::IsBlobField(col.Fields(i)))
                col.Fields(i)->SetText(col[i]);
        target->Post();
    };
    conv.OnImportBolbField = [](QObject *, TLumRowList &, TField *field, QBuffer &blob) {
        field->DataSet()->Edit();
        TLumDataSetConverterCust::SetBlobFieldBytes(field, blob.readAll());
        field->DataSet()->Post();
    };
    const int records = ds->RecordCount();
    const int changes = ds->ChangeCount();
    try {
        conv.LoadFromFile(linesFile, mode & 8 ? sideFile : QString());
    } catch (const Exception &) {
        return 0;
    }
    try {
        conv.DataImportConvert();
        if (ds->RecordCount() != records + conv.Lines().Count())
            __builtin_trap();
    } catch (const Exception &) {
        if (ds->RecordCount() != records || ds->ChangeCount() != changes ||
            ds->FieldByName(QStringLiteral("Name"))->AsString() != QStringLiteral("王"))
            __builtin_trap();
    }
    return 0;
}

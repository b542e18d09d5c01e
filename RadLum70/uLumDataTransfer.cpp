#include "uLumDataTransfer.h"

#include "Big5.h"
#include "ClientDataSet.h"
#include "Variant.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr const char *kBig5Name = "windows-950-2000";

[[noreturn]] void ConverterError(const QString &message) {
    throw TLumDataSetConverterCustError(message);
}

// Bytes of one character (or surrogate pair) in Big5: one for ASCII, two for the double-byte
// characters, one for a character Big5 cannot carry (it would be written as "?").
int EncodedWidth(QStringView ch) {
    thread_local QStringEncoder encoder(kBig5Name, QStringConverter::Flag::Stateless);
    const qsizetype n = encoder.isValid() ? QByteArray(encoder.encode(ch)).size() : 1;
    return n < 1 ? 1 : static_cast<int>(n);
}

int CharWidth(QStringView s, qsizetype i, qsizetype &len) {
    const char16_t c = s[i].unicode();
    len = 1;
    if (c < 0x80)
        return 1;
    const int w = Big5CharWidth(c);
    if (w >= 0)
        return w;
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() &&
        QChar::isLowSurrogate(s[i + 1].unicode())) {
        len = 2;
        return EncodedWidth(s.mid(i, 2));
    }
    return EncodedWidth(s.mid(i, 1));
}

// The width of the character that ends just before position end.
int CharWidthBefore(QStringView s, qsizetype end, qsizetype &len) {
    qsizetype start = end - 1;
    if (start > 0 && s[start].isLowSurrogate() && s[start - 1].isHighSurrogate())
        --start;
    const int w = CharWidth(s, start, len);
    len = end - start;
    return w;
}

// Blanks and control characters off both ends; other white space (such as the ideographic
// space of Chinese text) is part of the value.
QStringView TrimView(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QString TrimText(QStringView s) {
    return TrimView(s).toString();
}

// Big5 bytes of the text; a character Big5 cannot carry raises EEncodingError naming it.
QByteArray EncodeBig5Strict(const QString &text) {
    return Big5Encode(text, true);
}

// Big5 text; a byte sequence that is no Big5 character (a lead byte without its trail byte
// included) raises EEncodingError.
QString DecodeBig5Strict(const QByteArray &bytes, const QString &what) {
    QString text;
    if (!Big5DecodeStrict(bytes, text))
        throw EEncodingError(Format(QStringLiteral("%s is not Big5 text"), {what}));
    return text;
}

// A text file as the converter reads it: UTF-8 after a byte-order mark, Big5 otherwise.
QString ReadText(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(Format(QStringLiteral("Cannot read file %s"), {fileName}));
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8);
        QString text = decoder.decode(QByteArrayView(bytes).sliced(3));
        if (decoder.hasError())
            throw EEncodingError(Format(QStringLiteral("%s is not UTF-8 text"), {fileName}));
        return text;
    }
    return DecodeBig5Strict(bytes, fileName);
}

QByteArray ReadBytes(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(Format(QStringLiteral("Cannot read file %s"), {fileName}));
    return bytes;
}

void WriteAll(QSaveFile &file, const QByteArray &bytes) {
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {file.fileName()}));
}

// The file name with the extension of its last part replaced by ".mem"; a dot in a folder
// name is not an extension.
QString BlobFileNameFor(const QString &fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? fileName.left(dot) : fileName;
    return base + QStringLiteral(".mem");
}

// A number's text fitted to width: decimals go before digits of the whole part. Raises when
// even the whole part does not fit.
QString FitNumber(const QString &text, int width, const TField *field) {
    if (text.size() <= width)
        return text;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const bool exponent = text.contains(QLatin1Char('E'), Qt::CaseInsensitive);
    if (point >= 0 && !exponent) {
        QString plain = text;
        plain.remove(QLatin1Char(','));
        bool ok = false;
        const double value = plain.toDouble(&ok);
        for (int decimals = width - static_cast<int>(point) - 1; ok && decimals >= 0; --decimals) {
            QString fitted = QString::number(value, 'f', decimals);
            if (fitted.size() <= width)
                return fitted;
        }
    }
    ConverterError(Format(QStringLiteral("Export Data: Field %s value %s wider than %d"),
                          {field->FieldName(), text, QString::number(width)}));
}

// Takes back what an import wrote into a client dataset when it fails: the change log entries
// it added, or, while the dataset logs no changes, the records as they were.
class TImportRollback {
public:
    explicit TImportRollback(TDataSet *dataSet)
        : FDataSet(dynamic_cast<TClientDataSet *>(dataSet)) {
        if (!FDataSet || !FDataSet->Active())
            return;
        FWasActive = true;
        FMark = FDataSet->GetBookmark();
        FUseLog = FDataSet->LogChanges();
        if (FUseLog)
            FChangeCount = FDataSet->ChangeCount();
        else
            FSnapshot = FDataSet->Data();
    }

    void Rollback() noexcept {
        if (!FWasActive || !FDataSet->Active())
            return;
        try {
            if (FDataSet->IsEditing())
                FDataSet->Cancel();
            if (FUseLog) {
                const std::shared_ptr<TRecordStore> &store = FDataSet->Store();
                while (store->ChangeCount() > FChangeCount && store->UndoLastChange() >= 0) {
                }
                FDataSet->ResyncStore();
                store->NotifyCursors(FDataSet);
            } else {
                FDataSet->SetData(FSnapshot);
            }
            if (FMark >= 0 && FDataSet->BookmarkValid(FMark))
                FDataSet->GotoBookmark(FMark);
        } catch (...) {
            ReportError(std::current_exception());
        }
    }

private:
    TClientDataSet *FDataSet;
    bool FWasActive = false;
    bool FUseLog = false;
    int FChangeCount = 0;
    Variant FSnapshot;
    TBookmark FMark = -1;
};

} // namespace

// ---- row list ------------------------------------------------------------------------------

void TLumRowList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EStringListError(
            Format(QStringLiteral("List index out of bounds (%d)"), {QString::number(index)}));
}

const QString &TLumRowList::Strings(int index) const {
    CheckIndex(index);
    return FItems[static_cast<size_t>(index)].Text;
}

void TLumRowList::SetStrings(int index, const QString &text) {
    CheckIndex(index);
    FItems[static_cast<size_t>(index)].Text = text;
}

TField *TLumRowList::Fields(int index) const {
    CheckIndex(index);
    return FItems[static_cast<size_t>(index)].Field;
}

int TLumRowList::IndexOfField(const QString &fieldName) const {
    for (int i = 0; i < Count(); ++i) {
        const TField *f = FItems[static_cast<size_t>(i)].Field;
        if (f && f->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// ---- converter -----------------------------------------------------------------------------

TLumDataSetConverterCust::TLumDataSetConverterCust(QObject *owner) : TComponent(owner) {
    FBlobStream.open(QIODevice::ReadWrite);
}

TLumDataSetConverterCust::~TLumDataSetConverterCust() {
    Destroying();
}

void TLumDataSetConverterCust::SetDataSet(TDataSet *dataSet) {
    SetLink(FDataSet, dataSet);
}

void TLumDataSetConverterCust::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && FDataSet &&
        component == static_cast<TComponentBase *>(FDataSet))
        FDataSet = nullptr;
}

void TLumDataSetConverterCust::ResetBlobStream(const QByteArray &bytes) {
    FBlobStream.close();
    FBlobStream.setData(bytes);
    FBlobStream.open(QIODevice::ReadWrite);
}

void TLumDataSetConverterCust::SetBlobStream(const QBuffer &stream) {
    if (&stream == &FBlobStream) {
        FBlobStream.seek(0);
        return;
    }
    ResetBlobStream(stream.data());
}

bool TLumDataSetConverterCust::IsBlobField(const TField *field) {
    return field && IsBlobType(field->DataType());
}

QByteArray TLumDataSetConverterCust::BlobFieldBytes(const TField *field) {
    if (field->DataType() == ftMemo)
        return EncodeBig5Strict(field->AsString());
    return field->AsBytes();
}

void TLumDataSetConverterCust::SetBlobFieldBytes(TField *field, const QByteArray &bytes) {
    if (field->DataType() == ftMemo)
        field->SetAsString(DecodeBig5Strict(
            bytes, Format(QStringLiteral("The value of field %s"), {field->FieldName()})));
    else
        field->SetAsBytes(bytes);
}

int TLumDataSetConverterCust::Big5Width(QStringView text) {
    int width = 0;
    qsizetype len = 1;
    for (qsizetype i = 0; i < text.size(); i += len)
        width += CharWidth(text, i, len);
    return width;
}

void TLumDataSetConverterCust::SetRowFields(TLumRowList &list) const {
    list.Clear();
    if (!FDataSet)
        return;
    for (const auto &field : FDataSet->Fields())
        if (field->Visible())
            list.Add(field->FieldName(), field.get());
}

void TLumDataSetConverterCust::ClearRowFields(TLumRowList &list) {
    for (int i = 0; i < list.Count(); ++i)
        list.SetStrings(i, QString());
}

QString TLumDataSetConverterCust::FixedString(const QString &S, int Width, QChar PadChar,
                                              TAlignment Alignment) {
    if (Width <= 0)
        return QString();
    const int bytes = Big5Width(S);
    if (bytes == Width)
        return S;
    const bool right = Alignment == taRightJustify;
    if (bytes < Width) {
        const QString pad(Width - bytes, PadChar);
        return right ? pad + S : S + pad;
    }
    int kept = 0;
    qsizetype len = 1;
    if (right) {
        qsizetype start = S.size();
        while (start > 0) {
            const int w = CharWidthBefore(S, start, len);
            if (kept + w > Width)
                break;
            kept += w;
            start -= len;
        }
        return QString(Width - kept, PadChar) + S.mid(start);
    }
    qsizetype end = 0;
    while (end < S.size()) {
        const int w = CharWidth(S, end, len);
        if (kept + w > Width)
            break;
        kept += w;
        end += len;
    }
    return S.left(end) + QString(Width - kept, PadChar);
}

QString TLumDataSetConverterCust::QuotedString(const QString &S) const {
    if (FQuoteChar.isNull())
        return S;
    QString out;
    out.reserve(S.size() + 2);
    out += FQuoteChar;
    if (S.contains(FQuoteChar)) {
        QString doubled = S;
        doubled.replace(FQuoteChar, QString(2, FQuoteChar));
        out += doubled;
    } else {
        out += S;
    }
    out += FQuoteChar;
    return out;
}

QString TLumDataSetConverterCust::UnQuotedString(const QString &S) const {
    if (FQuoteChar.isNull() || S.isEmpty() || S[0] != FQuoteChar)
        return S;
    if (S.size() < 2)
        return QString();
    QString inner = S.mid(1, S.size() - 2);
    if (inner.contains(FQuoteChar))
        inner.replace(QString(2, FQuoteChar), QString(FQuoteChar));
    return inner;
}

QString TLumDataSetConverterCust::FieldFormula(TField *field) {
    const QString text = field->Text();
    const int width = field->DisplayWidth();
    const TAlignment alignment = field->Alignment();
    if (!IsNumericType(field->DataType()))
        return FixedString(text, width, QLatin1Char(' '), alignment);
    // Zeros behind a number or in front of its sign would change it, and a null is no zero.
    if (text.isEmpty())
        return QString(qMax(width, 0), QLatin1Char(' '));
    const QString fitted = FitNumber(text, width, field);
    if (alignment != taRightJustify)
        return FixedString(fitted, width, QLatin1Char(' '), alignment);
    if (fitted.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') +
               FixedString(fitted.mid(1), width - 1, QLatin1Char('0'), taRightJustify);
    return FixedString(fitted, width, QLatin1Char('0'), taRightJustify);
}

// A fixed-width column in quotes: a quote inside the value is written twice, so the value
// gives up as many bytes as the doubling takes and the column keeps its width.
QString TLumDataSetConverterCust::QuotedFixed(const QString &text, int width, QChar padChar,
                                              TAlignment alignment) const {
    if (!text.contains(FQuoteChar))
        return QuotedString(text);
    QString value = text;
    for (;;) {
        const QString quoted = QuotedString(value);
        const int over = Big5Width(quoted) - (qMax(width, 0) + 2);
        if (over == 0)
            return quoted;
        if (over < 0)
            return QuotedString(FixedString(value, Big5Width(value) - over, padChar, alignment));
        value = FixedString(value, Big5Width(value) - over, padChar, alignment);
    }
}

void TLumDataSetConverterCust::LineComposing(TLumRowList &lineCol, QString &lineText) {
    const bool fixed = FDelimiter.isNull();
    const bool quoted = !FQuoteChar.isNull();
    for (int i = 0; i < lineCol.Count(); ++i) {
        TField *field = lineCol.Fields(i);
        QString text;
        int width = 10;
        if (IsBlobField(field)) {
            const QByteArray bytes = BlobFieldBytes(field);
            if (FBlobStream.write(bytes) != bytes.size())
                ConverterError(QStringLiteral("Export BlobField: cannot write the data"));
            text = QString::number(bytes.size());
            if (fixed)
                text = FixedString(text, 10, QLatin1Char('0'), taRightJustify);
        } else if (fixed) {
            text = FieldFormula(field);
            width = field->DisplayWidth();
        } else {
            text = field->Text();
        }
        if (quoted)
            text = fixed ? QuotedFixed(text, width, QLatin1Char(' '), field->Alignment())
                         : QuotedString(text);
        lineCol.SetStrings(i, text);
    }
    if (fixed) {
        lineText.clear();
        for (int i = 0; i < lineCol.Count(); ++i)
            lineText += lineCol.Strings(i);
        return;
    }
    ComposeDelimited(lineCol, lineText);
}

void TLumDataSetConverterCust::ComposeDelimited(TLumRowList &lineCol, QString &lineText) const {
    const QString doubled(2, FDelimiter);
    lineText.clear();
    for (int i = 0; i < lineCol.Count(); ++i) {
        const QString &entry = lineCol.Strings(i);
        if (i > 0)
            lineText += FDelimiter;
        if (entry.isEmpty()) {
            lineText += QLatin1Char(' ');
            continue;
        }
        // A value that starts with the delimiter would run into the separator before it
        // ("a" and ",b" would read back as "a," and "b"); the blank in front is trimmed away.
        if (entry[0] == FDelimiter)
            lineText += QLatin1Char(' ');
        if (entry.contains(FDelimiter)) {
            QString e = entry;
            e.replace(FDelimiter, doubled);
            lineText += e;
        } else {
            lineText += entry;
        }
    }
}

void TLumDataSetConverterCust::DataExportConvert() {
    if (!FDataSet)
        ConverterError(QStringLiteral("Dataset is not specified"));
    if (!FDataSet->Active())
        ConverterError(QStringLiteral("Dataset is not active"));
    FLines.Clear();
    ResetBlobStream(QByteArray());
    TLumRowList lineCol;
    SetRowFields(lineCol);
    TDataSet *ds = FDataSet;
    ds->DisableControls();
    const TBookmark mark = ds->GetBookmark();
    const auto restore = [ds, mark] {
        if (mark >= 0 && ds->BookmarkValid(mark))
            ds->GotoBookmark(mark);
        ds->EnableControls();
    };
    try {
        ds->First();
        QString lineText;
        while (!ds->Eof()) {
            lineText.clear();
            if (OnLineComposing)
                OnLineComposing(this, lineCol, lineText);
            else
                LineComposing(lineCol, lineText);
            if (OnLineAfterComposed)
                OnLineAfterComposed(this, lineCol, lineText);
            FLines.Add(lineText);
            ds->Next();
        }
        if (OnCompleteExport)
            OnCompleteExport(this, FLines, FBlobStream);
    } catch (...) {
        FLines.Clear();
        ResetBlobStream(QByteArray());
        try {
            restore();
        } catch (...) {
            ReportError(std::current_exception());
        }
        throw;
    }
    restore();
}

// The text of one decomposed value: trimmed and, with quoting on, taken out of its quotes and
// trimmed again. Only the final text is made into a string.
QString TLumDataSetConverterCust::EntryText(QStringView value) const {
    QStringView v = TrimView(value);
    if (FQuoteChar.isNull() || v.isEmpty() || v[0] != FQuoteChar)
        return v.toString();
    if (v.size() < 2)
        return QString();
    const QStringView inner = v.mid(1, v.size() - 2);
    if (!inner.contains(FQuoteChar))
        return TrimView(inner).toString();
    QString text = inner.toString();
    text.replace(QString(2, FQuoteChar), QString(FQuoteChar));
    return TrimText(text);
}

void TLumDataSetConverterCust::DecomposeDelimited(TLumRowList &lineCol,
                                                  const QString &lineText) const {
    const int count = lineCol.Count();
    if (count == 0)
        throw Exception(QStringLiteral("UnDelimitedText:Can not decomposing"));
    const QStringView text(lineText);
    const qsizetype n = text.size();
    // A value without a doubled delimiter is read straight from the line; the others are
    // put together in `value`.
    QString value;
    bool built = false;
    qsizetype start = 0;
    int entry = 0;
    qsizetype i = 0;
    for (;;) {
        const qsizetype j = text.indexOf(FDelimiter, i);
        if (j < 0) {
            if (built)
                value += text.mid(i);
            break;
        }
        if (j + 1 < n && text[j + 1] == FDelimiter) {
            if (!built) {
                value = text.mid(start, j - start).toString();
                built = true;
            } else {
                value += text.mid(i, j - i);
            }
            value += FDelimiter;
            i = j + 2;
            continue;
        }
        if (built)
            value += text.mid(i, j - i);
        lineCol.SetStrings(entry,
                           EntryText(built ? QStringView(value) : text.mid(start, j - start)));
        value.clear();
        built = false;
        if (++entry >= count)
            ConverterError(QStringLiteral("Fields Count unmatched"));
        i = j + 1;
        start = i;
    }
    lineCol.SetStrings(entry, EntryText(built ? QStringView(value) : text.mid(start)));
}

void TLumDataSetConverterCust::DecomposeFixed(TLumRowList &lineCol, const QString &lineText) const {
    const int extra = FQuoteChar.isNull() ? 0 : 2;
    std::vector<int> widths;
    widths.reserve(static_cast<size_t>(lineCol.Count()));
    qint64 total = 0;
    for (int i = 0; i < lineCol.Count(); ++i) {
        TField *field = lineCol.Fields(i);
        const int w = (IsBlobField(field) ? 10 : qMax(field->DisplayWidth(), 0)) + extra;
        widths.push_back(w);
        total += w;
    }
    if (Big5Width(lineText) != total)
        ConverterError(QStringLiteral("Import Data: Line Text Length unmatched"));
    qsizetype pos = 0, len = 1;
    for (int i = 0; i < lineCol.Count(); ++i) {
        const qsizetype start = pos;
        int taken = 0;
        while (taken < widths[static_cast<size_t>(i)] && pos < lineText.size()) {
            taken += CharWidth(lineText, pos, len);
            pos += len;
        }
        // A double-byte character across two columns: the line does not follow the layout.
        if (taken != widths[static_cast<size_t>(i)])
            ConverterError(QStringLiteral("Import Data: Line Text Length unmatched"));
        lineCol.SetStrings(i, EntryText(QStringView(lineText).mid(start, pos - start)));
    }
}

void TLumDataSetConverterCust::LineDeComposing(TLumRowList &lineCol, const QString &lineText) {
    if (FDelimiter.isNull())
        DecomposeFixed(lineCol, lineText);
    else
        DecomposeDelimited(lineCol, lineText);
}

void TLumDataSetConverterCust::ImportLines(TLumRowList &lineCol) {
    // Without a side file the lines are read alone; with one, every byte count of the lines
    // must find its bytes and every byte must belong to a count.
    const qint64 blobSize = FBlobStream.size();
    QString lineText;
    for (int l = 0; l < FLines.Count(); ++l) {
        ClearRowFields(lineCol);
        lineText = FLines[l];
        if (OnLineDeComposing)
            OnLineDeComposing(this, lineCol, lineText);
        else
            LineDeComposing(lineCol, lineText);
        if (OnLineAfterDeComposed)
            OnLineAfterDeComposed(this, lineCol, lineText);
        if (blobSize == 0)
            continue;
        for (int i = 0; i < lineCol.Count(); ++i) {
            TField *field = lineCol.Fields(i);
            if (!IsBlobField(field))
                continue;
            const int n = StrToInt(lineCol.Strings(i));
            if (n <= 0)
                continue;
            if (blobSize - FBlobStream.pos() < n)
                ConverterError(QStringLiteral("Import BlobFiled: Data Size unmatched"));
            QBuffer scratch;
            scratch.setData(FBlobStream.read(n));
            scratch.open(QIODevice::ReadWrite);
            if (OnImportBolbField)
                OnImportBolbField(this, lineCol, field, scratch);
        }
    }
    if (FBlobStream.pos() != blobSize)
        ConverterError(QStringLiteral("Import BlobFiled: Data Size unmatched"));
}

void TLumDataSetConverterCust::DataImportConvert() {
    if (!FDataSet)
        ConverterError(QStringLiteral("Dataset is not specified"));
    if (FLines.IsEmpty())
        return;
    FBlobStream.seek(0);
    TLumRowList lineCol;
    SetRowFields(lineCol);
    TImportRollback rollback(FDataSet);
    TDataSet *ds = FDataSet;
    ds->DisableControls();
    try {
        ImportLines(lineCol);
    } catch (...) {
        rollback.Rollback();
        if (FDataSet == ds)
            ds->EnableControls();
        throw;
    }
    if (FDataSet == ds)
        ds->EnableControls();
}

void TLumDataSetConverterCust::SaveToFile(const QString &fileName, const QString &blobFileName) {
    const bool blobs = FBlobStream.size() > 0;
    const QString blobName =
        blobFileName.isEmpty() && blobs ? BlobFileNameFor(fileName) : blobFileName;
    QString text;
    qsizetype size = 0;
    for (int i = 0; i < FLines.Count(); ++i)
        size += FLines[i].size() + 2;
    text.reserve(size);
    for (int i = 0; i < FLines.Count(); ++i) {
        text += FLines[i];
        text += QLatin1String("\r\n");
    }
    const QByteArray bytes = EncodeBig5Strict(text);
    QSaveFile lines(fileName);
    WriteAll(lines, bytes);
    if (blobs) {
        QSaveFile side(blobName);
        WriteAll(side, FBlobStream.data());
        if (!side.commit())
            throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {blobName}));
    }
    if (!lines.commit())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {fileName}));
    FBlobStream.seek(0);
}

void TLumDataSetConverterCust::LoadFromFile(const QString &fileName, const QString &blobFileName) {
    const QByteArray blobs = blobFileName.isEmpty() ? QByteArray() : ReadBytes(blobFileName);
    TStringList lines;
    lines.SetText(ReadText(fileName));
    ResetBlobStream(blobs);
    FLines = std::move(lines);
}

TLumDataSetConverter::TLumDataSetConverter(QObject *owner) : TLumDataSetConverterCust(owner) {
    SetDelimiter(QChar(0));
    SetQuoteChar(QChar(0));
}

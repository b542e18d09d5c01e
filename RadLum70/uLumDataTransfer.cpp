#include "uLumDataTransfer.h"

#include "AsciiRuns.h"
#include "Big5.h"
#include "ClientDataSet.h"
#include "Variant.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <functional>
#include <typeinfo>

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

QByteArray ReadBytes(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(Format(QStringLiteral("Cannot read file %s"), {fileName}));
    return bytes;
}

// A text file as the converter reads it: UTF-8 after a byte-order mark, Big5 otherwise. Lines
// end at CR LF, LF or CR. A Big5 file is read a piece at a time and each line decoded
// straight from the piece's bytes (no byte of a double-byte character is a CR or LF, so a line
// never splits a character): the file is never in memory whole besides its lines.
void ReadLines(const QString &fileName, TStringList &lines) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    constexpr qsizetype kPiece = 256 * 1024;
    QByteArray bytes; // the start of a line not yet ended, then the piece read after it
    qsizetype kept = 0;
    bool first = true;
    bool afterCR = false; // the last piece ended with a CR, whose LF may start this one
    bool reserved = false;
    // Each line is decoded into one buffer, its room kept from line to line, and kept packed.
    QString line;
    const auto addLine = [&](qsizetype start, qsizetype end) {
        if (line.size() < end - start)
            line.resize(end - start);
        char16_t *const units = reinterpret_cast<char16_t *>(line.data());
        const char16_t *const decoded =
            Big5DecodeStrictTo(units, QByteArrayView(bytes.constData() + start, end - start));
        if (!decoded)
            throw EEncodingError(Format(QStringLiteral("%s is not Big5 text"), {fileName}));
        lines.AddPacked(QStringView(units, decoded - units));
    };
    for (;;) {
        bytes.resize(kept + kPiece);
        const qint64 got = file.read(bytes.data() + kept, kPiece);
        if (got < 0)
            throw EInOutError(Format(QStringLiteral("Cannot read file %s"), {fileName}));
        const qsizetype n = kept + got;
        if (first && QByteArrayView(bytes.constData(), n).startsWith("\xEF\xBB\xBF")) {
            bytes.truncate(n);
            bytes += file.readAll();
            if (file.error() != QFileDevice::NoError)
                throw EInOutError(Format(QStringLiteral("Cannot read file %s"), {fileName}));
            QStringDecoder decoder(QStringConverter::Utf8);
            const QString text = decoder.decode(QByteArrayView(bytes).sliced(3));
            if (decoder.hasError())
                throw EEncodingError(Format(QStringLiteral("%s is not UTF-8 text"), {fileName}));
            lines.SetText(text);
            return;
        }
        first = false;
        if (got == 0) {
            if (kept > 0)
                addLine(0, kept);
            return;
        }
        const char *data = bytes.constData();
        qsizetype start = 0;
        qsizetype i = kept;
        if (afterCR && data[i] == '\n')
            start = ++i;
        afterCR = false;
        for (; i < n; ++i) {
            i = AsciiRuns::FindByte(data, i, n, '\r', '\n');
            if (i == n)
                break;
            const char c = data[i];
            addLine(start, i);
            if (c == '\r') {
                if (i + 1 < n && data[i + 1] == '\n')
                    ++i;
                else if (i + 1 == n)
                    afterCR = true;
            }
            start = i + 1;
        }
        // Room for the file's lines as many as the first piece's lines promise.
        if (!reserved && start > 0) {
            reserved = true;
            const double estimate = double(file.size()) / double(start) * lines.Count() * 1.05;
            lines.ReservePacked(static_cast<int>(qMin(estimate, 1e7)));
        }
        kept = n - start;
        if (kept > 0 && start > 0)
            std::memmove(bytes.data(), bytes.constData() + start, static_cast<size_t>(kept));
    }
}

void WriteAll(QSaveFile &file, const QByteArray &bytes) {
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {file.fileName()}));
}

void WriteChunk(QSaveFile &file, QByteArrayView bytes) {
    if (file.write(bytes.data(), bytes.size()) != bytes.size())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {file.fileName()}));
}

// Whether the UTF-16 units hold c.
inline bool HasUnit(const char16_t *p, qsizetype n, char16_t c) {
    return AsciiRuns::FindUnit(p, 0, n, c, c) < n;
}

// Blanks and control characters off both ends of [from, to); other white space (such as the
// ideographic space of Chinese text) is part of the value.
inline void TrimUnits(const char16_t *&from, const char16_t *&to) {
    while (from < to && *from <= 0x20)
        ++from;
    while (to > from && to[-1] <= 0x20)
        --to;
}

// Writes [from, to) over the text, in its room when it has enough: a value is as long as the
// one of the line before more often than not.
inline void AssignUnits(QString &text, const char16_t *from, const char16_t *to) {
    const qsizetype n = to - from;
    if (text.size() != n)
        text.resize(n);
    if (n > 0)
        CopyUnits(reinterpret_cast<char16_t *>(text.data()), from, n);
}

inline const char16_t *Units(const QString &text) {
    return reinterpret_cast<const char16_t *>(text.constData());
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

// The positions of the marked characters of a line (its separators), taken in order. The marks
// of the whole line are found in one pass beforehand; the cursor is kept apart from them so
// that it stays in registers while the line is read.
class TLineMarks {
public:
    TLineMarks(const quint64 *words, qsizetype wordCount, qsizetype size)
        : FWords(words), FWordCount(wordCount), FSize(size), FWord(wordCount > 0 ? words[0] : 0) {}

    // The next position, or the line's length after the last.
    qsizetype Next() {
        while (FWord == 0) {
            if (++FIndex >= FWordCount)
                return FSize;
            FWord = FWords[FIndex];
        }
        const qsizetype at = FIndex * 64 + __builtin_ctzll(FWord);
        FWord &= FWord - 1;
        return at;
    }

private:
    const quint64 *FWords;
    qsizetype FWordCount;
    qsizetype FSize;
    quint64 FWord;
    qsizetype FIndex = 0;
};

// The values of a line written the way an export writes it: every value in quotes with no blank
// outside them, a separator between each two and no quote or separator inside a value. The
// line's quotes and separators are marked in one pass, and where a quote, a separator and a
// quote stand together two values meet; when the line starts and ends with a quote and every
// other quote and every separator is one of such a meeting, the values lie between them, a few
// operations a value. Their number, at most `count`, or -1 for any other line.
int TightQuotedBounds(const char16_t *units, qsizetype n, char16_t quote, char16_t delimiter,
                      int count, qsizetype *bounds) {
    if (n < 2 || units[0] != quote || units[n - 1] != quote)
        return -1;
    const qsizetype wordCount = (n + 63) / 64;
    quint64 onStack[16]; // lines of up to 512 units
    std::vector<quint64> onHeap;
    quint64 *quotes = onStack;
    if (wordCount > 8) {
        onHeap.resize(static_cast<size_t>(2 * wordCount));
        quotes = onHeap.data();
    }
    std::fill(quotes, quotes + 2 * wordCount, 0);
    quint64 *const separators = quotes + wordCount;
    AsciiRuns::MarkUnits(units, n, quote, delimiter, quotes, separators);
    int values = 0;
    qsizetype start = 1; // of the value being read
    quint64 before = 0;  // the meetings of the word before
    for (qsizetype w = 0; w < wordCount; ++w) {
        const quint64 q = quotes[w], d = separators[w];
        const quint64 nextQ = w + 1 < wordCount ? quotes[w + 1] : 0;
        const quint64 nextD = w + 1 < wordCount ? separators[w + 1] : 0;
        // Bit i: a quote at i, a separator at i + 1 and a quote at i + 2.
        const quint64 meets = q & (d >> 1 | nextD << 63) & (q >> 2 | nextQ << 62);
        // Every quote and separator of the word belongs to a meeting or is the line's end.
        quint64 ends = w == 0 ? 1 : 0;
        if (w == wordCount - 1)
            ends |= 1ULL << ((n - 1) & 63);
        const quint64 ownQuotes = meets | meets << 2 | before >> 62 | ends;
        const quint64 ownSeparators = meets << 1 | before >> 63;
        if ((q & ~ownQuotes) | (d & ~ownSeparators))
            return -1;
        before = meets;
        for (quint64 left = meets; left; left &= left - 1) {
            const qsizetype at = w * 64 + __builtin_ctzll(left);
            // A meeting that shares a quote with the one before, or more values than fields
            // (the general way raises).
            if (at < start || values + 2 > count)
                return -1;
            const char16_t *b = units + start, *e = units + at;
            TrimUnits(b, e);
            bounds[2 * values] = b - units;
            bounds[2 * values + 1] = e - units;
            ++values;
            start = at + 3;
        }
    }
    if (start > n - 1)
        return -1;
    const char16_t *b = units + start, *e = units + n - 1;
    TrimUnits(b, e);
    bounds[2 * values] = b - units;
    bounds[2 * values + 1] = e - units;
    return values + 1;
}

// Where the values of a plain quoted line are (each value's first unit and the unit after it,
// in quotes and trimmed), at most `count` of them; their number, or -1 for a line that is no
// plain one. Every unit is looked at once.
int QuotedBounds(const char16_t *units, qsizetype n, char16_t quote, char16_t delimiter, int count,
                 qsizetype *bounds) {
    const char16_t *p = units;
    const char16_t *const end = units + n;
    for (int values = 0;; ++values) {
        if (values == count)
            return -1; // more values than fields: the general way raises
        // Blanks, the opening quote, the value, the closing quote, blanks, the separator.
        for (; p < end && *p != quote; ++p)
            if (*p > 0x20 || *p == delimiter)
                return -1;
        if (p == end)
            return -1;
        const char16_t *b = ++p;
        // The value up to its closing quote, many units at a time; a separator inside it
        // (written twice) is for the general way.
        p = units + AsciiRuns::FindUnit(units, p - units, n, quote, delimiter);
        if (p == end || *p != quote)
            return -1;
        const char16_t *e = p++;
        for (; p < end && *p != delimiter; ++p)
            if (*p > 0x20 || *p == quote)
                return -1;
        TrimUnits(b, e);
        bounds[2 * values] = b - units;
        bounds[2 * values + 1] = e - units;
        if (p == end)
            return values + 1;
        ++p;
    }
}

// The same for a line without quoting: the values between the separators, trimmed; a doubled
// separator makes the line no plain one.
int DelimitedBounds(const char16_t *units, qsizetype n, char16_t delimiter, int count,
                    qsizetype *bounds) {
    // Where the separators are, found for the whole line in one pass.
    QVarLengthArray<quint64, 8> words((n + 63) / 64); // lines of up to 512 units on the stack
    std::fill(words.begin(), words.end(), 0);
    AsciiRuns::MarkUnits(units, n, delimiter, delimiter, words.data(), words.data());
    TLineMarks marks(words.data(), words.size(), n);
    qsizetype start = 0;
    for (int values = 0;; ++values) {
        if (values == count)
            return -1;
        const qsizetype j = marks.Next();
        if (j + 1 < n && units[j + 1] == delimiter)
            return -1;
        const char16_t *b = units + start, *e = units + j;
        TrimUnits(b, e);
        bounds[2 * values] = b - units;
        bounds[2 * values + 1] = e - units;
        if (j == n)
            return values + 1;
        start = j + 1;
    }
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

void TLumRowList::IndexError(int index) {
    throw EStringListError(
        Format(QStringLiteral("List index out of bounds (%d)"), {QString::number(index)}));
}

void TLumRowList::SetStrings(int index, const QString &text) {
    CheckIndex(index);
    TItem &item = FItems[static_cast<size_t>(index)];
    item.Text = text;
    item.State = TState::Ready;
}

void TLumRowList::MakeText(int index) const {
    const TItem &item = FItems[static_cast<size_t>(index)];
    if (item.State == TState::Empty) {
        item.Text.truncate(0);
        item.State = TState::Ready;
        return;
    }
    const qsizetype start = FValueStarts[static_cast<size_t>(index)];
    const qsizetype end = FValueEnds[static_cast<size_t>(index)];
    const char16_t *values = FValues.Data();
    const qsizetype doubled = FQuote ? std::count(values + start, values + end, FQuote) : 0;
    item.Text.resize(end - start + doubled + (FQuote ? 2 : 0));
    char16_t *out = reinterpret_cast<char16_t *>(item.Text.data());
    if (FQuote)
        *out++ = FQuote;
    for (qsizetype k = start; k < end; ++k) {
        *out++ = values[k];
        if (doubled && values[k] == FQuote)
            *out++ = FQuote;
    }
    if (FQuote)
        *out = FQuote;
    item.State = TState::Ready;
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
    // Emptied when next read or written: the texts keep their room for the next line.
    list.SetState(TLumRowList::TState::Empty);
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
    if (!FDelimiter.isNull()) {
        ComposeDelimited(lineCol, lineText);
        return;
    }
    const bool quoted = !FQuoteChar.isNull();
    for (int i = 0; i < lineCol.Count(); ++i) {
        TField *field = lineCol.Fields(i);
        QString text;
        int width = 10;
        if (IsBlobField(field)) {
            const QByteArray bytes = BlobFieldBytes(field);
            if (FBlobStream.write(bytes) != bytes.size())
                ConverterError(QStringLiteral("Export BlobField: cannot write the data"));
            text = FixedString(QString::number(bytes.size()), 10, QLatin1Char('0'), taRightJustify);
        } else {
            text = FieldFormula(field);
            width = field->DisplayWidth();
        }
        if (quoted)
            text = QuotedFixed(text, width, QLatin1Char(' '), field->Alignment());
        lineCol.SetStrings(i, text);
    }
    lineText.resize(0);
    for (int i = 0; i < lineCol.Count(); ++i)
        lineText += lineCol.Strings(i);
}

// A delimited line: every field's text (a blob's byte count, its bytes going to the blob
// stream) written into the row list's buffer as the line would hold it, in its quotes and with
// the separators between; the entries are left to be made from it when read. A line whose
// values hold no quote and no separator (the buffer holds just the line's own) is the buffer;
// the others are made from the entries, which then handle the doubling.
void TLumDataSetConverterCust::ComposeDelimited(TLumRowList &lineCol, QString &lineText) {
    if (WriteDelimitedLine(lineCol))
        lineText.setUnicode(reinterpret_cast<const QChar *>(lineCol.FValues.Data()),
                            lineCol.FValues.Size());
    else
        JoinDelimited(lineCol, lineText);
}

bool TLumDataSetConverterCust::WriteDelimitedLine(TLumRowList &lineCol) {
    const int count = lineCol.Count();
    const bool quoted = !FQuoteChar.isNull();
    const char16_t quote = FQuoteChar.unicode(), delimiter = FDelimiter.unicode();
    TTextBuffer &line = lineCol.FValues;
    line.Clear();
    lineCol.FValueStarts.resize(static_cast<size_t>(count));
    lineCol.FValueEnds.resize(static_cast<size_t>(count));
    qsizetype *const starts = lineCol.FValueStarts.data();
    qsizetype *const ends = lineCol.FValueEnds.data();
    TRowTexts &texts = lineCol.FTexts;
    if (!lineCol.FTextsPlanned) {
        // Blob values (memos too) go to the blob stream, written here.
        std::vector<TField *> fields;
        std::vector<bool> blobs;
        for (const TLumRowList::TItem &item : lineCol.FItems) {
            fields.push_back(item.Field);
            blobs.push_back(IsBlobField(item.Field));
        }
        texts.Reset(fields, blobs);
        lineCol.FTextsPlanned = true;
    }
    texts.Seek();
    // The line is plain when no value holds the quote or the separator (with quoting off, the
    // separator). The columns read from the record are written by the row's texts; the others
    // (a blob's byte count, its bytes going to the blob stream, or the field's own text) here.
    const char16_t other = quoted ? quote : delimiter;
    bool plain = !quoted || quote != delimiter;
    for (int i = 0; i < count; ++i) {
        i = texts.WriteDelimited(i, line, delimiter, quoted ? quote : 0, starts, ends, plain);
        if (i == count)
            break;
        if (i > 0)
            line.Append(delimiter);
        if (quoted)
            line.Append(quote);
        const qsizetype start = line.Size();
        TField *field = lineCol.FItems[static_cast<size_t>(i)].Field;
        if (IsBlobField(field)) {
            const QByteArray bytes = BlobFieldBytes(field);
            if (FBlobStream.write(bytes) != bytes.size())
                ConverterError(QStringLiteral("Export BlobField: cannot write the data"));
            AppendIntText(line, bytes.size());
        } else {
            field->AppendText(line);
        }
        const qsizetype end = line.Size();
        starts[i] = start;
        ends[i] = end;
        if (plain)
            plain = AsciiRuns::FindUnit(line.Data(), start, end, other, delimiter) == end;
        // Quoted values take their quotes, an empty unquoted value a blank that keeps its place.
        if (quoted)
            line.Append(quote);
        else if (end == start)
            line.Append(u' ');
    }
    lineCol.FQuote = quoted ? quote : 0;
    lineCol.SetState(TLumRowList::TState::FromValues);
    return plain;
}

void TLumDataSetConverterCust::JoinDelimited(const TLumRowList &lineCol, QString &lineText) const {
    const int count = lineCol.Count();
    const char16_t delimiter = FDelimiter.unicode();
    bool delimiterInside = false;
    for (int i = 0; i < count && !delimiterInside; ++i) {
        const QString &entry = lineCol.Strings(i);
        delimiterInside = HasUnit(Units(entry), entry.size(), delimiter);
    }
    // The exact length first, so that the line is made in room taken once: a separator between
    // values, a blank for an empty value or in front of one that starts with the separator, and
    // every separator inside a value twice.
    qsizetype size = count > 0 ? count - 1 : 0;
    for (int i = 0; i < count; ++i) {
        const QString &entry = lineCol.Strings(i);
        const char16_t *p = Units(entry);
        const qsizetype n = entry.size();
        size += n == 0 || p[0] == delimiter ? n + 1 : n;
        if (delimiterInside)
            size += std::count(p, p + n, delimiter);
    }
    lineText.resize(size);
    char16_t *out = reinterpret_cast<char16_t *>(lineText.data());
    for (int i = 0; i < count; ++i) {
        const QString &entry = lineCol.Strings(i);
        const char16_t *p = Units(entry);
        const qsizetype n = entry.size();
        if (i > 0)
            *out++ = delimiter;
        // A value that starts with the delimiter would run into the separator before it
        // ("a" and ",b" would read back as "a," and "b"); the blank in front is trimmed away.
        if (n == 0 || p[0] == delimiter)
            *out++ = u' ';
        if (!delimiterInside) {
            CopyUnits(out, p, n);
            out += n;
            continue;
        }
        for (qsizetype k = 0; k < n; ++k) {
            *out++ = p[k];
            if (p[k] == delimiter)
                *out++ = delimiter;
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
        FLines.ReservePacked(ds->RecordCount());
        // One line's text, its room kept from line to line; the lines are kept packed. Lines
        // that are the converter's own (no event making or changing the text, LineComposing
        // not overridden) and plain go to the lines straight from the row's buffer.
        QString lineText;
        const bool ownLines = !FDelimiter.isNull() && !OnLineComposing && !OnLineAfterComposed &&
                              (typeid(*this) == typeid(TLumDataSetConverterCust) ||
                               typeid(*this) == typeid(TLumDataSetConverter));
        while (!ds->Eof()) {
            if (ownLines && WriteDelimitedLine(lineCol)) {
                FLines.AddPacked(lineCol.FValues.View());
            } else if (ownLines) {
                JoinDelimited(lineCol, lineText);
                FLines.AddPacked(lineText);
            } else {
                lineText.resize(0);
                if (OnLineComposing)
                    OnLineComposing(this, lineCol, lineText);
                else
                    LineComposing(lineCol, lineText);
                if (OnLineAfterComposed)
                    OnLineAfterComposed(this, lineCol, lineText);
                FLines.AddPacked(lineText);
            }
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

// The text of one decomposed value, written into its entry: trimmed and, with quoting on, taken
// out of its quotes and trimmed again. The entry keeps its room from line to line.
void TLumDataSetConverterCust::AssignEntry(QString &entry, QStringView value) const {
    const char16_t *b = value.utf16();
    const char16_t *e = b + value.size();
    const auto trim = TrimUnits;
    const auto assign = [&entry](const char16_t *from, const char16_t *to) {
        AssignUnits(entry, from, to);
    };
    trim(b, e);
    const char16_t quote = FQuoteChar.unicode();
    if (FQuoteChar.isNull() || b == e || *b != quote) {
        assign(b, e);
        return;
    }
    if (e - b < 2) {
        entry.resize(0);
        return;
    }
    ++b;
    --e;
    if (!HasUnit(b, e - b, quote)) {
        trim(b, e);
        assign(b, e);
        return;
    }
    QString text(reinterpret_cast<const QChar *>(b), e - b);
    text.replace(QString(2, FQuoteChar), QString(FQuoteChar));
    b = Units(text);
    e = b + text.size();
    trim(b, e);
    assign(b, e);
}

// A delimited line whose values need no more than trimming and their quotes taken off: no
// doubled separator, and with quoting on every value in quotes with none inside. That is
// nearly every line an export writes; such a line is read in one pass, value by value. False,
// no entry written, for any other line, which the general way then reads whole.
bool TLumDataSetConverterCust::DecomposePlain(TLumRowList &lineCol, QStringView text) const {
    const int count = lineCol.Count();
    const char16_t *const units = text.utf16();
    const qsizetype n = text.size();
    const char16_t delimiter = FDelimiter.unicode(), quote = FQuoteChar.unicode();
    const bool quoted = !FQuoteChar.isNull();
    if (quoted && quote == delimiter)
        return false;
    // First where every value is, then the entries written: a line that is no plain one
    // writes nothing.
    QVarLengthArray<qsizetype, 64> bounds(2 * static_cast<qsizetype>(count));
    // A quoted line not laid out as an export lays it out is read value by value.
    int values = quoted ? TightQuotedBounds(units, n, quote, delimiter, count, bounds.data())
                        : DelimitedBounds(units, n, delimiter, count, bounds.data());
    if (quoted && values < 0)
        values = QuotedBounds(units, n, quote, delimiter, count, bounds.data());
    if (values < 0)
        return false;
    TLumRowList::TItem *const items = lineCol.FItems.data();
    for (int i = 0; i < values; ++i) {
        TLumRowList::TItem &item = items[i];
        item.State = TLumRowList::TState::Ready;
        AssignUnits(item.Text, units + bounds[2 * i], units + bounds[2 * i + 1]);
    }
    return true;
}

void TLumDataSetConverterCust::DecomposeDelimited(TLumRowList &lineCol,
                                                  const QString &lineText) const {
    const int count = lineCol.Count();
    if (count == 0)
        throw Exception(QStringLiteral("UnDelimitedText:Can not decomposing"));
    if (DecomposePlain(lineCol, lineText))
        return;
    const QStringView text(lineText);
    const qsizetype n = text.size();
    // A value without a doubled delimiter is read straight from the line; the others are
    // put together in `value`.
    QString value;
    bool built = false;
    qsizetype start = 0;
    int entry = 0;
    qsizetype i = 0;
    const char16_t *const units = text.utf16();
    const char16_t delimiter = FDelimiter.unicode();
    for (;;) {
        const qsizetype j = std::find(units + i, units + n, delimiter) - units;
        if (j == n) {
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
        AssignEntry(lineCol.Text(entry), built ? QStringView(value) : text.mid(start, j - start));
        value.clear();
        built = false;
        if (++entry >= count)
            ConverterError(QStringLiteral("Fields Count unmatched"));
        i = j + 1;
        start = i;
    }
    AssignEntry(lineCol.Text(entry), built ? QStringView(value) : text.mid(start));
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
        AssignEntry(lineCol.Text(i), QStringView(lineText).mid(start, pos - start));
    }
}

void TLumDataSetConverterCust::LineDeComposing(TLumRowList &lineCol, const QString &lineText) {
    // The entries are written in place; a line that is one of them is read from a copy.
    const std::less<const void *> before;
    const bool entry = !lineCol.FItems.empty() && !before(&lineText, lineCol.FItems.data()) &&
                       before(&lineText, lineCol.FItems.data() + lineCol.FItems.size());
    const QString copy = entry ? lineText : QString();
    const QString &line = entry ? copy : lineText;
    if (FDelimiter.isNull())
        DecomposeFixed(lineCol, line);
    else
        DecomposeDelimited(lineCol, line);
}

void TLumDataSetConverterCust::ImportLines(TLumRowList &lineCol) {
    // Without a side file the lines are read alone; with one, every byte count of the lines
    // must find its bytes and every byte must belong to a count.
    const qint64 blobSize = FBlobStream.size();
    // Each line's text in one string whose room is kept from line to line (the lines read
    // from a file are packed).
    QString lineText;
    for (int l = 0; l < FLines.Count(); ++l) {
        ClearRowFields(lineCol);
        const QStringView line = FLines.View(l);
        lineText.setUnicode(line.data(), line.size());
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
    // The lines are encoded into one buffer and written whenever it holds a megabyte, so the
    // file's bytes are never all in memory at once. Until the commit the file is a temporary
    // one: an encoding error or a failed write leaves the old file as it was.
    constexpr qsizetype kChunk = 1 << 20;
    QSaveFile lines(fileName);
    if (!lines.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {fileName}));
    // A line takes no more than two bytes a unit and its end; one longer than a chunk, or with
    // a character outside the basic plane, is encoded on its own.
    QByteArray chunk(kChunk, Qt::Uninitialized);
    char *const begin = chunk.data();
    char *at = begin;
    const auto flush = [&] {
        WriteChunk(lines, QByteArrayView(begin, at - begin));
        at = begin;
    };
    for (int i = 0; i < FLines.Count(); ++i) {
        const QStringView line = FLines.View(i);
        const qsizetype room = 2 * line.size() + 2;
        if (room > kChunk - (at - begin))
            flush();
        char *end = room <= kChunk ? Big5EncodeStrictTo(at, line) : nullptr;
        if (!end) {
            QByteArray bytes;
            Big5AppendEncoded(bytes, line, true);
            bytes += "\r\n";
            flush();
            WriteChunk(lines, bytes);
            continue;
        }
        end[0] = '\r';
        end[1] = '\n';
        at = end + 2;
    }
    flush();
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
    ReadLines(fileName, lines);
    ResetBlobStream(blobs);
    FLines = std::move(lines);
}

TLumDataSetConverter::TLumDataSetConverter(QObject *owner) : TLumDataSetConverterCust(owner) {
    SetDelimiter(QChar(0));
    SetQuoteChar(QChar(0));
}

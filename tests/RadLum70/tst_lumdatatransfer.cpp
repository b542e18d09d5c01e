// Text export and import of datasets: round trips of a mixed dataset through real files in
// every line mode, the exact text of delimited and fixed-width lines (Big5 byte widths,
// quoting, doubled delimiters), the ".mem" side file, the messages, the events in order, and
// imports that fail part-way leaving the dataset as it was.

#include "Big5.h"
#include "ClientDataSet.h"
#include "TestMain.h"
#include "uLumDataTransfer.h"

#include <QTemporaryDir>
#include <cmath>
#include <random>

namespace {

const QByteArray kPhoto("\x00\x01\xff\x89PNG", 7);

// ID, Name (16 bytes), Score, Born, Active, Photo (blob), Note (memo) and a hidden Code.
std::unique_ptr<TClientDataSet> MakeMixed(bool withRows) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 16);
    ds->FieldDefs().Add(QStringLiteral("Score"), ftFloat);
    ds->FieldDefs().Add(QStringLiteral("Born"), ftDate);
    ds->FieldDefs().Add(QStringLiteral("Active"), ftBoolean);
    ds->FieldDefs().Add(QStringLiteral("Photo"), ftBlob);
    ds->FieldDefs().Add(QStringLiteral("Note"), ftMemo);
    ds->FieldDefs().Add(QStringLiteral("Code"), ftString, 4).Visible = false;
    ds->CreateDataSet();
    const auto add = [&](const QList<Variant> &v) {
        ds->Append();
        for (int i = 0; i < v.size(); ++i)
            ds->Fields()[i]->SetValue(v[i]);
        ds->Post();
    };
    if (withRows) {
        add({1, QStringLiteral("王小明"), 91.5, Variant(TDateTime::EncodeDate(2008, 3, 1)), true,
             Variant(kPhoto), QStringLiteral("第一行\r\n第二行"), QStringLiteral("X")});
        add({2, QStringLiteral("Amy \"A\"\tLin"), -42.25,
             Variant(TDateTime::EncodeDate(2007, 12, 31)), false, Variant::Null(), Variant::Null(),
             Variant::Null()});
        add({-3, QStringLiteral(",lead 陳"), Variant::Null(), Variant::Null(), Variant::Null(),
             Variant(QByteArray("z")), QStringLiteral("備註"), Variant::Null()});
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

// A converter over the mixed dataset with four of its fields shown (ID, Name, Score, Note)
// and its row list; Read decomposes a line into the four entries, or gives the error's message.
struct TFourColumns {
    std::unique_ptr<TClientDataSet> DataSet = MakeMixed(false);
    TLumDataSetConverterCust Converter;
    TLumRowList Row;
    TFourColumns() {
        for (const char *name : {"Born", "Active", "Photo"})
            DataSet->FieldByName(QString::fromLatin1(name))->SetVisible(false);
        Converter.SetDataSet(DataSet.get());
        Converter.SetRowFields(Row);
    }
    QStringList Read(const QString &line) {
        TLumDataSetConverterCust::ClearRowFields(Row);
        try {
            Converter.LineDeComposing(Row, line);
        } catch (const TLumDataSetConverterCustError &e) {
            return {e.Message()};
        }
        QStringList got;
        for (int i = 0; i < Row.Count(); ++i)
            got << Row[i];
        return got;
    }
};

// Every visible value of every record, blobs as hex.
QStringList Dump(TDataSet &ds) {
    QStringList out;
    for (ds.First(); !ds.Eof(); ds.Next())
        for (const auto &f : ds.Fields())
            if (f->Visible())
                out << (f->DataType() == ftBlob ? QString::fromLatin1(f->AsBytes().toHex())
                                                : f->AsString());
    return out;
}

// The usual way a form stores imported lines: one appended record per line, blobs after it.
void AppendOnImport(TLumDataSetConverter &conv) {
    conv.OnLineAfterDeComposed = [](QObject *, TLumRowList &col, QString &) {
        TDataSet *ds = col.Fields(0)->DataSet();
        ds->Append();
        for (int i = 0; i < col.Count(); ++i)
            if (!TLumDataSetConverterCust::IsBlobField(col.Fields(i)))
                col.Fields(i)->SetText(col[i]);
        ds->Post();
    };
    conv.OnImportBolbField = [](QObject *, TLumRowList &, TField *field, QBuffer &blob) {
        field->DataSet()->Edit();
        TLumDataSetConverterCust::SetBlobFieldBytes(field, blob.readAll());
        field->DataSet()->Post();
    };
}

template <class E> QString Raised(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const E &e) {
        return e.Message();
    }
    return QStringLiteral("<nothing raised>");
}

} // namespace

class TstLumDataTransfer : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    QString Path(const QString &name) const { return FDir.filePath(name); }

private Q_SLOTS:
    void roundTrip_data() {
        QTest::addColumn<QChar>("delimiter");
        QTest::addColumn<QChar>("quote");
        QTest::newRow("tab, quoted") << QChar(9) << QChar(u'"');
        QTest::newRow("comma") << QChar(u',') << QChar(0);
        QTest::newRow("fixed") << QChar(0) << QChar(0);
        QTest::newRow("fixed, quoted") << QChar(0) << QChar(u'"');
    }
    void roundTrip() {
        QFETCH(QChar, delimiter);
        QFETCH(QChar, quote);
        auto source = MakeMixed(true);
        source->FieldByName(QStringLiteral("Score"))->SetDisplayWidth(8);
        source->SetRecNo(2);
        TLumDataSetConverter out;
        out.SetDelimiter(delimiter);
        out.SetQuoteChar(quote);
        out.SetDataSet(source.get());
        out.DataExportConvert();
        QCOMPARE(source->RecNo(), 2);
        QCOMPARE(out.Lines().Count(), 3);
        QCOMPARE(out.BlobStream().data(), kPhoto + Big5Encode(QStringLiteral("第一行\r\n第二行")) +
                                              "z" + Big5Encode(QStringLiteral("備註")));
        QVERIFY(!out.Lines()[0].contains(QStringLiteral("X"))); // the hidden field stays out
        if (delimiter.isNull()) {
            const int width = 11 + 16 + 8 + 10 + 5 + 10 + 10 + (quote.isNull() ? 0 : 14);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(Big5Encode(out.Lines()[i]).size(), width);
        }
        out.SaveToFile(Path(QStringLiteral("round.txt")));
        QVERIFY(QFile::exists(Path(QStringLiteral("round.mem"))));

        auto target = MakeMixed(false);
        target->FieldByName(QStringLiteral("Score"))->SetDisplayWidth(8);
        TLumDataSetConverter in;
        in.SetDelimiter(delimiter);
        in.SetQuoteChar(quote);
        in.SetDataSet(target.get());
        AppendOnImport(in);
        in.LoadFromFile(Path(QStringLiteral("round.txt")), Path(QStringLiteral("round.mem")));
        in.DataImportConvert();
        QCOMPARE(Dump(*target), Dump(*source));
    }

    // Lines whose quotes and separators fall on either side of every 64-unit word of the
    // line's marks and of the 16-unit blocks the codecs take, lines longer than 512 units, and
    // values that hold a quote or a separator among them: written and read back, every value
    // as it was.
    void longLinesRoundTrip_data() {
        QTest::addColumn<QChar>("delimiter");
        QTest::addColumn<QChar>("quote");
        QTest::newRow("tab, quoted") << QChar(9) << QChar(u'"');
        QTest::newRow("comma") << QChar(u',') << QChar(0);
    }
    void longLinesRoundTrip() {
        QFETCH(QChar, delimiter);
        QFETCH(QChar, quote);
        auto make = [] {
            auto ds = std::make_unique<TClientDataSet>();
            for (int i = 0; i < 4; ++i)
                ds->FieldDefs().Add(QStringLiteral("T%1").arg(i), ftString, 400);
            ds->CreateDataSet();
            return ds;
        };
        auto source = make();
        std::mt19937 random(11);
        const QString pieces = QStringLiteral("abcdefgh校務行政12345");
        for (int r = 0; r < 400; ++r) {
            source->Append();
            for (int c = 0; c < 4; ++c) {
                QString text;
                const int length = r < 70 ? r + c : int(random() % 300);
                for (int k = 0; k < length; ++k)
                    text += pieces[int(random() % pieces.size())];
                // Inside the value: blanks and control characters at its ends are trimmed.
                if (r % 9 == 4 && text.size() > 2)
                    text[1 + int(random() % (text.size() - 2))] = r % 2 ? QChar(u'"') : delimiter;
                source->Fields()[c]->SetAsString(text);
            }
            source->Post();
        }
        TLumDataSetConverter out;
        out.SetDelimiter(delimiter);
        out.SetQuoteChar(quote);
        out.SetDataSet(source.get());
        out.DataExportConvert();
        int longest = 0;
        for (int i = 0; i < out.Lines().Count(); ++i)
            longest = qMax(longest, int(out.Lines()[i].size()));
        QVERIFY(longest > 600);
        out.SaveToFile(Path(QStringLiteral("long.txt")));

        auto target = make();
        TLumDataSetConverter in;
        in.SetDelimiter(delimiter);
        in.SetQuoteChar(quote);
        in.SetDataSet(target.get());
        AppendOnImport(in);
        in.LoadFromFile(Path(QStringLiteral("long.txt")));
        in.DataImportConvert();
        QCOMPARE(Dump(*target), Dump(*source));
    }

    void lineTexts() {
        auto ds = MakeMixed(true);
        TLumDataSetConverterCust conv; // tab and double quote
        conv.SetDataSet(ds.get());
        conv.DataExportConvert();
        QCOMPARE(conv.Lines()[1], QStringLiteral("\"2\"\t\"Amy \"\"A\"\"\t\tLin\"\t\"-42.25\"\t"
                                                 "\"2007/12/31\"\t\"False\"\t\"0\"\t\"0\""));
        conv.SetQuoteChar(QChar(0));
        conv.SetDelimiter(u',');
        conv.DataExportConvert();
        QCOMPARE(conv.Lines()[2], QStringLiteral("-3, ,,lead 陳, , , ,1,4"));

        // Fixed width: Big5 bytes, whole characters, numbers padded after their sign.
        TLumDataSetConverter fixed;
        fixed.SetDataSet(ds.get());
        ds->FieldByName(QStringLiteral("Name"))->SetDisplayWidth(5);
        ds->FieldByName(QStringLiteral("Born"))->SetVisible(false);
        fixed.DataExportConvert();
        QCOMPARE(fixed.Lines()[0], QStringLiteral("00000000001王小 00000091.5True 0000000007") +
                                       QStringLiteral("0000000014"));
        QCOMPARE(fixed.Lines()[2], QStringLiteral("-0000000003,lead") + QString(15, u' ') +
                                       QStringLiteral("00000000010000000004"));
        ds->FieldByName(QStringLiteral("Score"))->SetAlignment(taLeftJustify);
        ds->FieldByName(QStringLiteral("Score"))->SetDisplayWidth(5);
        ds->SetRecNo(2);
        ds->Edit();
        ds->FieldByName(QStringLiteral("Score"))->SetAsFloat(1.0 / 3);
        ds->Post();
        fixed.DataExportConvert();
        QVERIFY(fixed.Lines()[0].contains(QStringLiteral("王小 91.5 True ")));
        QVERIFY(fixed.Lines()[1].contains(QStringLiteral("Amy \"0.333False")));
        ds->FieldByName(QStringLiteral("ID"))->SetDisplayWidth(1);
        QCOMPARE(Raised<TLumDataSetConverterCustError>([&] { fixed.DataExportConvert(); }),
                 QStringLiteral("Export Data: Field ID value -3 wider than 1"));
        QCOMPARE(fixed.Lines().Count(), 0);
        QCOMPARE(ds->RecNo(), 2);
        QVERIFY(!ds->ControlsDisabled());
    }

    // Delimited lines are made from the fields' texts without a string per value: every type,
    // nulls, texts a field makes itself (an OnGetText, an edit format), and values holding the
    // quote or the separator must come out as the fields' Text() quoted and joined.
    void delimitedLinesAreTheFieldTexts_data() {
        QTest::addColumn<QChar>("delimiter");
        QTest::addColumn<QChar>("quote");
        QTest::newRow("tab, quoted") << QChar(9) << QChar(u'"');
        QTest::newRow("comma") << QChar(u',') << QChar(0);
        QTest::newRow("quote as separator") << QChar(u'"') << QChar(u'"');
        // Separators and quotes that numbers, dates and booleans hold themselves.
        QTest::newRow("minus") << QChar(u'-') << QChar(0);
        QTest::newRow("digit, quoted with a letter of True") << QChar(u'5') << QChar(u'r');
        QTest::newRow("slash, quoted with a point") << QChar(u'/') << QChar(u'.');
    }
    void delimitedLinesAreTheFieldTexts() {
        QFETCH(QChar, delimiter);
        QFETCH(QChar, quote);
        TClientDataSet ds;
        const std::vector<std::pair<const char *, TFieldType>> types = {
            {"S", ftString},   {"W", ftWideString}, {"I", ftInteger},  {"H", ftSmallint},
            {"L", ftLargeint}, {"F", ftFloat},      {"C", ftCurrency}, {"D", ftDate},
            {"T", ftDateTime}, {"B", ftBoolean},    {"G", ftInteger},  {"E", ftFloat}};
        for (const auto &[name, type] : types)
            ds.FieldDefs().Add(QString::fromLatin1(name), type, type == ftString ? 40 : 0);
        ds.CreateDataSet();
        ds.FieldByName(QStringLiteral("G"))->OnGetText = [](TField *f, QString &text, bool) {
            text = f->IsNull() ? QStringLiteral("無") : QStringLiteral("第%1").arg(f->AsInteger());
        };
        ds.FieldByName(QStringLiteral("E"))->SetEditFormat(QStringLiteral("#,##0.00"));
        const QStringList texts = {QStringLiteral("plain"),    QStringLiteral("王\"小\"明"),
                                   QStringLiteral(",lead\t"),  QStringLiteral("\xFEFF前"),
                                   QStringLiteral("後\xFEFF"), QStringLiteral("a😀b"),
                                   QStringLiteral(" 空 "),     QString()};
        std::mt19937 random(5);
        for (int r = 0; r < 300; ++r) {
            ds.Append();
            for (int c = 0; c < ds.FieldCount(); ++c) {
                TField *f = ds.Fields()[c];
                if (random() % 7 == 0)
                    continue; // null
                const double x = (int(random() % 2000001) - 1000000) / std::pow(10.0, random() % 6);
                switch (f->DataType()) {
                case ftString:
                case ftWideString:
                    f->SetAsString(texts[int(random() % texts.size())]);
                    break;
                case ftFloat:
                    f->SetAsFloat(random() % 3 ? x : x * 1e17);
                    break;
                case ftCurrency:
                    f->SetAsCurrency(Currency{qint64(random()) - qint64(random())});
                    break;
                case ftDate:
                    // Now and then a day before the year 1 or after 9999, whose text the date
                    // format makes.
                    f->SetAsDateTime(TDateTime(random() % 11 == 0
                                                   ? (random() % 2 ? -700000.0 : 3000000.0)
                                                   : double(int(random() % 80000) - 20000)));
                    break;
                case ftDateTime:
                    f->SetAsDateTime(TDateTime(40000 + (random() % 1000) / 7.0));
                    break;
                case ftBoolean:
                    f->SetAsBoolean(random() % 2);
                    break;
                case ftSmallint:
                    f->SetAsInteger(int(random() % 65536) - 32768);
                    break;
                case ftLargeint:
                    f->SetAsLargeInt(qint64(random()) << (random() % 31));
                    break;
                default:
                    f->SetAsInteger(int(random() % 2000000001u) - 1000000000);
                }
            }
            ds.Post();
        }
        const auto quoted = [&](QString t) {
            return quote.isNull() ? t : quote + t.replace(quote, QString(2, quote)) + quote;
        };
        TLumDataSetConverter conv;
        conv.SetDelimiter(delimiter);
        conv.SetQuoteChar(quote);
        conv.SetDataSet(&ds);
        // Without events the lines go another way (straight from the row's buffer): the same.
        conv.DataExportConvert();
        const QStringList direct = conv.Lines().ToQStringList();
        QList<QStringList> seen;
        conv.OnLineAfterComposed = [&](QObject *, TLumRowList &col, QString &) {
            QStringList entries;
            for (int i = 0; i < col.Count(); ++i)
                entries << col[i];
            seen << entries;
        };
        conv.DataExportConvert();
        QCOMPARE(conv.Lines().Count(), 300);
        int r = 0;
        for (ds.First(); !ds.Eof(); ds.Next(), ++r) {
            QStringList entries, parts;
            for (const auto &f : ds.Fields())
                entries << quoted(f->Text());
            for (const QString &e : entries)
                parts << (e.isEmpty() || e.startsWith(delimiter) ? QStringLiteral(" ")
                                                                 : QString()) +
                             QString(e).replace(delimiter, QString(2, delimiter));
            QCOMPARE(seen[r], entries);
            QCOMPARE(conv.Lines()[r], parts.join(delimiter));
            QCOMPARE(direct[r], parts.join(delimiter));
        }
    }

    // Lines are read from the file a piece at a time: line ends of every kind, an empty line,
    // a CR LF split between two pieces, lines longer than a piece and a Chinese character at
    // the end of a piece must give the lines the whole file gives.
    void readingLinesInPieces() {
        const QByteArray chinese = Big5Encode(QStringLiteral("校務"));
        for (int shift = -3; shift <= 3; ++shift) {
            QByteArray bytes = QByteArray(262143 + shift, 'a') + "\r\n";
            bytes += "b\rc\n\nd\r\n";
            bytes += QByteArray(300000, 'e') + chinese + "\n";
            while (bytes.size() < 2 * 262144 + 10)
                bytes += chinese + "f\r";
            bytes += "last";
            QFile f(Path(QStringLiteral("pieces.txt")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
            f.close();
            TStringList whole;
            whole.SetText(Big5Decode(bytes));
            TLumDataSetConverterCust conv;
            conv.LoadFromFile(Path(QStringLiteral("pieces.txt")));
            QCOMPARE(conv.Lines().Count(), whole.Count());
            QVERIFY(conv.Lines() == whole);
        }
    }

    // Values read straight from the line and those that need the general way: blanks round the
    // quotes, text after the closing quote, a doubled quote, an unquoted value among quoted
    // ones, a doubled separator, fewer values than fields.
    void decomposingQuotedLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("plain") << "\"1\"\t\"王\"\t\"2.5\"" << QStringList{"1", "王", "2.5", ""};
        QTest::newRow("blanks round") << "  \" 1 \"  \t\"b\"   " << QStringList{"1", "b", "", ""};
        QTest::newRow("after the quote") << "\"a\"x\t\"b\"" << QStringList{"a\"", "b", "", ""};
        QTest::newRow("doubled quote") << "\"a\"\"b\"\t\"c\"" << QStringList{"a\"b", "c", "", ""};
        QTest::newRow("unquoted") << "a\t\"b\"\t c " << QStringList{"a", "b", "c", ""};
        QTest::newRow("doubled separator")
            << "\"a\t\tb\"\t\"c\"" << QStringList{"a\tb", "c", "", ""};
        QTest::newRow("empty quotes") << "\"\"\t\"\"\t\"\"\t\"\"" << QStringList{"", "", "", ""};
        QTest::newRow("lone quote") << "\"\t\"x\"" << QStringList{"", "x", "", ""};
        // A separator in quotes alone, whose quotes could be those of the values on its sides.
        QTest::newRow("separator alone") << "\"a\"\t\"\t\"b\"" << QStringList{"a", "", "b", ""};
    }
    void decomposingQuotedLines() {
        QFETCH(QString, line);
        QFETCH(QStringList, values);
        TFourColumns four;
        for (int round = 0; round < 2; ++round) // the second over the first's entries
            QCOMPARE(four.Read(line), values);
    }

    // A line the way an export writes it reads as the same line with a blank after it, which
    // is read another way: values of every length (across the 64-unit words the separators
    // are marked in, and past 512 units), now and then a quote or a separator inside a value,
    // and more values than fields.
    void exportedLinesReadAsAnyOther() {
        TFourColumns four;
        std::mt19937 random(11);
        const QString units = QStringLiteral("ab 王9");
        for (int round = 0; round < 4000; ++round) {
            const int values = 1 + static_cast<int>(random() % 5);
            QString line;
            for (int v = 0; v < values; ++v) {
                if (v > 0)
                    line += QLatin1Char('\t');
                line += QLatin1Char('"');
                const int length =
                    static_cast<int>(random() % 4 == 0 ? random() % 300 : random() % 6);
                for (int k = 0; k < length; ++k) {
                    const unsigned pick = random() % 200;
                    line += pick == 0 ? QChar(u'"') : pick == 1 ? QChar(u'\t') : units[pick % 5];
                }
                line += QLatin1Char('"');
            }
            QCOMPARE(four.Read(line), four.Read(line + QLatin1Char(' ')));
        }
    }

    void fixedString_data() {
        QTest::addColumn<QString>("s");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pad behind") << "ab" << 4 << int(taLeftJustify) << "ab__";
        QTest::newRow("pad centre") << "ab" << 4 << int(taCenter) << "ab__";
        QTest::newRow("pad in front") << "-42" << 5 << int(taRightJustify) << "__-42";
        QTest::newRow("keep first") << "abcdef" << 4 << int(taCenter) << "abcd";
        QTest::newRow("keep last") << "abcdef" << 4 << int(taRightJustify) << "cdef";
        QTest::newRow("chinese fits") << "王小明" << 6 << int(taLeftJustify) << "王小明";
        QTest::newRow("no half char") << "王小明" << 5 << int(taLeftJustify) << "王小_";
        QTest::newRow("no half char, right") << "王小明" << 5 << int(taRightJustify) << "_小明";
        QTest::newRow("mixed") << "a王b" << 3 << int(taLeftJustify) << "a王";
        QTest::newRow("zero width") << "abc" << 0 << int(taLeftJustify) << "";
    }
    void fixedString() {
        QFETCH(QString, s);
        QFETCH(int, width);
        QFETCH(int, alignment);
        QFETCH(QString, expected);
        const QString got = TLumDataSetConverterCust::FixedString(
            s, width, QLatin1Char('_'), static_cast<TAlignment>(alignment));
        QCOMPARE(got, expected);
        QCOMPARE(TLumDataSetConverterCust::Big5Width(got), width);
    }

    void quotingAndDecomposing() {
        auto ds = MakeMixed(false);
        TLumDataSetConverterCust conv;
        conv.SetDataSet(ds.get());
        QCOMPARE(conv.QuotedString(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
        QCOMPARE(conv.UnQuotedString(QStringLiteral("\"a\"\"b\"")), QStringLiteral("a\"b"));
        QCOMPARE(conv.UnQuotedString(QStringLiteral("ab\"")), QStringLiteral("ab\""));
        QCOMPARE(conv.UnQuotedString(QStringLiteral("\"")), QString());
        TLumRowList col;
        conv.SetRowFields(col);
        QCOMPARE(col.Count(), 7);
        QCOMPARE(col[6], QStringLiteral("Note"));
        TLumDataSetConverterCust::ClearRowFields(col);
        conv.LineDeComposing(col, QStringLiteral("\"7\"\t  \"\u3000王 \"\"x\"\"\t\t\u3000\"  \t"));
        QCOMPARE(col[0], QStringLiteral("7"));
        // Blanks around the quotes go, the ideographic space inside stays.
        QCOMPARE(col[1], QStringLiteral("\u3000王 \"x\"\t\u3000"));
        QCOMPARE(col[2], QString());
        QCOMPARE(col[3], QString()); // fewer values than fields: the rest stay empty
        QCOMPARE(Raised<TLumDataSetConverterCustError>(
                     [&] { conv.LineDeComposing(col, QStringLiteral("1\t2\t3\t4\t5\t6\t7\t8")); }),
                 QStringLiteral("Fields Count unmatched"));
        conv.SetDelimiter(QChar(0));
        conv.SetQuoteChar(QChar(0));
        const QString rest = QStringLiteral("00000091.52008/03/01True 00000000070000000000");
        const QString line = QStringLiteral("00000000001王小明") + QString(10, u' ') + rest;
        conv.LineDeComposing(col, line);
        QCOMPARE(col[1], QStringLiteral("王小明"));
        QCOMPARE(col[5], QStringLiteral("0000000007"));
        // One byte too many, and a character across the first two columns.
        const QString across = QStringLiteral("0000000000王小明") + QString(11, u' ') + rest;
        for (const QString &bad : {line + QLatin1Char(' '), across})
            QCOMPARE(Raised<TLumDataSetConverterCustError>([&] { conv.LineDeComposing(col, bad); }),
                     QStringLiteral("Import Data: Line Text Length unmatched"));
    }

    void messages() {
        TLumDataSetConverterCust conv;
        const QString none = QStringLiteral("Dataset is not specified");
        QCOMPARE(Raised<TLumDataSetConverterCustError>([&] { conv.DataExportConvert(); }), none);
        QCOMPARE(Raised<TLumDataSetConverterCustError>([&] { conv.DataImportConvert(); }), none);
        {
            auto ds = MakeMixed(true);
            conv.SetDataSet(ds.get());
            ds->Close();
            QCOMPARE(Raised<TLumDataSetConverterCustError>([&] { conv.DataExportConvert(); }),
                     QStringLiteral("Dataset is not active"));
            conv.Lines().Add(QStringLiteral("1"));
            // A closed dataset has no fields to decompose into; importing is allowed.
            QCOMPARE(Raised<Exception>([&] { conv.DataImportConvert(); }),
                     QStringLiteral("UnDelimitedText:Can not decomposing"));
        }
        QVERIFY(!conv.DataSet()); // forgotten when the dataset went away
    }

    void eventsInOrder() {
        auto ds = MakeMixed(true);
        TLumDataSetConverter conv;
        QCOMPARE(conv.Delimiter(), QChar(0));
        conv.SetDelimiter(u'|');
        conv.SetDataSet(ds.get());
        QStringList log;
        conv.OnLineComposing = [&](QObject *sender, TLumRowList &col, QString &text) {
            QCOMPARE(sender, &conv);
            log << QStringLiteral("Composing");
            conv.LineComposing(col, text);
        };
        conv.OnLineAfterComposed = [&](QObject *, TLumRowList &col, QString &text) {
            log << QStringLiteral("AfterComposed ") + col[0];
            text += QStringLiteral("|");
        };
        conv.OnCompleteExport = [&](QObject *, TStringList &lines, QBuffer &blob) {
            log << QStringLiteral("Complete %1 %2").arg(lines.Count()).arg(blob.size());
        };
        conv.DataExportConvert();
        QCOMPARE(conv.Lines()[0].right(6), QStringLiteral("|7|14|"));
        conv.OnLineDeComposing = [&](QObject *, TLumRowList &col, QString &text) {
            log << QStringLiteral("DeComposing");
            text.chop(1);
            conv.LineDeComposing(col, text);
        };
        conv.OnLineAfterDeComposed = [&](QObject *, TLumRowList &col, QString &) {
            log << QStringLiteral("AfterDeComposed ") + col[0];
        };
        conv.OnImportBolbField = [&](QObject *, TLumRowList &, TField *f, QBuffer &blob) {
            log << f->FieldName() + QLatin1Char(' ') + QString::number(blob.size());
        };
        conv.DataImportConvert();
        QCOMPARE(log, QStringList({"Composing", "AfterComposed 1", "Composing", "AfterComposed 2",
                                   "Composing", "AfterComposed -3", "Complete 3 26", "DeComposing",
                                   "AfterDeComposed 1", "Photo 7", "Note 14", "DeComposing",
                                   "AfterDeComposed 2", "DeComposing", "AfterDeComposed -3",
                                   "Photo 1", "Note 4"}));
    }

    void failedImportLeavesDataSet_data() {
        QTest::addColumn<bool>("logChanges");
        QTest::newRow("change log") << true;
        QTest::newRow("no change log") << false;
    }
    void failedImportLeavesDataSet() {
        QFETCH(bool, logChanges);
        auto source = MakeMixed(true);
        TLumDataSetConverter out;
        out.SetDelimiter(u';');
        out.SetDataSet(source.get());
        out.DataExportConvert();
        auto target = MakeMixed(true);
        target->SetLogChanges(logChanges);
        target->Edit();
        target->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("改過"));
        target->Post();
        const QStringList before = Dump(*target);
        const int changes = target->ChangeCount();
        TLumDataSetConverter in;
        in.SetDelimiter(u';');
        in.SetDataSet(target.get());
        AppendOnImport(in);
        const auto attempt = [&](const QStringList &lines, const QByteArray &blobs) {
            in.SetLines(TStringList::FromQStringList(lines));
            QBuffer b;
            b.setData(blobs);
            in.SetBlobStream(b);
            QString message;
            try {
                in.DataImportConvert();
            } catch (const Exception &e) {
                message = e.Message();
            }
            if (Dump(*target) != before || target->ChangeCount() != changes)
                message += QStringLiteral(" <dataset changed>");
            return message;
        };
        const QStringList lines = out.Lines().ToQStringList();
        const QByteArray blobs = out.BlobStream().data();
        const QString unmatched = QStringLiteral("Import BlobFiled: Data Size unmatched");
        QCOMPARE(attempt(lines, blobs.left(blobs.size() - 1)), unmatched);
        QCOMPARE(attempt(lines, blobs + "?"), unmatched);
        QCOMPARE(attempt(lines + QStringList{"1;2;3;4;5;6;7;8"}, blobs),
                 QStringLiteral("Fields Count unmatched"));
        // Values the events cannot store, on the second and on the last line.
        QCOMPARE(attempt(QStringList(lines).replaceInStrings("-42.25", "x"), blobs),
                 QStringLiteral("「Score」的值 x 不是正確的數值"));
        QCOMPARE(attempt(QStringList(lines).replaceInStrings(";1;4", ";seven;4"), blobs),
                 QStringLiteral("'seven' is not a valid integer value"));
    }

    // The file holds the lines encoded one after another, each with its CR LF, however they
    // fall into the pieces written: lines across a piece's end, an empty line, a line longer
    // than a piece. A character Big5 has no code for, even outside the basic plane, leaves no
    // file.
    void savedBytesAreTheLinesEncoded() {
        TLumDataSetConverterCust conv;
        TStringList &lines = conv.Lines();
        QByteArray expected;
        const auto add = [&](const QString &line) {
            lines.Add(line);
            expected += Big5Encode(line, true) + "\r\n";
        };
        std::mt19937 random(9);
        for (int i = 0; i < 30000; ++i)
            add(QStringLiteral("學生%1\t").arg(i).repeated(1 + int(random() % 5)) +
                QString(int(random() % 3), QLatin1Char('a')));
        add(QString());
        add(QStringLiteral("長").repeated(300000) + QStringLiteral("x").repeated(400001));
        add(QStringLiteral("last"));
        conv.SaveToFile(Path(QStringLiteral("pieces.out")));
        QFile file(Path(QStringLiteral("pieces.out")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == expected);

        lines.Add(QStringLiteral("a😀b"));
        QVERIFY(!Raised<EEncodingError>([&] { conv.SaveToFile(Path("emoji.out")); }).isEmpty());
        QVERIFY(!QFile::exists(Path(QStringLiteral("emoji.out"))));
    }

    void files() {
        auto ds = MakeMixed(true);
        TLumDataSetConverterCust conv;
        conv.SetDataSet(ds.get());
        conv.DataExportConvert();
        QVERIFY(QDir(FDir.path()).mkdir(QStringLiteral("v1.2")));
        conv.SaveToFile(Path(QStringLiteral("v1.2/out")));
        QVERIFY(QFile::exists(Path(QStringLiteral("v1.2/out.mem"))));
        conv.SaveToFile(Path(QStringLiteral("a.txt")), Path(QStringLiteral("b.bin")));
        QFile side(Path(QStringLiteral("b.bin")));
        QVERIFY(side.open(QIODevice::ReadOnly));
        QCOMPARE(side.readAll(), conv.BlobStream().data());

        // A folder that is not there, or a text Big5 cannot carry: no file at all.
        QVERIFY(!Raised<EInOutError>([&] { conv.SaveToFile(Path("none/d.txt")); }).isEmpty());
        ds->Edit();
        ds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("ก"));
        ds->Post();
        conv.DataExportConvert();
        QVERIFY(!Raised<EEncodingError>([&] { conv.SaveToFile(Path("c.txt")); }).isEmpty());
        QVERIFY(QDir(FDir.path()).entryList({"c.*", "d.*"}, QDir::Files).isEmpty());

        // Reading: Big5, UTF-8 after a byte-order mark; anything else changes nothing.
        const auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile f(Path(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        };
        write(QStringLiteral("u.txt"), "\xEF\xBB\xBF" + QStringLiteral("一\r\n二").toUtf8());
        conv.LoadFromFile(Path(QStringLiteral("u.txt")));
        QCOMPARE(conv.Lines().ToQStringList(), QStringList({"一", "二"}));
        QCOMPARE(conv.BlobStream().size(), 0);
        write(QStringLiteral("bad.txt"), "ok\r\n\xA4\x20");
        write(QStringLiteral("bad8.txt"), "\xEF\xBB\xBF\xC3(");
        for (const char *bad : {"bad.txt", "bad8.txt"})
            QVERIFY(!Raised<EEncodingError>([&] {
                         conv.LoadFromFile(Path(bad), Path("b.bin"));
                     }).isEmpty());
        QVERIFY(!Raised<EInOutError>([&] { conv.LoadFromFile(Path("missing.txt")); }).isEmpty());
        QCOMPARE(conv.Lines().ToQStringList(), QStringList({"一", "二"}));
        QCOMPARE(conv.BlobStream().size(), 0);
    }
};

LUM_TEST_MAIN(TstLumDataTransfer)
#include "tst_lumdatatransfer.moc"

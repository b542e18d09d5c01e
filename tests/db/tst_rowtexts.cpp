#include "DbTestUtil.h"
#include "RowTexts.h"

#include <QTest>

// A row's texts written as a delimited line: the columns the row's texts take, and the
// others as the caller writes them (the field's own text, or "left" for a column left to it),
// the separator and quotes alike.
static QString Line(TRowTexts &texts, const std::vector<TField *> &fields, bool &plain,
                    const std::vector<bool> &left = {}) {
    TTextBuffer line;
    std::vector<qsizetype> starts(fields.size()), ends(fields.size());
    const int count = static_cast<int>(fields.size());
    texts.Seek();
    plain = true;
    for (int i = 0; i < count; ++i) {
        i = texts.WriteDelimited(i, line, u'\t', u'"', starts.data(), ends.data(), plain);
        if (i == count)
            break;
        if (i > 0)
            line.Append(u'\t');
        line.Append(u'"');
        starts[static_cast<size_t>(i)] = line.Size();
        if (static_cast<size_t>(i) < left.size() && left[static_cast<size_t>(i)])
            line.Append(QLatin1String("left"));
        else
            fields[static_cast<size_t>(i)]->AppendText(line);
        ends[static_cast<size_t>(i)] = line.Size();
        line.Append(u'"');
    }
    // Every value's place is where its text is.
    for (int i = 0; i < count; ++i) {
        const QStringView value =
            line.View().sliced(starts[static_cast<size_t>(i)],
                               ends[static_cast<size_t>(i)] - starts[static_cast<size_t>(i)]);
        const bool isLeft = static_cast<size_t>(i) < left.size() && left[static_cast<size_t>(i)];
        if (value != (isLeft ? QStringLiteral("left") : fields[static_cast<size_t>(i)]->Text()))
            return QStringLiteral("value %1 is %2").arg(i).arg(value.toString());
    }
    return line.ToString();
}

static QString Expected(const std::vector<TField *> &fields, const std::vector<bool> &left) {
    QStringList parts;
    for (size_t i = 0; i < fields.size(); ++i)
        parts << QLatin1Char('"') + (left[i] ? QStringLiteral("left") : fields[i]->Text()) +
                     QLatin1Char('"');
    return parts.join(QLatin1Char('\t'));
}

class TstRowTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Columns read from the record, a column left to the caller, a field with its own text
    // and a field of another dataset in one row: every value is the field's Text(), in its
    // place, record after record; a value holding the quote makes the line no plain one.
    void rowsAreTheFieldTexts() {
        // Stored texts of every UTF-8 width, a byte-order mark in front and inside.
        const QString widths = QString::fromUtf8("\xEF\xBB\xBF\xC3\xA9\xE7\x8E\x8B"
                                                 "\xF0\x9F\x98\x80x\xEF\xBB\xBF\xEE\x80\x80");
        auto people = MakePeople(
            {{1, "王\"小\"明", 12.5}, {2, QString(), -0.25}, {3, "b", 1e20}, {4, widths, 2}});
        people->Edit(); // a null on the first row
        people->FieldByName(QStringLiteral("Amount"))->Clear();
        people->Post();
        auto other = MakePeople({{7, "other", 7}});
        TField *id = people->FieldByName(QStringLiteral("ID"));
        TField *name = people->FieldByName(QStringLiteral("Name"));
        TField *amount = people->FieldByName(QStringLiteral("Amount"));
        id->OnGetText = [](TField *f, QString &text, bool) {
            text = QStringLiteral("第%1號").arg(f->AsInteger());
        };
        const std::vector<TField *> fields = {
            id, name, amount, other->FieldByName(QStringLiteral("Name")), amount, name};
        const std::vector<bool> left = {false, false, false, false, true, false};
        TRowTexts texts;
        texts.Reset(fields, left);
        int rows = 0;
        for (people->First(); !people->Eof(); people->Next(), ++rows) {
            bool plain = false;
            QCOMPARE(Line(texts, fields, plain, left), Expected(fields, left));
            QCOMPARE(plain, !name->Text().contains(QLatin1Char('"')));
        }
        QCOMPARE(rows, 4);
    }

    // A line is plain when no value holds the quote or the separator, whatever the two are:
    // characters that number texts hold too ("." "5" "-") as well as others.
    void plainWhenNoValueHoldsTheQuoteOrSeparator() {
        auto people = MakePeople({{1, "a,b", 12.5},
                                  {2, "it's", -1},
                                  {3, "a|b", 0.125},
                                  {4, "王小明", 3},
                                  {5, "x.y", 7},
                                  {6, QString(), 1e20},
                                  {7, "12345678901", 2}});
        const std::vector<TField *> fields = {people->FieldByName(QStringLiteral("ID")),
                                              people->FieldByName(QStringLiteral("Name")),
                                              people->FieldByName(QStringLiteral("Amount"))};
        TRowTexts texts;
        texts.Reset(fields);
        for (const auto &[delimiter, quote] :
             std::vector<std::pair<char16_t, char16_t>>{{u'\t', u'"'},
                                                        {u',', 0},
                                                        {u'.', 0},
                                                        {u'|', u'\''},
                                                        {u'5', 0},
                                                        {u'-', 0},
                                                        {u';', u'E'},
                                                        {u'\u3000', u'"'}}) {
            for (people->First(); !people->Eof(); people->Next()) {
                texts.Seek();
                TTextBuffer line;
                qsizetype starts[3], ends[3];
                bool plain = true;
                QCOMPARE(texts.WriteDelimited(0, line, delimiter, quote, starts, ends, plain), 3);
                bool holds = false;
                for (TField *field : fields)
                    holds = holds || field->Text().contains(QChar(delimiter)) ||
                            (quote && field->Text().contains(QChar(quote)));
                QVERIFY2(plain == !holds, qPrintable(line.ToString()));
            }
        }
    }

    // While the record is edited its values are in the edit buffer, not in the stored record:
    // the row's texts leave every column to the fields, which show what was typed.
    void editedRecordIsLeftToTheFields() {
        auto people = MakePeople({{1, "a", 1}, {2, "b", 2}});
        const std::vector<TField *> fields = {people->FieldByName(QStringLiteral("ID")),
                                              people->FieldByName(QStringLiteral("Name"))};
        TRowTexts texts;
        texts.Reset(fields);
        people->Edit();
        people->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("typed"));
        texts.Seek();
        TTextBuffer line;
        qsizetype starts[2], ends[2];
        bool plain = true;
        QCOMPARE(texts.WriteDelimited(0, line, u',', 0, starts, ends, plain), 0);
        QVERIFY(line.IsEmpty());
        bool unused = true;
        QCOMPARE(Line(texts, fields, unused), QStringLiteral("\"1\"\t\"typed\""));
        people->Post();
        QCOMPARE(Line(texts, fields, unused), QStringLiteral("\"1\"\t\"typed\""));
    }
};

QTEST_GUILESS_MAIN(TstRowTexts)
#include "tst_rowtexts.moc"

#pragma once
// TStringList: an ordered list of strings, each with an optional object, and the name=value
// convention the system uses everywhere (message records, server answers, settings):
// Values[name] reads the text after the first "=" of the line whose name matches (any letter
// case); writing a value replaces that line, and writing an empty value deletes it.
// CommaText and DelimitedText quote an item when it holds a blank, a control character, the
// quote or the delimiter, and read such text back into the same items.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<QString> lines);

    int Count() const { return static_cast<int>(FItems.size() + FPacked.Spans.size()); }
    bool IsEmpty() const { return Count() == 0; }
    // Raise EStringListError "List index out of bounds (%d)" outside 0..Count-1.
    const QString &Strings(int index) const;
    const QString &operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const QString &s);
    QObject *Objects(int index) const;
    void SetObjects(int index, QObject *object);

    int Add(const QString &s);
    int Add(QString &&s);
    int AddObject(const QString &s, QObject *object);
    void Insert(int index, const QString &s);
    void Delete(int index);
    void Clear();
    // Room for that many lines, when a caller knows how many it will add.
    void Reserve(int count) { FItems.reserve(static_cast<size_t>(qMax(count, 0))); }

    // Adds a line kept with the other lines added so, in large blocks of text, not as a string
    // of its own: a text export adds a hundred thousand lines that are mostly only written to
    // a file, and a string each costs more than making the line. The packed lines become
    // strings of their own, all at once, as soon as one of them is asked for as a string or
    // the list is changed otherwise (a const read then changes how the list is held: a list
    // with packed lines is not to be read from two threads at once). A sorted list adds the
    // line as Add does.
    void AddPacked(QStringView s);
    // Room for that many packed lines.
    void ReservePacked(int count) { FPacked.Spans.reserve(static_cast<size_t>(qMax(count, 0))); }
    // The text of line index (EStringListError outside 0..Count-1), packed or not, without
    // making the packed lines strings; valid until the list changes.
    QStringView View(int index) const;
    void Move(int from, int to);
    void Exchange(int a, int b);
    void Assign(const TStringList &other) { *this = other; }
    void AddStrings(const TStringList &other);
    // Index of the first line equal to s (letter case as CaseSensitive says), or -1.
    int IndexOf(const QString &s) const;
    int IndexOfObject(const QObject *object) const;

    // name=value
    int IndexOfName(const QString &name) const;
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    QString Values(const QString &name) const;
    void SetValues(const QString &name, const QString &value);

    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value) { FCaseSensitive = value; }
    bool Sorted() const { return FSorted; }
    // Keeps the lines in order (locale-independent, letter case per CaseSensitive); Add then
    // inserts at the sorted place.
    void SetSorted(bool value);
    void Sort();

    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar c) { FDelimiter = c; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar c) { FQuoteChar = c; }

    QString CommaText() const;
    void SetCommaText(const QString &text);
    QString DelimitedText() const;
    void SetDelimitedText(const QString &text);
    // Lines joined with "\n" (each line followed by one); reading accepts \r\n, \n and \r.
    QString Text() const;
    void SetText(const QString &text);

    QStringList ToQStringList() const;
    static TStringList FromQStringList(const QStringList &list);

    // Files are Big5 unless they start with a UTF-8 byte-order mark. Raise EInOutError.
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

    bool operator==(const TStringList &other) const;

private:
    struct Item {
        QString Text;
        QPointer<QObject> Object;
    };
    // The packed lines, after the items: blocks of text and where each line is in them
    // (offsets, not pointers, so that a copy of the list reads its own blocks).
    struct TPackedLines {
        struct TSpan {
            quint32 Block;
            quint32 Offset;
            qsizetype Size;
        };
        std::vector<std::vector<char16_t>> Blocks;
        std::vector<TSpan> Spans;
    };
    // The items, the packed lines made items first.
    std::vector<Item> &Items() const {
        if (!FPacked.Spans.empty())
            Unpack();
        return FItems;
    }
    void Unpack() const;
    void CheckIndex(int index) const;
    int SortedIndexFor(const QString &s) const;
    Qt::CaseSensitivity Cs() const {
        return FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    }

    mutable std::vector<Item> FItems;
    mutable TPackedLines FPacked;
    bool FCaseSensitive = false;
    bool FSorted = false;
    QChar FDelimiter = u',';
    QChar FQuoteChar = u'"';
};

// Quotes a string with the given quote character, doubling any quote inside.
QString AnsiQuotedStr(const QString &s, QChar quote);

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

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
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
    void Clear() { FItems.clear(); }
    // Room for that many lines, when a caller knows how many it will add.
    void Reserve(int count) { FItems.reserve(static_cast<size_t>(qMax(count, 0))); }
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
    void CheckIndex(int index) const;
    int SortedIndexFor(const QString &s) const;
    Qt::CaseSensitivity Cs() const {
        return FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    }

    std::vector<Item> FItems;
    bool FCaseSensitive = false;
    bool FSorted = false;
    QChar FDelimiter = u',';
    QChar FQuoteChar = u'"';
};

// Quotes a string with the given quote character, doubling any quote inside.
QString AnsiQuotedStr(const QString &s, QChar quote);

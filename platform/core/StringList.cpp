#include "StringList.h"

#include "Big5.h"
#include "Exceptions.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

TStringList::TStringList(std::initializer_list<QString> lines) {
    for (const QString &s : lines)
        Add(s);
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EStringListError(
            Format(QStringLiteral("List index out of bounds (%d)"), {QString::number(index)}));
}

void TStringList::Clear() {
    FItems.clear();
    FPacked = TPackedLines();
}

void TStringList::AddPacked(QStringView s) {
    if (FSorted) {
        Add(s.toString());
        return;
    }
    // Blocks of a quarter of a megabyte; a longer line takes a block of its own.
    constexpr qsizetype kBlock = 1 << 17;
    std::vector<std::vector<char16_t>> &blocks = FPacked.Blocks;
    const qsizetype n = s.size();
    if (blocks.empty() ||
        static_cast<qsizetype>(blocks.back().capacity() - blocks.back().size()) < n) {
        blocks.emplace_back();
        blocks.back().reserve(static_cast<size_t>(std::max(kBlock, n)));
    }
    std::vector<char16_t> &block = blocks.back();
    FPacked.Spans.push_back(
        {static_cast<quint32>(blocks.size() - 1), static_cast<quint32>(block.size()), n});
    block.insert(block.end(), s.utf16(), s.utf16() + n);
}

QStringView TStringList::View(int index) const {
    CheckIndex(index);
    const auto items = static_cast<int>(FItems.size());
    if (index < items)
        return FItems[static_cast<size_t>(index)].Text;
    const TPackedLines::TSpan &span = FPacked.Spans[static_cast<size_t>(index - items)];
    return QStringView(FPacked.Blocks[span.Block].data() + span.Offset, span.Size);
}

void TStringList::Unpack() const {
    FItems.reserve(FItems.size() + FPacked.Spans.size());
    for (const TPackedLines::TSpan &span : FPacked.Spans)
        FItems.push_back(Item{QString(reinterpret_cast<const QChar *>(
                                          FPacked.Blocks[span.Block].data() + span.Offset),
                                      span.Size),
                              nullptr});
    FPacked = TPackedLines();
}

const QString &TStringList::Strings(int index) const {
    CheckIndex(index);
    return Items()[static_cast<size_t>(index)].Text;
}

void TStringList::SetStrings(int index, const QString &s) {
    CheckIndex(index);
    Items()[static_cast<size_t>(index)].Text = s;
}

QObject *TStringList::Objects(int index) const {
    CheckIndex(index);
    return Items()[static_cast<size_t>(index)].Object;
}

void TStringList::SetObjects(int index, QObject *object) {
    CheckIndex(index);
    Items()[static_cast<size_t>(index)].Object = object;
}

int TStringList::SortedIndexFor(const QString &s) const {
    const std::vector<Item> &items = Items();
    const auto it =
        std::upper_bound(items.begin(), items.end(), s, [this](const QString &v, const Item &item) {
            return QString::compare(v, item.Text, Cs()) < 0;
        });
    return static_cast<int>(it - items.begin());
}

int TStringList::Add(const QString &s) {
    return AddObject(s, nullptr);
}

int TStringList::Add(QString &&s) {
    if (FSorted)
        return Add(static_cast<const QString &>(s));
    Items().push_back(Item{std::move(s), nullptr});
    return Count() - 1;
}

int TStringList::AddObject(const QString &s, QObject *object) {
    const int index = FSorted ? SortedIndexFor(s) : Count();
    std::vector<Item> &items = Items();
    items.insert(items.begin() + index, Item{s, object});
    return index;
}

void TStringList::Insert(int index, const QString &s) {
    if (FSorted)
        throw EStringListError(QStringLiteral("Operation not allowed on sorted list"));
    if (index < 0 || index > Count())
        throw EStringListError(
            Format(QStringLiteral("List index out of bounds (%d)"), {QString::number(index)}));
    std::vector<Item> &items = Items();
    items.insert(items.begin() + index, Item{s, nullptr});
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    std::vector<Item> &items = Items();
    items.erase(items.begin() + index);
}

void TStringList::Move(int from, int to) {
    CheckIndex(from);
    CheckIndex(to);
    std::vector<Item> &items = Items();
    Item item = items[static_cast<size_t>(from)];
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, item);
}

void TStringList::Exchange(int a, int b) {
    CheckIndex(a);
    CheckIndex(b);
    std::vector<Item> &items = Items();
    std::swap(items[static_cast<size_t>(a)], items[static_cast<size_t>(b)]);
}

void TStringList::AddStrings(const TStringList &other) {
    for (const Item &item : std::vector<Item>(other.Items()))
        AddObject(item.Text, item.Object);
}

int TStringList::IndexOf(const QString &s) const {
    for (int i = 0; i < Count(); ++i)
        if (QString::compare(Items()[static_cast<size_t>(i)].Text, s, Cs()) == 0)
            return i;
    return -1;
}

int TStringList::IndexOfObject(const QObject *object) const {
    for (int i = 0; i < Count(); ++i)
        if (Items()[static_cast<size_t>(i)].Object == object)
            return i;
    return -1;
}

int TStringList::IndexOfName(const QString &name) const {
    for (int i = 0; i < Count(); ++i) {
        const QString &line = Items()[static_cast<size_t>(i)].Text;
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Cs()) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Names(int index) const {
    const QString &line = Strings(index);
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 ? line.left(eq) : QString();
}

QString TStringList::ValueFromIndex(int index) const {
    const QString &line = Strings(index);
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 ? line.mid(eq + 1) : QString();
}

QString TStringList::Values(const QString &name) const {
    const int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

void TStringList::SetValues(const QString &name, const QString &value) {
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    const QString line = name + u'=' + value;
    if (i < 0)
        Add(line);
    else
        SetStrings(i, line);
}

void TStringList::SetSorted(bool value) {
    if (value && !FSorted)
        Sort();
    FSorted = value;
}

void TStringList::Sort() {
    std::vector<Item> &items = Items();
    std::stable_sort(items.begin(), items.end(), [this](const Item &a, const Item &b) {
        return QString::compare(a.Text, b.Text, Cs()) < 0;
    });
}

QString AnsiQuotedStr(const QString &s, QChar quote) {
    QString out;
    out.reserve(s.size() + 2);
    out += quote;
    for (const QChar c : s) {
        out += c;
        if (c == quote)
            out += quote;
    }
    out += quote;
    return out;
}

QString TStringList::DelimitedText() const {
    if (Count() == 1 && Items()[0].Text.isEmpty())
        return QString(2, FQuoteChar);
    QString result;
    for (int i = 0; i < Count(); ++i) {
        const QString &s = Items()[static_cast<size_t>(i)].Text;
        const bool needsQuotes = std::any_of(s.begin(), s.end(), [this](QChar c) {
            return c.unicode() <= u' ' || c == FQuoteChar || c == FDelimiter;
        });
        if (i > 0)
            result += FDelimiter;
        result += needsQuotes ? AnsiQuotedStr(s, FQuoteChar) : s;
    }
    return result;
}

void TStringList::SetDelimitedText(const QString &text) {
    Clear();
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto isBlank = [&](qsizetype i) {
        return i < n && text[i].unicode() >= 1 && text[i].unicode() <= u' ';
    };
    while (isBlank(p))
        ++p;
    while (p < n) {
        QString s;
        if (text[p] == FQuoteChar) {
            // Quoted item: a doubled quote stands for one; the item ends at a single quote.
            ++p;
            while (p < n) {
                if (text[p] == FQuoteChar) {
                    if (p + 1 < n && text[p + 1] == FQuoteChar) {
                        s += FQuoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && text[p].unicode() > u' ' && text[p] != FDelimiter)
                ++p;
            s = text.mid(start, p - start);
        }
        Add(s);
        while (isBlank(p))
            ++p;
        if (p < n && text[p] == FDelimiter) {
            if (p + 1 == n)
                Add(QString());
            do {
                ++p;
            } while (isBlank(p));
        }
    }
}

QString TStringList::CommaText() const {
    TStringList copy = *this;
    copy.FDelimiter = u',';
    copy.FQuoteChar = u'"';
    return copy.DelimitedText();
}

void TStringList::SetCommaText(const QString &text) {
    const QChar d = FDelimiter, q = FQuoteChar;
    FDelimiter = u',';
    FQuoteChar = u'"';
    SetDelimitedText(text);
    FDelimiter = d;
    FQuoteChar = q;
}

QString TStringList::Text() const {
    QString out;
    for (int i = 0; i < Count(); ++i) {
        out += View(i);
        out += u'\n';
    }
    return out;
}

void TStringList::SetText(const QString &text) {
    Clear();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            Add(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        Add(text.mid(start));
}

QStringList TStringList::ToQStringList() const {
    QStringList out;
    out.reserve(Count());
    for (const Item &item : Items())
        out.append(item.Text);
    return out;
}

TStringList TStringList::FromQStringList(const QStringList &list) {
    TStringList out;
    for (const QString &s : list)
        out.Add(s);
    return out;
}

void TStringList::LoadFromFile(const QString &fileName) {
    SetText(ReadTextFile(fileName));
}

void TStringList::SaveToFile(const QString &fileName) const {
    QString text;
    for (int i = 0; i < Count(); ++i) {
        text += View(i);
        text += QStringLiteral("\r\n");
    }
    WriteTextFile(fileName, text);
}

bool TStringList::operator==(const TStringList &other) const {
    return ToQStringList() == other.ToQStringList();
}

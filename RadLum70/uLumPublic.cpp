#include "uLumPublic.h"

#include "DataSet.h"
#include "RadSystemApi.h"
#include "StringList.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTreeWidget>

bool Confirm(const QString &msg) {
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), msg,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void DBLookUpItems(TDataSet *dataSet, const QString &filter, const QString &fieldName,
                   TStringList &items) {
    items.Clear();
    if (!dataSet || !dataSet->Active())
        return;
    dataSet->DisableControls();
    const TBookmark mark = dataSet->GetBookmark();
    const QString oldFilter = dataSet->Filter();
    const bool oldFiltered = dataSet->Filtered();
    auto restore = [&] {
        dataSet->SetFilter(oldFilter);
        dataSet->SetFiltered(oldFiltered);
        if (mark >= 0 && dataSet->BookmarkValid(mark))
            dataSet->GotoBookmark(mark);
        dataSet->EnableControls();
    };
    try {
        dataSet->SetFilter(filter);
        dataSet->SetFiltered(true);
        const TField *field = dataSet->FieldByName(fieldName);
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
            items.Add(field->AsString());
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

QString DBDataFieldCommaText(const TDataSet *dataSet) {
    QStringList names;
    if (dataSet)
        for (int i = 0; i < dataSet->FieldCount(); ++i)
            if (dataSet->Fields()[i]->IsData())
                names << dataSet->Fields()[i]->FieldName();
    return names.join(u',');
}

void FieldsToCheckLst(const TDataSet *dataSet, QListWidget *checkListBox) {
    if (!checkListBox)
        return;
    checkListBox->clear();
    if (!dataSet)
        return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields()[i];
        if (field->Tag() != 0)
            continue;
        auto *item = new QListWidgetItem(field->DisplayLabel(), checkListBox);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(field->Visible() ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(field)));
    }
}

TField *FieldOfItem(const QListWidgetItem *item) {
    return item ? static_cast<TField *>(item->data(Qt::UserRole).value<void *>()) : nullptr;
}

namespace {

bool IsCodeChar(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           c == u'_';
}

QString CodeOf(const QString &text) {
    QString code, rest;
    SeparateCode(text, code, rest);
    return code;
}

} // namespace

void SeparateCode(const QString &text, QString &code, QString &rest) {
    qsizetype end = 0;
    while (end < text.size() && IsCodeChar(text[end]))
        ++end;
    code = text.left(end);
    if (end < text.size() && (text[end] == u' ' || text[end] == u',' || text[end] == u';'))
        ++end;
    rest = text.mid(end);
}

int TreeTag(const QTreeWidget *treeView) {
    return treeView ? treeView->property("Tag").toInt() : 0;
}

QString TreeEncode(const QTreeWidgetItem *node) {
    if (!node)
        return {};
    if (TreeTag(node->treeWidget()) % 2 == 0)
        return CodeOf(node->text(0));
    QString code;
    for (const QTreeWidgetItem *n = node; n; n = n->parent())
        code.prepend(CodeOf(n->text(0)));
    return code;
}

QTreeWidgetItem *TreeDeCode(QTreeWidget *treeView, const QString &code) {
    if (!treeView)
        return nullptr;
    QString remaining = code;
    QTreeWidgetItem *parent = nullptr;
    while (!remaining.isEmpty()) {
        const int count = parent ? parent->childCount() : treeView->topLevelItemCount();
        QTreeWidgetItem *found = nullptr;
        for (int i = 0; i < count && !found; ++i) {
            QTreeWidgetItem *node = parent ? parent->child(i) : treeView->topLevelItem(i);
            const QString nodeCode = CodeOf(node->text(0));
            if (!nodeCode.isEmpty() && remaining.startsWith(nodeCode))
                found = node;
        }
        if (!found)
            break;
        treeView->setCurrentItem(found);
        remaining = remaining.mid(CodeOf(found->text(0)).size());
        parent = found;
    }
    return treeView->currentItem();
}

namespace {

// Value of the first letter of an identification number.
int LetterValue(QChar letter) {
    static const int values[26] = {10, 11, 12, 13, 14, 15, 16, 17, 34, 18, 19, 20, 21,
                                   22, 35, 23, 24, 25, 26, 27, 28, 29, 32, 30, 31, 33};
    return values[letter.unicode() - u'A'];
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

bool CheckRocID(const QString &id) {
    const QString s = id.trimmed().toUpper();
    if (s.size() != 10 || s[0] < u'A' || s[0] > u'Z' || !IsDigit(s[9]))
        return false;
    // 1 and 2: citizens; A-D: resident certificates before 2021; 8 and 9: since 2021.
    static const QString secondChars = QStringLiteral("12ABCD89");
    const qsizetype second = secondChars.indexOf(s[1]);
    if (second < 0)
        return false;
    const int letter = LetterValue(s[0]);
    int sum = letter / 10 + 9 * (letter % 10);
    const int secondDigit = (second >= 2 && second <= 5) ? int(second - 2) : s[1].digitValue();
    sum += 8 * secondDigit;
    for (int i = 2; i <= 8; ++i) {
        if (!IsDigit(s[i]))
            return false;
        sum += (9 - i) * s[i].digitValue();
    }
    return (sum + s[9].digitValue()) % 10 == 0;
}

bool CheckRocIDBySex(const QString &id, QChar &sex) {
    if (!CheckRocID(id))
        return false;
    const QChar second = id.trimmed().toUpper()[1];
    sex = QStringLiteral("1AC8").contains(second) ? u'M' : u'F';
    return true;
}

bool CheckRocInvoice(const QString &no) {
    if (no.trimmed().size() != 8 || no.size() < 8)
        return false;
    int d[8];
    for (int i = 0; i < 8; ++i) {
        if (!IsDigit(no[i]))
            return false;
        d[i] = no[i].digitValue();
    }
    auto f = [](int x) { return x / 10 + x % 10; };
    const int sum =
        d[0] + f(2 * d[1]) + d[2] + f(2 * d[3]) + d[4] + f(2 * d[5]) + f(4 * d[6]) + d[7];
    // Divisible by 5 since April 2023 (every number valid by 10 stays valid); with a seventh
    // digit 7 the product 28 may also count as 1 instead of 10.
    return sum % 5 == 0 || (d[6] == 7 && (sum - 9) % 5 == 0);
}

namespace {

struct TChineseDigits {
    const char16_t *Digits[10];
    const char16_t *SmallUnits[4];
};

const TChineseDigits kPlain = {
    {u"０", u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"},
    {u"", u"十", u"百", u"千"}};
const TChineseDigits kFormal = {
    {u"零", u"壹", u"貳", u"參", u"肆", u"伍", u"陸", u"柒", u"捌", u"玖"},
    {u"", u"拾", u"百", u"仟"}};

QString LargeUnit(int position) {
    switch (position) {
    case 4:
        return QStringLiteral("萬");
    case 8:
        return QStringLiteral("億");
    case 12:
        return QStringLiteral("兆");
    default:
        return {};
    }
}

quint64 Magnitude(qint64 n) {
    return n < 0 ? quint64(0) - quint64(n) : quint64(n);
}

QString DigitByDigit(qint64 n, const TChineseDigits &table) {
    QString out = n < 0 ? QStringLiteral("-") : QString();
    for (QChar c : QString::number(Magnitude(n)))
        out += QString::fromUtf16(table.Digits[c.digitValue()]);
    return out;
}

QString WithUnits(qint64 n, const TChineseDigits &table) {
    const QString sign = n < 0 ? QStringLiteral("-") : QString();
    quint64 a = Magnitude(n);
    if (a == 0)
        return QString::fromUtf16(table.Digits[0]);
    if (a >= 11 && a <= 19)
        return sign + QString::fromUtf16(table.SmallUnits[1]) +
               QString::fromUtf16(table.Digits[a % 10]);
    int position = 0;
    while (a % 10 == 0) {
        a /= 10;
        ++position;
    }
    QString text;
    bool zeroPending = false;
    // Trailing zeros may cover the position of a large unit (100000 is ten 萬): that unit still
    // belongs after the lowest digit.
    if (position > 4 && position % 4 != 0 && position < 16) {
        text = LargeUnit(position / 4 * 4);
        zeroPending = true;
    }
    for (; a > 0; a /= 10, ++position) {
        const int digit = int(a % 10);
        const QString large = LargeUnit(position);
        if (!large.isEmpty())
            zeroPending = true;
        if (digit == 0 && !zeroPending) {
            text.prepend(QString::fromUtf16(table.Digits[0]));
            zeroPending = true;
        }
        text.prepend(large);
        if (digit > 0) {
            zeroPending = false;
            text.prepend(QString::fromUtf16(table.Digits[digit]) +
                         QString::fromUtf16(table.SmallUnits[position % 4]));
        }
    }
    return sign + text;
}

} // namespace

QString NumToChineseCN(qint64 n) {
    return DigitByDigit(n, kPlain);
}
QString NumToChineseCC(qint64 n) {
    return DigitByDigit(n, kFormal);
}
QString NumToChineseCNFormate(qint64 n) {
    return WithUnits(n, kPlain);
}
QString NumToChineseCCFormate(qint64 n) {
    return WithUnits(n, kFormal);
}

namespace {

QString ServerKey(const QString &serverName) {
    return AppRegRoot() + QStringLiteral("\\AppServers\\") + serverName;
}

} // namespace

QString GetServerIPAddress(const QString &serverName) {
    return ReadRegString(ServerKey(serverName), QStringLiteral("IP"), QString());
}

void SetServerIPAddress(const QString &serverName, const QString &ip) {
    WriteRegString(ServerKey(serverName), QStringLiteral("IP"), ip);
}

int GetServerPort(const QString &serverName) {
    return ReadRegInteger(ServerKey(serverName), QStringLiteral("Port"), 2001);
}

void SetServerIPPort(const QString &serverName, int port) {
    WriteRegInteger(ServerKey(serverName), QStringLiteral("Port"), port);
}

bool HasServerIPAddress(const QString &serverName) {
    return !GetServerIPAddress(serverName).isEmpty();
}

bool HasServerPort(const QString &serverName) {
    return ReadRegInteger(ServerKey(serverName), QStringLiteral("Port"), -1) != -1;
}

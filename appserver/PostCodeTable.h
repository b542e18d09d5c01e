#pragma once
// TPostCodeTable: the townships and districts of Taiwan with their three-digit post codes, from
// the table the program carries (built in from the repository's post-code list: county,
// township and post code on each line, lines starting with "#" being remarks).

#include <QByteArray>
#include <QList>
#include <QString>

struct TPostCode {
    QString County;
    QString Township;
    QString Code;
};

class TPostCodeTable {
public:
    // The table built into the program.
    static TPostCodeTable BuiltIn();
    // The table of tab-separated text; lines that are not three fields are left out.
    explicit TPostCodeTable(const QByteArray &text);

    const QList<TPostCode> &All() const { return FCodes; }
    // The townships of a county, in the table's order ("臺" and "台" alike).
    QList<TPostCode> Townships(const QString &county) const;
    // The post code of an address that starts with its county and township; empty when the
    // table knows no such township.
    QString CodeOf(const QString &address) const;

private:
    QList<TPostCode> FCodes;
};

#include "PostCodeTable.h"

#include "RemoteProtocol.h"

#include <QFile>

namespace {
// County names are written with either form of the character for "Tai".
QString Plain(QString text) {
    return text.replace(u'臺', u'台');
}
} // namespace

TPostCodeTable TPostCodeTable::BuiltIn() {
    QFile file(QStringLiteral(":/appserver/tw-postcodes.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        throw EServerError(QStringLiteral("The post-code table is not built into the program"));
    return TPostCodeTable(file.readAll());
}

TPostCodeTable::TPostCodeTable(const QByteArray &text) {
    for (const QByteArray &line : text.split('\n')) {
        const QString row = QString::fromUtf8(line).trimmed();
        if (row.isEmpty() || row.startsWith(u'#'))
            continue;
        const QStringList fields = row.split(u'\t');
        if (fields.size() != 3)
            continue;
        FCodes.append({fields[0].trimmed(), fields[1].trimmed(), fields[2].trimmed()});
    }
}

QList<TPostCode> TPostCodeTable::Townships(const QString &county) const {
    QList<TPostCode> found;
    const QString wanted = Plain(county);
    for (const TPostCode &c : FCodes)
        if (Plain(c.County) == wanted)
            found << c;
    return found;
}

QString TPostCodeTable::CodeOf(const QString &address) const {
    const QString plain = Plain(address);
    for (const TPostCode &c : FCodes)
        if (plain.startsWith(Plain(c.County) + Plain(c.Township)))
            return c.Code;
    return QString();
}

// mkpostcodes: builds the post-code trees of the address aid, one Big5 tree file per county or
// city (county + ".VCL"), from the list of townships with their post codes and the list of the
// villages, wards and roads kept for some townships.
//
//   mkpostcodes <townships.tsv> <villages-roads.tsv> <output folder>
//
// townships.tsv: county, township, post code (tab-separated); villages-roads.tsv: county,
// township, group ("村", "里" or a road group), name. Lines starting with "#" are comments.
// A tree: the county; its townships as "code,name" in list order; under a township its groups
// in the order first seen, each with its names.

#include "Big5.h"
#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

namespace {

struct TTownship {
    QString Code, Name;
    QStringList Groups;
    QMap<QString, QStringList> Names;
};

struct TCounty {
    QString Name;
    QList<TTownship> Townships;
};

[[noreturn]] void Fail(const QString &message) {
    std::fprintf(stderr, "mkpostcodes: %s\n", qPrintable(message));
    std::exit(1);
}

QList<QStringList> ReadRows(const QString &fileName, int columns) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot read %1").arg(fileName));
    QList<QStringList> rows;
    int lineNo = 0;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        ++lineNo;
        const QString line = QString(raw).remove(u'\r');
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList cells = line.split(u'\t');
        for (QString &cell : cells)
            cell = cell.trimmed();
        if (cells.size() != columns || cells.contains(QString()))
            Fail(QStringLiteral("%1:%2: expected %3 tab-separated values")
                     .arg(fileName)
                     .arg(lineNo)
                     .arg(columns));
        rows.append(cells);
    }
    return rows;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        Fail(QStringLiteral("usage: mkpostcodes <townships.tsv> <villages-roads.tsv> <folder>"));
    QList<TCounty> counties;
    const auto county = [&](const QString &name) -> TCounty & {
        for (TCounty &c : counties)
            if (c.Name == name)
                return c;
        counties.append({name, {}});
        return counties.last();
    };
    static const QRegularExpression threeDigits(QStringLiteral("^[0-9]{3}$"));
    for (const QStringList &row : ReadRows(args[1], 3)) {
        if (!threeDigits.match(row[2]).hasMatch())
            Fail(QStringLiteral("%1: the post code of %2%3 is not three digits")
                     .arg(args[1], row[0], row[1]));
        county(row[0]).Townships.append({row[2], row[1], {}, {}});
    }
    for (const QStringList &row : ReadRows(args[2], 4)) {
        TTownship *township = nullptr;
        for (TTownship &t : county(row[0]).Townships)
            if (t.Name == row[1])
                township = &t;
        if (!township)
            Fail(QStringLiteral("%1: %2%3 is not a township of the list")
                     .arg(args[2], row[0], row[1]));
        if (!township->Groups.contains(row[2]))
            township->Groups.append(row[2]);
        township->Names[row[2]].append(row[3]);
    }
    QDir().mkpath(args[3]);
    for (const TCounty &c : counties) {
        QString text = c.Name + u'\n';
        for (const TTownship &t : c.Townships) {
            text += u'\t' + t.Code + u',' + t.Name + u'\n';
            for (const QString &group : t.Groups) {
                text += QStringLiteral("\t\t") + group + u'\n';
                for (const QString &name : t.Names[group])
                    text += QStringLiteral("\t\t\t") + name + u'\n';
            }
        }
        try {
            WriteTextFile(QDir(args[3]).filePath(c.Name + QStringLiteral(".VCL")), text);
        } catch (const Exception &e) {
            Fail(e.Message());
        }
    }
    return 0;
}

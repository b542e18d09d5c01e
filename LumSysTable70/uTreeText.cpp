#include "uTreeText.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

constexpr QLatin1String kTagSetting("#Tag=");

// A settings line: "#Name=Value", the name a word.
bool IsSetting(const QString &line) {
    static const QRegularExpression setting(QStringLiteral("^#[A-Za-z_][A-Za-z0-9_]*="));
    return setting.match(line).hasMatch();
}

int LeadingTabs(const QString &line) {
    int depth = 0;
    while (depth < line.size() && line[depth] == u'\t')
        ++depth;
    return depth;
}

} // namespace

QList<TTreeTextNode> ParseTreeText(const QString &text, QStringList *settings) {
    QList<TTreeTextNode> nodes;
    if (settings)
        settings->clear();
    bool inHeader = true;
    int previous = -1;
    const QStringList lines = QString(text).remove(u'\r').split(u'\n');
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (inHeader && IsSetting(line)) {
            if (settings)
                settings->append(line);
            continue;
        }
        inHeader = false;
        const int tabs = LeadingTabs(line);
        const int depth = std::min(tabs, previous + 1);
        nodes.append({depth, line.mid(tabs)});
        previous = depth;
    }
    return nodes;
}

int TreeTextTag(const QStringList &settings) {
    for (const QString &line : settings)
        if (line.startsWith(kTagSetting))
            return line.mid(kTagSetting.size()).trimmed().toInt();
    return 0;
}

QStringList TreeTextWithTag(QStringList settings, int tag) {
    for (QString &line : settings)
        if (line.startsWith(kTagSetting)) {
            line = QString(kTagSetting) + QString::number(tag);
            return settings;
        }
    if (tag != 0)
        settings.prepend(QString(kTagSetting) + QString::number(tag));
    return settings;
}

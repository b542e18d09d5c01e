#include "VersionBlock.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

namespace {

const QByteArray kMagic = QByteArrayLiteral("ORVVERSION 1");
const QByteArray kSectionName = QByteArrayLiteral(".orv_version");
constexpr qint64 kMaxBlockSize = 64 * 1024;
constexpr quint16 kMaxSections = 4096;

// Reads `size` bytes at `offset`; empty when any of them lies outside the file.
QByteArray ReadAt(QFile &file, quint64 offset, quint64 size) {
    if (offset > quint64(file.size()) || size > quint64(file.size()) - offset)
        return {};
    if (!file.seek(qint64(offset)))
        return {};
    QByteArray bytes = file.read(qint64(size));
    return bytes.size() == qint64(size) ? bytes : QByteArray();
}

template <class T> T Field(const QByteArray &bytes, int offset, bool little) {
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData() + offset);
    return little ? qFromLittleEndian<T>(p) : qFromBigEndian<T>(p);
}

// The contents of the named section of an ELF file (32 or 64 bit, either byte order).
QByteArray ElfSection(QFile &file, const QByteArray &name) {
    const QByteArray ident = ReadAt(file, 0, 64);
    if (ident.size() < 52 || !ident.startsWith("\x7f"
                                                "ELF"))
        return {};
    const bool is64 = ident[4] == 2;
    const bool little = ident[5] == 1;
    if ((ident[4] != 1 && !is64) || (ident[5] != 1 && ident[5] != 2))
        return {};
    const quint64 shoff = is64 ? Field<quint64>(ident, 0x28, little) : Field<quint32>(ident, 0x20, little);
    const quint16 shentsize = Field<quint16>(ident, is64 ? 0x3A : 0x2E, little);
    const quint16 shnum = Field<quint16>(ident, is64 ? 0x3C : 0x30, little);
    const quint16 shstrndx = Field<quint16>(ident, is64 ? 0x3E : 0x32, little);
    const int minEntry = is64 ? 64 : 40;
    if (shoff == 0 || shnum == 0 || shnum > kMaxSections || shentsize < minEntry ||
        shstrndx >= shnum)
        return {};
    const QByteArray table = ReadAt(file, shoff, quint64(shentsize) * shnum);
    if (table.isEmpty())
        return {};
    auto section = [&](int index, quint32 &nameOffset, quint64 &offset, quint64 &size) {
        const int at = index * shentsize;
        nameOffset = Field<quint32>(table, at, little);
        offset = is64 ? Field<quint64>(table, at + 0x18, little) : Field<quint32>(table, at + 0x10, little);
        size = is64 ? Field<quint64>(table, at + 0x20, little) : Field<quint32>(table, at + 0x14, little);
    };
    quint32 unused = 0;
    quint64 namesOffset = 0, namesSize = 0;
    section(shstrndx, unused, namesOffset, namesSize);
    if (namesSize > quint64(kMaxBlockSize) * 16)
        return {};
    const QByteArray names = ReadAt(file, namesOffset, namesSize);
    for (int i = 0; i < shnum; ++i) {
        quint32 nameOffset = 0;
        quint64 offset = 0, size = 0;
        section(i, nameOffset, offset, size);
        if (nameOffset >= quint64(names.size()))
            continue;
        const qsizetype end = names.indexOf('\0', nameOffset);
        if (end < 0 || names.mid(nameOffset, end - nameOffset) != name)
            continue;
        if (size > quint64(kMaxBlockSize))
            return {};
        return ReadAt(file, offset, size);
    }
    return {};
}

} // namespace

std::optional<TVersionBlock> TVersionBlock::ReadFromFile(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Parse(ElfSection(file, kSectionName));
}

std::optional<TVersionBlock> TVersionBlock::Parse(const QByteArray &text) {
    QByteArray body = text;
    const qsizetype nul = body.indexOf('\0');
    if (nul >= 0)
        body.truncate(nul);
    const QStringList lines = QString::fromUtf8(body).split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed().toUtf8() != kMagic)
        return std::nullopt;
    TVersionBlock block;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq <= 0)
            continue;
        block.FValues.insert(lines[i].left(eq).toUpper(), lines[i].mid(eq + 1));
    }
    return block;
}

QByteArray TVersionBlock::Compose(quint16 language, quint16 codePage,
                                  const QMap<QString, QString> &strings) {
    const QString translation = QStringLiteral("%1%2")
                                    .arg(language, 4, 16, QLatin1Char('0'))
                                    .arg(codePage, 4, 16, QLatin1Char('0'))
                                    .toUpper();
    QByteArray out = kMagic + '\n';
    out += QStringLiteral("\\VarFileInfo\\Translation=%1 %2\n")
               .arg(translation.left(4), translation.mid(4))
               .toUtf8();
    for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
        QString value = it.value();
        value.replace(u'\n', u' ');
        out += QStringLiteral("\\StringFileInfo\\%1\\%2=%3\n")
                   .arg(translation, it.key(), value)
                   .toUtf8();
    }
    return out;
}

QString TVersionBlock::Value(const QString &path) const {
    return FValues.value(path.toUpper());
}

QString TVersionBlock::FirstTranslation() const {
    const QStringList pairs =
        Value(QStringLiteral("\\VarFileInfo\\Translation")).split(u' ', Qt::SkipEmptyParts);
    if (pairs.size() < 2)
        return {};
    bool okLanguage = false, okCodePage = false;
    const uint language = pairs[0].toUInt(&okLanguage, 16);
    const uint codePage = pairs[1].toUInt(&okCodePage, 16);
    if (!okLanguage || !okCodePage || language > 0xFFFF || codePage > 0xFFFF)
        return {};
    return QStringLiteral("%1%2")
        .arg(language, 4, 16, QLatin1Char('0'))
        .arg(codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}

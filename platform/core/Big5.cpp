#include "Big5.h"

#include "Exceptions.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr const char *kBig5Name = "windows-950-2000";
}

QByteArray Big5Encode(const QString &text, bool strict) {
    QStringEncoder encoder(kBig5Name, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw EEncodingError(QStringLiteral("The Big5 converter is not available"));
    if (!strict) {
        QByteArray out = encoder.encode(text);
        return out;
    }
    QStringEncoder checker(kBig5Name, QStringConverter::Flag::Stateless);
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, len);
        QByteArray bytes = checker.encode(ch);
        if (checker.hasError() || (bytes == "?" && ch != u"?"))
            throw EEncodingError(
                Format(QStringLiteral("The character '%s' has no Big5 code"), {ch.toString()}));
        out += bytes;
        i += len;
    }
    return out;
}

QString Big5Decode(const QByteArray &bytes) {
    QStringDecoder decoder(kBig5Name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw EEncodingError(QStringLiteral("The Big5 converter is not available"));
    QString text = decoder.decode(bytes);
    // A lead byte cut off at the very end would vanish without a trace; mark it instead.
    qsizetype i = 0;
    while (i < bytes.size())
        i += IsBig5LeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i > bytes.size())
        text += QChar(QChar::ReplacementCharacter);
    return text;
}

int Big5Length(const QString &text) {
    return static_cast<int>(Big5Encode(text).size());
}

bool IsBig5LeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

QString ReadTextFile(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Format(QStringLiteral("Cannot open file %s"), {fileName}));
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return Big5Decode(bytes);
}

void WriteTextFile(const QString &fileName, const QString &text) {
    const QByteArray bytes = Big5Encode(text, true);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(Format(QStringLiteral("Cannot write file %s"), {fileName}));
}

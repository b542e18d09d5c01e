#pragma once
// The version block of a package or program: key=value strings embedded at build time in the
// file's ".orv_version" section and read back from the file without loading it.
//
// The block is UTF-8 text: a first line "ORVVERSION 1", then one line per value, keyed by
// path, as a version resource is queried:
//   \VarFileInfo\Translation=0404 03B6          language and code-page pairs, hexadecimal
//   \StringFileInfo\040403B6\FileVersion=7.0.0.1
//   \StringFileInfo\040403B6\FileDescription=...

#include <QMap>
#include <QString>
#include <optional>

class TVersionBlock {
public:
    // The block of an ELF file; nothing when the file cannot be read, is not ELF or has no
    // block. A damaged file never reads outside its own bytes.
    static std::optional<TVersionBlock> ReadFromFile(const QString &fileName);
    // Parses block text; nothing when it is not a version block.
    static std::optional<TVersionBlock> Parse(const QByteArray &text);
    // The block text for the given translation and string values (what the build embeds).
    static QByteArray Compose(quint16 language, quint16 codePage,
                              const QMap<QString, QString> &strings);

    // A value by path (letter case ignored); empty when missing.
    QString Value(const QString &path) const;
    // The first language/code-page pair as eight hexadecimal digits, e.g. "040403B6"; empty
    // when the block has no translation.
    QString FirstTranslation() const;

private:
    QMap<QString, QString> FValues; // path in upper case -> value
};

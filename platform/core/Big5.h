#pragma once
// Big5 (Windows code page 950) where bytes matter: files the system reads and writes, byte
// widths of fixed-width text, byte-level routines. The table is ICU's "windows-950-2000";
// the name "cp950" would select a different table and is never used.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Encodes text as Big5. Characters without a Big5 code become "?" unless `strict` is set, in
// which case EEncodingError names the first such character.
QByteArray Big5Encode(const QString &text, bool strict = false);
// The same bytes appended to out, for texts written piece by piece into one buffer. When
// EEncodingError is raised, out may hold the bytes of the text before the character.
void Big5AppendEncoded(QByteArray &out, QStringView text, bool strict = false);
// The strict bytes of text written at out, which has room for two bytes a unit: the end of
// them, or nullptr when the text holds a unit outside the basic plane, which Big5AppendEncoded
// then encodes. EEncodingError names the first character without a Big5 code.
char *Big5EncodeStrictTo(char *out, QStringView text);
// Decodes Big5 bytes into text; false (text unchanged) at the first byte sequence that is no
// Big5 character, a lead byte cut off at the end included.
bool Big5DecodeStrict(QByteArrayView bytes, QString &text);
// Decodes Big5 bytes at out, which has room for as many units as there are bytes (no Big5
// character takes more units than bytes); the end of the text, or nullptr at the first byte
// sequence that is no Big5 character.
char16_t *Big5DecodeStrictTo(char16_t *out, QByteArrayView bytes);
// Bytes of one UTF-16 unit in Big5: 1 for ASCII and single-byte characters and for a unit
// without a code (written as "?" or left out), 2 for double-byte characters; -1 for a
// surrogate, whose width depends on its pair.
int Big5CharWidth(char16_t unit);
// Decodes Big5 bytes; byte sequences that are not Big5 become U+FFFD.
QString Big5Decode(const QByteArray &bytes);
// Number of Big5 bytes of the text (two per double-byte character).
int Big5Length(const QString &text);
// True for a byte that starts a double-byte Big5 character (0x81..0xFE).
// Inline: the codec's loops ask it of every Chinese character.
inline bool IsBig5LeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Reads a text file: UTF-8 when it starts with a UTF-8 byte-order mark, Big5 otherwise.
// Raises EInOutError "Cannot open file %s" when the file cannot be read.
QString ReadTextFile(const QString &fileName);
// Writes Big5 text completely or not at all (temporary file, then rename). Raises EInOutError
// when the file cannot be written and EEncodingError for a character without a Big5 code.
void WriteTextFile(const QString &fileName, const QString &text);

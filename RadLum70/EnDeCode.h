#pragma once
// Scrambling of short secrets (passwords and the like) into a 40-character text and back: a
// keyed, salted substitution that hides text from casual reading only; anyone holding the key
// can reverse it.
//
// A scrambled text is always 40 characters: the body, the salt character, random filler up to
// position 39 and a check character at position 40 that also records where the salt is.
//
//   Encode/Decode    up to 32 bytes of any value, fixed key of this library; the scrambled text
//                    holds byte values 0..255.
//   Encode2/Decode2  up to 24 characters from "!" to "~", fixed key or a caller's key (the
//                    organisation record passes its own); the scrambled text is plain 7-bit
//                    text, codes 32..127.
//
// The byte functions work on the bytes themselves. The text functions carry text as Big5 bytes
// (the bytes the scrambled routines have always seen) and give the scrambled bytes back as a
// string of characters U+0000..U+00FF, one per byte (Latin-1), so that every byte survives.
//
// The decoders never raise: anything that is not a scrambled text decodes to an empty result.

#include "Exceptions.h"

#include <QByteArray>
#include <QString>

LUM_DECLARE_EXCEPTION(EEnDeCode, Exception);

// The source of salts and filler. The default draws from the system's random generator; tests
// pass their own to script the draws.
class IScrambleRandom {
public:
    virtual ~IScrambleRandom() = default;
    // A number from low to high, both included.
    virtual int Between(int low, int high) = 0;
};

namespace EnDeCode {

inline constexpr int ScrambledLength = 40;
inline constexpr int KeyLength = 32;
inline constexpr int MaxEncodeLength = 32;
inline constexpr int MaxEncode2Length = 24;

// The library's own key (32 printable ASCII characters).
const QByteArray &FixedKey();
// True for a usable key: exactly 32 characters from " " to "~".
bool IsValidKey(const QByteArray &key);

// Raise EEnDeCode "加密編碼字串超過32字" for more than 32 bytes.
QByteArray EncodeBytes(const QByteArray &s, IScrambleRandom *random = nullptr);
QByteArray DecodeBytes(const QByteArray &e);

// Raise EEnDeCode "加密編碼字串超過24字" for more than 24 characters, then "請勿用特殊字元做為密碼"
// for any character outside "!".."~". A key that is not valid raises EEnDeCode
// "Scramble key must be 32 printable ASCII characters"; Decode2Bytes returns empty for it.
QByteArray Encode2Bytes(const QByteArray &s, const QByteArray &key,
                        IScrambleRandom *random = nullptr);
QByteArray Decode2Bytes(const QByteArray &e, const QByteArray &key);

} // namespace EnDeCode

// Text forms. Encode counts the text's Big5 bytes against its limit and raises EEncodingError
// for a character without a Big5 code; Decode returns empty for a text holding a character
// beyond U+00FF.
QString Encode(const QString &s);
QString Decode(const QString &e);
// With the library's key, or with the caller's (for example an organisation's scramble key).
QString Encode2(const QString &s);
QString Decode2(const QString &e);
QString Encode2(const QString &s, const QByteArray &key);
QString Decode2(const QString &e, const QByteArray &key);

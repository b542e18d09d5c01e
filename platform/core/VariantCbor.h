#pragma once
// Variants in CBOR (RFC 8949), the encoding of data packets and of values on the wire.
//   empty -> undefined        null -> null          boolean -> true/false
//   integer -> integer        small integer -> tag 40001(integer)
//   64-bit integer -> integer outside 32 bits, tag 40002(integer) inside
//   double -> float           currency -> tag 4 [-4, scaled amount] (a decimal fraction)
//   date-time -> tag 40003(days as float)
//   string -> text string     bytes -> byte string
//   array with low bound 0 -> array; other low bounds -> tag 40004 [low, array]
// Decoding accepts only what encoding writes and raises EVariantError on anything else,
// including truncated input and nesting deeper than 64 levels.

#include "Variant.h"

#include <QByteArray>

class QCborStreamReader;
class QCborStreamWriter;

void WriteVariant(QCborStreamWriter &writer, const Variant &value);
Variant ReadVariant(QCborStreamReader &reader);

QByteArray VariantToCbor(const Variant &value);
// Raises EVariantError on malformed data or bytes left over after the value.
Variant VariantFromCbor(const QByteArray &data);

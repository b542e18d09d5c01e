#pragma once
// The texts of numbers and dates written at a place that has room for them, as their Append
// functions write them into a text buffer: for writers that take the room for many values at
// once. Each writes no more units than its room and returns the end of what it wrote.

#include <QtGlobal>

constexpr qsizetype kIntTextUnits = 20; // "-9223372036854775808"
char16_t *WriteIntText(char16_t *at, qint64 value);

constexpr qsizetype kFloatTextUnits = 48;
char16_t *WriteFloatText(char16_t *at, double value);

// A currency amount of `scaled` ten-thousandths.
constexpr qsizetype kCurrencyTextUnits = 26;
char16_t *WriteCurrencyText(char16_t *at, qint64 scaled);

// A date's "yyyy/mm/dd"; nullptr for a day outside the years 1 to 9999, whose text the date
// format makes (AppendDateText).
constexpr qsizetype kDateTextUnits = 10;
char16_t *WriteDateText(char16_t *at, double value);

#pragma once
// The work of lumcall, the command-line client of the application server: one call of a
// remote object's method by name with typed arguments, a provider's rows as a table, or the
// provider names of an object. Results go to `out`, errors to `err`; the exit code is 0 on
// success, 1 when the call or the connection failed, 2 for a wrong command line.

#include "Variant.h"

#include <QStringList>
#include <QTextStream>

namespace LumCall {

// An argument of the command line as a value: "null", "true"/"false", integers, decimals,
// "d:yyyy-mm-dd" dates, "s:" text (for text that looks like something else), anything else
// as text.
Variant ParseArgument(const QString &text);
// A value as printed: arrays as [a, b], bytes as <n bytes>, null as null, text as it is.
QString Show(const Variant &value);

int Run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace LumCall

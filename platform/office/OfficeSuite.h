#pragma once
// The office suite that turns documents into PDF (and other formats) for the preview window and
// for printing. It runs in headless mode as a child process, one private profile per call, so
// that conversions running at the same time never share the suite's user folder.

#include "OfficeErrors.h"

#include <QString>

class TOfficeSuite {
public:
    // The suite's program: the path in ORV7_SOFFICE when that variable is set and not empty
    // (a bare name is looked up on PATH; a name that is no executable file means the suite is
    // missing), else "soffice" or "libreoffice" found on PATH. Empty when there is none.
    static QString Program();

    // Converts source into PDF at pdfPath. See ConvertTo.
    static void ConvertToPdf(const QString &source, const QString &pdfPath,
                             int timeoutMs = DefaultTimeoutMs);

    // Converts source into format (the target's extension, such as "pdf", optionally followed by
    // ":" and the suite's filter name) and moves the result to outPath. outPath appears
    // whole or not at all: the result is written beside it under a temporary name and renamed.
    // A timeout of zero or less waits without limit.
    // Raises EOfficeSuiteMissing when Program() is empty, EOfficeError (naming the source and
    // the reason) when the source is missing, the suite fails, runs out of time or writes
    // nothing, or outPath cannot be written.
    static void ConvertTo(const QString &source, const QString &format, const QString &outPath,
                          int timeoutMs = DefaultTimeoutMs);

    static constexpr int DefaultTimeoutMs = 180000;
};

#pragma once
// The sheets a print job prints, as the print dialog left the printer: the pages of its range
// (all when it has none, or the current one when the user chose that), in its page order, and
// as many copies as it asks for (collated or not) unless the printer makes the copies itself.

#include <QList>

class QPrinter;

// Zero-based page numbers, one entry per printed sheet. `current` is the page the user looks
// at (zero-based); without one (-1) "current page" prints every page.
QList<int> PrintedPages(const QPrinter &printer, int pageCount, int current = -1);

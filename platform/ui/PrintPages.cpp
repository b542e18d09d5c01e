#include "PrintPages.h"

#include <QPrinter>
#include <algorithm>

QList<int> PrintedPages(const QPrinter &printer, int pageCount, int current) {
    QList<int> pages;
    const QPageRanges ranges = printer.pageRanges();
    if (printer.printRange() == QPrinter::CurrentPage && current >= 0) {
        pages << std::clamp(current, 0, std::max(0, pageCount - 1));
    } else {
        const bool ranged = printer.printRange() == QPrinter::PageRange && !ranges.isEmpty();
        for (int page = 0; page < pageCount; ++page)
            if (!ranged || ranges.contains(page + 1))
                pages << page;
    }
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    if (copies == 1 || pages.isEmpty())
        return pages;
    QList<int> sheets;
    sheets.reserve(pages.size() * copies);
    if (printer.collateCopies()) {
        for (int copy = 0; copy < copies; ++copy)
            sheets << pages;
    } else {
        for (int page : pages)
            for (int copy = 0; copy < copies; ++copy)
                sheets << page;
    }
    return sheets;
}

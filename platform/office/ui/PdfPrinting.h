#pragma once
// Printing a PDF file: each page is drawn as a picture on the printer, fitted into the printable
// area with its proportions kept. The office suite's PDF is what the user saw in the preview,
// so the printout is the same whatever the printer's own PDF support.

#include "OfficeErrors.h"

#include <QString>

class QPdfDocument;
class QPrinter;

// Loads the PDF at path into document. Raises EOfficeError naming the file and the reason when
// it is missing, not a PDF, protected by a password or has no pages.
void OpenPdfDocument(QPdfDocument &document, const QString &path);

// Prints the pages of the PDF at pdfPath on printer: the pages of its page range (all when it
// has none), in its page order, as many copies as it asks for (collated or not) unless the
// printer makes the copies itself. Pages are rendered at the printer's resolution, at most
// MaxPrintDpi dots per inch so that a page's picture stays a few tens of megabytes.
// Raises EOfficeError when the PDF cannot be read, the range holds none of its pages, or the
// printer cannot be started.
void PrintPdf(const QString &pdfPath, QPrinter &printer);

inline constexpr int MaxPrintDpi = 300;

#pragma once
// The windows of the report engine: previewing a report, printing it on a printer (the default
// one, or the one chosen in the print dialog), and the presenter through which
// TQuickRep::Preview, PreviewModal, Print and PrintWithDialog reach them (installed when this
// library loads).

#include "QRPreparedReport.h"

#include <QString>

class QPrinter;
class QWidget;
class TQRPreviewForm;
class TQuickRep;

// Lays the report out and shows its pages in a new preview window (freed when closed); modal
// returns once the window is closed (and then returns nullptr).
TQRPreviewForm *PreviewReport(TQuickRep &report, bool modal = false, QWidget *parent = nullptr);

// Lays the report out and prints it on the default printer, or through the print dialog
// "列印" (nothing printed when it is cancelled). Raises EReportError "沒有可用的印表機" when
// there is no printer and no output file.
void PrintReport(TQuickRep &report, bool withDialog = false, QWidget *parent = nullptr);
// Raises that error when there is nothing to print on.
void CheckReportPrinter();
// The same for pages laid out before; false when the print dialog was cancelled.
bool PrintPreparedPages(const TQRPreparedReport &pages, bool withDialog = false,
                        QWidget *parent = nullptr);

// Prints prepared pages on a printer as it is set: its page range (current page: `current`),
// page order and copies (repeated here when the printer does not make copies itself). The
// printer gets the report's paper and prints from the paper's corner.
void PrintPreparedReport(const TQRPreparedReport &pages, QPrinter &printer, int current = 0);

// Printers print into this PDF file instead (empty: the printers themselves), for tests and
// for machines without a printer.
void SetReportPrinterOutputFile(const QString &path);
QString ReportPrinterOutputFile();

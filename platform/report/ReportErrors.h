#pragma once
// The errors of the banded report engine. A report that cannot be laid out (a band taller than
// the page, margins that leave no room, a data text naming a field its dataset does not have)
// raises EReportError with a fixed English text naming the band or element; a report with no
// page to print or save raises EReportEmpty ("報表沒有資料可以列印"), which the preview and
// the printing functions show to the user.

#include "Exceptions.h"

LUM_DECLARE_EXCEPTION(EReportError, Exception);
LUM_DECLARE_EXCEPTION(EReportEmpty, EReportError);

#pragma once
// The banded report engine in one include: the report (TQuickRep), its bands (TQRBand,
// TQRGroup, TQRSubDetail, TQRChildBand), their elements (TQRLabel, TQRDBText, TQRMemo,
// TQRSysData, TQRExpr, TQRShape) and the prepared pages (TQRPreparedReport).

#include "QRBands.h"
#include "QRCtrls.h"
#include "QRPreparedReport.h"
#include "QuickRep.h"
#include "ReportErrors.h"

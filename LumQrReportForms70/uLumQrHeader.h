#pragma once
// TLumQrHeader: a report module with the school's page header on every page: the organisation's
// name (lbCompany), the report's title (sdTitle), the page number of the page count (sdPageNum),
// the print date in the ROC calendar (sdPrintDate), a message memo that descendants and callers
// fill (moMessage) and the name of the user who prints (lbUserName). The header spans the page
// as it is when the report runs, portrait or landscape.

#include "uLumQrBase.h"

class TQRBand;
class TQRLabel;
class TQRMemo;
class TQRSysData;

class TLumQrHeader : public TLumQrBase {
    Q_OBJECT
public:
    explicit TLumQrHeader(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHeader"); }

    TQRBand *PageHeader;
    TQRLabel *lbCompany;
    TQRSysData *sdTitle;
    TQRSysData *sdPageNum;
    TQRSysData *sdPrintDate;
    TQRMemo *moMessage;
    TQRLabel *lbUserCaption;
    TQRLabel *lbUserName;

    // The width of the page between its margins, in millimetres.
    double PageWidth() const;

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    // Places the header's elements across the page as it is now.
    void ArrangeHeader();
};

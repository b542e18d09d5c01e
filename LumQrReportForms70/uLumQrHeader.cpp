#include "uLumQrHeader.h"

#include "QRBands.h"
#include "QRCtrls.h"
#include "uLoginUserInfo.h"
#include "uOrganization.h"

TLumQrHeader::TLumQrHeader(QObject *owner) : TLumQrBase(owner) {
    PageHeader = new TQRBand(this, rbPageHeader, 27);
    PageHeader->SetName(QStringLiteral("PageHeader"));
    PageHeader->Frame().Bottom = true;

    lbCompany = PageHeader->AddLabel(0, 0, 190, 7, Organization ? Organization->FullName : "");
    lbCompany->SetName(QStringLiteral("lbCompany"));
    lbCompany->SetAlignment(taCenter);
    lbCompany->SetFontSize(14);
    lbCompany->SetBold(true);

    sdTitle = PageHeader->AddSysData(0, 7, 190, 7, qrsReportTitle);
    sdTitle->SetName(QStringLiteral("sdTitle"));
    sdTitle->SetAlignment(taCenter);
    sdTitle->SetFontSize(13);

    sdPrintDate = PageHeader->AddSysData(0, 15, 60, 5, qrsDate, QStringLiteral("列印日期："));
    sdPrintDate->SetName(QStringLiteral("sdPrintDate"));
    sdPrintDate->SetRocCalendar(true);
    sdPrintDate->SetFontSize(9);

    sdPageNum = PageHeader->AddSysData(130, 15, 60, 5, qrsPageNumber,
                                       QStringLiteral("第 %d 頁 / 共 %d 頁"));
    sdPageNum->SetName(QStringLiteral("sdPageNum"));
    sdPageNum->SetAlignment(taRightJustify);
    sdPageNum->SetFontSize(9);

    moMessage = PageHeader->AddMemo(0, 20, 130, 6);
    moMessage->SetName(QStringLiteral("moMessage"));
    moMessage->SetFontSize(9);
    moMessage->SetAutoStretch(true);

    lbUserCaption = PageHeader->AddLabel(130, 20, 15, 5, QStringLiteral("製表人："));
    lbUserCaption->SetName(QStringLiteral("lbUserCaption"));
    lbUserCaption->SetFontSize(9);
    lbUserCaption->SetAlignment(taRightJustify);
    lbUserName =
        PageHeader->AddLabel(145, 20, 45, 5, CurrentUserInfo ? CurrentUserInfo->Cht_Name : "");
    lbUserName->SetName(QStringLiteral("lbUserName"));
    lbUserName->SetFontSize(9);
}

double TLumQrHeader::PageWidth() const {
    const TQRPage &page = Page();
    return page.SizeMM().width() - page.LeftMargin - page.RightMargin;
}

void TLumQrHeader::ArrangeHeader() {
    const double width = PageWidth();
    lbCompany->SetWidth(width);
    sdTitle->SetWidth(width);
    sdPageNum->SetLeft(width - sdPageNum->Width());
    lbUserName->SetLeft(width - lbUserName->Width());
    lbUserCaption->SetLeft(lbUserName->Left() - lbUserCaption->Width());
    moMessage->SetWidth(lbUserCaption->Left() - 2);
}

void TLumQrHeader::DoBeforePrint(bool &printReport) {
    TLumQrBase::DoBeforePrint(printReport);
    ArrangeHeader();
}

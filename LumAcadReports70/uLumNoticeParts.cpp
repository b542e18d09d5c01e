#include "uLumNoticeParts.h"

#include "QRBands.h"
#include "QRCtrls.h"
#include "uLumQrEAcadStudent.h"

TLumNoticeParts::TLumNoticeParts(TLumQrEAcadStudent *letter, const QString &periodFormat)
    : FLetter(letter), FPeriodFormat(periodFormat) {
    ToDate = Date() - 1;
    int year = 0, month = 0, day = 0;
    ToDate.DecodeDate(year, month, day);
    FromDate = TDateTime::EncodeDate(year, month, 1);

    moInfo = letter->EnvelopeBand->AddMemo(0, 77, 190, 6);
    moInfo->SetName(QStringLiteral("moInfo"));
    moInfo->SetFontSize(11);

    LetterBand = new TQRBand(letter, rbDetail, 8);
    LetterBand->SetName(QStringLiteral("LetterBand"));
    lbPeriod = LetterBand->AddLabel(0, 1, 190, 6, {});
    lbPeriod->SetName(QStringLiteral("lbPeriod"));
    lbPeriod->SetFontSize(11);

    FootBand = letter->EnvelopeBand->AddFooterBand(10);
    FootBand->SetName(QStringLiteral("FootBand"));
    TQRLabel *remarks = FootBand->AddLabel(0, 3, 22, 6, QStringLiteral("備註說明:"));
    remarks->SetName(QStringLiteral("lbRemarks"));
    QRMemo_Foot = FootBand->AddMemo(22, 3, 168, 6);
    QRMemo_Foot->SetName(QStringLiteral("QRMemo_Foot"));
    QRMemo_Foot->SetAutoStretch(true);
    FixedTextBand = FootBand->AddChildBand(8);
    FixedTextBand->SetName(QStringLiteral("FixedTextBand"));
}

QString TLumNoticeParts::FootMemo() const {
    return QRMemo_Foot->Text();
}

void TLumNoticeParts::SetFootMemo(const QString &text) {
    QRMemo_Foot->SetText(text);
}

void TLumNoticeParts::SetPeriodLine() {
    lbPeriod->SetCaption(FPeriodFormat.arg(DateToStr(FromDate), DateToStr(ToDate)));
}

void TLumNoticeParts::SetInfoLine() {
    moInfo->Lines().Clear();
    moInfo->Lines().Add(QStringLiteral("查貴子弟") + FLetter->GetStudentInfo());
}

TQRMemo *TLumNoticeParts::AddFixedText(const QStringList &lines) {
    TQRMemo *memo = FixedTextBand->AddMemo(0, 1, 190, 6);
    memo->SetAutoStretch(true);
    for (const QString &line : lines)
        memo->Lines().Add(line);
    return memo;
}

#pragma once
// What the notices to families share, built on a student letter: the period (at creation from
// the first day of yesterday's month to yesterday), the envelope line "查貴子弟" followed by the
// student line (moInfo), the period line under the envelope (lbPeriod, set when the report runs),
// and the footer with the remarks "備註說明:" and the footer memo (QRMemo_Foot, FootMemo), whose
// child band FixedTextBand carries the notice's fixed texts.

#include "DateTime.h"

#include <QString>

class TLumQrEAcadStudent;
class TQRBand;
class TQRChildBand;
class TQRLabel;
class TQRMemo;

class TLumNoticeParts {
public:
    // periodFormat has %1 and %2: the first and the last day of the period (short dates).
    TLumNoticeParts(TLumQrEAcadStudent *letter, const QString &periodFormat);

    TDateTime FromDate, ToDate;

    TQRMemo *moInfo;      // on the envelope band, under the window
    TQRBand *LetterBand;  // a student's rows follow it
    TQRLabel *lbPeriod;   // "於 ... 至 ... 期間..." with the period
    TQRBand *FootBand;    // after a student's rows
    TQRMemo *QRMemo_Foot; // the remarks a caller gives
    TQRChildBand *FixedTextBand;

    QString FootMemo() const;
    void SetFootMemo(const QString &text);

    // The period line for a run; called before the report prints.
    void SetPeriodLine();
    // The envelope line of the current student; called before each envelope band.
    void SetInfoLine();
    // A memo on FixedTextBand with these lines.
    TQRMemo *AddFixedText(const QStringList &lines);

private:
    TLumQrEAcadStudent *FLetter;
    QString FPeriodFormat;
};

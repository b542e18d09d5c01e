#pragma once
// TLumQrHAcadClassmate_AbsWeekly: the weekly absence statistics of each class
// "班級學生週缺曠課統計表", on landscape paper: under each class's header one line per student and
// week, by seat: student number "學 號", name "姓 名", seat "座號", the week's first day
// "週起始日期", for each day Sunday "日" to Saturday "六" the absent and leave periods and the
// leave type ("缺/假/假別"), the week's absent, leave and truant periods ("週小計") and the
// running totals ("累計"). Counts of 0 and the leave type "*" print empty. The page footer shows
// FootMemo.

#include "uLumQrHAcadClassmate.h"

class TQRBand;
class TQRMemo;
class TQRSubDetail;

class TLumQrHAcadClassmate_AbsWeekly : public TLumQrHAcadClassmate {
    Q_OBJECT
public:
    explicit TLumQrHAcadClassmate_AbsWeekly(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHAcadClassmate_AbsWeekly"); }

    TCodeTableCDS *st_VACID; // leave types
    TQRSubDetail *WeekRows;
    TQRBand *WeekHeading, *PageFooter;
    TQRMemo *QRMemo_Foot;

    QString FootMemo() const;
    void SetFootMemo(const QString &text);
};

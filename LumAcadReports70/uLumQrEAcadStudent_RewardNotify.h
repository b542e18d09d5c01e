#pragma once
// TLumQrEAcadStudent_RewardNotify: the reward and punishment notice "學生獎懲通知單". Each letter
// shows, under the envelope, the student line, the student's rewards and punishments issued in
// the period (date of issue, cause, kind, count, basis), the term's totals, the remarks and the
// reply form that the student brings back to the discipline office with the parents' signature.
//
// Only rows that were approved (Verify 'Y') and posted (TranYN 'Y') ever print, whatever the
// query or the caller's dataset holds. The rows come from the reward server (view
// vLumRewardPunishDetail) and the totals from the course server (SemStaticStudents), chosen by
// a condition (by default the term, the period and the students of the letters) or copied from
// datasets the caller holds. Open the students first (OpenStudents).

#include "uLumNoticeParts.h"
#include "uLumQrEAcadStudent.h"

class TQRBand;
class TQRSubDetail;

class TLumQrEAcadStudent_RewardNotify : public TLumQrEAcadStudent {
    Q_OBJECT
public:
    explicit TLumQrEAcadStudent_RewardNotify(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrEAcadStudent_RewardNotify"); }

    TCodeTableCDS *AF_REPU; // kinds of reward and punishment
    TStatelessCDataSet *StudentSemStatic;
    TStatelessCDataSet *RewardSemDetail;

    TQRSubDetail *DetailRows;
    TQRBand *DetailHeading;
    TQRSubDetail *SemStaticRows;
    TQRBand *SemStaticHeading;
    TQRLabel *lbReplyStudent; // the student line on the reply form
    TLumNoticeParts Parts;

    // The condition builder reset to `where`; with addDefaults, or when `where` is empty, the
    // term, the period (Dispatchdate, whole days) and the students are added (And); the rows of
    // "Select * from vLumRewardPunishDetail Where " + that condition are read.
    void OpenDetail(const QString &where, bool addDefaults);
    void OpenDetail(TClientDataSet *dataSet);
    // The term totals: the term and the students by default; "Select * from SemStaticStudents
    // Where " + the condition.
    void OpenSemStatic(const QString &where, bool addDefaults);
    void OpenSemStatic(TClientDataSet *dataSet);

    // The rows of the period and their headings.
    bool EnableDetail() const { return FEnableDetail; }
    void SetEnableDetail(bool enable);
    QString FootMemo() const { return Parts.FootMemo(); }
    void SetFootMemo(const QString &text) { Parts.SetFootMemo(text); }
    TDateTime FromDate() const { return Parts.FromDate; }
    void SetFromDate(TDateTime date) { Parts.FromDate = date; }
    TDateTime ToDate() const { return Parts.ToDate; }
    void SetToDate(TDateTime date) { Parts.ToDate = date; }

protected:
    void DoBeforePrint(bool &printReport) override;

private:
    void BuildBands();
    bool FEnableDetail = true;
};

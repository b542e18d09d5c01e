#pragma once
// 學生獎懲證明: a certificate of one student by number: the conduct of each term
// ("學生操行證明單"), the rewards and punishments of all years ("學生歷年獎懲證明單"), or the
// deeds at school of one origin or of all ("學生在校事蹟證明單").

#include "uAcadWordJobForm.h"

#include <memory>

class QComboBox;
class TLumWRSAcadRewardCertificate;

class TRewardCertificateForm : public TAcadWordJobForm {
    Q_OBJECT
public:
    TRewardCertificateForm();
    ~TRewardCertificateForm() override;

    QLineEdit *edStudentID;
    QComboBox *cbKind;   // in the order of TRewardCertificateType
    QComboBox *cbOrigin; // "(全部)", then the origins of AF_OriType
    std::unique_ptr<TLumWRSAcadRewardCertificate> Certificate;

    TDocuReport *MakeDocument(bool &found) override;
};

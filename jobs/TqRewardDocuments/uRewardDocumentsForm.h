#pragma once
// 獎懲建議單及公告單: a proposal of rewards or punishments by its number ("獎懲建議單"), or the
// public notice of a dispatch number ("獎懲公告單", ten students a page).

#include "uAcadWordJobForm.h"

#include <memory>

class QComboBox;
class TLumWRAcadRewardBill;
class TLumWRAcadRewardPublish;

class TRewardDocumentsForm : public TAcadWordJobForm {
    Q_OBJECT
public:
    TRewardDocumentsForm();
    ~TRewardDocumentsForm() override;

    QComboBox *cbKind; // 獎懲建議單, 獎懲公告單
    QLineEdit *edNumber;
    std::unique_ptr<TLumWRAcadRewardBill> Bill;
    std::unique_ptr<TLumWRAcadRewardPublish> Notice;

    TDocuReport *MakeDocument(bool &found) override;
};

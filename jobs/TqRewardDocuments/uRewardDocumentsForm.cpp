#include "uRewardDocumentsForm.h"

#include "StatelessDataSet.h"
#include "uLumWRAcadRewardBill.h"
#include "uLumWRAcadRewardPublish.h"

#include <QComboBox>
#include <QLineEdit>

TRewardDocumentsForm::TRewardDocumentsForm()
    : TAcadWordJobForm(QStringLiteral("獎懲建議單及公告單")) {
    setObjectName(QStringLiteral("RewardDocumentsForm"));
    cbKind = new QComboBox;
    cbKind->setObjectName(QStringLiteral("cbKind"));
    cbKind->addItems({QStringLiteral("獎懲建議單"), QStringLiteral("獎懲公告單")});
    AddCriterion(QStringLiteral("文件:"), cbKind);
    edNumber = new QLineEdit;
    edNumber->setObjectName(QStringLiteral("edNumber"));
    edNumber->setPlaceholderText(QStringLiteral("建議單號或發文文號"));
    AddCriterion(QStringLiteral("單號:"), edNumber);
}

TRewardDocumentsForm::~TRewardDocumentsForm() = default;

TDocuReport *TRewardDocumentsForm::MakeDocument(bool &found) {
    if (cbKind->currentIndex() == 0) {
        const QString no = NumberOf(edNumber, QStringLiteral("建議單號"));
        if (!Bill)
            Bill = std::make_unique<TLumWRAcadRewardBill>();
        Bill->PrintingByNo(no);
        found = !Bill->RewardPunish->IsEmpty();
        Bill->PrintDoc();
        return Bill->DocuReport;
    }
    const QString no = NumberOf(edNumber, QStringLiteral("發文文號"));
    if (!Notice)
        Notice = std::make_unique<TLumWRAcadRewardPublish>();
    Notice->PrintingByNo(no);
    found = !Notice->DispatchNumbers().isEmpty();
    return Notice->DocuReport;
}

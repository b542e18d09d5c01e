#include "uRewardCertificateForm.h"

#include "CodeTableCDS.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uLumWRSAcadRewardCertificate.h"

#include <QComboBox>
#include <QLineEdit>

TRewardCertificateForm::TRewardCertificateForm()
    : TAcadWordJobForm(QStringLiteral("學生獎懲證明")),
      Certificate(std::make_unique<TLumWRSAcadRewardCertificate>()) {
    setObjectName(QStringLiteral("RewardCertificateForm"));
    edStudentID = new QLineEdit;
    edStudentID->setObjectName(QStringLiteral("edStudentID"));
    AddCriterion(QStringLiteral("學號:"), edStudentID);
    cbKind = new QComboBox;
    cbKind->setObjectName(QStringLiteral("cbKind"));
    cbKind->addItems({QStringLiteral("學生操行證明單"), QStringLiteral("學生歷年獎懲證明單"),
                      QStringLiteral("學生在校事蹟證明單")});
    AddCriterion(QStringLiteral("證明:"), cbKind);
    cbOrigin = new QComboBox;
    cbOrigin->setObjectName(QStringLiteral("cbOrigin"));
    cbOrigin->addItem(QStringLiteral("(全部)"), QString());
    TCodeTableCDS *origins = Certificate->cdAF_OriType;
    if (origins->Active())
        for (origins->First(); !origins->Eof(); origins->Next())
            cbOrigin->addItem(origins->FieldByName(QStringLiteral("Descript"))->AsString(),
                              origins->FieldByName(QStringLiteral("Code"))->AsString());
    AddCriterion(QStringLiteral("事蹟類別:"), cbOrigin);
    const auto kindChanged = [this] { cbOrigin->setEnabled(cbKind->currentIndex() == 2); };
    connect(cbKind, &QComboBox::currentIndexChanged, this, kindChanged);
    kindChanged();
}

TRewardCertificateForm::~TRewardCertificateForm() = default;

TDocuReport *TRewardCertificateForm::MakeDocument(bool &found) {
    const QString student = NumberOf(edStudentID, QStringLiteral("學號"));
    Certificate->SetCertificateType(TRewardCertificateType(cbKind->currentIndex()));
    if (cbKind->currentIndex() == rctOrigin)
        Certificate->SetOriginType(cbOrigin->currentData().toString());
    Certificate->PrintingByStudent(student);
    found = !Certificate->StudentDataSet->IsEmpty();
    return Certificate->DocuReport;
}

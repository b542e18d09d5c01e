#include "uGraduateReviewForm.h"

#include "ClientDataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uJobServerData.h"
#include "uLumWRAcadStudyGB_GradeDoc.h"
#include "uLumWRAcadStudyGB_StudyDoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

TGraduateReviewForm::TGraduateReviewForm() : TAcadWordJobForm(QStringLiteral("學生學程審查")) {
    setObjectName(QStringLiteral("GraduateReviewForm"));
    CourseData = new TJobServerData(this, QStringLiteral("SrvAcademic.AcadCourseINTF"));
    Studies = CourseData->AddDataSet(QStringLiteral("xStudyInfoProvider"));
    edStudentID = new QLineEdit;
    edStudentID->setObjectName(QStringLiteral("edStudentID"));
    AddCriterion(QStringLiteral("學號:"), edStudentID);
    cbStudy = new QComboBox;
    cbStudy->setObjectName(QStringLiteral("cbStudy"));
    AddCriterion(QStringLiteral("學程:"), cbStudy);
    cbReview = new QComboBox;
    cbReview->setObjectName(QStringLiteral("cbReview"));
    cbReview->addItems({QStringLiteral("學程資格審查"), QStringLiteral("學程學門審查"),
                        QStringLiteral("成績審查表")});
    AddCriterion(QStringLiteral("審查表:"), cbReview);
    chkWithGrades = new QCheckBox(QStringLiteral("附歷年成績"));
    chkWithGrades->setObjectName(QStringLiteral("chkWithGrades"));
    chkWithGrades->setChecked(true);
    AddCriterion(QString(), chkWithGrades);
    chkCountEnrolled = new QCheckBox(QStringLiteral("修課中的科目視為及格"));
    chkCountEnrolled->setObjectName(QStringLiteral("chkCountEnrolled"));
    AddCriterion(QString(), chkCountEnrolled);
    connect(cbReview, &QComboBox::currentIndexChanged, this,
            [this](int review) { chkWithGrades->setEnabled(review != 2); });
}

TGraduateReviewForm::~TGraduateReviewForm() = default;

void TGraduateReviewForm::DoFormInitial() {
    TAcadWordJobForm::DoFormInitial();
    CourseData->Open(Studies);
    cbStudy->clear();
    for (Studies->First(); !Studies->Eof(); Studies->Next())
        cbStudy->addItem(Studies->FieldByName(QStringLiteral("StudyID"))->AsString() + u' ' +
                             Studies->FieldByName(QStringLiteral("StudyName"))->AsString(),
                         Studies->FieldByName(QStringLiteral("StudyID"))->AsString());
}

TDocuReport *TGraduateReviewForm::MakeDocument(bool &found) {
    const QString student = NumberOf(edStudentID, QStringLiteral("學號"));
    const QString study = cbStudy->currentData().toString();
    if (study.isEmpty())
        throw Exception(QStringLiteral("請選擇學程"));
    if (cbReview->currentIndex() == 2) {
        if (!GradeDoc)
            GradeDoc = std::make_unique<TLumWRAcadStudyGB_GradeDoc>();
        GradeDoc->SetCheckOption(chkCountEnrolled->isChecked());
        GradeDoc->OpenStudentStudy(student, study);
        found = !GradeDoc->StudentStudyInfo->IsEmpty();
        GradeDoc->PrintDoc();
        return GradeDoc->DocuReport;
    }
    if (!StudyDoc)
        StudyDoc = std::make_unique<TLumWRAcadStudyGB_StudyDoc>();
    StudyDoc->SetCheckOption(chkCountEnrolled->isChecked());
    StudyDoc->SetReviewKind(cbReview->currentIndex());
    StudyDoc->SetWithGrades(chkWithGrades->isChecked());
    StudyDoc->OpenStudentStudy(student, study);
    found = !StudyDoc->StudentStudyInfo->IsEmpty();
    StudyDoc->PrintDoc();
    return StudyDoc->DocuReport;
}

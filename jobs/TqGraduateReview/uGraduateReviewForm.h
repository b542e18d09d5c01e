#pragma once
// 學生學程審查: a student's review against a study programme: the qualification against the
// programme's courses ("學程資格審查"), the discipline groups against their courses
// ("學程學門審查"), with or without the student's grades, or the grades alone ("成績審查表");
// the courses being taken may count as passed, to see what a student still lacks.

#include "uAcadWordJobForm.h"

#include <memory>

class QCheckBox;
class QComboBox;
class TJobServerData;
class TLumWRAcadStudyGB_GradeDoc;
class TLumWRAcadStudyGB_StudyDoc;
class TStatelessCDataSet;

class TGraduateReviewForm : public TAcadWordJobForm {
    Q_OBJECT
public:
    TGraduateReviewForm();
    ~TGraduateReviewForm() override;

    QLineEdit *edStudentID;
    QComboBox *cbStudy;  // the programmes, by code and name
    QComboBox *cbReview; // 學程資格審查, 學程學門審查, 成績審查表
    QCheckBox *chkWithGrades, *chkCountEnrolled;
    TJobServerData *CourseData;
    TStatelessCDataSet *Studies;
    std::unique_ptr<TLumWRAcadStudyGB_StudyDoc> StudyDoc;
    std::unique_ptr<TLumWRAcadStudyGB_GradeDoc> GradeDoc;

    TDocuReport *MakeDocument(bool &found) override;
    void DoFormInitial() override;
};

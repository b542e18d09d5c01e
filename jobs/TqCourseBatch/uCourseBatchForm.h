#pragma once
// The batch enrolment of "SrvAcademic.AcadCourseINTF": pick the term and the course; the query
// finds the students on the roll not yet enrolled in it, by class and sex ("dspCourseCandidates"
// with the query's own statement); the course's list ("dspCourseStudents") shows beside them.
// "新增" copies the selected students into the list, "移除" takes the selected ones out (a
// student with a score stays), "複製" keeps the current student's score and "貼上" gives it to
// every selected student: each operation is confirmed to the server at once, in one batch.

#include "uBaseTBQCDS_V2.h"

class QGroupBox;
class TLUMDBCodeComboBox;
class TLumCodeComboBox;

class TCourseBatchForm : public TBaseTBQCDS_V2 {
    Q_OBJECT
public:
    TCourseBatchForm();
    ~TCourseBatchForm() override;

    TLUMDBCodeComboBox *cbSemester, *cbClass, *cbSex;
    // The courses of the term chosen.
    TLumCodeComboBox *cbCourse;
    TClientDataSet *CourseIndex;
    TClientDataSet *EnrolDataSet;
    TDataSource *EnrolSource;
    QGroupBox *gbEnrolled;
    TDBGrid *gridEnrolled;

    QString CourseID() const;
    TDBGrid *GetGridActive() const override { return gridEnrolled; }
    TDBGrid *GetGridSelect() const override { return DBGrid; }
    void DoQueryCommand() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    void DoFormInitial() override;
    void DoGridDataChange(TDataSet *dataSet) override;

private:
    void SemesterChange();
    void CourseChange();
};

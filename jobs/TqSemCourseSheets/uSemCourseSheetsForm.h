#pragma once
// 科目名冊及計分表: the rosters and sheets of a term's courses: the course roster
// "科目修課學生名冊", the score sheet "科目計分表" (the midterm and semester grades entered, or
// empty cells to fill in), the blank score sheet "科目計分表(空白)" and the roll-call sheet
// "科目點名表", for one course, the courses of one department, or every course of the term.
// The courses listed are those of the term and department chosen, read again when either
// changes.

#include "uAcadReportJobForm.h"

class QCheckBox;
class QComboBox;
class TJobServerData;
class TLumCodeComboBox;
class TStatelessCDataSet;

class TSemCourseSheetsForm : public TAcadReportJobForm {
    Q_OBJECT
public:
    TSemCourseSheetsForm();

    enum TSheet { shRoster, shGrades, shGradesEmpty, shAbsence };
    QComboBox *cbSheet;
    TLumCodeComboBox *cbDepartment;                        // "(全部)": every department
    TLumCodeComboBox *cbCourse;                            // "(全部)": every course listed
    QCheckBox *chkPrintGrades, *chkMidGrade, *chkSemGrade; // the score sheet's grades
    TJobServerData *CourseData;
    TStatelessCDataSet *Courses; // the term's courses

    std::unique_ptr<TQuickRep> MakeReport() override;
    void DoFormInitial() override;

private:
    // The term's courses read anew, the departments among them listed.
    void ReadCourses();
    // The courses of the department chosen listed.
    void ListCourses();
    void SheetChange();
    QString CoursesWhere() const;
};

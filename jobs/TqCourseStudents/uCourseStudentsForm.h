#pragma once
// 課程選修學生維護: the courses of a term, each with the students enrolled in it, on
// "SrvAcademic.AcadCourseINTF" ("dspSemCourses", the students nested in each course). The
// term is chosen at the top; the courses are listed on the left with the chosen one's data
// below them, its students on the right. Students are added, their scores recorded and they
// are removed; courses are added, changed, and deleted with all their students after one
// question. Everything is confirmed in one batch.

#include "uMasterDetailTBBaseForm.h"

#include <memory>
#include <vector>

class QLabel;
class QToolButton;
class TCodeFieldLink;
class TDBGrid;
class TDBSpinEdit;
class TJobServerData;
class TLUMDBCodeComboBox;
class TStatelessCDataSet;
class TTqDBNumEdit;

class TCourseStudentsForm : public TMasterDetailTBBaseForm {
    Q_OBJECT
public:
    TCourseStudentsForm();
    ~TCourseStudentsForm() override;

    // The term whose courses are shown, from the school-term codes.
    QLabel *lbSemester;
    TLUMDBCodeComboBox *cbSemester;
    TDBGrid *gridCourses, *gridStudents;
    // The chosen course's own data.
    TTqDBNumEdit *edCourseID, *edCourseName;
    TLUMDBCodeComboBox *cbClass, *cbTeacher;
    TDBSpinEdit *seCredits;
    // "課程修改": the chosen course's own data put in editing.
    TAction *ActMasterEdit = nullptr;
    // The staff (teachers) and the roll, read from their servers, for names.
    TJobServerData *StaffData, *RollData;
    TStatelessCDataSet *Staff, *Roll;
    TDataSource *StaffSource;

    QString Semester() const;
    void DoFormInitial() override;
    void DoDataOpen() override;
    void OpCtrl() override;

private:
    void ActMasterEditExecute();
    // Every post of a student is checked against the roll and stamped; the course is stamped
    // when the user changed it, not when its students changed.
    void DetailBeforePost(TDataSet *dataSet);
    void MasterBeforePost(TDataSet *dataSet);
    std::vector<std::unique_ptr<TCodeFieldLink>> FLinks;
    bool FEditingCourse = false;
};

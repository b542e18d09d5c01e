#pragma once
// 課程選課作業: the students of a course on "SrvAcademic.AcadCourseINTF". The term and the
// course are chosen in the conditions; the students in school who are not in the course
// ("dspCourseCandidates") are on the left, those enrolled ("dspCourseStudents") on the right.
// Students moved across are enrolled or removed at once; a student whose score is recorded is
// not removed, and the user is told which students stayed and why.

#include "uDualGridForm.h"

class QLabel;
class TCodeTableCDS;
class TLUMDBCodeComboBox;
class TSocketConnection;

class TCourseSelectForm : public TDualGridForm {
    Q_OBJECT
public:
    TCourseSelectForm();
    ~TCourseSelectForm() override;

    TSocketConnection *SocketConnection;
    TCodeTableCDS *CodeTable;
    TDataSource *CodeTableSource, *CoursesSource;
    // The courses of the term chosen, the candidates and the students of the course chosen.
    TClientDataSet *CoursesDataSet = nullptr, *CandidatesDataSet = nullptr,
                   *EnrolledDataSet = nullptr;
    TLUMDBCodeComboBox *cbSemester, *cbCourse;
    QLabel *lbCourseInfo;

    QString Semester() const;
    QString Course() const;
    // Reads the courses of the term chosen and shows the first of them.
    void OpenSemester();
    // Reads the candidates and the students of the course chosen.
    void OpenCourse();

    void DoFormInitial() override;
    void InsertOneData() override;
    bool DoRemoveCheck() override;
    void DoActiveDataChange(TActiveDataOperation operation) override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    void OpCtrl() override;
    // Moves left to confirm (the server refused them) are confirmed or dropped first.
    void FormClose(TCloseAction &action) override;

private:
    void ShowCourseInfo();
    // Students a removal left in the course because their scores are recorded.
    QStringList FKept;
};

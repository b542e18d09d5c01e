#pragma once
// TLumWRAcadStudyGraduateBase: the Word documents of a student's graduation review against a
// study programme. One call of the course server ("GetStudentGraduateCheckInfo") gives the
// five datasets: the student against the programme (StudentStudyInfo), the programme's courses
// (StudyCourses), its discipline groups (GroupInfo) and their courses (GroupCourses), and the
// student's grades (StudentGrade); or the caller gives them. A grade of -1 shows "未到" (absent),
// -2 "抵免" (credit transferred); codes show by their descriptions. The labels are the fields
// of StudentStudyInfo (empty when there is no row).

#include "uLumDocuReportBase.h"

class TDataSource;

class TLumWRAcadStudyGraduateBase : public TLumDocuReportBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyGraduateBase(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyGraduateBase"); }

    TCodeTableCDS *CDUnit, *cdST_CLASS, *cdST_StudyType, *cdST_Diploma, *st_ClassName, *cdGroupType,
        *zccs_CHOOSE, *zcSemester;
    TClientDataSet *StudentStudyInfo, *StudyCourses, *GroupInfo, *GroupCourses, *StudentGrade;
    TDataSource *StudyCoursesSource, *GroupInfoSource, *GroupCoursesSource, *StudentGradeSource;

    const QString &StudentID() const { return FStudentID; }
    const QString &StudyID() const { return FStudyID; }
    // Passed to the server with the review: the courses being taken count as passed. False
    // unless set.
    bool CheckOption() const { return FCheckOption; }
    void SetCheckOption(bool option) { FCheckOption = option; }

    // Stores both numbers and fetches the review from the server.
    void OpenStudentStudy(const QString &studentID, const QString &studyID);
    // The five datasets' packets and orders, without a server call.
    void OpenStudentStudy(TClientDataSet *info, TClientDataSet *courses, TClientDataSet *grades,
                          TClientDataSet *groupCourses, TClientDataSet *groupInfo);
    // The document.
    virtual void PrintDoc();
    void SetFormLabels() override;

    // The text of a grade: "未到" for -1, "抵免" for -2, the grade otherwise.
    static QString GradeText(const QString &grade);

protected:
    // The labels this document fills from StudentStudyInfo.
    virtual QStringList LabelFields() const;

private:
    void Fetch();
    QString FStudentID, FStudyID;
    bool FCheckOption = false;
};

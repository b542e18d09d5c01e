#pragma once
// TLumWRAcadStudyGB_StudyDoc: a student's review against a study programme: the student and the
// programme with the credits required and passed in the labels, the discipline groups
// (GroupInfo) in table 1 and the courses in table 2, both below row 3, and with WithGrades the
// student's grades in table 3 below row 2. ReviewKind 0 reviews the qualification against the
// programme's courses ("學生學程資格審查表Grade.doc", without grades "學生學程資格審查表.doc"),
// 1 the discipline groups against their courses ("學生學程學門審查表Grade.doc" or
// "學生學程學門審查表.doc"); another kind keeps the courses and the template it had.

#include "uLumWRAcadStudyGraduateBase.h"

class TDBWRTableIndex;

class TLumWRAcadStudyGB_StudyDoc : public TLumWRAcadStudyGraduateBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyGB_StudyDoc(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyGB_StudyDoc"); }

    TDataSource *CoursesSource;
    TDBWRTableIndex *wrGroupTable, *wrCourseTable, *wrGradeTable;

    int ReviewKind() const { return FReviewKind; }
    void SetReviewKind(int kind) { FReviewKind = kind; }
    bool WithGrades() const { return FWithGrades; }
    void SetWithGrades(bool withGrades) { FWithGrades = withGrades; }

    void PrintDoc() override;

protected:
    QStringList LabelFields() const override;

private:
    int FReviewKind = 0;
    bool FWithGrades = true;
};

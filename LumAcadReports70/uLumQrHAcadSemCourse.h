#pragma once
// TLumQrHAcadSemCourse: the course report "科目", one group per semester course of the term:
// each course starts a page with its header (course number and name, required or elective,
// credits, section, teachers, study type, year and class it is for, rooms and periods, course
// code, department), printed again at the top of every page the course continues on. The
// courses come from the course server (view vTqSemCourses), chosen by a condition to which the
// term is added, or copied from a dataset the caller holds; they are ordered by department,
// study type and course.

#include "uLumQrHAcad.h"

class TDataSource;
class TOrvCoursesIndexCDS;
class TQRDBText;
class TQRGroup;
class TQRLabel;

class TLumQrHAcadSemCourse : public TLumQrHAcad {
    Q_OBJECT
public:
    explicit TLumQrHAcadSemCourse(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHAcadSemCourse"); }

    TCodeTableCDS *NUNT, *st_CLASS, *st_ClassName, *cs_CHOOSE;
    TOrvCoursesIndexCDS *OrvCoursesIndexCDS1; // course names
    TStatelessCDataSet *SemCoursesDataSet;
    TDataSource *SemCoursesSource;

    TQRGroup *CourseHeader;
    TQRLabel *lbGrade, *lbClass; // "年級：", "班別："
    TQRDBText *qrGrade, *qrAClassName;

    TClientDataSet *GetMasterDataSet() override;
    // "Select * From vTqSemCourses Where " + the condition with the term added.
    void DoMasterCommand() override;
    void OpenSemCourses(const QString &where) { OpenMaster(where); }
    void OpenSemCourses(TClientDataSet *dataSet) { OpenMaster(dataSet); }

    // The header items "年級：" and "班別：" (the year and class a course is for).
    bool EnableFit() const { return FEnableFit; }
    void SetEnableFit(bool enable);

    // The course index whose CourseName names each course (lkCourseName, by CourseID): the
    // school's (OrvCoursesIndexCDS1) from the start.
    TDataSet *CourseIndex() const { return FCourseIndex; }
    void SetCourseIndex(TDataSet *courseIndex);
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    void BuildHeader();
    bool FEnableFit = true;
    TDataSet *FCourseIndex = nullptr;
};

#pragma once
// TLumWRAcadStudyBNormalDoc: a department's study programme ("系所學程表.doc"): the
// programme's labels, its discipline groups (the nested StudyGroups of StudyInfo) in table 1
// and its courses (the nested StudyCourses) in table 2, each under a title row written below
// row 1; departments, group types, elective types and semesters by their descriptions.

#include "uLumWRAcadStudyBase.h"

class TDBWRTableIndex;

class TLumWRAcadStudyBNormalDoc : public TLumWRAcadStudyBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyBNormalDoc(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyBNormalDoc"); }

    TCodeTableCDS *cdGroupType, *zccs_CHOOSE, *zcSemester;
    TClientDataSet *StudyChooseGroup, *StudyCourses;
    TDataSource *GroupSource, *CourseSource;
    TDBWRTableIndex *wrGroupTable, *wrCourseTable;
};

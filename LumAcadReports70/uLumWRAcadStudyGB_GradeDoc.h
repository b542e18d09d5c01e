#pragma once
// TLumWRAcadStudyGB_GradeDoc: a student's grades for review ("學生成績審查表.doc"): the student's
// labels and the grades (StudentGrade) in table 1 below row 2.

#include "uLumWRAcadStudyGraduateBase.h"

class TDBWRTableIndex;

class TLumWRAcadStudyGB_GradeDoc : public TLumWRAcadStudyGraduateBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyGB_GradeDoc(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyGB_GradeDoc"); }

    TDBWRTableIndex *wrGradeTable;
};

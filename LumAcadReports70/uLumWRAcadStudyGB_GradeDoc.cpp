#include "uLumWRAcadStudyGB_GradeDoc.h"

#include "CodeTableCDS.h"
#include "uDocuReport.h"

TLumWRAcadStudyGB_GradeDoc::TLumWRAcadStudyGB_GradeDoc(QObject *owner)
    : TLumWRAcadStudyGraduateBase(owner) {
    SetDocForm(QStringLiteral("學生成績審查表.doc"));
    wrGradeTable = AddTableObject(QStringLiteral("wrGradeTable"), StudentGradeSource, 1, 2, false);
}

#include "uOrvCoursesIndexCDS.h"

TSystemTable *TOrvCoursesIndexCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemOrvCoursesIndex"),
                             QStringLiteral("SrvAcademic.AcadCourseINTF"),
                             QStringLiteral("xOrvCoursesIdxProvider"));
}

TSystemTable *TAcadChooseGroupCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemAcadChooseGroup"),
                             QStringLiteral("SrvAcademic.AcadCourseINTF"),
                             QStringLiteral("xChooseGroupProvider"));
}

TSystemTable *TAcadStudyInfoCDS::GetSystemTable() {
    return SharedSystemTable(QStringLiteral("SystemAcadStudyInfo"),
                             QStringLiteral("SrvAcademic.AcadCourseINTF"),
                             QStringLiteral("xStudyInfoProvider"));
}

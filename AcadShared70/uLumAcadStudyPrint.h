#pragma once
// TLumAcadStudyPrint: prints one study programme ("系所學程表.doc"): the programme (StudyInfo,
// the packet of "edStudyInfo2DProvider", parameter No) in the labels, its discipline groups in
// table 1 and its courses in table 2, each under a title row below row 1.

#include "uLumAcadPrintModule.h"

class TDataSource;
class TDBWRTableIndex;

class TLumAcadStudyPrint : public TLumAcadPrintModule {
    Q_OBJECT
public:
    explicit TLumAcadStudyPrint(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumAcadStudyPrint"); }

    TClientDataSet *StudyInfo, *StudyGroups, *StudyCourses;
    TDataSource *GroupSource, *CourseSource;
    TDBWRTableIndex *wrSCGroupTable, *wrSCourseTable;

    void SetFormLabels() override;

protected:
    TClientDataSet *MasterDataSet() const override { return StudyInfo; }
    void SetUpFields() override;
};

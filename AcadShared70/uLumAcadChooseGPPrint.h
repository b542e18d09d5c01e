#pragma once
// TLumAcadChooseGPPrint: prints one discipline group ("系所學門設定表.doc"): the group
// (ChooseGroup, the packet of "edChooseGroup2dProvider", parameter No) in the labels, its study
// programmes in table 1 and its courses in table 2, each under a title row below row 1.

#include "uLumAcadPrintModule.h"

class TDataSource;
class TDBWRTableIndex;

class TLumAcadChooseGPPrint : public TLumAcadPrintModule {
    Q_OBJECT
public:
    explicit TLumAcadChooseGPPrint(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumAcadChooseGPPrint"); }

    TClientDataSet *ChooseGroup, *GroupStudies, *GroupCourses;
    TDataSource *StudySource, *CourseSource;
    TDBWRTableIndex *wrCGStudyTable, *wrCGCourseTable;

    void SetFormLabels() override;

protected:
    TClientDataSet *MasterDataSet() const override { return ChooseGroup; }
    void SetUpFields() override;
};

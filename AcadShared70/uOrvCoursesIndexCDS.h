#pragma once
// The course index, the discipline groups and the study programmes of the academic server, each
// shared by every dataset of its class in the process.

#include "uSystemTable.h"

// The course index: CourseID, names, department, credits, hours, grade offered, ...
// ("xOrvCoursesIdxProvider" of "SrvAcademic.AcadCourseINTF").
class TOrvCoursesIndexCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TOrvCoursesIndexCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TOrvCoursesIndexCDS"); }
    TSystemTable *GetSystemTable() override;
};

// Discipline groups: ChooseGID, ChooseGName, Unit_ID, thresholds, GroupType, ...
// ("xChooseGroupProvider" of "SrvAcademic.AcadCourseINTF").
class TAcadChooseGroupCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TAcadChooseGroupCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TAcadChooseGroupCDS"); }
    TSystemTable *GetSystemTable() override;
};

// Study programmes: StudyID, StudyName, Unit_ID ("xStudyInfoProvider" of
// "SrvAcademic.AcadCourseINTF").
class TAcadStudyInfoCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TAcadStudyInfoCDS(QObject *owner = nullptr) : TClonedDataSet(owner) {}
    QString ClassName() const override { return QStringLiteral("TAcadStudyInfoCDS"); }
    TSystemTable *GetSystemTable() override;
};

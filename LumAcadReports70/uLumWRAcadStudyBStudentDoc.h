#pragma once
// TLumWRAcadStudyBStudentDoc: the students of a study programme ("系所學程學生檢視表.doc"): the
// programme's labels and its students in table 1 below row 2 (student number, name,
// department, class, year, seat, term of entry), from the programme's record (the nested
// StudyStudents of StudyInfo) or from vLumStudentStudyInfo (provider
// "cmvLumStudentStudyInfoProvider" of the course server) with the programme from the shared
// study-programme index.

#include "uLumWRAcadStudyBase.h"

class TAcadStudyInfoCDS;
class TDBWRTableIndex;

class TLumWRAcadStudyBStudentDoc : public TLumWRAcadStudyBase {
    Q_OBJECT
public:
    explicit TLumWRAcadStudyBStudentDoc(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumWRAcadStudyBStudentDoc"); }

    TClientDataSet *StudyStudents;
    TStatelessCDataSet *vLumStudentStudyInfo;
    TAcadStudyInfoCDS *StudyIndex;
    TDataSource *StudentsSource;
    TDBWRTableIndex *wrStudentTable;

    // The students of the programme read through the module's connection, then PrintFromView.
    void OpenStudents(const QString &studyID);
    // The dataset's rows as the students, then PrintFromView.
    void OpenStudents(const QString &studyID, TClientDataSet *dataSet);
    // The document from the index's programme and vLumStudentStudyInfo, both filtered on the
    // study ID; the Word objects read StudyInfo and StudyStudents again afterwards, also after
    // a failure.
    void PrintFromView();
};

#include "uLumWRAcadStudyBStudentDoc.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DataSource.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"
#include "uOrvCoursesIndexCDS.h"

namespace {

const QStringList kStudentColumns{QStringLiteral("StudentID"),     QStringLiteral("Cht_Name"),
                                  QStringLiteral("Unit_ID"),       QStringLiteral("ClassType"),
                                  QStringLiteral("NGrade"),        QStringLiteral("SeatNo"),
                                  QStringLiteral("EnterYSemester")};

} // namespace

TLumWRAcadStudyBStudentDoc::TLumWRAcadStudyBStudentDoc(QObject *owner)
    : TLumWRAcadStudyBase(owner) {
    SetDocForm(QStringLiteral("系所學程學生檢視表.doc"));
    StudyStudents = new TClientDataSet(this);
    StudyStudents->SetName(QStringLiteral("StudyStudents"));
    ShowNested(StudyInfo, QStringLiteral("StudyStudents"), StudyStudents);
    vLumStudentStudyInfo = AddRemoteDataSet(QStringLiteral("vLumStudentStudyInfo"),
                                            QStringLiteral("SrvAcademic.AcadCourseINTF"),
                                            QStringLiteral("cmvLumStudentStudyInfoProvider"));
    vLumStudentStudyInfo->SetCommandText(
        QStringLiteral(" Select * from vLumStudentStudyInfo Where StudyID= :StudyID"));
    vLumStudentStudyInfo->Params().CreateParam(ftString, QStringLiteral("StudyID"));
    vLumStudentStudyInfo->SetIndexFieldNames(QStringLiteral("StudentID"));
    for (TDataSet *students :
         {static_cast<TDataSet *>(StudyStudents), static_cast<TDataSet *>(vLumStudentStudyInfo)}) {
        FieldDisplays()->Columns(students, kStudentColumns);
        ShowCodeText(students, QStringLiteral("Unit_ID"), CDUnit);
        ShowCodeText(students, QStringLiteral("ClassType"), cdST_CLASS);
    }
    StudyIndex = new TAcadStudyInfoCDS(this);
    StudyIndex->SetName(QStringLiteral("StudyIndex"));
    ShowCodeText(StudyIndex, QStringLiteral("Unit_ID"), CDUnit);
    ShowCodeText(StudyIndex, QStringLiteral("StudyType"), cdST_StudyType);

    StudentsSource = new TDataSource(this);
    StudentsSource->SetName(QStringLiteral("StudentsSource"));
    StudentsSource->SetDataSet(StudyStudents);
    wrStudentTable = AddTableObject(QStringLiteral("wrStudentTable"), StudentsSource, 1, 2, false);
}

void TLumWRAcadStudyBStudentDoc::OpenStudents(const QString &studyID) {
    SetStudyID(studyID);
    vLumStudentStudyInfo->Params()
        .ParamByName(QStringLiteral("StudyID"))
        .SetValue(Variant(studyID));
    OpenRemote(vLumStudentStudyInfo);
    PrintFromView();
}

void TLumWRAcadStudyBStudentDoc::OpenStudents(const QString &studyID, TClientDataSet *dataSet) {
    SetStudyID(studyID);
    CopyDataPacket(vLumStudentStudyInfo, dataSet);
    PrintFromView();
}

void TLumWRAcadStudyBStudentDoc::PrintFromView() {
    const QString filter =
        QStringLiteral("StudyID='%1'").arg(QString(StudyID()).replace(u'\'', QStringLiteral("''")));
    const auto restore = [this] {
        StudyInfoSource->SetDataSet(StudyInfo);
        StudentsSource->SetDataSet(StudyStudents);
    };
    try {
        if (!StudyIndex->Active())
            StudyIndex->Open();
        StudyIndex->SetFilter(filter);
        StudyIndex->SetFiltered(true);
        vLumStudentStudyInfo->SetFilter(filter);
        vLumStudentStudyInfo->SetFiltered(true);
        StudyInfoSource->SetDataSet(StudyIndex);
        StudentsSource->SetDataSet(vLumStudentStudyInfo);
        PrintDoc();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

#include "uLumDocuReportStudent.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "StatelessDataSet.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

TLumDocuReportStudent::TLumDocuReportStudent(QObject *owner) : TLumDocuReportBase(owner) {
    st_CLASS = AddCodeTable(QStringLiteral("st_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    NUNT = AddCodeTable(QStringLiteral("NUNT"), QStringLiteral("Main_Code='NUNT'"));
    st_ClassName =
        AddCodeTable(QStringLiteral("st_ClassName"), QStringLiteral("Main_Code='st_ClassName'"));
    st_State = AddCodeTable(QStringLiteral("st_State"), QStringLiteral("Main_Code='st_State'"));
    st_Diploma =
        AddCodeTable(QStringLiteral("st_Diploma"), QStringLiteral("Main_Code='st_Diploma'"));

    StudentDataSet = AddRemoteDataSet(QStringLiteral("StudentDataSet"),
                                      QStringLiteral("SrvAcademic.AcadStudentINTF"),
                                      QStringLiteral("cmvStudentAllProvider"));
    StudentDataSet->SetCommandText(QStringLiteral("Select * from vStudentAll Where ID is Null"));
    ShowCodeText(StudentDataSet, QStringLiteral("Unit_ID"), NUNT);
    ShowCodeText(StudentDataSet, QStringLiteral("ClassType"), st_CLASS);
    ShowCodeText(StudentDataSet, QStringLiteral("AClassName"), st_ClassName);
    ShowCodeText(StudentDataSet, QStringLiteral("State"), st_State);
    ShowCodeText(StudentDataSet, QStringLiteral("DiplomaType"), st_Diploma);
}

void TLumDocuReportStudent::OpenStudents(const QString &where) {
    StudentDataSet->Close();
    FCondition = where;
    DoStudentCommand();
    OpenRemote(StudentDataSet);
}

void TLumDocuReportStudent::OpenStudents(TClientDataSet *dataSet) {
    CopyDataPacket(StudentDataSet, dataSet);
}

void TLumDocuReportStudent::DoStudentCommand() {
    const QString condition = FCondition.trimmed();
    StudentDataSet->SetCommandText(
        QStringLiteral("Select * from vStudentAll Where ") +
        (condition.isEmpty() ? QStringLiteral("ID is Null") : condition));
}

void TLumDocuReportStudent::SetFormLabels() {
    TLumDocuReportBase::SetFormLabels();
    for (const char *name : {"StudentID", "Cht_Name", "Unit_ID", "ClassType", "DiplomaType"})
        SetFieldLabel(StudentDataSet, QLatin1String(name));
}

void TLumDocuReportStudent::DoPrintData(TClientDataSet *dataSet) {
    OpenStudents(dataSet);
}

#include "uLumWRAcadStudyBase.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

TLumWRAcadStudyBase::TLumWRAcadStudyBase(QObject *owner) : TLumDocuReportBase(owner) {
    CDUnit = AddCodeTable(QStringLiteral("CDUnit"), QStringLiteral("Main_Code='NUNT'"));
    cdST_CLASS = AddCodeTable(QStringLiteral("cdST_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    cdST_StudyType =
        AddCodeTable(QStringLiteral("cdST_StudyType"), QStringLiteral("Main_Code='st_Study'"));
    cdST_Diploma =
        AddCodeTable(QStringLiteral("cdST_Diploma"), QStringLiteral("Main_Code='st_Diploma'"));

    StudyInfo =
        AddRemoteDataSet(QStringLiteral("StudyInfo"), QStringLiteral("SrvAcademic.AcadCourseINTF"),
                         QStringLiteral("edStudyInfo2DProvider"));
    StudyInfo->Params().CreateParam(ftString, QStringLiteral("No"));
    StudyInfoSource = new TDataSource(this);
    StudyInfoSource->SetName(QStringLiteral("StudyInfoSource"));
    StudyInfoSource->SetDataSet(StudyInfo);
    ShowCodeText(StudyInfo, QStringLiteral("Unit_ID"), CDUnit);
    ShowCodeText(StudyInfo, QStringLiteral("ClassType"), cdST_CLASS);
    ShowCodeText(StudyInfo, QStringLiteral("StudyType"), cdST_StudyType);
    ShowCodeText(StudyInfo, QStringLiteral("DiplomaType"), cdST_Diploma);
}

void TLumWRAcadStudyBase::SetStudyID(const QString &studyID) {
    if (studyID == FStudyID)
        return;
    FStudyID = studyID;
    StudyInfo->Params().ParamByName(QStringLiteral("No")).SetValue(Variant(studyID));
}

void TLumWRAcadStudyBase::OpenStudy(const QString &studyID) {
    StudyInfoSource->SetDataSet(StudyInfo);
    SetStudyID(studyID);
    OpenRemote(StudyInfo);
    PrintDoc();
}

void TLumWRAcadStudyBase::OpenStudy(TClientDataSet *dataSet) {
    DoPrintData(dataSet);
    PrintDoc();
}

void TLumWRAcadStudyBase::DoPrintData(TClientDataSet *dataSet) {
    StudyInfoSource->SetDataSet(StudyInfo);
    CopyDataPacket(StudyInfo, dataSet);
}

TDataSet *TLumWRAcadStudyBase::GetStudyDataSet() const {
    return StudyInfoSource->DataSet();
}

void TLumWRAcadStudyBase::PrintDoc() {
    SendDocument();
}

void TLumWRAcadStudyBase::SetFormLabels() {
    TLumDocuReportBase::SetFormLabels();
    for (const char *name :
         {"Unit_ID", "StudyID", "StudyName", "Creater", "ClassType", "DiplomaType", "StudyType",
          "GradeuateCredit", "MustCredit", "SelectCredit", "CreateDate", "DiplomaChtName",
          "DiplomaEngName", "CheckeDate"})
        SetFieldLabel(GetStudyDataSet(), QLatin1String(name));
}

QString TLumWRAcadStudyBase::CodeLookup(TDataSet *codeTable, const QString &code) {
    return CodeTableText(codeTable, code);
}

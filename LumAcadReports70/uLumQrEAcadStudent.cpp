#include "uLumQrEAcadStudent.h"

#include "CodeTableCDS.h"
#include "Fields.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumRemoteData.h"

TLumQrEAcadStudent::TLumQrEAcadStudent(QObject *owner) : TLumQrEnvelope(owner) {
    NowYSem = AddCodeTable(QStringLiteral("NowYSem"),
                           QStringLiteral("Main_Code='NSYS' and Code='NowYSem'"));
    Semester = AddCodeTable(QStringLiteral("Semester"), QStringLiteral("Main_Code='Semester' "));
    st_CLASS = AddCodeTable(QStringLiteral("st_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    NUNT = AddCodeTable(QStringLiteral("NUNT"), QStringLiteral("Main_Code='NUNT'"));
    st_ClassName =
        AddCodeTable(QStringLiteral("st_ClassName"), QStringLiteral("Main_Code='st_ClassName'"));
    st_State = AddCodeTable(QStringLiteral("st_State"), QStringLiteral("Main_Code='st_State'"));
    GenSQLWhere = new TGenSQLWhere(this);
    GenSQLWhere->SetName(QStringLiteral("GenSQLWhere"));

    RemoteData()->Bind(ReceiverDataSet, QStringLiteral("SrvAcademic.AcadStudentINTF"),
                       QStringLiteral("cmvStudentAllProvider"));
    ReceiverDataSet->SetCommandText(QStringLiteral("Select * from vStudentAll Where ID is Null"));
    // By department, study type, year and class, and in each class by seat.
    ReceiverDataSet->SetIndexFieldNames(
        QStringLiteral("Unit_ID;ClassType;NGrade;AClassName;SeatNo;StudentID"));
    SetFieldLabels(ReceiverDataSet, {{QStringLiteral("StudentID"), QStringLiteral("學生證號")},
                                     {QStringLiteral("Genearch"), QStringLiteral("監護人")},
                                     {QStringLiteral("Emergent"), QStringLiteral("緊急聯絡人")},
                                     {QStringLiteral("Unit_ID"), QStringLiteral("系所")},
                                     {QStringLiteral("ClassType"), QStringLiteral("修業別")},
                                     {QStringLiteral("NGrade"), QStringLiteral("目前年級")},
                                     {QStringLiteral("AClassName"), QStringLiteral("班級")},
                                     {QStringLiteral("SeatNo"), QStringLiteral("座號")},
                                     {QStringLiteral("State"), QStringLiteral("就學狀態")}});
    ShowCodeText(ReceiverDataSet, QStringLiteral("Unit_ID"), NUNT);
    ShowCodeText(ReceiverDataSet, QStringLiteral("ClassType"), st_CLASS);
    ShowCodeText(ReceiverDataSet, QStringLiteral("AClassName"), st_ClassName);
    ShowCodeText(ReceiverDataSet, QStringLiteral("State"), st_State);

    Receiver->SetDataField(QStringLiteral("Genearch"));
    SetYSemester(CurrentYSemester(NowYSem));
}

QString TLumQrEAcadStudent::GetASemester() const {
    return FTerm.GetASemester(Semester);
}

QString TLumQrEAcadStudent::GetYSemFMT() const {
    return FTerm.GetYSemFMT(Semester);
}

void TLumQrEAcadStudent::SetMailTo(TMailToType mailTo) {
    if (mailTo == FMailTo)
        return;
    FMailTo = mailTo;
    switch (mailTo) {
    case mttStudent:
        Receiver->SetDataField(QStringLiteral("Cht_Name"));
        break;
    case mttGenearch:
        Receiver->SetDataField(QStringLiteral("Genearch"));
        break;
    case mttEmergent:
        Receiver->SetDataField(QStringLiteral("Emergent"));
        break;
    }
}

void TLumQrEAcadStudent::DoMasterCommand() {
    TLumQrEnvelope::DoMasterCommand();
    const QString condition = WhereMaster().trimmed();
    ReceiverDataSet->SetCommandText(
        QStringLiteral("Select * from vStudentAll Where ") +
        (condition.isEmpty() ? QStringLiteral("ID is Null") : condition));
}

QString TLumQrEAcadStudent::GetStudentInfo() const {
    TDataSet *students = ReceiverDataSet;
    if (!students->Active() || students->IsEmpty())
        return {};
    const auto text = [students](const char *name) {
        TField *field = students->FindField(QLatin1String(name));
        return field ? field->Text() : QString();
    };
    const auto number = [students](const char *name) {
        TField *field = students->FindField(QLatin1String(name));
        return QString::number(field && !field->IsNull() ? field->AsInteger() : 0);
    };
    return QStringLiteral("學號:%1 - %2,就讀本校%3-%4,%5年%6班座號:%7")
        .arg(text("StudentID"), text("Cht_Name"), text("Unit_ID"), text("ClassType"),
             number("NGrade"), text("AClassName"), number("SeatNo"));
}

void TLumQrEAcadStudent::AddStudentsCondition() {
    if (ReceiverDataSet->Active() && ReceiverDataSet->FindField(QStringLiteral("StudentID")))
        GenSQLWhere->InDataSet(true, QStringLiteral("StudentID"), ReceiverDataSet,
                               QStringLiteral("StudentID"));
}

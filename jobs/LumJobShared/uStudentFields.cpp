#include "uStudentFields.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Fields.h"

void DefineStudentFields(TClientDataSet *dataSet) {
    const struct {
        TFieldType Type;
        const char *Name;
        int Size;
        const char *Label;
        bool Visible;
    } fields[] = {
        {ftString, "StudentID", 10, "學號", true}, {ftString, "Cht_Name", 40, "姓名", true},
        {ftString, "Sex", 1, "性別", true},        {ftString, "ClassID", 10, "班級", true},
        {ftInteger, "SeatNo", 0, "座號", true},    {ftString, "State", 2, "狀態", true},
        {ftDate, "Birthday", 0, "生日", true},     {ftString, "IDNo", 10, "身分證號", true},
        {ftString, "Address", 80, "地址", true},   {ftString, "EditInfo", 255, "異動記錄", false}};
    for (const auto &f : fields) {
        TField *field = dataSet->AddField(f.Type, QLatin1String(f.Name), f.Size);
        field->SetDisplayLabel(QString::fromUtf8(f.Label));
        field->SetVisible(f.Visible);
    }
    // Rows are found on the server by their number alone.
    dataSet->FieldByName(QStringLiteral("StudentID"))
        ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
}

void ShowStudentCodesByName(QObject *owner, TClientDataSet *dataSet) {
    ShowCodeByName(owner, dataSet->FieldByName(QStringLiteral("Sex")), QStringLiteral("NSEX"));
    ShowCodeByName(owner, dataSet->FieldByName(QStringLiteral("ClassID")),
                   QStringLiteral("st_CLASS"));
    ShowCodeByName(owner, dataSet->FieldByName(QStringLiteral("State")),
                   QStringLiteral("st_State"));
}

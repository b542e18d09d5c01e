#include "uCourseFields.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Fields.h"

namespace {

struct TFieldSpec {
    TFieldType Type;
    const char *Name;
    int Size;
    const char *Label;
    bool Visible;
};

TField *AddFields(TClientDataSet *dataSet, std::initializer_list<TFieldSpec> specs) {
    TField *last = nullptr;
    for (const TFieldSpec &f : specs) {
        last = dataSet->AddField(f.Type, QLatin1String(f.Name), f.Size);
        last->SetDisplayLabel(QString::fromUtf8(f.Label));
        last->SetVisible(f.Visible);
    }
    return last;
}

void AddLookup(TClientDataSet *dataSet, const QString &name, const QString &keyField,
               TDataSet *target, const QString &targetKey, const QString &result,
               const QString &label) {
    TField *field = dataSet->AddField(ftString, name, 60, fkLookup);
    field->SetLookupDataSet(target);
    field->SetKeyFields(keyField);
    field->SetLookupKeyFields(targetKey);
    field->SetLookupResultField(result);
    field->SetDisplayLabel(label);
}

// Fields the server reads from another table: shown, never written or compared.
void Joined(TClientDataSet *dataSet, std::initializer_list<const char *> names) {
    for (const char *name : names)
        dataSet->FieldByName(QLatin1String(name))->SetProviderFlags(0);
}

} // namespace

void DefineCourseFields(QObject *owner, TClientDataSet *courses, TDataSet *staff) {
    AddFields(courses, {{ftString, "CourseID", 20, "課程代碼", true},
                        {ftString, "CourseName", 60, "課程名稱", true},
                        {ftString, "ClassID", 10, "班級", true}});
    AddLookup(courses, QStringLiteral("TeacherName"), QStringLiteral("TeacherID"), staff,
              QStringLiteral("EmpID"), QStringLiteral("Cht_Name"), QStringLiteral("授課教師"));
    AddFields(courses, {{ftInteger, "Credits", 0, "學分", true},
                        {ftString, "Semester", 5, "學期", false},
                        {ftString, "TeacherID", 10, "教師代碼", false},
                        {ftString, "EditInfo", 255, "異動記錄", false},
                        {ftDataSet, "CourseStudents", 0, "選修學生", false}});
    ShowCodeByName(owner, courses->FieldByName(QStringLiteral("ClassID")),
                   QStringLiteral("st_CLASS"));
    // Courses are found on the server by their number alone.
    courses->FieldByName(QStringLiteral("CourseID"))
        ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
}

void DefineEnrolmentFields(QObject *owner, TClientDataSet *enrolments) {
    AddFields(enrolments, {{ftString, "CourseID", 20, "課程代碼", false},
                           {ftString, "StudentID", 10, "學號", true},
                           {ftString, "Cht_Name", 40, "姓名", true},
                           {ftString, "ClassID", 10, "班級", true},
                           {ftInteger, "SeatNo", 0, "座號", true},
                           {ftFloat, "Score", 0, "成績", true},
                           {ftString, "EditInfo", 255, "異動記錄", false}});
    ShowCodeByName(owner, enrolments->FieldByName(QStringLiteral("ClassID")),
                   QStringLiteral("st_CLASS"));
    for (const char *key : {"CourseID", "StudentID"})
        enrolments->FieldByName(QLatin1String(key))
            ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
    Joined(enrolments, {"Cht_Name", "ClassID", "SeatNo"});
    for (const char *name : {"Cht_Name", "ClassID", "SeatNo"})
        enrolments->FieldByName(QLatin1String(name))->SetReadOnly(true);
    enrolments->FieldByName(QStringLiteral("Score"))->SetDisplayFormat(QStringLiteral("0.#"));
}

namespace {
// The roll's fields of an enrolment, written although clients may not change them.
void SetRollFields(TDataSet *enrolment, TDataSet *student) {
    for (const char *name : {"Cht_Name", "ClassID", "SeatNo"}) {
        TField *field = enrolment->FieldByName(QLatin1String(name));
        const bool readOnly = field->ReadOnly();
        field->SetReadOnly(false);
        if (student)
            field->SetValue(student->FieldByName(QLatin1String(name))->Value());
        else
            field->Clear();
        field->SetReadOnly(readOnly);
    }
}
} // namespace

void CopyStudent(TDataSet *enrolment, TDataSet *student) {
    enrolment->FieldByName(QStringLiteral("StudentID"))
        ->SetValue(student->FieldByName(QStringLiteral("StudentID"))->Value());
    SetRollFields(enrolment, student);
}

bool FillFromRoll(TDataSet *enrolment, TDataSet *roll) {
    const QString id = enrolment->FieldByName(QStringLiteral("StudentID"))->AsString().trimmed();
    const bool found = roll && roll->Active() && !id.isEmpty() &&
                       roll->Locate(QStringLiteral("StudentID"), Variant(id), {});
    SetRollFields(enrolment, found ? roll : nullptr);
    return found;
}

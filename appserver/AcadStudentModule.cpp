#include "AcadStudentModule.h"

#include "AcadViewFields.h"
#include "uLumPublic.h"

namespace {

QString BasicSelect() {
    return QStringLiteral("SELECT StudentID, Cht_Name, Sex, ClassID, SeatNo, State, Birthday, "
                          "IDNo, Address, EditInfo FROM StdOnSchool");
}

QList<TProviderField> BasicFields() {
    return {
        {QStringLiteral("StudentID"), ftString, 10}, {QStringLiteral("Cht_Name"), ftString, 40},
        {QStringLiteral("Sex"), ftString, 1},        {QStringLiteral("ClassID"), ftString, 10},
        {QStringLiteral("SeatNo"), ftInteger, 0},    {QStringLiteral("State"), ftString, 2},
        {QStringLiteral("Birthday"), ftDate, 0},     {QStringLiteral("IDNo"), ftString, 10},
        {QStringLiteral("Address"), ftString, 80},   {QStringLiteral("EditInfo"), ftString, 255}};
}

// A student's identity number, when there is one, passes its check digit and its sex digit
// agrees with the student's sex (code 1 a man, 2 a woman). The clients check the same, but the
// rows are checked again here whatever sends them.
void CheckStudentRow(const TDeltaRow &row) {
    if (row.Kind == ukDelete)
        return;
    const Variant idNo = row.Value(QStringLiteral("IDNo"));
    const QString number = idNo.IsEmptyOrNull() ? QString() : idNo.ToString();
    if (number.trimmed().isEmpty())
        return;
    QChar sex;
    if (!CheckRocIDBySex(number, sex))
        throw EDatabaseError(QStringLiteral("「身分證號」%1 不正確").arg(number));
    const Variant code = row.Value(QStringLiteral("Sex"));
    const QString sexCode = code.IsEmptyOrNull() ? QString() : code.ToString().trimmed();
    if ((sexCode == u"1" && sex != u'M') || (sexCode == u"2" && sex != u'F'))
        throw EDatabaseError(QStringLiteral("「身分證號」%1 與性別不符").arg(number));
}

TProviderDef IndexProvider() {
    return {
        QStringLiteral("xStdOnSchoolIdxProvider"),
        QStringLiteral("SELECT s.StudentID, s.Cht_Name, s.Sex, x.Descript AS SexName, s.ClassID, "
                       "c.Descript AS ClassName, s.SeatNo, s.State, t.Descript AS StateName "
                       "FROM StdOnSchool s "
                       "LEFT JOIN CodeTable x ON x.Main_Code = 'NSEX' AND x.Code = s.Sex "
                       "LEFT JOIN CodeTable c ON c.Main_Code = 'st_CLASS' AND c.Code = s.ClassID "
                       "LEFT JOIN CodeTable t ON t.Main_Code = 'st_State' AND t.Code = s.State "
                       "ORDER BY s.ClassID, s.SeatNo, s.StudentID"),
        QStringLiteral("StdOnSchool"),
        {QStringLiteral("StudentID")},
        {},
        {{QStringLiteral("StudentID"), ftString, 10},
         {QStringLiteral("Cht_Name"), ftString, 40},
         {QStringLiteral("Sex"), ftString, 1},
         {QStringLiteral("SexName"), ftString, 120},
         {QStringLiteral("ClassID"), ftString, 10},
         {QStringLiteral("ClassName"), ftString, 120},
         {QStringLiteral("SeatNo"), ftInteger, 0},
         {QStringLiteral("State"), ftString, 2},
         {QStringLiteral("StateName"), ftString, 120}},
        true};
}

TProviderDef BasicProvider() {
    return {QStringLiteral("dspStdBasic"),
            BasicSelect() + QStringLiteral(" ORDER BY ClassID, SeatNo, StudentID"),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {},
            BasicFields(),
            false,
            CheckStudentRow};
}

TProviderDef BasicByNoProvider() {
    return {QStringLiteral("dspStdBasicByNo"),
            BasicSelect() + QStringLiteral(" WHERE StudentID = :No"),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {QStringLiteral("No")},
            BasicFields(),
            false,
            CheckStudentRow};
}

TProviderDef StudentIndexProvider() {
    QList<TProviderField> fields;
    for (const TProviderField &f : StudentAllFields())
        if (QStringList{"ID", "StudentID", "Cht_Name", "Sex", "Unit_ID", "ClassType", "NGrade",
                        "AClassName", "SeatNo", "State"}
                .contains(f.Name))
            fields << f;
    return ReadOnlyProvider(QStringLiteral("vStudentIdxProvider"), QStringLiteral("vStudentAll"),
                            fields, {QStringLiteral("StudentID")}, QStringLiteral("StudentID"));
}

TProviderDef ClassTypeProvider() {
    return {
        QStringLiteral("xClassTypeDefProvider"),
        QStringLiteral("SELECT k.ClassType, c.Descript AS ClassTypeName, k.Unit_ID, "
                       "u.Descript AS UnitName, k.NGrade, k.AClassName, n.Descript AS AClassDesc, "
                       "k.Tutor, e.Cht_Name AS TutorName, k.Room, (SELECT COUNT(*) FROM "
                       "StdOnSchool s WHERE s.ClassID = k.ClassType AND s.State = '0') AS "
                       "StudentCount FROM ClassTypeDef k "
                       "LEFT JOIN CodeTable c ON c.Main_Code = 'st_CLASS' AND c.Code = k.ClassType "
                       "LEFT JOIN CodeTable u ON u.Main_Code = 'NUNT' AND u.Code = k.Unit_ID "
                       "LEFT JOIN CodeTable n ON n.Main_Code = 'st_ClassName' AND "
                       "n.Code = k.AClassName "
                       "LEFT JOIN Employees e ON e.EmpID = k.Tutor ORDER BY k.ClassType"),
        QStringLiteral("ClassTypeDef"),
        {QStringLiteral("ClassType")},
        {},
        {{QStringLiteral("ClassType"), ftString, 10},
         {QStringLiteral("ClassTypeName"), ftString, 120},
         {QStringLiteral("Unit_ID"), ftString, 20},
         {QStringLiteral("UnitName"), ftString, 120},
         {QStringLiteral("NGrade"), ftInteger, 0},
         {QStringLiteral("AClassName"), ftString, 10},
         {QStringLiteral("AClassDesc"), ftString, 120},
         {QStringLiteral("Tutor"), ftString, 10},
         {QStringLiteral("TutorName"), ftString, 40},
         {QStringLiteral("Room"), ftString, 20},
         {QStringLiteral("StudentCount"), ftInteger, 0}},
        true};
}

} // namespace

TAcadStudentModule::TAcadStudentModule(const TServerContext &context)
    : TServerModule(
          context,
          {IndexProvider(), BasicProvider(), BasicByNoProvider(),
           ReadOnlyProvider(QStringLiteral("cmvStudentAllProvider"), QStringLiteral("vStudentAll"),
                            StudentAllFields(), {QStringLiteral("StudentID")},
                            QStringLiteral("Unit_ID, ClassType, NGrade, AClassName, "
                                           "SeatNo, StudentID")),
           StudentIndexProvider(), ClassTypeProvider()}) {}

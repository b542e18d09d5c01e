#include "AcadStudyRewardProviders.h"

#include "AcadViewFields.h"

namespace {

TProviderField Field(const char *name, TFieldType type = ftString, int size = 0) {
    return {QLatin1String(name), type, size};
}

QString Columns(const QList<TProviderField> &fields) {
    QStringList names;
    for (const TProviderField &f : fields)
        names << f.Name;
    return names.join(QStringLiteral(", "));
}

QList<TProviderField> SemStaticDetailFields() {
    QList<TProviderField> fields{Field("YSemester", ftString, 5), Field("Conduct", ftFloat)};
    for (const char *name :
         {"GreatMerit", "SmallMerit", "Citecnt", "MajorDemerit", "SmallDemerit", "Caution",
          "DateLook", "AskFor_Pub", "AskFor", "AskFor_Sick", "AskFor_Other", "Absence"})
        fields << Field(name, ftInteger);
    fields << Field("StudentID", ftString, 10) << Field("AbsLate", ftInteger)
           << Field("Comment", ftString, 200) << Field("ConductGuid", ftString, 20);
    return fields;
}

QList<TProviderField> PunishDetailFields() {
    return {Field("YSemester", ftString, 5),   Field("NGrade", ftInteger),
            Field("Origin", ftString, 200),    Field("VerifyKind", ftString, 2),
            Field("VerifyCnt", ftInteger),     Field("Dispatchword", ftString, 20),
            Field("Dispatchno", ftString, 20), Field("OriginType", ftString, 2),
            Field("RewardNo", ftString, 12),   Field("StudentID", ftString, 10),
            Field("Dispatchdate", ftDate),     Field("Basis", ftString, 200),
            Field("Verify", ftString, 1),      Field("TranYN", ftString, 1)};
}

} // namespace

TProviderDef RewardBillProvider() {
    const QList<TProviderField> students{
        Field("RewardNo", ftString, 12), Field("StudentID", ftString, 10),
        Field("Uint_ID", ftString, 20),  Field("NGrade", ftInteger),
        Field("Cht_Name", ftString, 40), Field("OriginType", ftString, 2),
        Field("Origin", ftString, 200),  Field("Kind", ftString, 2),
        Field("RepuCnt", ftInteger),     Field("Basis", ftString, 200)};
    TProviderDetail detail{
        QStringLiteral("Detail"),
        QStringLiteral("獎懲學生"),
        QStringLiteral("SELECT r.BillNo AS RewardNo, r.StudentID, k.Unit_ID AS Uint_ID, "
                       "k.NGrade, s.Cht_Name, r.OriginType, r.Origin, r.Kind, r.RepuCnt, r.Basis "
                       "FROM RewardPunish r JOIN StdOnSchool s ON s.StudentID = r.StudentID "
                       "LEFT JOIN ClassTypeDef k ON k.ClassType = s.ClassID "
                       "WHERE r.BillNo = :RewardNo ORDER BY r.StudentID, r.RewardNo"),
        QStringLiteral("RewardPunish"),
        {QStringLiteral("RewardNo"), QStringLiteral("StudentID")},
        {QStringLiteral("RewardNo")},
        students};
    const QList<TProviderField> fields{
        Field("RewardNo", ftString, 12), Field("YSemester", ftString, 5),
        Field("Unit_ID", ftString, 20),  Field("SuggestName", ftString, 40),
        Field("SuggestDate", ftDate),    Field("Reworpun", ftString, 1)};
    return {QStringLiteral("edRewardPunishProvider"),
            QStringLiteral("SELECT %1 FROM RewardBills WHERE RewardNo = :RewardNo ORDER BY "
                           "RewardNo")
                .arg(Columns(fields)),
            QStringLiteral("RewardBills"),
            {QStringLiteral("RewardNo")},
            {QStringLiteral("RewardNo")},
            fields,
            true,
            {},
            {detail}};
}

TProviderDef RewardByStudentProvider() {
    const QList<TProviderField> terms = SemStaticDetailFields();
    QString termColumns = Columns(terms);
    termColumns.replace(QLatin1String("ConductGuid"),
                        QLatin1String("YSemester || '-' || StudentID AS ConductGuid"));
    const QList<TProviderField> rewards = PunishDetailFields();
    const QList<TProviderField> fields = StudentAllFields();
    return {QStringLiteral("RewardByStudentProvider"),
            QStringLiteral("SELECT %1 FROM vStudentAll WHERE StudentID = :StudentID ORDER BY "
                           "StudentID")
                .arg(Columns(fields)),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {QStringLiteral("StudentID")},
            fields,
            true,
            {},
            {{QStringLiteral("StudentSemStatic"),
              QStringLiteral("學期統計"),
              QStringLiteral("SELECT %1 FROM SemStaticStudents WHERE StudentID = :StudentID "
                             "ORDER BY YSemester")
                  .arg(termColumns),
              QStringLiteral("SemConduct"),
              {QStringLiteral("YSemester"), QStringLiteral("StudentID")},
              {QStringLiteral("StudentID")},
              terms},
             {QStringLiteral("StudentPunishDetail"),
              QStringLiteral("獎懲紀錄"),
              QStringLiteral("SELECT %1 FROM vLumRewardPunishDetail WHERE StudentID = :StudentID "
                             "AND Verify = 'Y' AND TranYN = 'Y' ORDER BY YSemester, "
                             "Dispatchdate, RewardNo")
                  .arg(Columns(rewards)),
              QStringLiteral("RewardPunish"),
              {QStringLiteral("RewardNo")},
              {QStringLiteral("StudentID")},
              rewards}}};
}

TProviderDef StudentStudyInfoProvider() {
    return ReadOnlyProvider(QStringLiteral("cmvLumStudentStudyInfoProvider"),
                            QStringLiteral("vLumStudentStudyInfo"), StudentStudyFields(),
                            {QStringLiteral("StudyID"), QStringLiteral("StudentID")},
                            QStringLiteral("StudyID, StudentID"));
}

TProviderDetail StudyStudentsDetail() {
    const QList<TProviderField> fields = StudentStudyFields();
    return {QStringLiteral("StudyStudents"),
            QStringLiteral("學程學生"),
            QStringLiteral("SELECT %1 FROM vLumStudentStudyInfo WHERE StudyID = :StudyID ORDER BY "
                           "StudentID")
                .arg(Columns(fields)),
            QStringLiteral("StudentStudy"),
            {QStringLiteral("StudyID"), QStringLiteral("StudentID")},
            {QStringLiteral("StudyID")},
            fields};
}

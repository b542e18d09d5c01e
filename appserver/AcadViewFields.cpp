#include "AcadViewFields.h"

namespace {

TProviderField Text(const char *name, int size) {
    return {QLatin1String(name), ftString, size};
}
TProviderField Whole(const char *name) {
    return {QLatin1String(name), ftInteger, 0};
}
TProviderField Seat() {
    return {QStringLiteral("SeatNo"), ftSmallint, 0};
}
TProviderField Day(const char *name) {
    return {QLatin1String(name), ftDate, 0};
}
TProviderField Mark(const char *name) {
    return {QLatin1String(name), ftFloat, 0};
}

// Unit_ID, ClassType, NGrade, AClassName: the department, class, year and class name.
QList<TProviderField> ClassFields() {
    return {Text("Unit_ID", 20), Text("ClassType", 10), Whole("NGrade"), Text("AClassName", 10)};
}

} // namespace

QList<TProviderField> StudentAllFields() {
    return QList<TProviderField>{Text("ID", 10),
                                 Text("StudentID", 10),
                                 Text("Cht_Name", 40),
                                 Text("Eng_Name", 60),
                                 Text("Buddha_Name", 40),
                                 Text("Passport", 20),
                                 Text("Nationality", 4),
                                 Text("Sex", 1),
                                 Whole("Birth_Year"),
                                 Whole("Birth_Month"),
                                 Whole("Birth_Day"),
                                 Day("Birthday"),
                                 Text("Birth_Residence", 20)} +
           ClassFields() +
           QList<TProviderField>{Text("DiplomaType", 2),
                                 Seat(),
                                 Text("State", 2),
                                 Text("ClassID", 10),
                                 Text("IDNo", 10),
                                 Text("EnterType", 2),
                                 Text("EnterNormalType", 2),
                                 Text("Genearch", 40),
                                 Text("GenearchRelation", 2),
                                 Text("GenearchTel", 20),
                                 Text("GenearchEMail", 80),
                                 Text("Emergent", 40),
                                 Text("EmergentRelation", 2),
                                 Text("EmergentTel", 20),
                                 Text("PostCode", 5),
                                 Text("Address", 80),
                                 Text("Tel", 20)};
}

QList<TProviderField> AbsenceDetailFields() {
    return QList<TProviderField>{
               Text("YSemester", 5),    Text("StudentID", 10),  Text("AbsenceNo", 12),
               Day("AbsenceDate"),      Whole("Week"),          Text("SemCourseID", 20),
               Text("CourseID", 12),    Text("CourseName", 60), Whole("SecAbsence"),
               Whole("SecLate"),        Whole("SecVAC"),        Text("VAC_ID", 2),
               Text("ASectionList", 40)} +
           ClassFields() +
           QList<TProviderField>{Text("Cht_Name", 40), Seat(), Text("TranYN", 1), Text("ID", 10)};
}

QList<TProviderField> AbsenceWeeklyFields() {
    QList<TProviderField> fields{Text("YSemester", 5), Text("StudentID", 10), Text("Cht_Name", 40)};
    fields += ClassFields();
    fields += {Seat(),           Whole("AYear"), Whole("YWeekNo"), Whole("SemWeekNo"),
               Day("BeginDate"), Day("EndDate")};
    for (int i = 1; i <= 7; ++i)
        fields << TProviderField{QStringLiteral("AbsWeek%1").arg(i), ftInteger, 0};
    for (int i = 1; i <= 7; ++i)
        fields << TProviderField{QStringLiteral("AskWeek%1").arg(i), ftInteger, 0};
    for (int i = 1; i <= 7; ++i)
        fields << TProviderField{QStringLiteral("AskWeek%1VAC").arg(i), ftString, 2};
    for (const char *total :
         {"SubAbsence", "SubAskFor", "WeekRealAbs", "AccAbsence", "AccAskFor", "AccRealAbs"})
        fields << Whole(total);
    return fields;
}

QList<TProviderField> SemStaticFields() {
    QList<TProviderField> fields{Text("YSemester", 5), Text("StudentID", 10), Text("Cht_Name", 40)};
    for (const char *c :
         {"Absence", "Truancy", "AbsLate", "AskFor", "AskFor_Sick", "AskFor_Pub", "AskFor_Other"})
        fields << Whole(c);
    fields << Mark("Conduct") << Text("Comment", 200);
    for (const char *c : {"Citecnt", "SmallMerit", "GreatMerit", "Caution", "SmallDemerit",
                          "MajorDemerit", "DateLook"})
        fields << Whole(c);
    return fields;
}

QList<TProviderField> RewardDetailFields() {
    return QList<TProviderField>{
               Text("RewardNo", 12), Text("YSemester", 5),     Text("StudentID", 10),
               Day("Dispatchdate"),  Text("Dispatchword", 20), Text("Dispatchno", 20),
               Text("Verify", 1),    Text("VerifyKind", 2),    Whole("VerifyCnt"),
               Text("Origin", 200),  Text("Basis", 200),       Day("VerifyDate"),
               Text("TranYN", 1),    Text("OriginType", 2),    Text("Kind", 2),
               Whole("RepuCnt"),     Day("SuggestDate"),       Text("SuggestUnit_ID", 20),
               Text("Cht_Name", 40)} +
           ClassFields() + QList<TProviderField>{Seat(), Day("CheckedDate"), Text("BillNo", 12)};
}

QList<TProviderField> StudentStudyFields() {
    return QList<TProviderField>{Text("StudyID", 10), Text("StudentID", 10), Text("Cht_Name", 40)} +
           ClassFields() +
           QList<TProviderField>{
               Seat(),           Text("EnterYSemester", 5), Text("StudyState", 1),
               Text("State", 2), Text("StudyName", 60),     Text("StudyUnit_ID", 20)};
}

QList<TProviderField> SemCoursesFields() {
    return {Text("SemCourseID", 20),   Text("YSemester", 5),     Text("Unit_ID", 20),
            Text("CourseID", 12),      Text("CourseName", 60),   Text("CourseSEQNo", 4),
            Text("FitUnitID", 20),     Text("ClassType", 10),    Whole("Grade"),
            Text("AClassName", 10),    Text("Choose", 2),        Whole("Credit"),
            Text("TimeRoomList", 120), Text("TeacherList", 120), Text("TeacherID", 10),
            Whole("StudentCount")};
}

QList<TProviderField> SemGradeFields() {
    return QList<TProviderField>{Text("SemCourseID", 20),    Text("YSemester", 5),
                                 Text("CourseID", 12),       Text("StudentID", 10),
                                 Text("Cht_Name", 40),       Seat(),
                                 Text("EnterNormalType", 2), Text("TeacherID", 10)} +
           ClassFields() +
           QList<TProviderField>{
               Text("EnterType", 2), Mark("ComResults"),
               Mark("MidResults"),   Mark("EndResults"),
               Mark("SemResults"),   {QStringLiteral("SemResultsTime"), ftDateTime, 0},
               Whole("Absence"),     Whole("AbsLate"),
               Whole("AskFor")};
}

TProviderDef ReadOnlyProvider(const QString &name, const QString &view,
                              const QList<TProviderField> &fields, const QStringList &keys,
                              const QString &orderBy) {
    QStringList columns;
    for (const TProviderField &f : fields)
        columns << f.Name;
    return {name,
            QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                .arg(columns.join(QStringLiteral(", ")), view, orderBy),
            view,
            keys,
            {},
            fields,
            true};
}

#include "AcadCourseModule.h"

#include "AcadStudyRewardProviders.h"
#include "AcadViewFields.h"
#include "GraduateCheck.h"
#include "RemoteProtocol.h"

namespace {

QString Text(const Variant &value) {
    return value.IsEmptyOrNull() ? QString() : value.ToString().trimmed();
}

bool Present(const QVariant &value) {
    return value.isValid() && !value.isNull();
}

QList<TProviderField> CourseFields() {
    return {
        {QStringLiteral("CourseID"), ftString, 20},   {QStringLiteral("Semester"), ftString, 5},
        {QStringLiteral("CourseName"), ftString, 60}, {QStringLiteral("TeacherID"), ftString, 10},
        {QStringLiteral("Credits"), ftInteger, 0},    {QStringLiteral("ClassID"), ftString, 10},
        {QStringLiteral("EditInfo"), ftString, 255}};
}

// The enrolments with the student's name, class and seat from the roll.
QString EnrolmentSelect() {
    return QStringLiteral("SELECT cs.CourseID, cs.StudentID, s.Cht_Name, s.ClassID, s.SeatNo, "
                          "cs.Score, cs.EditInfo FROM CourseStudents cs "
                          "LEFT JOIN StdOnSchool s ON s.StudentID = cs.StudentID "
                          "WHERE cs.CourseID = :CourseID "
                          "ORDER BY s.ClassID, s.SeatNo, cs.StudentID");
}

QList<TProviderField> EnrolmentFields() {
    return {{QStringLiteral("CourseID"), ftString, 20},
            {QStringLiteral("StudentID"), ftString, 10},
            {QStringLiteral("Cht_Name"), ftString, 40, true},
            {QStringLiteral("ClassID"), ftString, 10, true},
            {QStringLiteral("SeatNo"), ftInteger, 0, true},
            {QStringLiteral("Score"), ftFloat, 0},
            {QStringLiteral("EditInfo"), ftString, 255}};
}

// A course names its term, class and teacher from the school's own lists. A course with
// students keeps its number and is deleted only after them (in the same batch, its details
// are deleted before it is).
TDeltaRowCheck CourseCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        const QString id = Text(row.Value(QStringLiteral("CourseID")));
        const auto enrolled = [db](const QString &course) {
            return db
                ->Scalar(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = ?"),
                         {course})
                .toInt();
        };
        if (row.Kind == ukDelete) {
            if (const int left = enrolled(id); left > 0)
                throw EDatabaseError(QStringLiteral("課程 %1 尚有 %2 位選修學生,請先刪除選修學生")
                                         .arg(id)
                                         .arg(left));
            return;
        }
        if (id.isEmpty())
            throw EDatabaseError(QStringLiteral("「課程代碼」必須輸入"));
        if (row.Kind == ukModify) {
            const QString before = Text(row.OldValue(QStringLiteral("CourseID")));
            if (before != id && enrolled(before) > 0)
                throw EDatabaseError(
                    QStringLiteral("課程 %1 已有選修學生,不可變更課程代碼").arg(before));
        }
        const QString semester = Text(row.Value(QStringLiteral("Semester")));
        if (!Present(db->Scalar(QStringLiteral("SELECT Code FROM CodeTable WHERE "
                                               "Main_Code = 'YSemester' AND Code = ?"),
                                {semester})))
            throw EDatabaseError(QStringLiteral("「學期」%1 不是學期代碼").arg(semester));
        if (Text(row.Value(QStringLiteral("CourseName"))).isEmpty())
            throw EDatabaseError(QStringLiteral("「課程名稱」必須輸入"));
        const Variant credits = row.Value(QStringLiteral("Credits"));
        if (credits.IsEmptyOrNull() || credits.ToInt() < 0 || credits.ToInt() > 20)
            throw EDatabaseError(QStringLiteral("「學分」必須在 0 到 20 之間"));
        const QString teacher = Text(row.Value(QStringLiteral("TeacherID")));
        if (!teacher.isEmpty() &&
            !Present(db->Scalar(QStringLiteral("SELECT EmpID FROM Employees WHERE EmpID = ?"),
                                {teacher})))
            throw EDatabaseError(QStringLiteral("「授課教師」%1 不是本校教職員").arg(teacher));
        const QString classId = Text(row.Value(QStringLiteral("ClassID")));
        if (!classId.isEmpty() &&
            !Present(db->Scalar(QStringLiteral("SELECT Code FROM CodeTable WHERE "
                                               "Main_Code = 'st_CLASS' AND Code = ?"),
                                {classId})))
            throw EDatabaseError(QStringLiteral("「班級」%1 不是班級代碼").arg(classId));
    };
}

// An enrolment names a student in school and a course that exists, once; a score is from 0
// to 100. Where `keepScores`, a student whose score is recorded is not removed (the course
// itself, deleted with its students, takes them along).
TDeltaRowCheck EnrolmentCheck(TServerDatabase *db, bool keepScores) {
    return [db, keepScores](const TDeltaRow &row) {
        const QString course = Text(row.Value(QStringLiteral("CourseID")));
        const QString student = Text(row.Value(QStringLiteral("StudentID")));
        if (row.Kind == ukDelete) {
            if (!keepScores)
                return;
            QSqlQuery q = db->Exec(QStringLiteral("SELECT cs.Score, s.Cht_Name FROM "
                                                  "CourseStudents cs LEFT JOIN StdOnSchool s ON "
                                                  "s.StudentID = cs.StudentID WHERE "
                                                  "cs.CourseID = ? AND cs.StudentID = ?"),
                                   {course, student});
            if (q.next() && Present(q.value(0)))
                throw EDatabaseError(QStringLiteral("學生 %1 %2 已有成績,不可退選")
                                         .arg(student, q.value(1).toString()));
            return;
        }
        const Variant score = row.Value(QStringLiteral("Score"));
        if (!score.IsEmptyOrNull() && (score.ToDouble() < 0 || score.ToDouble() > 100))
            throw EDatabaseError(QStringLiteral("「成績」必須在 0 到 100 之間"));
        const bool moved = row.Kind == ukInsert ||
                           Text(row.OldValue(QStringLiteral("CourseID"))) != course ||
                           Text(row.OldValue(QStringLiteral("StudentID"))) != student;
        if (!moved)
            return;
        if (student.isEmpty())
            throw EDatabaseError(QStringLiteral("「學號」必須輸入"));
        QSqlQuery q =
            db->Exec(QStringLiteral("SELECT Cht_Name, State FROM StdOnSchool WHERE StudentID = ?"),
                     {student});
        if (!q.next())
            throw EDatabaseError(QStringLiteral("學號 %1 不在學籍資料中").arg(student));
        const QString name = q.value(0).toString();
        if (q.value(1).toString() != QLatin1String("0"))
            throw EDatabaseError(QStringLiteral("學生 %1 %2 不在學,不可選課").arg(student, name));
        if (!Present(db->Scalar(
                QStringLiteral("SELECT CourseID FROM SemCourses WHERE CourseID = ?"), {course})))
            throw EDatabaseError(QStringLiteral("課程 %1 不存在").arg(course));
        if (db->Scalar(QStringLiteral("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = ? AND "
                                      "StudentID = ?"),
                       {course, student})
                .toInt() > 0)
            throw EDatabaseError(
                QStringLiteral("學生 %1 %2 已選修課程 %3").arg(student, name, course));
    };
}

TProviderDef CoursesProvider(TServerDatabase *db) {
    TProviderDetail students{QStringLiteral("CourseStudents"),
                             QStringLiteral("選修學生"),
                             EnrolmentSelect(),
                             QStringLiteral("CourseStudents"),
                             {QStringLiteral("CourseID"), QStringLiteral("StudentID")},
                             {QStringLiteral("CourseID")},
                             EnrolmentFields(),
                             EnrolmentCheck(db, false)};
    return {QStringLiteral("dspSemCourses"),
            QStringLiteral("SELECT CourseID, Semester, CourseName, TeacherID, Credits, ClassID, "
                           "EditInfo FROM SemCourses WHERE Semester = :Semester "
                           "ORDER BY ClassID, CourseID"),
            QStringLiteral("SemCourses"),
            {QStringLiteral("CourseID")},
            {QStringLiteral("Semester")},
            CourseFields(),
            false,
            CourseCheck(db),
            {students}};
}

TProviderDef EnrolmentsProvider(TServerDatabase *db) {
    return {QStringLiteral("dspCourseStudents"),
            EnrolmentSelect(),
            QStringLiteral("CourseStudents"),
            {QStringLiteral("CourseID"), QStringLiteral("StudentID")},
            {QStringLiteral("CourseID")},
            EnrolmentFields(),
            false,
            EnrolmentCheck(db, true)};
}

TProviderDef CandidatesProvider() {
    return {QStringLiteral("dspCourseCandidates"),
            QStringLiteral("SELECT s.StudentID, s.Cht_Name, s.Sex, s.ClassID, s.SeatNo "
                           "FROM StdOnSchool s WHERE s.State = '0' AND NOT EXISTS "
                           "(SELECT 1 FROM CourseStudents cs WHERE cs.CourseID = :CourseID AND "
                           "cs.StudentID = s.StudentID) "
                           "ORDER BY s.ClassID, s.SeatNo, s.StudentID"),
            QStringLiteral("StdOnSchool"),
            {QStringLiteral("StudentID")},
            {QStringLiteral("CourseID")},
            {{QStringLiteral("StudentID"), ftString, 10},
             {QStringLiteral("Cht_Name"), ftString, 40},
             {QStringLiteral("Sex"), ftString, 1},
             {QStringLiteral("ClassID"), ftString, 10},
             {QStringLiteral("SeatNo"), ftInteger, 0}},
            true};
}

TProviderDef CourseIndexProvider() {
    return {
        QStringLiteral("xspSemCourseIdx"),
        QStringLiteral("SELECT c.CourseID, c.CourseName, c.ClassID, k.Descript AS ClassName, "
                       "c.TeacherID, e.Cht_Name AS TeacherName, c.Credits, "
                       "(SELECT COUNT(*) FROM CourseStudents cs WHERE cs.CourseID = c.CourseID) "
                       "AS StudentCount FROM SemCourses c "
                       "LEFT JOIN CodeTable k ON k.Main_Code = 'st_CLASS' AND k.Code = c.ClassID "
                       "LEFT JOIN Employees e ON e.EmpID = c.TeacherID "
                       "WHERE c.Semester = :Semester ORDER BY c.ClassID, c.CourseID"),
        QStringLiteral("SemCourses"),
        {QStringLiteral("CourseID")},
        {QStringLiteral("Semester")},
        {{QStringLiteral("CourseID"), ftString, 20},
         {QStringLiteral("CourseName"), ftString, 60},
         {QStringLiteral("ClassID"), ftString, 10},
         {QStringLiteral("ClassName"), ftString, 120},
         {QStringLiteral("TeacherID"), ftString, 10},
         {QStringLiteral("TeacherName"), ftString, 40},
         {QStringLiteral("Credits"), ftInteger, 0},
         {QStringLiteral("StudentCount"), ftInteger, 0}},
        true};
}

TProviderField Field(const char *name, TFieldType type = ftString, int size = 0) {
    return {QLatin1String(name), type, size};
}

QList<TProviderField> CatalogueFields() {
    return {Field("CourseID", ftString, 12),
            Field("CourseName", ftString, 60),
            Field("EngName", ftString, 80),
            Field("Unit_ID", ftString, 20),
            Field("DegreeType", ftString, 2),
            Field("Choose", ftString, 2),
            Field("Credit", ftFloat),
            Field("LectureHours", ftInteger),
            Field("LabHours", ftInteger),
            Field("Grade", ftInteger),
            Field("Semester", ftString, 1),
            Field("UseState", ftString, 1),
            Field("GroupType", ftString, 10),
            Field("GradeType", ftString, 2),
            Field("PassScore", ftFloat),
            Field("ScienceType", ftString, 2),
            Field("MinistryCode", ftString, 20),
            Field("YSemester", ftString, 5),
            Field("Remark", ftString, 200),
            Field("CreateDate", ftDateTime),
            Field("Creater", ftString, 10)};
}

QList<TProviderField> GroupFields() {
    return {Field("ChooseGID", ftString, 10),    Field("ChooseGName", ftString, 30),
            Field("Unit_ID", ftString, 20),      Field("PassCreditNum", ftFloat),
            Field("PassCourseNum", ftInteger),   Field("GroupType", ftString, 10),
            Field("Description", ftString, 200), Field("CreateDate", ftDateTime),
            Field("Creater", ftString, 10),      Field("CheckeDate", ftDateTime),
            Field("Checker", ftString, 10),      Field("LockedYN", ftString, 1)};
}

QList<TProviderField> StudyFields() {
    return {Field("StudyID", ftString, 10),        Field("StudyName", ftString, 60),
            Field("LockedYN", ftString, 1),        Field("Unit_ID", ftString, 20),
            Field("ClassType", ftString, 10),      Field("StudyType", ftString, 2),
            Field("GradeuateCredit", ftFloat),     Field("MustCredit", ftFloat),
            Field("SelectCredit", ftFloat),        Field("NeedCredit", ftFloat),
            Field("DiplomaType", ftString, 2),     Field("DiplomaChtName", ftString, 60),
            Field("DiplomaEngName", ftString, 80), Field("YSemester", ftString, 5),
            Field("CreateDate", ftDateTime),       Field("Creater", ftString, 10),
            Field("CheckeDate", ftDateTime),       Field("Checker", ftString, 10),
            Field("EditInfo", ftString, 255)};
}

// The programmes and discipline groups linked to each other, each with the other's name and
// figures read beside it.
TProviderDetail StudyGroupsDetail(const QString &field, const QString &link) {
    const bool ofStudy = link == QLatin1String("StudyID");
    QList<TProviderField> fields{Field("StudyID", ftString, 10), Field("ChooseGID", ftString, 10)};
    const QList<TProviderField> joined =
        ofStudy
            ? QList<TProviderField>{Field("ChooseGName", ftString, 30),
                                    Field("Unit_ID", ftString, 20), Field("PassCreditNum", ftFloat),
                                    Field("PassCourseNum", ftInteger),
                                    Field("GroupType", ftString, 10)}
            : QList<TProviderField>{Field("StudyName", ftString, 60),
                                    Field("Unit_ID", ftString, 20)};
    QStringList columns{QStringLiteral("sg.StudyID"), QStringLiteral("sg.ChooseGID")};
    for (TProviderField f : joined) {
        columns << (ofStudy ? QStringLiteral("g.") : QStringLiteral("i.")) + f.Name;
        f.Joined = true;
        fields << f;
    }
    return {field,
            QStringLiteral("學程學門"),
            QStringLiteral("SELECT %2 FROM StudyGroups sg "
                           "LEFT JOIN ChooseGroups g ON g.ChooseGID = sg.ChooseGID "
                           "LEFT JOIN StudyInfo i ON i.StudyID = sg.StudyID "
                           "WHERE sg.%1 = :%1 ORDER BY sg.StudyID, sg.ChooseGID")
                .arg(link, columns.join(QStringLiteral(", "))),
            QStringLiteral("StudyGroups"),
            {QStringLiteral("StudyID"), QStringLiteral("ChooseGID")},
            {link},
            fields};
}

TProviderField JoinedName() {
    TProviderField f = Field("CourseName", ftString, 60);
    f.Joined = true;
    return f;
}

TProviderDef StudyProvider() {
    TProviderDef def =
        ReadOnlyProvider(QStringLiteral("edStudyInfo2DProvider"), QStringLiteral("StudyInfo"),
                         StudyFields(), {QStringLiteral("StudyID")}, QStringLiteral("StudyID"));
    def.Sql.replace(QLatin1String(" ORDER BY"), QLatin1String(" WHERE StudyID = :No ORDER BY"));
    def.ParamNames = {QStringLiteral("No")};
    def.Details = {
        StudyGroupsDetail(QStringLiteral("StudyGroups"), QStringLiteral("StudyID")),
        {QStringLiteral("StudyCourses"),
         QStringLiteral("學程科目"),
         QStringLiteral("SELECT sc.StudyID, sc.CourseID, o.CourseName, sc.Choose, sc.Credit, "
                        "sc.Grade, sc.Semester, sc.Remark, sc.EditInfo FROM StudyCourses sc "
                        "LEFT JOIN Courses o ON o.CourseID = sc.CourseID "
                        "WHERE sc.StudyID = :StudyID ORDER BY sc.Grade, sc.Semester, sc.CourseID"),
         QStringLiteral("StudyCourses"),
         {QStringLiteral("StudyID"), QStringLiteral("CourseID")},
         {QStringLiteral("StudyID")},
         {Field("StudyID", ftString, 10), Field("CourseID", ftString, 12), JoinedName(),
          Field("Choose", ftString, 2), Field("Credit", ftFloat), Field("Grade", ftInteger),
          Field("Semester", ftString, 1), Field("Remark", ftString, 200),
          Field("EditInfo", ftString, 100)}},
        StudyStudentsDetail()};
    return def;
}

TProviderDef GroupProvider() {
    TProviderDef def =
        ReadOnlyProvider(QStringLiteral("edChooseGroup2dProvider"), QStringLiteral("ChooseGroups"),
                         GroupFields() << Field("EditInfo", ftString, 100),
                         {QStringLiteral("ChooseGID")}, QStringLiteral("ChooseGID"));
    def.Sql.replace(QLatin1String(" ORDER BY"), QLatin1String(" WHERE ChooseGID = :No ORDER BY"));
    def.ParamNames = {QStringLiteral("No")};
    def.Details = {
        StudyGroupsDetail(QStringLiteral("GroupStudies"), QStringLiteral("ChooseGID")),
        {QStringLiteral("GroupCourses"),
         QStringLiteral("學門科目"),
         QStringLiteral("SELECT gc.ChooseGID, gc.CourseID, o.CourseName, gc.Credit, gc.EditInfo "
                        "FROM ChooseGroupCourses gc LEFT JOIN Courses o ON o.CourseID = "
                        "gc.CourseID WHERE gc.ChooseGID = :ChooseGID ORDER BY gc.CourseID"),
         QStringLiteral("ChooseGroupCourses"),
         {QStringLiteral("ChooseGID"), QStringLiteral("CourseID")},
         {QStringLiteral("ChooseGID")},
         {Field("ChooseGID", ftString, 10), Field("CourseID", ftString, 12), JoinedName(),
          Field("Credit", ftFloat), Field("EditInfo", ftString, 100)}}};
    return def;
}

} // namespace

TAcadCourseModule::TAcadCourseModule(const TServerContext &context)
    : TServerModule(
          context,
          {CoursesProvider(context.Database), EnrolmentsProvider(context.Database),
           CandidatesProvider(), CourseIndexProvider(),
           ReadOnlyProvider(QStringLiteral("xOrvCoursesIdxProvider"), QStringLiteral("Courses"),
                            CatalogueFields(), {QStringLiteral("CourseID")},
                            QStringLiteral("CourseID")),
           ReadOnlyProvider(QStringLiteral("xChooseGroupProvider"), QStringLiteral("ChooseGroups"),
                            GroupFields(), {QStringLiteral("ChooseGID")},
                            QStringLiteral("ChooseGID")),
           ReadOnlyProvider(QStringLiteral("xStudyInfoProvider"), QStringLiteral("StudyInfo"),
                            {Field("StudyID", ftString, 10), Field("StudyName", ftString, 60),
                             Field("Unit_ID", ftString, 20), Field("ClassType", ftString, 10),
                             Field("StudyType", ftString, 2), Field("LockedYN", ftString, 1)},
                            {QStringLiteral("StudyID")}, QStringLiteral("StudyID")),
           StudyProvider(), GroupProvider(), StudentStudyInfoProvider()}) {
    // GetStudentGraduateCheckInfo(StudentID, StudyID, CountEnrolled; out StudentStudyInfo,
    // StudyCourses, GroupInfo, GroupCourses, StudentGrade): the graduation review's packets.
    Method(Remote::DispIdUnknown, "GetStudentGraduateCheckInfo", 8, {3, 4, 5, 6, 7},
           [this](TRemoteCall &c) {
               const TGraduateCheck check =
                   GraduateCheck(Db(), c.Str(0).trimmed(), c.Str(1).trimmed(), c.Bool(2));
               c.Out(3) = Variant(check.Info);
               c.Out(4) = Variant(check.Courses);
               c.Out(5) = Variant(check.Groups);
               c.Out(6) = Variant(check.GroupCourses);
               c.Out(7) = Variant(check.Grades);
               return Variant(true);
           });
}

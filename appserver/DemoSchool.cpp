#include "DemoSchool.h"

#include "Big5.h"
#include "DemoAccounts.h"
#include "DemoAttendance.h"
#include "DemoPeople.h"
#include "DemoPermissions.h"
#include "DemoRoll.h"
#include "DemoStudyRewards.h"
#include "RemoteProtocol.h"
#include "ServerDatabase.h"

#include <QSet>

QStringList SchemaStatements() {
    return {
        "CREATE TABLE Users (ID VARCHAR(10) PRIMARY KEY, PasswordHash VARCHAR(200) NOT NULL, "
        "Cht_Name VARCHAR(40), Description VARCHAR(120), StartDate VARCHAR(19), "
        "EndDate VARCHAR(19), PasswordMonths INTEGER DEFAULT 0, LoggedIn INTEGER DEFAULT 0, "
        "LastLogin VARCHAR(19), Changer VARCHAR(10), ChangeTime VARCHAR(19))",
        "CREATE TABLE UserMachines (ID VARCHAR(10) NOT NULL, HostName VARCHAR(80) NOT NULL, "
        "PRIMARY KEY (ID, HostName))",
        "CREATE TABLE UserProfile (ID VARCHAR(10) PRIMARY KEY, MainForm VARCHAR(60), "
        "EMail VARCHAR(80), AIDType VARCHAR(10), OwnerOrg VARCHAR(20), OwnerUnit VARCHAR(20))",
        "CREATE TABLE JobGroups (GroupID VARCHAR(20) PRIMARY KEY, Manager VARCHAR(10), "
        "Unit_ID VARCHAR(20), Changer VARCHAR(10), ChangeTime VARCHAR(19))",
        "CREATE TABLE GroupMembers (GroupID VARCHAR(20) NOT NULL, ID VARCHAR(10) NOT NULL, "
        "PRIMARY KEY (GroupID, ID))",
        "CREATE TABLE GroupJobs (GroupID VARCHAR(20) NOT NULL, JobID VARCHAR(60) NOT NULL, "
        "PRIMARY KEY (GroupID, JobID))",
        "CREATE TABLE UserJobs (ID VARCHAR(10) NOT NULL, GroupID VARCHAR(20) NOT NULL, "
        "JobID VARCHAR(60) NOT NULL, PRIMARY KEY (ID, GroupID, JobID))",
        "CREATE TABLE GroupAdmins (ID VARCHAR(10) NOT NULL, GroupID VARCHAR(20) NOT NULL, "
        "PRIMARY KEY (ID, GroupID))",
        "CREATE TABLE JobAgents (ID VARCHAR(10) NOT NULL, Agent VARCHAR(10) NOT NULL, "
        "GroupID VARCHAR(20) NOT NULL, JobID VARCHAR(60) NOT NULL, StartDate VARCHAR(19), "
        "EndDate VARCHAR(19), Cause VARCHAR(120), PRIMARY KEY (ID, Agent, GroupID, JobID))",
        "CREATE TABLE ClientApps (FileName VARCHAR(60) PRIMARY KEY, Descript VARCHAR(120), "
        "Version VARCHAR(30), CheckSum INTEGER, Ext VARCHAR(10), AppType VARCHAR(40), "
        "AtClient INTEGER DEFAULT 1, UpdateMemo VARCHAR(200), Changer VARCHAR(10), "
        "ChangeTime VARCHAR(19), FileData {BLOB})",
        "CREATE TABLE ClientAppsHelp (FileName VARCHAR(60) PRIMARY KEY, Version VARCHAR(30), "
        "Descript VARCHAR(120), FileSize INTEGER, FileData {BLOB})",
        "CREATE TABLE AppSchedule (FileName VARCHAR(60) NOT NULL, MonthNo INTEGER NOT NULL, "
        "WorkDay INTEGER NOT NULL, PRIMARY KEY (FileName, MonthNo))",
        "CREATE TABLE AppWorkDay (FileName VARCHAR(60) NOT NULL, MonthNo INTEGER NOT NULL, "
        "WorkDayOfMonth INTEGER NOT NULL, PRIMARY KEY (FileName, MonthNo))",
        "CREATE TABLE SystemFiles (FileName VARCHAR(60) PRIMARY KEY, Descript VARCHAR(120), "
        "Version VARCHAR(30), CheckSum INTEGER, Ext VARCHAR(10), FileData {BLOB})",
        "CREATE TABLE DataFiles (FileName VARCHAR(60) PRIMARY KEY, Descript VARCHAR(120), "
        "Version VARCHAR(30), CheckSum INTEGER, Ext VARCHAR(10), FileData {BLOB})",
        "CREATE TABLE EventLog (Seq {SERIAL}, AppName VARCHAR(60), Operation VARCHAR(30), "
        "Operator VARCHAR(40), Description VARCHAR(400), StartTime VARCHAR(19), "
        "LogTime VARCHAR(19))",
        "CREATE TABLE KeyValues (KeyName VARCHAR(40) PRIMARY KEY, KeyValue INTEGER NOT NULL, "
        "Prefix VARCHAR(20))",
        "CREATE TABLE KeyValuesEx (MajorID VARCHAR(40) NOT NULL, MinorID VARCHAR(40) NOT NULL, "
        "KeyValue INTEGER NOT NULL, Prefix VARCHAR(20), FormatStr VARCHAR(40), "
        "PRIMARY KEY (MajorID, MinorID))",
        // The outbox: State "waiting" (NextTry: not before), "sending" (claimed at ClaimTime by
        // a delivery), "sent" (SentTime, the relay's Reply) or "failed" (Reply: why).
        "CREATE TABLE MailOutbox (Seq {SERIAL}, ToAddr VARCHAR(200), FromAddr VARCHAR(200), "
        "Subject VARCHAR(200), Body VARCHAR(4000), CreateTime VARCHAR(19), State VARCHAR(10), "
        "Attempts INTEGER, NextTry VARCHAR(19), ClaimTime VARCHAR(19), SentTime VARCHAR(19), "
        "Reply VARCHAR(400))",
        "CREATE TABLE MailAttachments (Seq INTEGER NOT NULL, No INTEGER NOT NULL, FileName "
        "VARCHAR(200), Data {BLOB}, PRIMARY KEY (Seq, No))",
        "CREATE TABLE Units (UnitID VARCHAR(20) PRIMARY KEY, UnitName VARCHAR(60), "
        "ParentID VARCHAR(20))",
        "CREATE TABLE StoredVCL (VCLName VARCHAR(30) PRIMARY KEY, Main_Code VARCHAR(12), "
        "AClassName VARCHAR(30), Description VARCHAR(60), AData {BLOB})",
        "CREATE TABLE ServerLocation (ServerName VARCHAR(40) NOT NULL, "
        "ComputerName VARCHAR(80) NOT NULL, Port INTEGER NOT NULL, "
        "PRIMARY KEY (ServerName, ComputerName))",
        "CREATE TABLE CodeTable (Main_Code VARCHAR(20) NOT NULL, Code VARCHAR(20) NOT NULL, "
        "Descript VARCHAR(120), ALevel INTEGER, AParent VARCHAR(20), AValue INTEGER, "
        "ADate VARCHAR(19), PRIMARY KEY (Main_Code, Code))",
        "CREATE TABLE ComputerUser (MacAddress VARCHAR(40) NOT NULL, UserName VARCHAR(40) "
        "NOT NULL, LastTime VARCHAR(19), PRIMARY KEY (MacAddress, UserName))",
        "CREATE TABLE PublicNews (NewsID INTEGER PRIMARY KEY, PublishDate VARCHAR(19), "
        "UnitID VARCHAR(20), Title VARCHAR(120), Content VARCHAR(4000), Publisher VARCHAR(40))",
        "CREATE TABLE UnitActions (ActionID INTEGER PRIMARY KEY, ActionDate VARCHAR(19), "
        "UnitID VARCHAR(20), Content VARCHAR(200))",
        "CREATE TABLE StdOnSchool (StudentID VARCHAR(10) PRIMARY KEY, Cht_Name VARCHAR(40), "
        "Sex VARCHAR(1), ClassID VARCHAR(10), SeatNo INTEGER, State VARCHAR(2), "
        "Birthday VARCHAR(10), IDNo VARCHAR(10), Address VARCHAR(80), EditInfo VARCHAR(255), "
        "Eng_Name VARCHAR(60), Buddha_Name VARCHAR(40), Passport VARCHAR(20), "
        "Nationality VARCHAR(4), Birth_Residence VARCHAR(20), PostCode VARCHAR(5), "
        "Tel VARCHAR(20), Genearch VARCHAR(40), GenearchRelation VARCHAR(2), "
        "GenearchTel VARCHAR(20), GenearchEMail VARCHAR(80), Emergent VARCHAR(40), "
        "EmergentRelation VARCHAR(2), "
        "EmergentTel VARCHAR(20), EnterType VARCHAR(2), EnterNormalType VARCHAR(2), "
        "DiplomaType VARCHAR(2))",
        "CREATE TABLE Employees (EmpID VARCHAR(10) PRIMARY KEY, Cht_Name VARCHAR(40), "
        "UnitID VARCHAR(20), Title VARCHAR(40), Extension VARCHAR(10), EMail VARCHAR(80), "
        "IDNo VARCHAR(10))",
        "CREATE TABLE SemCourses (CourseID VARCHAR(20) PRIMARY KEY, Semester VARCHAR(5) NOT NULL, "
        "CourseName VARCHAR(60) NOT NULL, TeacherID VARCHAR(10), Credits INTEGER, "
        "ClassID VARCHAR(10), EditInfo VARCHAR(255), SubjectID VARCHAR(12), "
        "CourseSEQNo VARCHAR(4), TimeRoomList VARCHAR(120))",
        "CREATE TABLE CourseStudents (CourseID VARCHAR(20) NOT NULL, StudentID VARCHAR(10) "
        "NOT NULL, Score NUMERIC(5,1), EditInfo VARCHAR(255), ComResults NUMERIC(5,1), "
        "MidResults NUMERIC(5,1), EndResults NUMERIC(5,1), SemResultsTime VARCHAR(19), "
        "PRIMARY KEY (CourseID, StudentID))",
        // The school's terms with their first and last days.
        "CREATE TABLE SchoolTerms (YSemester VARCHAR(5) PRIMARY KEY, BeginDate VARCHAR(10) NOT "
        "NULL, EndDate VARCHAR(10) NOT NULL)",
        // The classes: the class code of st_CLASS, its department, year, class name (a code of
        // st_ClassName), tutor and classroom.
        "CREATE TABLE ClassTypeDef (ClassType VARCHAR(10) PRIMARY KEY, Unit_ID VARCHAR(20), "
        "NGrade INTEGER NOT NULL, AClassName VARCHAR(10), Tutor VARCHAR(10), Room VARCHAR(20))",
        // The course catalogue, and what the study programmes and discipline groups hold.
        "CREATE TABLE Courses (CourseID VARCHAR(12) PRIMARY KEY, CourseName VARCHAR(60) NOT NULL, "
        "EngName VARCHAR(80), Unit_ID VARCHAR(20), DegreeType VARCHAR(2), Choose VARCHAR(2), "
        "Credit NUMERIC(4,1), LectureHours INTEGER, LabHours INTEGER, Grade INTEGER, "
        "Semester VARCHAR(1), UseState VARCHAR(1), GroupType VARCHAR(10), GradeType VARCHAR(2), "
        "PassScore NUMERIC(5,1), ScienceType VARCHAR(2), MinistryCode VARCHAR(20), "
        "YSemester VARCHAR(5), Remark VARCHAR(200), CreateDate VARCHAR(19), Creater VARCHAR(10))",
        "CREATE TABLE ChooseGroups (ChooseGID VARCHAR(10) PRIMARY KEY, ChooseGName VARCHAR(30) "
        "NOT NULL, Unit_ID VARCHAR(20), PassCreditNum NUMERIC(5,1), PassCourseNum INTEGER, "
        "GroupType VARCHAR(10), Description VARCHAR(200), CreateDate VARCHAR(19), "
        "Creater VARCHAR(10), CheckeDate VARCHAR(19), Checker VARCHAR(10), LockedYN VARCHAR(1), "
        "EditInfo VARCHAR(100))",
        "CREATE TABLE ChooseGroupCourses (ChooseGID VARCHAR(10) NOT NULL, CourseID VARCHAR(12) "
        "NOT NULL, Credit NUMERIC(4,1), EditInfo VARCHAR(100), PRIMARY KEY (ChooseGID, CourseID))",
        "CREATE TABLE StudyInfo (StudyID VARCHAR(10) PRIMARY KEY, StudyName VARCHAR(60) NOT NULL, "
        "LockedYN VARCHAR(1), Unit_ID VARCHAR(20), ClassType VARCHAR(10), StudyType VARCHAR(2), "
        "GradeuateCredit NUMERIC(5,1), MustCredit NUMERIC(5,1), SelectCredit NUMERIC(5,1), "
        "NeedCredit NUMERIC(5,1), DiplomaType VARCHAR(2), DiplomaChtName VARCHAR(60), "
        "DiplomaEngName VARCHAR(80), YSemester VARCHAR(5), CreateDate VARCHAR(19), "
        "Creater VARCHAR(10), CheckeDate VARCHAR(19), Checker VARCHAR(10), "
        "EditInfo VARCHAR(255))",
        "CREATE TABLE StudyGroups (StudyID VARCHAR(10) NOT NULL, ChooseGID VARCHAR(10) NOT NULL, "
        "PRIMARY KEY (StudyID, ChooseGID))",
        "CREATE TABLE StudyCourses (StudyID VARCHAR(10) NOT NULL, CourseID VARCHAR(12) NOT NULL, "
        "Choose VARCHAR(2), Credit NUMERIC(4,1), Grade INTEGER, Semester VARCHAR(1), "
        "Remark VARCHAR(200), EditInfo VARCHAR(100), PRIMARY KEY (StudyID, CourseID))",
        // The roll call: for one student, day and course the periods absent, late and on
        // leave (leave periods are periods absent), the leave type and the periods of the day.
        // AbsenceNo numbers the slip of the student's day.
        "CREATE TABLE StdAbsence (StudentID VARCHAR(10) NOT NULL, AbsenceDate VARCHAR(10) NOT "
        "NULL, SemCourseID VARCHAR(20) NOT NULL, AbsenceNo VARCHAR(12) NOT NULL, YSemester "
        "VARCHAR(5) NOT NULL, SecAbsence INTEGER DEFAULT 0 NOT NULL, SecLate INTEGER DEFAULT 0 "
        "NOT NULL, SecVAC INTEGER DEFAULT 0 NOT NULL, VAC_ID VARCHAR(2), ASectionList "
        "VARCHAR(40), TranYN VARCHAR(1) DEFAULT 'N', EditInfo VARCHAR(255), "
        "PRIMARY KEY (StudentID, AbsenceDate, SemCourseID), "
        "CHECK (SecAbsence >= 0 AND SecLate >= 0 AND SecVAC >= 0 AND SecVAC <= SecAbsence))",
        // Rewards and punishments: proposed (Kind, RepuCnt), approved (Verify, VerifyKind,
        // VerifyCnt of AF_REPU), dispatched and posted to the student's record (TranYN).
        "CREATE TABLE RewardPunish (RewardNo VARCHAR(12) PRIMARY KEY, YSemester VARCHAR(5) NOT "
        "NULL, StudentID VARCHAR(10) NOT NULL, OriginType VARCHAR(2), Origin VARCHAR(200), "
        "Basis VARCHAR(200), Kind VARCHAR(2), RepuCnt INTEGER, SuggestDate VARCHAR(10), "
        "SuggestUnit_ID VARCHAR(20), Verify VARCHAR(1) DEFAULT 'N', VerifyKind VARCHAR(2), "
        "VerifyCnt INTEGER, VerifyDate VARCHAR(10), Dispatchdate VARCHAR(10), "
        "Dispatchword VARCHAR(20), Dispatchno VARCHAR(20), TranYN VARCHAR(1) DEFAULT 'N', "
        "EditInfo VARCHAR(255), BillNo VARCHAR(12), CheckedDate VARCHAR(10), "
        "CHECK (VerifyCnt IS NULL OR VerifyCnt > 0))",
        // The proposals of rewards (Reworpun 1) or punishments (2): the unit and person that
        // proposed them and when; their students are the RewardPunish rows of that BillNo.
        "CREATE TABLE RewardBills (RewardNo VARCHAR(12) PRIMARY KEY, YSemester VARCHAR(5) NOT "
        "NULL, Unit_ID VARCHAR(20), SuggestName VARCHAR(40), SuggestDate VARCHAR(10), "
        "Reworpun VARCHAR(1), EditInfo VARCHAR(255))",
        // The study programmes the students follow, from the term they entered them.
        "CREATE TABLE StudentStudy (StudentID VARCHAR(10) NOT NULL, StudyID VARCHAR(10) NOT "
        "NULL, EnterYSemester VARCHAR(5), State VARCHAR(1) DEFAULT '0', EditInfo VARCHAR(255), "
        "PRIMARY KEY (StudentID, StudyID))",
        // The conduct mark and the tutor's comment of each student and term.
        "CREATE TABLE SemConduct (YSemester VARCHAR(5) NOT NULL, StudentID VARCHAR(10) NOT NULL, "
        "Conduct NUMERIC(5,1), Comment VARCHAR(200), EditInfo VARCHAR(255), "
        "PRIMARY KEY (YSemester, StudentID))",
        // The general ledger's account titles: the side of the balance (D debit, C credit),
        // the level and the title a title sums into.
        "CREATE TABLE AccTitles (AccNo VARCHAR(12) PRIMARY KEY, AccName VARCHAR(60) NOT NULL, "
        "DC_Mode VARCHAR(1) NOT NULL, ALevel INTEGER, AParent VARCHAR(12))",
        // Vouchers by fiscal year (the ROC year) and serial: the voucher number printed, its
        // date and the day it was entered, the kind of receipt or payment, who made it and
        // its state (checked, printed, posted, closed).
        "CREATE TABLE AccVouchers (Year_ID INTEGER NOT NULL, Tx_No INTEGER NOT NULL, "
        "Tx_VoucherNo VARCHAR(20), Tx_Date VARCHAR(19), Create_Date VARCHAR(19), "
        "Tx_Description VARCHAR(200), ArAcType VARCHAR(2), PayType VARCHAR(2), "
        "Creater VARCHAR(10), Checked VARCHAR(1) DEFAULT 'N', Printed VARCHAR(1) DEFAULT 'N', "
        "Posted VARCHAR(1) DEFAULT '0', Closed_YN VARCHAR(1) DEFAULT 'N', "
        "PRIMARY KEY (Year_ID, Tx_No))",
        // A voucher's items: the title, the side (D debit, C credit), the unit, the payee or
        // payer (TargetID: an identity or business number), the related number, the budget
        // plan and the amount. A voucher's debits and credits always add up to the same sum.
        "CREATE TABLE AccVoucherItems (Year_ID INTEGER NOT NULL, Tx_No INTEGER NOT NULL, "
        "TxD_No INTEGER NOT NULL, AccNo VARCHAR(12) NOT NULL, DC_Mode VARCHAR(1) NOT NULL, "
        "DC_Type VARCHAR(1), Ctrl_type VARCHAR(2), Description VARCHAR(100), "
        "DepNo VARCHAR(20), Target VARCHAR(50), TargetID VARCHAR(10), SRC_No VARCHAR(50), "
        "PlanNo VARCHAR(20), Amount NUMERIC(14,2) NOT NULL, "
        "PRIMARY KEY (Year_ID, Tx_No, TxD_No), CHECK (DC_Mode IN ('D', 'C')), "
        "CHECK (Amount > 0))",
        // The people (IDtype 1, by identity number) and companies (2, by business number)
        // the school pays or is paid by.
        "CREATE TABLE IncomeRefs (ID VARCHAR(10) PRIMARY KEY, IDtype VARCHAR(1) NOT NULL, "
        "BAN VARCHAR(8), IDN VARCHAR(10), INCMER_NM VARCHAR(60) NOT NULL, "
        "HOUHLD_ADDR_X60 VARCHAR(120), EMail VARCHAR(80), CHECK (IDtype IN ('1', '2')))",
        // Budget plans of a year and case plans (a case may belong to a year's plan,
        // ExPlanNo): the unit that spends it, passed, closed, the school's overall plan.
        "CREATE TABLE YearBudgets (PlanNo VARCHAR(20) PRIMARY KEY, Year_ID INTEGER NOT NULL, "
        "PlanName VARCHAR(80) NOT NULL, BrUnit VARCHAR(20), PassFG VARCHAR(1) DEFAULT 'N', "
        "CloseCase VARCHAR(1) DEFAULT 'N', OverallFG VARCHAR(1) DEFAULT 'N', "
        "Budget NUMERIC(14,2))",
        "CREATE TABLE CaseBudgets (PlanNo VARCHAR(20) PRIMARY KEY, Year_ID INTEGER NOT NULL, "
        "PlanName VARCHAR(80) NOT NULL, BrUnit VARCHAR(20), PassFG VARCHAR(1) DEFAULT 'N', "
        "CloseCase VARCHAR(1) DEFAULT 'N', ExPlanNo VARCHAR(20), Budget NUMERIC(14,2))",
        // Which server objects each job group may use (a ProgID, "Family.*" or "*"), and
        // whether it may apply changes there (Permissions.h).
        "CREATE TABLE JobPermissions (GroupID VARCHAR(20) NOT NULL, ProgID VARCHAR(60) NOT NULL, "
        "CanApply INTEGER DEFAULT 0 NOT NULL, Changer VARCHAR(10), ChangeTime VARCHAR(19), "
        "PRIMARY KEY (GroupID, ProgID), CHECK (CanApply IN (0, 1)))",
        // The objects the servers on this database host, and their families, as the servers
        // register them at start.
        "CREATE TABLE ServerObjects (ProgID VARCHAR(60) PRIMARY KEY, Descript VARCHAR(60))",
        // The server's own records, never read by clients (ServerOnlyTables).
        "CREATE TABLE Sessions (TicketHash VARCHAR(64) PRIMARY KEY, ID VARCHAR(10) NOT NULL, "
        "Computer VARCHAR(120), IssueTime VARCHAR(19) NOT NULL, LastUse VARCHAR(19) NOT NULL)",
        "CREATE TABLE LoginFailures (Seq {SERIAL}, ID VARCHAR(80), Address VARCHAR(64), "
        "FailTime VARCHAR(19) NOT NULL)",
        "CREATE TABLE ApplyLog (Seq {SERIAL}, ID VARCHAR(10), ApplyTime VARCHAR(19), "
        "ProgID VARCHAR(60), Provider VARCHAR(60), Inserted INTEGER, Changed INTEGER, "
        "Deleted INTEGER, Errors INTEGER)",
    };
}

QStringList ServerOnlyTables() {
    return {QStringLiteral("Sessions"), QStringLiteral("LoginFailures"),
            QStringLiteral("ApplyLog")};
}

QList<TAddedColumn> AddedColumns() {
    return {
        {QStringLiteral("StdOnSchool"), QStringLiteral("Birthday"), QStringLiteral("VARCHAR(10)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("IDNo"), QStringLiteral("VARCHAR(10)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Address"), QStringLiteral("VARCHAR(80)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("EditInfo"), QStringLiteral("VARCHAR(255)")},
        {QStringLiteral("Employees"), QStringLiteral("IDNo"), QStringLiteral("VARCHAR(10)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Eng_Name"), QStringLiteral("VARCHAR(60)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Buddha_Name"),
         QStringLiteral("VARCHAR(40)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Passport"), QStringLiteral("VARCHAR(20)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Nationality"),
         QStringLiteral("VARCHAR(4)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Birth_Residence"),
         QStringLiteral("VARCHAR(20)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("PostCode"), QStringLiteral("VARCHAR(5)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Tel"), QStringLiteral("VARCHAR(20)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Genearch"), QStringLiteral("VARCHAR(40)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("GenearchRelation"),
         QStringLiteral("VARCHAR(2)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("GenearchTel"),
         QStringLiteral("VARCHAR(20)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("GenearchEMail"),
         QStringLiteral("VARCHAR(80)")},
        {QStringLiteral("RewardPunish"), QStringLiteral("BillNo"), QStringLiteral("VARCHAR(12)")},
        {QStringLiteral("RewardPunish"), QStringLiteral("CheckedDate"),
         QStringLiteral("VARCHAR(10)")},
        {QStringLiteral("MailOutbox"), QStringLiteral("State"), QStringLiteral("VARCHAR(10)")},
        {QStringLiteral("MailOutbox"), QStringLiteral("Attempts"), QStringLiteral("INTEGER")},
        {QStringLiteral("MailOutbox"), QStringLiteral("NextTry"), QStringLiteral("VARCHAR(19)")},
        {QStringLiteral("MailOutbox"), QStringLiteral("ClaimTime"), QStringLiteral("VARCHAR(19)")},
        {QStringLiteral("MailOutbox"), QStringLiteral("SentTime"), QStringLiteral("VARCHAR(19)")},
        {QStringLiteral("MailOutbox"), QStringLiteral("Reply"), QStringLiteral("VARCHAR(400)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("Emergent"), QStringLiteral("VARCHAR(40)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("EmergentRelation"),
         QStringLiteral("VARCHAR(2)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("EmergentTel"),
         QStringLiteral("VARCHAR(20)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("EnterType"), QStringLiteral("VARCHAR(2)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("EnterNormalType"),
         QStringLiteral("VARCHAR(2)")},
        {QStringLiteral("StdOnSchool"), QStringLiteral("DiplomaType"),
         QStringLiteral("VARCHAR(2)")},
        {QStringLiteral("SemCourses"), QStringLiteral("SubjectID"), QStringLiteral("VARCHAR(12)")},
        {QStringLiteral("SemCourses"), QStringLiteral("CourseSEQNo"), QStringLiteral("VARCHAR(4)")},
        {QStringLiteral("SemCourses"), QStringLiteral("TimeRoomList"),
         QStringLiteral("VARCHAR(120)")},
        {QStringLiteral("CourseStudents"), QStringLiteral("ComResults"),
         QStringLiteral("NUMERIC(5,1)")},
        {QStringLiteral("CourseStudents"), QStringLiteral("MidResults"),
         QStringLiteral("NUMERIC(5,1)")},
        {QStringLiteral("CourseStudents"), QStringLiteral("EndResults"),
         QStringLiteral("NUMERIC(5,1)")},
        {QStringLiteral("CourseStudents"), QStringLiteral("SemResultsTime"),
         QStringLiteral("VARCHAR(19)")}};
}

namespace {

struct TCode {
    const char *Main;
    const char *Code;
    const char *Descript;
    int Value;
    const char *Parent = "";
};

// Code-table categories the forms use, with their descriptions.
const TCode kCodes[] = {
    {"Semester", "1", "上學期", 1},
    {"Semester", "2", "下學期", 2},
    {"YSemester", "1121", "112學年度上學期", 0},
    {"YSemester", "1122", "112學年度下學期", 0},
    {"YSemester", "1131", "113學年度上學期", 0},
    {"YSemester", "1132", "113學年度下學期", 0},
    {"NSYS", "NowYSem", "1131", 0},
    {"NSYS", "SchoolName", "國立示範高級中學", 0},
    {"NSEX", "1", "男", 1},
    {"NSEX", "2", "女", 2},
    {"NUNT", "A00", "校長室", 0},
    {"NUNT", "A10", "教務處", 0},
    {"NUNT", "A20", "學務處", 0},
    {"NUNT", "A30", "總務處", 0},
    {"NUNT", "A40", "輔導室", 0},
    {"NUNT", "A50", "會計室", 0},
    {"NUNT", "A60", "人事室", 0},
    {"NUNT", "A70", "圖書館", 0},
    // Departments of the students.
    {"NUNT", "B10", "普通科", 0},
    {"NUNT", "B20", "數理資優班", 0},
    // The classes (st_CLASS) come with the roll (DemoRoll.h); their names within a year:
    {"st_ClassName", "1", "忠", 0},
    {"st_ClassName", "2", "孝", 0},
    {"st_ClassName", "3", "仁", 0},
    {"st_ClassName", "4", "愛", 0},
    {"st_ClassName", "5", "信", 0},
    {"st_ClassName", "6", "義", 0},
    {"st_ClassName", "7", "和", 0},
    {"st_ClassName", "8", "平", 0},
    {"st_ClassName", "9", "智", 0},
    {"st_ClassName", "10", "勇", 0},
    {"st_ClassName", "11", "勤", 0},
    {"st_ClassName", "12", "誠", 0},
    {"st_State", "0", "在學", 0},
    {"st_State", "1", "休學", 0},
    {"st_State", "2", "退學", 0},
    {"st_State", "3", "轉出", 0},
    {"st_State", "4", "畢業", 0},
    {"st_VACID", "01", "事假", 0},
    {"st_VACID", "02", "病假", 0},
    {"st_VACID", "03", "公假", 0},
    {"st_VACID", "04", "喪假", 0},
    {"st_VACID", "05", "曠課", 0},
    {"st_Enter", "1", "新生入學", 0},
    {"st_Enter", "2", "轉學生", 0},
    {"st_Enter", "3", "復學生", 0},
    {"st_Diploma", "1", "畢業證書", 0},
    {"st_Diploma", "2", "修業證明書", 0},
    {"st_Inside", "1", "本校", 0},
    {"st_Inside", "2", "外校", 0},
    {"st_ENmType", "1", "一般生", 0},
    {"st_ENmType", "2", "原住民", 0},
    {"st_ENmType", "3", "身心障礙", 0},
    {"st_Study", "1", "普通科", 0},
    {"st_Study", "2", "數理資優班", 0},
    {"AF_REPU", "1", "嘉獎", 1},
    {"AF_REPU", "2", "小功", 3},
    {"AF_REPU", "3", "大功", 9},
    {"AF_REPU", "4", "警告", -1},
    {"AF_REPU", "5", "小過", -3},
    {"AF_REPU", "6", "大過", -9},
    {"AF_REPU", "7", "定期察看", -27},
    {"AF_OriType", "1", "導師建議", 0},
    {"AF_OriType", "2", "學務處", 0},
    // The curriculum domains of the discipline groups and courses.
    {"cs_GroupType", "1", "語文", 0},
    {"cs_GroupType", "2", "數學", 0},
    {"cs_GroupType", "3", "社會", 0},
    {"cs_GroupType", "4", "自然科學", 0},
    {"cs_GroupType", "5", "藝術", 0},
    {"cs_GroupType", "6", "綜合活動", 0},
    {"cs_GroupType", "7", "科技", 0},
    {"cs_GroupType", "8", "健康與體育", 0},
    {"cs_GroupType", "9", "全民國防教育", 0},
    // Required or elective.
    {"cs_CHOOSE", "1", "必修", 0},
    {"cs_CHOOSE", "2", "選修", 0},
    // Personnel.
    {"NBLD", "A", "A型", 0},
    {"NBLD", "B", "B型", 0},
    {"NBLD", "O", "O型", 0},
    {"NBLD", "AB", "AB型", 0},
    {"NPOL", "0", "無黨籍", 0},
    {"NPOL", "9", "其他", 0},
    {"NREL", "0", "無", 0},
    {"NREL", "1", "佛教", 0},
    {"NREL", "2", "道教", 0},
    {"NREL", "3", "基督教", 0},
    {"NREL", "4", "天主教", 0},
    {"NREL", "9", "其他", 0},
    {"NEPT", "1", "教師", 0},
    {"NEPT", "2", "職員", 0},
    {"NEPT", "3", "工友", 0},
    {"NREI", "01", "父", 0},
    {"NREI", "02", "母", 0},
    {"NREI", "03", "祖父", 0},
    {"NREI", "04", "祖母", 0},
    {"NREI", "05", "兄弟", 0},
    {"NREI", "06", "姊妹", 0},
    {"NREI", "09", "其他", 0},
    {"MIC", "1", "役畢", 0},
    {"MIC", "2", "免役", 0},
    {"MIC", "3", "未役", 0},
    {"MIK", "1", "陸軍", 0},
    {"MIK", "2", "海軍", 0},
    {"MIK", "3", "空軍", 0},
    {"MIR", "1", "二兵", 0},
    {"MIR", "2", "一兵", 0},
    {"MIR", "3", "上兵", 0},
    {"MIR", "4", "下士", 0},
    {"MIR", "5", "少尉", 0},
    {"MID", "1", "步兵", 0},
    {"MID", "2", "砲兵", 0},
    {"MID", "3", "通信兵", 0},
    {"NAT", "TW", "中華民國", 0},
    {"NAT", "JP", "日本", 0},
    {"NAT", "US", "美國", 0},
    {"EDL", "1", "博士", 1},
    {"EDL", "2", "碩士", 2},
    {"EDL", "3", "學士", 3},
    {"EDL", "4", "專科", 4},
    {"EDL", "5", "高中", 5},
    {"NSAL", "1", "本薪", 0},
    {"NSAL", "2", "年功薪", 0},
    {"NCHA", "1", "校長", 0},
    {"NCHA", "2", "主任", 0},
    {"NCHA", "3", "組長", 0},
    {"NCHA", "4", "教師", 0},
    {"NJOB", "1", "專任", 0},
    {"NJOB", "2", "兼任", 0},
    {"NJOB", "3", "代理", 0},
    {"NJST", "1", "在職", 0},
    {"NJST", "2", "留職停薪", 0},
    {"NJST", "3", "離職", 0},
    {"NWRK", "1", "行政", 0},
    {"NWRK", "2", "教學", 0},
    {"MAG", "1", "未婚", 0},
    {"MAG", "2", "已婚", 0},
    // Changes of post: arrivals have parent 0, departures 1, either way 99.
    {"CHA", "01", "初任", 0, "0"},
    {"CHA", "02", "調入", 0, "0"},
    {"CHA", "11", "退休", 0, "1"},
    {"CHA", "12", "調出", 0, "1"},
    {"CHA", "99", "其他", 0, "99"},
    {"NDEF", "0", "無", 0},
    {"NDEF", "1", "視覺障礙", 0},
    {"NDEF", "2", "聽覺障礙", 0},
    {"NDEF", "3", "肢體障礙", 0},
    // Accounting.
    {"PayType", "1", "現金", 0},
    {"PayType", "2", "支票", 0},
    {"PayType", "3", "匯款", 0},
    {"ArAcType", "1", "學雜費", 0},
    {"ArAcType", "2", "代收款", 0},
    {"ArAcType", "3", "一般收支", 0},
    {"ArAcType", "4", "薪資", 0},
    {"AcPostST", "0", "未過帳", 0},
    {"AcPostST", "1", "已過帳", 0},
    {"AcDCType", "D", "借方", 0},
    {"AcDCType", "C", "貸方", 0},
};

struct TUser {
    const char *Id;
    const char *Password;
    const char *Name;
    const char *Description;
    const char *MainForm;
    const char *EMail;
    const char *AIDType;
    const char *Unit;
};

const TUser kUsers[] = {
    {"ADMIN", "orv7-admin", "系統管理者", "示範學校系統管理帳號", "LumJobTree.bpl",
     "admin@demo-school.example", "E", "A10"},
    {"T001", "teach-2024", "林雅婷", "國文科教師", "LumJobTree.bpl", "t001@demo-school.example",
     "E", "A10"},
    {"T002", "lab-2024", "陳志明", "資訊科教師(限電腦教室)", "LumJobTree.bpl",
     "t002@demo-school.example", "E", "A20"},
    {"E008", "acct-2024", "許雅雯", "會計主任", "LumJobTree.bpl", "e008@demo-school.example", "E",
     "A50"},
};

QByteArray Tree(int tag, const char *lines) {
    // Stored trees are Big5 text.
    return QByteArrayLiteral("#Tag=") + QByteArray::number(tag) + '\n' +
           Big5Encode(QString::fromUtf8(lines));
}

// The job packages every demo user may run, with their group in the job tree ("code,name")
// and their flags (bit 0: kept on the computer after the program closes; bit 1: use logged).
struct TDemoPackage {
    const char *FileName;
    const char *Descript;
    const char *AppType;
    int AtClient;
};

const TDemoPackage kPackages[] = {
    {"LumChangePassword.bpl", "密碼變更", "S,系統", 3},
    {"LumSYSHelpRead.bpl", "輔助說明", "S,系統", 0},
    {"LumPublicNews.bpl", "公告查詢", "P,公用", 3},
    {"LumUnitActionsQuery.bpl", "行事曆查詢", "P,公用", 1},
    {"TqStdOnSchoolIdx.bpl", "在校生索引表", "A,教務", 2},
    {"LumEmployeesIndex.bpl", "員工索引表", "H,人事", 0},
    {"TqStdBasicData.bpl", "學生基本資料維護", "A,教務", 2},
    {"TqStdBasicByNo.bpl", "學生基本資料(單筆)", "A,教務", 2},
    {"TqStdClassChart.bpl", "各班人數統計", "A,教務", 2},
    {"TqStdTextTransfer.bpl", "學生名冊文字匯出入", "A,教務", 2},
    {"TqStdQuery.bpl", "學生資料查詢", "A,教務", 2},
    {"TqStdChangeClass.bpl", "學生班級狀態變更", "A,教務", 2},
    {"TqCourseStudents.bpl", "課程選修學生維護", "A,教務", 2},
    {"TqCourseSelect.bpl", "課程選課作業", "A,教務", 2},
    {"TqCourseBatch.bpl", "課程批次選課", "A,教務", 2},
    {"TqAbsenceNotify.bpl", "學生缺曠課通知單", "A,教務", 2},
    {"TqAbsenceWeeklyNotify.bpl", "學生每週缺曠課通知單", "A,教務", 2},
    {"TqRewardNotify.bpl", "學生獎懲通知單", "A,教務", 2},
    {"TqSemCourseSheets.bpl", "科目名冊及計分表", "A,教務", 2},
    {"TqClassAbsWeekly.bpl", "班級學生週缺曠課統計表", "A,教務", 2},
    {"TqStudyProgramPrint.bpl", "學程學門列印", "A,教務", 2},
    {"TqRewardDocuments.bpl", "獎懲建議單及公告單", "A,教務", 2},
    {"TqRewardCertificate.bpl", "學生獎懲證明", "A,教務", 2},
    {"TqGraduateReview.bpl", "學生學程審查", "A,教務", 2},
    {"LumJobPermissions.bpl", "權限設定", "S,系統", 2},
    {"LumMailOutbox.bpl", "郵件寄送狀態", "S,系統", 0},
    {"LumAccVoucher.bpl", "會計傳票維護", "C,會計", 2},
    {"LumAccTitleIndex.bpl", "會計科目索引", "C,會計", 0},
    {"LumIncRefIndex.bpl", "所得人索引", "C,會計", 0},
    {"LumBudgetIndex.bpl", "預算計畫索引", "C,會計", 0},
};

// Packages only the administrators run.
const char *const kAdministratorPackages[] = {"LumJobPermissions.bpl", "LumMailOutbox.bpl"};

// The demo groups' jobs: the administrators run every package; the others those of the job
// tree's groups (the letter of "AppType") that are their business, the system's and the
// public ones included, but not the administrators' own.
bool GroupRuns(const QString &group, const TDemoPackage &p) {
    if (group == QLatin1String("SYSADM"))
        return true;
    for (const char *admin : kAdministratorPackages)
        if (qstrcmp(admin, p.FileName) == 0)
            return false;
    const QChar type = QString::fromUtf8(p.AppType).at(0);
    if (type == u'S' || type == u'P')
        return true;
    if (group == QLatin1String("ACAD"))
        return type == u'A';
    if (group == QLatin1String("PERSONNEL"))
        return type == u'H';
    if (group == QLatin1String("ACCOUNT"))
        return type == u'C';
    if (group == QLatin1String("STUDENT")) {
        // Student affairs: the roll, the queries, and the notices of absences and rewards.
        for (const char *job :
             {"TqStdOnSchoolIdx.bpl", "TqStdQuery.bpl", "TqStdClassChart.bpl",
              "TqAbsenceNotify.bpl", "TqAbsenceWeeklyNotify.bpl", "TqRewardNotify.bpl",
              "TqClassAbsWeekly.bpl", "TqRewardDocuments.bpl", "TqRewardCertificate.bpl"})
            if (qstrcmp(job, p.FileName) == 0)
                return true;
    }
    return false;
}

// The demo packages' records in the client-application list, with their group and flags.
// The records hold no file yet: the server publishes the built packages into them at start
// (their version, size and bytes), keeping the group and flags given here.
void RegisterPackages(TServerDatabase &db, const QString &now) {
    for (const TDemoPackage &p : kPackages)
        db.Exec("INSERT INTO ClientApps (FileName, Descript, Version, CheckSum, Ext, AppType, "
                "AtClient, UpdateMemo, Changer, ChangeTime) VALUES (?,?,?,?,?,?,?,?,?,?)",
                {p.FileName, QString::fromUtf8(p.Descript), QString(), 0, ".bpl",
                 QString::fromUtf8(p.AppType), p.AtClient, QString::fromUtf8("示範學校初始版本"),
                 "ADMIN", now});
}

// Help documents of two jobs: one page of HTML stored as UTF-8 with a byte-order mark, and one
// plain text stored in Big5, as older documents are.
void FillHelp(TServerDatabase &db) {
    const QByteArray html =
        QByteArrayLiteral("\xEF\xBB\xBF") +
        QStringLiteral("<html><body><h2>密碼變更</h2>"
                       "<p>請輸入目前的密碼，再輸入兩次新密碼後按「確認」。</p>"
                       "<ul><li>新密碼不可與帳號相同。</li><li>新密碼不可與舊密碼相同。</li>"
                       "<li>變更完成後，下次登入請使用新密碼。</li></ul></body></html>")
            .toUtf8();
    const QByteArray text = Big5Encode(QStringLiteral(
        "公告查詢\n\n上方列出學校的公告，依公告日期由新到舊排列，日期以民國年表示。\n"
        "點選一則公告，下方即顯示公告內容。\n"));
    const struct {
        const char *FileName;
        const char *Descript;
        QByteArray Data;
    } docs[] = {{"LumChangePassword.bpl", "密碼變更說明", html},
                {"LumPublicNews.bpl", "公告查詢說明", text}};
    for (const auto &d : docs)
        db.Exec("INSERT INTO ClientAppsHelp (FileName, Version, Descript, FileSize, FileData) "
                "VALUES (?,?,?,?,?)",
                {d.FileName, "1", QString::fromUtf8(d.Descript), d.Data.size(), d.Data});
}

// The notices: days before the database was made, unit, title, text.
void FillNews(TServerDatabase &db) {
    const struct {
        int DaysAgo;
        const char *Unit;
        const char *Title;
        const char *Content;
        const char *Publisher;
    } news[] = {
        {1, "A10", "期末考試日程公告",
         "本學期期末考試訂於下月第二週舉行，\n考試科目與節次表請至教務處網頁查詢。\n"
         "請同學準時到場應試。",
         "張淑芬"},
        {3, "A30", "校園網路維護停機通知",
         "本週六上午八時至十二時進行校園網路設備維護，\n期間校務系統暫停服務，造成不便敬請見諒。",
         "蔡明哲"},
        {7, "A20", "冬季服裝儀容檢查",
         "學務處將於下週一升旗時間進行服裝儀容檢查，\n請各班導師協助提醒學生。", "吳俊傑"},
        {14, "A11", "獎學金申請開始受理",
         "本學期各項獎學金即日起受理申請，\n請備妥成績單及相關證明文件，至註冊組辦理。", "李建宏"},
        {30, "A00", "教師節敬師活動感謝", "感謝全校師生熱情參與敬師活動。", "王大同"},
    };
    int id = 0;
    for (const auto &n : news)
        db.Exec("INSERT INTO PublicNews (NewsID, PublishDate, UnitID, Title, Content, Publisher) "
                "VALUES (?,?,?,?,?,?)",
                {++id,
                 TServerDatabase::DateText(TDateTime(Date().Value() - n.DaysAgo +
                                                     TDateTime::EncodeTime(8, 30, 0).Value())),
                 n.Unit, QString::fromUtf8(n.Title), QString::fromUtf8(n.Content),
                 QString::fromUtf8(n.Publisher)});
}

// The school calendar: the month (from the current one) and day of each event.
void FillCalendar(TServerDatabase &db) {
    const struct {
        int Month;
        int Day;
        const char *Unit;
        const char *Content;
    } actions[] = {
        {-1, 15, "A10", "第一次段考"},     {-1, 25, "A20", "班級幹部訓練"},
        {0, 1, "A00", "校務會議"},         {0, 8, "A10", "第二次段考"},
        {0, 8, "A21", "段考期間加強巡堂"}, {0, 15, "A20", "校慶運動會"},
        {0, 22, "A30", "全校消防演練"},    {0, 28, "A50", "經費核銷截止"},
        {1, 5, "A12", "下學期課表公布"},   {1, 20, "A10", "期末考試"},
    };
    const QDate today = Date().ToDate();
    const QDate first(today.year(), today.month(), 1);
    int id = 0;
    for (const auto &a : actions)
        db.Exec("INSERT INTO UnitActions (ActionID, ActionDate, UnitID, Content) "
                "VALUES (?,?,?,?)",
                {++id,
                 TServerDatabase::DateText(
                     TDateTime::FromDate(first.addMonths(a.Month).addDays(a.Day - 1))),
                 a.Unit, QString::fromUtf8(a.Content)});
}

void FillStudents(TServerDatabase &db) {
    // Birthdays fit the year of entry (the number's first three digits); identity numbers pass
    // the national check with the second digit matching Sex; the addresses are made up.
    const struct {
        const char *Id;
        const char *Name;
        const char *Sex;
        const char *Class;
        int Seat;
        const char *State;
        const char *Birthday;
        const char *IDNo;
        const char *Address;
        const char *EditInfo;
    } students[] = {
        {"113001", "王小明", "1", "101", 1, "0", "2008-10-03", "A152601814",
         "臺北市大安區和平東路二段118號5樓", "E003-24/08/30(09:15)-10.0.0.21"},
        {"113002", "李佳穎", "2", "101", 2, "0", "2009-02-17", "A259083012",
         "臺北市中正區南昌路一段45巷6號", "E003-24/08/30(09:16)-10.0.0.21"},
        {"113003", "張家豪", "1", "101", 3, "0", "2008-12-25", "F166131866",
         "新北市板橋區文化路一段266號8樓", "E003-24/08/30(09:18)-10.0.0.21"},
        {"113004", "陳怡安", "2", "101", 4, "1", "2009-05-08", "F209139091",
         "新北市新店區北新路三段72號",
         "E003-24/10/07(14:02)-10.0.0.21,E003-24/08/30(09:20)-10.0.0.21"},
        {"113031", "林冠宇", "1", "102", 1, "0", "2008-09-14", "A196030822",
         "臺北市大同區民生西路190號3樓", ""},
        {"113032", "黃詩涵", "2", "102", 2, "0", "2009-07-30", "F246281947",
         "新北市永和區竹林路33巷12號2樓", ""},
        {"113033", "吳承翰", "1", "102", 3, "0", "2009-01-11", "A182199354",
         "臺北市信義區松仁路58號11樓", ""},
        {"112001", "劉宜蓁", "2", "201", 1, "0", "2007-11-22", "F218190931",
         "新北市中和區景平路410號4樓", "E003-23/08/28(10:05)-10.0.0.21"},
        {"112002", "蔡宗翰", "1", "201", 2, "0", "2008-03-05", "A178657978",
         "臺北市士林區中正路601巷3號", "E003-23/08/28(10:07)-10.0.0.21"},
        {"112003", "鄭雅雯", "2", "201", 3, "0", "2007-09-19", "A254323191",
         "臺北市文山區木柵路二段87號", "E003-23/08/28(10:09)-10.0.0.21"},
        {"112031", "謝明哲", "1", "202", 1, "0", "2008-06-02", "F148757497",
         "新北市三重區重新路四段150號6樓", ""},
        {"112032", "許筱婷", "2", "202", 2, "0", "2007-12-09", "F211862523",
         "新北市新莊區中正路512號7樓",
         "E006-24/03/12(11:40)-10.0.0.35,E003-23/08/28(10:15)-10.0.0.21"},
        {"111001", "楊志豪", "1", "301", 1, "0", "2006-10-27", "A176018955",
         "臺北市內湖區成功路三段22號", ""},
        {"111002", "周佩君", "2", "301", 2, "0", "2007-04-16", "B255979714",
         "臺中市西區公益路135號9樓", "E003-22/08/29(08:50)-10.0.0.21"},
        {"111003", "王建民", "1", "301", 3, "0", "2006-09-08", "F114710499",
         "新北市汐止區大同路二段301號5樓", ""},
    };
    for (const auto &s : students) {
        const QString editInfo = QString::fromUtf8(s.EditInfo);
        db.Exec("INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, SeatNo, State, "
                "Birthday, IDNo, Address, EditInfo) VALUES (?,?,?,?,?,?,?,?,?,?)",
                {s.Id, QString::fromUtf8(s.Name), s.Sex, s.Class, s.Seat, s.State, s.Birthday,
                 s.IDNo, QString::fromUtf8(s.Address),
                 editInfo.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : editInfo});
    }
}

void FillEmployees(TServerDatabase &db) {
    const struct {
        const char *Id;
        const char *Name;
        const char *Unit;
        const char *Title;
        const char *Extension;
        const char *IDNo;
    } staff[] = {
        {"E001", "王大同", "A00", "校長", "100", "A152601814"},
        {"E002", "張淑芬", "A10", "教務主任", "200", "F259083017"},
        {"T001", "林雅婷", "A10", "國文科教師", "201", "H266131860"},
        {"E003", "李建宏", "A11", "註冊組長", "210", "B109139095"},
        {"E004", "黃美玲", "A12", "課務組長", "220", "E296030828"},
        {"E005", "吳俊傑", "A20", "學務主任", "300", "H146281947"},
        {"T002", "陳志明", "A20", "資訊科教師", "311", "F182199359"},
        {"E006", "劉怡君", "A21", "生輔組長", "310", "A218190936"},
        {"E007", "蔡明哲", "A30", "總務主任", "400", "H178657975"},
        {"E008", "許雅雯", "A50", "會計主任", "500", "B254323192"},
    };
    for (const auto &e : staff)
        db.Exec("INSERT INTO Employees (EmpID, Cht_Name, UnitID, Title, Extension, EMail, IDNo) "
                "VALUES (?,?,?,?,?,?,?)",
                {e.Id, QString::fromUtf8(e.Name), e.Unit, QString::fromUtf8(e.Title), e.Extension,
                 QString::fromLatin1(e.Id).toLower() + QStringLiteral("@demo-school.example"),
                 e.IDNo});
}

// The identity numbers of the people the school began with.
QSet<QString> IdentityNumbers(TServerDatabase &db) {
    QSet<QString> numbers;
    QSqlQuery q = db.Exec("SELECT IDNo FROM StdOnSchool UNION SELECT IDNo FROM Employees");
    while (q.next())
        numbers.insert(q.value(0).toString());
    return numbers;
}

} // namespace

void FillDemoSchool(TServerDatabase &db, THashCost cost, int port) {
    const QString now = TServerDatabase::DateText(Now());
    const QString start = TServerDatabase::DateText(Date());
    const QString forever = QStringLiteral("9999-01-01 00:00:00");
    for (const TUser &u : kUsers) {
        db.Exec("INSERT INTO Users (ID, PasswordHash, Cht_Name, Description, StartDate, EndDate, "
                "PasswordMonths, LoggedIn, Changer, ChangeTime) VALUES (?,?,?,?,?,?,0,0,?,?)",
                {u.Id, HashPassword(QString::fromUtf8(u.Password), cost), QString::fromUtf8(u.Name),
                 QString::fromUtf8(u.Description), start, forever, "ADMIN", now});
        db.Exec("INSERT INTO UserProfile (ID, MainForm, EMail, AIDType, OwnerOrg, OwnerUnit) "
                "VALUES (?,?,?,?,?,?)",
                {u.Id, u.MainForm, u.EMail, u.AIDType, "DEMO", u.Unit});
    }
    db.Exec("INSERT INTO UserMachines (ID, HostName) VALUES ('T002', '10.0.0.99LAB-PC01')");

    const char *groups[][3] = {{"SYSADM", "ADMIN", "A00"},
                               {"ACAD", "T001", "A10"},
                               {"STUDENT", "T002", "A20"},
                               {"ACCOUNT", "E008", "A50"},
                               {"PERSONNEL", "E001", "A60"}};
    for (auto &g : groups)
        db.Exec("INSERT INTO JobGroups (GroupID, Manager, Unit_ID, Changer, ChangeTime) "
                "VALUES (?,?,?,?,?)",
                {g[0], g[1], g[2], "ADMIN", now});
    const char *members[][2] = {{"SYSADM", "ADMIN"},
                                {"ACAD", "T001"},
                                {"ACAD", "ADMIN"},
                                {"STUDENT", "T002"},
                                {"ACCOUNT", "E008"}};
    for (auto &m : members)
        db.Exec("INSERT INTO GroupMembers (GroupID, ID) VALUES (?,?)", {m[0], m[1]});
    const char *jobs[][2] = {{"ACAD", "AcadCourse.bpl"}, {"STUDENT", "AcadAbsence.bpl"}};
    for (auto &j : jobs)
        db.Exec("INSERT INTO GroupJobs (GroupID, JobID) VALUES (?,?)", {j[0], j[1]});
    // Each group runs those of the packages every school starts with that are its business.
    for (auto &g : groups)
        for (const TDemoPackage &p : kPackages)
            if (GroupRuns(QLatin1String(g[0]), p))
                db.Exec("INSERT INTO GroupJobs (GroupID, JobID) VALUES (?,?)", {g[0], p.FileName});
    db.Exec("INSERT INTO GroupAdmins (ID, GroupID) VALUES ('ADMIN', 'SYSADM')");
    FillDemoPermissions(db);

    for (const TCode &c : kCodes)
        db.Exec("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, AParent, AValue) "
                "VALUES (?,?,?,1,?,?)",
                {c.Main, c.Code, QString::fromUtf8(c.Descript), c.Parent, c.Value});

    const char *units[][3] = {{"A00", "校長室", ""},    {"A10", "教務處", "A00"},
                              {"A11", "註冊組", "A10"}, {"A12", "課務組", "A10"},
                              {"A20", "學務處", "A00"}, {"A21", "生輔組", "A20"},
                              {"A30", "總務處", "A00"}, {"A50", "會計室", "A00"}};
    for (auto &u : units)
        db.Exec("INSERT INTO Units (UnitID, UnitName, ParentID) VALUES (?,?,?)",
                {u[0], QString::fromUtf8(u[1]), u[2]});

    // Every logical server is this one, on the port it was started with.
    for (const char *server : {"SrvJobSecurity", "SystemObj", "DefaultServer"})
        db.Exec("INSERT INTO ServerLocation (ServerName, ComputerName, Port) VALUES (?,?,?)",
                {server, "127.0.0.1", port});

    const struct {
        const char *Name;
        const char *Description;
        QByteArray Data;
    } trees[] = {
        {"UnitTreeView", "行政單位",
         Tree(0, "A00,校長室\n\tA10,教務處\n\t\tA11,註冊組\n\t\tA12,課務組\n\tA20,學務處\n"
                 "\t\tA21,生輔組\n\tA30,總務處\n\tA50,會計室\n")},
        {"EPT", "職務類別",
         Tree(1, "1,教師\n\t1,專任教師\n\t2,代理教師\n2,職員\n\t1,組長\n\t2,幹事\n3,工友\n")},
        {"ACNotes", "會計摘要",
         Tree(0, "100,收入\n\t110,學雜費收入\n\t120,補助收入\n200,支出\n\t210,人事費\n"
                 "\t220,業務費\n")},
        {"TesTreeCode", "測試代碼樹", Tree(1, "A,第一層\n\t1,第二層甲\n\t2,第二層乙\nB,另一層\n")},
        {"PostCodeTree", "郵遞區號",
         Tree(0, "01,臺北市\n\t100,中正區\n\t103,大同區\n\t106,大安區\n02,新北市\n"
                 "\t220,板橋區\n\t231,新店區\n03,臺中市\n\t400,中區\n\t403,西區\n")},
    };
    for (const auto &t : trees)
        db.Exec("INSERT INTO StoredVCL (VCLName, Main_Code, AClassName, Description, AData) "
                "VALUES (?,?,?,?,?)",
                {t.Name, "TREE", "TTreeView", QString::fromUtf8(t.Description), t.Data});

    db.Exec(
        "INSERT INTO KeyValues (KeyName, KeyValue, Prefix) VALUES ('StudentNo', 11300000, 'S')");
    db.Exec("INSERT INTO KeyValuesEx (MajorID, MinorID, KeyValue, Prefix, FormatStr) "
            "VALUES ('Notice', '113', 0, 'N113', '0000')");

    RegisterPackages(db, now);
    FillHelp(db);
    FillNews(db);
    FillCalendar(db);
    FillStudents(db);
    FillEmployees(db);
    // The school at its full size, the same on every new database made on the same day.
    TDemoRandom random(20240829);
    TDemoPeople people(random, TPostCodeTable::BuiltIn(), IdentityNumbers(db));
    const QMap<QString, QStringList> teachers = FillDemoStaff(db, people);
    QStringList tutors{QStringLiteral("T001"), QStringLiteral("T002")};
    for (const QStringList &subject : teachers)
        tutors += subject;
    tutors.sort();
    FillDemoRoll(db, people, tutors);
    // Most guardians gave the school an e-mail address (under the reserved example domain);
    // about one in seven did not. Drawn from the student number, so the rest of the school is
    // as it was before the addresses existed.
    QStringList students;
    for (QSqlQuery q = db.Exec(QStringLiteral("SELECT StudentID FROM StdOnSchool")); q.next();)
        students << q.value(0).toString();
    QSqlQuery mail(db.Db());
    mail.prepare(QStringLiteral("UPDATE StdOnSchool SET GenearchEMail = ? WHERE StudentID = ?"));
    for (const QString &id : students) {
        int sum = 0;
        for (QChar c : id)
            sum += c.unicode();
        if (sum % 7 == 3)
            continue;
        mail.bindValue(0,
                       QStringLiteral("family.%1@parents.demo-school.example").arg(id.toLower()));
        mail.bindValue(1, id);
        if (!mail.exec())
            throw EServerError(QStringLiteral("Cannot give the guardians their addresses"));
    }
    const TDemoTerm term = DemoTerm(Date().ToDate());
    FillDemoAttendance(db, term, FillDemoCurriculum(db, term, teachers));
    FillDemoStudyRewards(db, term);
    FillDemoAccounts(db);
}

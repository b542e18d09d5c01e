#include "DemoSchool.h"

#include "Big5.h"
#include "ServerDatabase.h"

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
        "CREATE TABLE MailOutbox (Seq {SERIAL}, ToAddr VARCHAR(200), FromAddr VARCHAR(200), "
        "Subject VARCHAR(200), Body VARCHAR(4000), CreateTime VARCHAR(19))",
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
    };
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
    {"st_CLASS", "101", "一年一班", 1},
    {"st_CLASS", "102", "一年二班", 1},
    {"st_CLASS", "201", "二年一班", 2},
    {"st_CLASS", "202", "二年二班", 2},
    {"st_CLASS", "301", "三年一班", 3},
    {"st_ClassName", "1", "忠", 0},
    {"st_ClassName", "2", "孝", 0},
    {"st_ClassName", "3", "仁", 0},
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
    {"AF_OriType", "1", "導師建議", 0},
    {"AF_OriType", "2", "學務處", 0},
    {"cs_GroupType", "1", "必修", 0},
    {"cs_GroupType", "2", "選修", 0},
    {"cs_CHOOSE", "Y", "已選", 0},
    {"cs_CHOOSE", "N", "未選", 0},
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
};

QByteArray Tree(int tag, const char *lines) {
    // Stored trees are Big5 text.
    return QByteArrayLiteral("#Tag=") + QByteArray::number(tag) + '\n' +
           Big5Encode(QString::fromUtf8(lines));
}

} // namespace

void FillDemoSchool(TServerDatabase &db, THashCost cost) {
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

    const char *groups[][3] = {
        {"SYSADM", "ADMIN", "A00"}, {"ACAD", "T001", "A10"}, {"STUDENT", "T002", "A20"}};
    for (auto &g : groups)
        db.Exec("INSERT INTO JobGroups (GroupID, Manager, Unit_ID, Changer, ChangeTime) "
                "VALUES (?,?,?,?,?)",
                {g[0], g[1], g[2], "ADMIN", now});
    const char *members[][2] = {
        {"SYSADM", "ADMIN"}, {"ACAD", "T001"}, {"ACAD", "ADMIN"}, {"STUDENT", "T002"}};
    for (auto &m : members)
        db.Exec("INSERT INTO GroupMembers (GroupID, ID) VALUES (?,?)", {m[0], m[1]});
    const char *jobs[][2] = {{"SYSADM", "LumPassword.bpl"},
                             {"SYSADM", "LumNotice.bpl"},
                             {"ACAD", "AcadCourse.bpl"},
                             {"ACAD", "LumNotice.bpl"},
                             {"STUDENT", "AcadAbsence.bpl"}};
    for (auto &j : jobs)
        db.Exec("INSERT INTO GroupJobs (GroupID, JobID) VALUES (?,?)", {j[0], j[1]});
    db.Exec("INSERT INTO GroupAdmins (ID, GroupID) VALUES ('ADMIN', 'SYSADM')");

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

    for (const char *server : {"SrvJobSecurity", "SystemObj", "DefaultServer"})
        db.Exec("INSERT INTO ServerLocation (ServerName, ComputerName, Port) VALUES (?,?,2001)",
                {server, "127.0.0.1"});

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
}

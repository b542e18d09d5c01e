#include "DemoAccounts.h"

#include "DateTime.h"
#include "ServerDatabase.h"
#include "uLumPublic.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>
#include <algorithm>
#include <tuple>

namespace {

QVariant NullText() {
    return QVariant(QMetaType::fromType<QString>());
}

// The general ledger's account titles: classes, groups and the titles entries are made to.
void FillAccTitles(TServerDatabase &db) {
    const struct {
        const char *No;
        const char *Name;
        const char *Side;
        int Level;
        const char *Parent;
    } titles[] = {
        {"1", "資產", "D", 1, ""},
        {"11", "流動資產", "D", 2, "1"},
        {"1101", "現金", "D", 3, "11"},
        {"1102", "銀行存款", "D", 3, "11"},
        {"1103", "零用金", "D", 3, "11"},
        {"1121", "應收款項", "D", 3, "11"},
        {"1131", "預付款項", "D", 3, "11"},
        {"13", "固定資產", "D", 2, "1"},
        {"1311", "機械及設備", "D", 3, "13"},
        {"1321", "交通及運輸設備", "D", 3, "13"},
        {"1331", "什項設備", "D", 3, "13"},
        {"2", "負債", "C", 1, ""},
        {"21", "流動負債", "C", 2, "2"},
        {"2121", "應付款項", "C", 3, "21"},
        {"2131", "代收款", "C", 3, "21"},
        {"2141", "預收款項", "C", 3, "21"},
        {"3", "淨資產", "C", 1, ""},
        {"3101", "累積餘絀", "C", 2, "3"},
        {"4", "收入", "C", 1, ""},
        {"4101", "學雜費收入", "C", 2, "4"},
        {"4102", "補助收入", "C", 2, "4"},
        {"4103", "場地租借收入", "C", 2, "4"},
        {"4104", "利息收入", "C", 2, "4"},
        {"4105", "雜項收入", "C", 2, "4"},
        {"5", "支出", "D", 1, ""},
        {"5101", "人事費", "D", 2, "5"},
        {"5102", "業務費", "D", 2, "5"},
        {"5103", "設備及投資", "D", 2, "5"},
        {"5104", "獎補助費", "D", 2, "5"},
        {"5105", "水電費", "D", 2, "5"},
    };
    for (const auto &t : titles)
        db.Exec("INSERT INTO AccTitles (AccNo, AccName, DC_Mode, ALevel, AParent) "
                "VALUES (?,?,?,?,?)",
                {t.No, QString::fromUtf8(t.Name), t.Side, t.Level,
                 *t.Parent ? QVariant(QString::fromLatin1(t.Parent)) : NullText()});
}

// A business number: seven digits and the check digit that makes it valid.
QString BusinessNumber(const char *seven) {
    for (char d = '0'; d <= '9'; ++d) {
        const QString no = QLatin1String(seven) + QLatin1Char(d);
        if (CheckRocInvoice(no))
            return no;
    }
    return QString();
}

// An identity number: a letter, eight digits and the check digit that makes it valid.
QString IdentityNumber(const char *nine) {
    for (char d = '0'; d <= '9'; ++d) {
        const QString no = QLatin1String(nine) + QLatin1Char(d);
        if (CheckRocID(no))
            return no;
    }
    return QString();
}

struct TPayee {
    QString ID;
    QString Name;
};

// The companies and people of the school's payments and receipts, in this order.
QList<TPayee> FillIncomeRefs(TServerDatabase &db) {
    const struct {
        const char *Number; // seven digits of a company, nine characters of a person
        const char *Name;
        const char *Address;
        const char *EMail;
    } refs[] = {
        {"2841530", "大安文具行", "臺北市大安區和平東路二段118號", "daan.stationery@example.com"},
        {"5370142", "明德資訊股份有限公司", "臺北市中正區羅斯福路一段52號6樓",
         "sales@mingde-it.example.com"},
        {"1692478", "永信書局", "臺北市大同區重慶北路二段75號", ""},
        {"8423057", "安心保全股份有限公司", "新北市板橋區文化路一段266號",
         "service@anxin-security.example.com"},
        {"3106885", "青山遊覽車客運股份有限公司", "新北市新店區北新路三段88號", ""},
        {"6650213", "示範電力公司臺北營業處", "臺北市中正區南昌路一段33號", ""},
        {"4518829", "示範自來水事業處", "臺北市中正區長興街131號", ""},
        {"A12358467", "張志豪", "臺北市大安區復興南路一段390號", "chang.jh@example.com"},
        {"F22604713", "李淑芬", "新北市板橋區中山路一段161號", "li.sf@example.com"},
        {"B12087365", "吳建宏", "臺中市西區民權路99號", ""},
    };
    QList<TPayee> payees;
    for (const auto &r : refs) {
        const bool person = qstrlen(r.Number) == 9;
        const QString id = person ? IdentityNumber(r.Number) : BusinessNumber(r.Number);
        db.Exec("INSERT INTO IncomeRefs (ID, IDtype, BAN, IDN, INCMER_NM, HOUHLD_ADDR_X60, EMail) "
                "VALUES (?,?,?,?,?,?,?)",
                {id, person ? "1" : "2", person ? NullText() : QVariant(id),
                 person ? QVariant(id) : NullText(), QString::fromUtf8(r.Name),
                 QString::fromUtf8(r.Address), QString::fromUtf8(r.EMail)});
        payees.append({id, QString::fromUtf8(r.Name)});
    }
    return payees;
}

void FillBudgets(TServerDatabase &db) {
    const struct {
        const char *No;
        const char *Name;
        const char *Unit;
        const char *Overall;
        double Budget;
    } years[] = {
        {"113-00", "113年度學校預算", "A00", "Y", 186500000},
        {"113-01", "教學業務計畫", "A10", "N", 12800000},
        {"113-02", "學生事務計畫", "A20", "N", 4650000},
        {"113-03", "總務行政計畫", "A30", "N", 9320000},
    };
    for (const auto &y : years)
        db.Exec("INSERT INTO YearBudgets (PlanNo, Year_ID, PlanName, BrUnit, PassFG, CloseCase, "
                "OverallFG, Budget) VALUES (?,?,?,?,'Y','N',?,?)",
                {y.No, kDemoFiscalYear, QString::fromUtf8(y.Name), y.Unit, y.Overall, y.Budget});
    const struct {
        const char *No;
        const char *Name;
        const char *Unit;
        const char *Parent;
        const char *Closed;
        double Budget;
    } cases[] = {
        {"C113-001", "資訊教室電腦設備更新", "A10", "113-01", "Y", 1850000},
        {"C113-002", "校園安全維護", "A30", "113-03", "N", 960000},
        {"C113-003", "學生社團活動補助", "A20", "113-02", "N", 420000},
        {"C113-004", "圖書館充實圖書", "A10", "113-01", "N", 300000},
    };
    for (const auto &c : cases)
        db.Exec("INSERT INTO CaseBudgets (PlanNo, Year_ID, PlanName, BrUnit, PassFG, CloseCase, "
                "ExPlanNo, Budget) VALUES (?,?,?,?,'Y',?,?,?)",
                {c.No, kDemoFiscalYear, QString::fromUtf8(c.Name), c.Unit, c.Closed, c.Parent,
                 c.Budget});
}

struct TItem {
    QString AccNo;
    QString Side;
    QString Description;
    QString DepNo;
    int Payee = -1; // an index into the payees, or none
    QString SrcNo;
    QString PlanNo;
    double Amount = 0;
};

struct TVoucher {
    QDate Date;
    QString Description;
    QString Kind; // ArAcType
    QString PayType;
    QList<TItem> Items;
};

// One debit and one credit of the same amount.
TVoucher Simple(QDate date, const QString &text, const QString &debit, const QString &credit,
                double amount, const QString &unit = QStringLiteral("A00"), int payee = -1,
                const QString &plan = QString()) {
    TVoucher v{date, text, QStringLiteral("3"), QStringLiteral("3"), {}};
    v.Items.append({debit, QStringLiteral("D"), text, unit, payee, QString(), plan, amount});
    v.Items.append({credit, QStringLiteral("C"), text, unit, payee, QString(), plan, amount});
    return v;
}

QList<TVoucher> DemoVouchers(TServerDatabase &db) {
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    const int year = kDemoFiscalYear + 1911;
    QList<TVoucher> vouchers;
    // The payroll of every month, paid on the fifth.
    for (int month = 1; month <= 12; ++month) {
        TVoucher v =
            Simple(QDate(year, month, 5), s("%1年%2月份教職員薪資").arg(kDemoFiscalYear).arg(month),
                   QStringLiteral("5101"), QStringLiteral("1102"),
                   7284500 + (month % 3) * 12600 + (month == 2 ? 1860000 : 0));
        v.Kind = QStringLiteral("4");
        vouchers.append(v);
    }
    // Electricity and water every other month.
    for (int month = 2; month <= 12; month += 2) {
        const int payee = month % 4 == 0 ? 6 : 5;
        const double amount = payee == 5 ? 386420 + month * 15230 : 48260 + month * 820;
        vouchers.append(Simple(QDate(year, month, 18),
                               payee == 5 ? s("%1月份電費").arg(month - 1)
                                          : s("%1-%2月份水費").arg(month - 1).arg(month),
                               QStringLiteral("5105"), QStringLiteral("1102"), amount,
                               QStringLiteral("A30"), payee));
    }
    // The fees of the two terms.
    for (const QDate date : {QDate(year, 2, 20), QDate(year, 9, 2)}) {
        TVoucher v =
            Simple(date, s(date.month() == 2 ? "112學年度下學期學雜費" : "113學年度上學期學雜費"),
                   QStringLiteral("1102"), QStringLiteral("4101"), 6825000, QStringLiteral("A10"));
        v.Kind = QStringLiteral("1");
        vouchers.append(v);
    }
    // The ministry's grants.
    vouchers.append(Simple(QDate(year, 3, 12), s("教育部補助教學設備經費"), QStringLiteral("1102"),
                           QStringLiteral("4102"), 1850000, QStringLiteral("A10"), -1,
                           QStringLiteral("C113-001")));
    vouchers.append(Simple(QDate(year, 8, 15), s("教育部補助學生活動經費"), QStringLiteral("1102"),
                           QStringLiteral("4102"), 420000, QStringLiteral("A20"), -1,
                           QStringLiteral("C113-003")));
    // The hall and the sports ground let out.
    const struct {
        int Month, Day, Payee;
        double Amount;
        const char *Text;
    } rentals[] = {{4, 13, 8, 12000, "租借活動中心"},
                   {6, 22, 4, 36000, "租借操場及停車場"},
                   {11, 16, 7, 15000, "租借體育館"}};
    for (const auto &r : rentals)
        vouchers.append(Simple(QDate(year, r.Month, r.Day), s(r.Text), QStringLiteral("1101"),
                               QStringLiteral("4103"), r.Amount, QStringLiteral("A30"), r.Payee));
    // Purchases of the plans, owed to the suppliers and paid a few weeks later.
    const struct {
        int Month, Day, Payee;
        const char *Plan;
        const char *Unit;
        const char *Title;
        const char *Lines[3];
        double Amounts[3];
    } purchases[] = {
        {2,
         26,
         0,
         "113-01",
         "A10",
         "5102",
         {"影印紙", "白板筆及板擦", "資料夾"},
         {48000, 6350, 3800}},
        {4, 8, 2, "C113-004", "A10", "5102", {"參考書籍", "期刊訂閱", ""}, {126500, 18400, 0}},
        {5,
         20,
         1,
         "C113-001",
         "A10",
         "1331",
         {"桌上型電腦40台", "網路交換器", "螢幕40台"},
         {1120000, 86000, 232000}},
        {7,
         3,
         3,
         "C113-002",
         "A30",
         "5102",
         {"校園監視系統維護", "門禁系統保養", ""},
         {180000, 45600, 0}},
        {9, 24, 4, "C113-003", "A20", "5102", {"社團校外參訪交通車", "", ""}, {38500, 0, 0}},
        {10, 21, 0, "113-01", "A10", "5102", {"影印紙", "碳粉匣", ""}, {52000, 28800, 0}},
        {11, 6, 3, "C113-002", "A30", "5102", {"校園監視系統維護", "", ""}, {180000, 0, 0}},
        {12, 10, 1, "113-03", "A30", "1331", {"行政電腦", "雷射印表機", ""}, {168000, 42000, 0}},
    };
    int purchase = 0;
    for (const auto &p : purchases) {
        TVoucher v{QDate(year, p.Month, p.Day),
                   s("購置%1").arg(s(p.Lines[0])),
                   QStringLiteral("3"),
                   QStringLiteral("2"),
                   {}};
        double total = 0;
        const QString src =
            QStringLiteral("P%1%2").arg(kDemoFiscalYear).arg(++purchase, 3, 10, QLatin1Char('0'));
        for (int i = 0; i < 3; ++i)
            if (p.Amounts[i] > 0) {
                v.Items.append({QLatin1String(p.Title), QStringLiteral("D"), s(p.Lines[i]),
                                QLatin1String(p.Unit), p.Payee, src, QLatin1String(p.Plan),
                                p.Amounts[i]});
                total += p.Amounts[i];
            }
        v.Items.append({QStringLiteral("2121"), QStringLiteral("C"), s("應付%1").arg(s(p.Lines[0])),
                        QLatin1String(p.Unit), p.Payee, src, QLatin1String(p.Plan), total});
        vouchers.append(v);
        // The first half are paid by transfer three weeks later.
        if (purchase <= 3) {
            TVoucher paid = Simple(v.Date.addDays(21), s("支付%1").arg(s(p.Lines[0])),
                                   QStringLiteral("2121"), QStringLiteral("1102"), total,
                                   QLatin1String(p.Unit), p.Payee, QLatin1String(p.Plan));
            for (TItem &item : paid.Items)
                item.SrcNo = src;
            vouchers.append(paid);
        }
    }
    // Guest lecturers, their income tax withheld.
    for (const auto &[month, payee, hours] : {std::tuple{3, 7, 12}, std::tuple{10, 8, 16}}) {
        const double fee = hours * 2000.0;
        const double tax = fee * 0.1;
        TVoucher v{QDate(year, month, 28),
                   s("外聘講師鐘點費(%1小時)").arg(hours),
                   QStringLiteral("3"),
                   QStringLiteral("3"),
                   {}};
        v.Items.append({QStringLiteral("5102"), QStringLiteral("D"), s("外聘講師鐘點費"),
                        QStringLiteral("A10"), payee, QString(), QStringLiteral("113-01"), fee});
        v.Items.append({QStringLiteral("1102"), QStringLiteral("C"), s("實付鐘點費"),
                        QStringLiteral("A10"), payee, QString(), QStringLiteral("113-01"),
                        fee - tax});
        v.Items.append({QStringLiteral("2131"), QStringLiteral("C"), s("代扣所得稅"),
                        QStringLiteral("A10"), payee, QString(), QStringLiteral("113-01"), tax});
        vouchers.append(v);
    }
    // The petty cash topped up.
    vouchers.append(Simple(QDate(year, 1, 8), s("撥補零用金"), QStringLiteral("1103"),
                           QStringLiteral("1102"), 50000, QStringLiteral("A30")));
    // The students' group insurance collected class by class and held for the insurer.
    {
        TVoucher v{QDate(year, 9, 16),
                   s("代收113學年度上學期學生團體保險費"),
                   QStringLiteral("2"),
                   QStringLiteral("1"),
                   {}};
        QSqlQuery classes =
            db.Exec("SELECT Code, Descript FROM CodeTable WHERE Main_Code = 'st_CLASS' "
                    "ORDER BY Code");
        double total = 0;
        while (classes.next() && v.Items.size() < 13) {
            const double amount = 177 * (36 + (v.Items.size() * 7) % 5);
            v.Items.append({QStringLiteral("1102"), QStringLiteral("D"),
                            s("%1團保費").arg(classes.value(1).toString()), QStringLiteral("A20"),
                            -1, classes.value(0).toString(), QString(), amount});
            total += amount;
        }
        classes.finish();
        v.Items.append({QStringLiteral("2131"), QStringLiteral("C"), s("代收學生團體保險費"),
                        QStringLiteral("A20"), -1, QString(), QString(), total});
        vouchers.append(v);
    }
    std::stable_sort(vouchers.begin(), vouchers.end(),
                     [](const TVoucher &a, const TVoucher &b) { return a.Date < b.Date; });
    return vouchers;
}

} // namespace

void FillDemoAccounts(TServerDatabase &db) {
    FillAccTitles(db);
    const QList<TPayee> payees = FillIncomeRefs(db);
    FillBudgets(db);
    const QList<TVoucher> vouchers = DemoVouchers(db);
    const int year = kDemoFiscalYear + 1911;
    int txNo = 0;
    for (const TVoucher &v : vouchers) {
        ++txNo;
        const bool open = v.Date >= QDate(year, 12, 1);
        const QString flag = open ? QStringLiteral("N") : QStringLiteral("Y");
        db.Exec("INSERT INTO AccVouchers (Year_ID, Tx_No, Tx_VoucherNo, Tx_Date, Create_Date, "
                "Tx_Description, ArAcType, PayType, Creater, Checked, Printed, Posted, Closed_YN) "
                "VALUES (?,?,?,?,?,?,?,?,'E008',?,?,?,'N')",
                {kDemoFiscalYear, txNo,
                 QStringLiteral("%1%2").arg(kDemoFiscalYear).arg(txNo, 4, 10, QLatin1Char('0')),
                 TServerDatabase::DateText(TDateTime::FromDate(v.Date)),
                 TServerDatabase::DateText(TDateTime::FromDate(v.Date.addDays(-1))), v.Description,
                 v.Kind, v.PayType, flag, flag, open ? QStringLiteral("0") : QStringLiteral("1")});
        int itemNo = 0;
        for (const TItem &item : v.Items) {
            const TPayee payee = item.Payee >= 0 ? payees.value(item.Payee) : TPayee();
            db.Exec("INSERT INTO AccVoucherItems (Year_ID, Tx_No, TxD_No, AccNo, DC_Mode, DC_Type, "
                    "Ctrl_type, Description, DepNo, Target, TargetID, SRC_No, PlanNo, Amount) "
                    "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                    {kDemoFiscalYear, txNo, ++itemNo, item.AccNo, item.Side, item.Side, QString(),
                     item.Description, item.DepNo, payee.Name, payee.ID, item.SrcNo, item.PlanNo,
                     item.Amount});
        }
    }
}

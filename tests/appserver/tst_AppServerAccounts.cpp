// The accounting servers on a real server, over the wire: the demo year's vouchers balance to
// the cent; a new voucher with its items goes in whole; an unbalanced voucher, new or changed,
// is refused with both totals named and nothing of it is written, the other vouchers of the
// batch kept back too; the items' titles, units, payees and plans are the school's; posted
// vouchers stay; payees are checked by their identity or business numbers; the budget plans'
// two indexes give the same columns; a run of vouchers' items comes in voucher order.

#include "AppServerFixture.h"
#include "ClientDataSet.h"
#include "Fields.h"

#include <QTest>

namespace {

const QString kLedger = QStringLiteral("SrvAccGL.ACCGLINTF");
const QString kTax = QStringLiteral("SrvAccTax.AccTaxINTF");
const QString kBudget = QStringLiteral("SrvBudget.SrvBudgetQueryINTF");

// A client's view of the vouchers of a year: the vouchers, and the items of the current one in
// the nested dataset.
struct TVouchers {
    TClientDataSet Master;
    TClientDataSet Items; // goes before the master's fields do
    QStringList Refused;

    TVouchers(TSocketConnection &connection, int year) {
        Master.SetAppServer(connection.GetServer());
        Master.SetProviderName(QStringLiteral("dspVouchers"));
        Master.Params().CreateParam(ftInteger, QStringLiteral("Year_ID")).SetAsInteger(year);
        Master.OnReconcileError = [this](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                         TReconcileAction &action) {
            Refused << e.Message();
            action = raSkip;
        };
        Master.Open();
        Items.SetDataSetField(
            static_cast<TDataSetField *>(Master.FieldByName(QStringLiteral("VoucherItems"))));
    }
    ~TVouchers() { Items.SetDataSetField(nullptr); }

    void NewVoucher(int year, int txNo, const QDate &date) {
        Master.Append();
        Master.FieldByName(QStringLiteral("Year_ID"))->SetAsInteger(year);
        Master.FieldByName(QStringLiteral("Tx_No"))->SetAsInteger(txNo);
        Master.FieldByName(QStringLiteral("Tx_VoucherNo"))
            ->SetAsString(QStringLiteral("T%1").arg(txNo));
        Master.FieldByName(QStringLiteral("Tx_Date"))->SetAsDateTime(TDateTime::FromDate(date));
        Master.FieldByName(QStringLiteral("Tx_Description"))
            ->SetAsString(QStringLiteral("測試傳票"));
        Master.Post();
    }
    void AddItem(int itemNo, const QString &accNo, const QString &side, double amount,
                 const QString &targetId = QString(), const QString &plan = QString()) {
        Items.Append();
        Items.FieldByName(QStringLiteral("TxD_No"))->SetAsInteger(itemNo);
        Items.FieldByName(QStringLiteral("AccNo"))->SetAsString(accNo);
        Items.FieldByName(QStringLiteral("DC_Mode"))->SetAsString(side);
        Items.FieldByName(QStringLiteral("Description"))->SetAsString(QStringLiteral("測試明細"));
        Items.FieldByName(QStringLiteral("DepNo"))->SetAsString(QStringLiteral("A30"));
        if (!targetId.isEmpty())
            Items.FieldByName(QStringLiteral("TargetID"))->SetAsString(targetId);
        if (!plan.isEmpty())
            Items.FieldByName(QStringLiteral("PlanNo"))->SetAsString(plan);
        Items.FieldByName(QStringLiteral("Amount"))->SetAsFloat(amount);
        Items.Post();
    }
    bool Go(int txNo) { return Master.Locate(QStringLiteral("Tx_No"), Variant(txNo)); }
};

std::unique_ptr<TClientDataSet> Data(TSocketConnection &connection, const QString &provider) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->SetAppServer(connection.GetServer());
    ds->SetProviderName(provider);
    return ds;
}

} // namespace

class TstAppServerAccounts : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }

private Q_SLOTS:
    void initTestCase() {
        SKIP_WITHOUT_TEST_DATABASE();
        FServer = std::make_unique<TAppServerFixture>();
    }
    void cleanupTestCase() { FServer.reset(); }

    void theDemoYearBalances() {
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVouchers WHERE Year_ID = 113"), 40);
        // Every voucher's debits are its credits, to the cent.
        QCOMPARE(Count("SELECT COUNT(*) FROM (SELECT Tx_No FROM AccVoucherItems WHERE "
                       "Year_ID = 113 GROUP BY Tx_No HAVING ROUND(SUM(CASE WHEN DC_Mode = 'D' "
                       "THEN Amount ELSE -Amount END) * 100) <> 0) unbalanced"),
                 0);
        // One voucher is longer than a page of twelve items.
        QVERIFY(Count("SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM AccVoucherItems WHERE "
                      "Year_ID = 113 GROUP BY Tx_No) counts") > 12);
        // Items are made to titles that no other title sums into.
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems i WHERE EXISTS (SELECT 1 FROM "
                       "AccTitles t WHERE t.AParent = i.AccNo)"),
                 0);

        auto connection = FServer->Connect(kLedger);
        auto years = Data(*connection, QStringLiteral("dspFiscalYears"));
        years->Open();
        QCOMPARE(years->FieldByName(QStringLiteral("Year_ID"))->AsInteger(), 113);
        QCOMPARE(years->FieldByName(QStringLiteral("Vouchers"))->AsInteger(), 40);
        TVouchers v(*connection, 113);
        QCOMPARE(v.Master.RecordCount(), 40);
        QVERIFY(v.Go(1));
        QVERIFY(v.Items.RecordCount() >= 2);
        // The title's and the unit's names come with the codes.
        QVERIFY(!v.Items.FieldByName(QStringLiteral("AccName"))->AsString().isEmpty());
        QVERIFY(!v.Items.FieldByName(QStringLiteral("DepName"))->AsString().isEmpty());
    }

    void aBalancedVoucherGoesInWhole() {
        auto connection = FServer->Connect(kLedger);
        TVouchers v(*connection, 113);
        v.NewVoucher(113, 501, QDate(2024, 12, 20));
        // Thirteen items: twelve debits of 1,000.50 and one credit of their sum.
        for (int i = 1; i <= 12; ++i)
            v.AddItem(i, QStringLiteral("5102"), QStringLiteral("D"), 1000.5);
        v.AddItem(13, QStringLiteral("1102"), QStringLiteral("C"), 12006);
        QCOMPARE(v.Master.ApplyUpdates(0), 0);
        QVERIFY(v.Refused.isEmpty());
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVouchers WHERE Year_ID = 113 AND Tx_No = 501"), 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = 113 AND Tx_No = 501"),
                 13);
    }

    void anUnbalancedVoucherIsRefusedWhole() {
        auto connection = FServer->Connect(kLedger);
        const int items = Count("SELECT COUNT(*) FROM AccVoucherItems");
        {
            TVouchers v(*connection, 113);
            // A balanced voucher in the same batch goes back with it.
            v.NewVoucher(113, 502, QDate(2024, 12, 21));
            v.AddItem(1, QStringLiteral("5102"), QStringLiteral("D"), 300);
            v.AddItem(2, QStringLiteral("1101"), QStringLiteral("C"), 300);
            v.NewVoucher(113, 503, QDate(2024, 12, 21));
            v.AddItem(1, QStringLiteral("5102"), QStringLiteral("D"), 1000);
            v.AddItem(2, QStringLiteral("1102"), QStringLiteral("C"), 999.99);
            QCOMPARE(v.Master.ApplyUpdates(0), 1);
            QCOMPARE(v.Refused, QStringList{QStringLiteral(
                                    "傳票 113-503 借貸不平衡:借方合計 1000.00,貸方合計 999.99")});
            QVERIFY(v.Go(502) && v.Go(503));
            QCOMPARE(v.Master.UpdateStatus(), usInserted);
        }
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVouchers WHERE Tx_No IN (502, 503)"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems"), items);

        // A change that unbalances a voucher of the year leaves it as it was.
        const QString before =
            FServer
                ->Query("SELECT Amount FROM AccVoucherItems WHERE Year_ID = 113 AND Tx_No = 1 "
                        "AND TxD_No = 1")
                .toString();
        {
            TVouchers v(*connection, 113);
            QVERIFY(v.Go(1));
            v.Items.First();
            v.Items.Edit();
            v.Items.FieldByName(QStringLiteral("Amount"))->SetAsFloat(1);
            v.Items.Post();
            QCOMPARE(v.Master.ApplyUpdates(0), 1);
            QCOMPARE(v.Refused.size(), 1);
            QVERIFY(v.Refused[0].startsWith(QStringLiteral("傳票 113-1 借貸不平衡")));
        }
        QCOMPARE(FServer
                     ->Query("SELECT Amount FROM AccVoucherItems WHERE Year_ID = 113 AND "
                             "Tx_No = 1 AND TxD_No = 1")
                     .toString(),
                 before);
    }

    void itemsNameTheSchoolsTitlesUnitsPayeesAndPlans() {
        auto connection = FServer->Connect(kLedger);
        const QString payee =
            FServer->Query("SELECT ID FROM IncomeRefs WHERE IDtype = '2' ORDER BY ID").toString();
        const auto refusal = [&](const QString &accNo, const QString &targetId, const QString &plan,
                                 const QDate &date = QDate(2024, 6, 1)) {
            TVouchers v(*connection, 113);
            v.NewVoucher(113, 601, date);
            v.AddItem(1, accNo, QStringLiteral("D"), 50, targetId, plan);
            v.AddItem(2, QStringLiteral("1101"), QStringLiteral("C"), 50);
            v.Master.ApplyUpdates(0);
            return v.Refused.value(0);
        };
        QCOMPARE(refusal(QStringLiteral("11"), QString(), QString()),
                 QStringLiteral("第 1 項的會計科目 11 是統制科目,請改用其明細科目"));
        QVERIFY(refusal(QStringLiteral("9999"), QString(), QString())
                    .contains(QStringLiteral("會計科目 9999 不存在")));
        QVERIFY(refusal(QStringLiteral("5102"), QStringLiteral("12345678"), QString())
                    .contains(QStringLiteral("不在所得人資料中")));
        QVERIFY(refusal(QStringLiteral("5102"), QString(), QStringLiteral("X-1"))
                    .contains(QStringLiteral("預算計畫 X-1 不存在")));
        QCOMPARE(refusal(QStringLiteral("5102"), QString(), QString(), QDate(2025, 1, 2)),
                 QStringLiteral("傳票 113-601 的傳票日期 2025/01/02 不在 113 會計年度內"));
        // The same voucher with the school's payee and plan goes in.
        QCOMPARE(refusal(QStringLiteral("5102"), payee, QStringLiteral("C113-002")), QString());
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Tx_No = 601"), 2);

        // Posted vouchers stay; an open one goes with its items.
        TVouchers v(*connection, 113);
        QVERIFY(v.Go(1));
        v.Master.Delete();
        QCOMPARE(v.Master.ApplyUpdates(0), 1);
        QCOMPARE(v.Refused, QStringList{QStringLiteral("傳票 113-1 已過帳,不可刪除")});
        v.Master.CancelUpdates();
        v.Refused.clear();
        // Its items go with it, or it stays.
        QVERIFY(v.Go(601));
        v.Master.Delete();
        QCOMPARE(v.Master.ApplyUpdates(0), 1);
        QCOMPARE(v.Refused, QStringList{QStringLiteral("傳票 113-601 尚有 2 筆明細,請先刪除明細")});
        v.Master.CancelUpdates();
        QVERIFY(v.Go(601));
        while (!v.Items.IsEmpty())
            v.Items.Delete();
        v.Master.Delete();
        QCOMPARE(v.Master.ApplyUpdates(0), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVouchers WHERE Tx_No = 601"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Tx_No = 601"), 0);
    }

    void payeesAreCheckedByTheirNumbers() {
        auto connection = FServer->Connect(kTax);
        auto refs = Data(*connection, QStringLiteral("dspIncRef_Orv"));
        QStringList refused;
        refs->OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind,
                                     TReconcileAction &action) {
            refused << e.Message();
            action = raCancel;
        };
        refs->Open();
        QCOMPARE(refs->RecordCount(), 10);
        const auto add = [&](const QString &type, const QString &number, const QString &name) {
            refs->Append();
            refs->FieldByName(QStringLiteral("ID"))->SetAsString(number);
            refs->FieldByName(QStringLiteral("IDtype"))->SetAsString(type);
            refs->FieldByName(type == QLatin1String("1") ? QStringLiteral("IDN")
                                                         : QStringLiteral("BAN"))
                ->SetAsString(number);
            refs->FieldByName(QStringLiteral("INCMER_NM"))->SetAsString(name);
            refs->Post();
            refused.clear();
            refs->ApplyUpdates(0);
            return refused.value(0);
        };
        QCOMPARE(add(QStringLiteral("1"), QStringLiteral("A123456788"), QStringLiteral("王大明")),
                 QStringLiteral("身分證號 A123456788 錯誤"));
        QCOMPARE(add(QStringLiteral("2"), QStringLiteral("12345678"), QStringLiteral("某公司")),
                 QStringLiteral("統一編號 12345678 錯誤"));
        QCOMPARE(add(QStringLiteral("1"), QStringLiteral("A123456789"), QStringLiteral("王大明")),
                 QString());
        QCOMPARE(
            add(QStringLiteral("2"), QStringLiteral("04595257"), QStringLiteral("範例有限公司")),
            QString());
        QCOMPARE(Count("SELECT COUNT(*) FROM IncomeRefs"), 12);
        // A payee that vouchers name stays.
        const QString used =
            FServer
                ->Query("SELECT TargetID FROM AccVoucherItems WHERE TargetID IS NOT NULL AND "
                        "TargetID <> '' ORDER BY Tx_No")
                .toString();
        QVERIFY(refs->Locate(QStringLiteral("ID"), Variant(used)));
        refs->Delete();
        refused.clear();
        refs->ApplyUpdates(0);
        QVERIFY(refused.value(0).startsWith(QStringLiteral("所得人 %1 已有").arg(used)));
    }

    void budgetIndexesAndRunsOfItems() {
        auto budget = FServer->Connect(kBudget);
        auto years = Data(*budget, QStringLiteral("YearBudgetIDXProvider"));
        auto cases = Data(*budget, QStringLiteral("CaseBudgetIDXProvider"));
        years->Open();
        cases->Open();
        QCOMPARE(years->RecordCount(), 4);
        QCOMPARE(cases->RecordCount(), 4);
        QCOMPARE(years->FieldCount(), cases->FieldCount());
        QVERIFY(cases->Locate(QStringLiteral("PlanNo"), Variant(QStringLiteral("C113-001"))));
        QCOMPARE(cases->FieldByName(QStringLiteral("ExPlanNo"))->AsString(),
                 QStringLiteral("113-01"));

        auto ledger = FServer->Connect(kLedger);
        auto items = Data(*ledger, QStringLiteral("dspVoucherItems"));
        items->Params().CreateParam(ftInteger, QStringLiteral("Year_ID")).SetAsInteger(113);
        items->Params().CreateParam(ftInteger, QStringLiteral("FromNo")).SetAsInteger(3);
        items->Params().CreateParam(ftInteger, QStringLiteral("ToNo")).SetAsInteger(5);
        items->Open();
        QCOMPARE(items->RecordCount(),
                 Count("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = 113 AND Tx_No "
                       "BETWEEN 3 AND 5"));
        QStringList order;
        for (items->First(); !items->Eof(); items->Next())
            order << QStringLiteral("%1.%2")
                         .arg(items->FieldByName(QStringLiteral("Tx_No"))->AsInteger())
                         .arg(items->FieldByName(QStringLiteral("TxD_No"))->AsInteger());
        QCOMPARE(order.first(), QStringLiteral("3.1"));
        QVERIFY(order.last().startsWith(QStringLiteral("5.")));
        // The run is read only.
        items->First();
        items->Edit();
        items->FieldByName(QStringLiteral("Description"))->SetAsString(QStringLiteral("改"));
        items->Post();
        QVERIFY_THROWS_EXCEPTION(Exception, items->ApplyUpdates(0));
    }
};

QTEST_GUILESS_MAIN(TstAppServerAccounts)
#include "tst_AppServerAccounts.moc"

#include "AccGLModule.h"

#include "DbTypes.h"
#include "Provider.h"

#include <QSqlQuery>
#include <cmath>

namespace {

QString Text(const Variant &v) {
    return v.IsEmptyOrNull() ? QString() : v.ToString().trimmed();
}

bool Present(const QVariant &v) {
    return v.isValid() && !v.isNull();
}

void CheckTitle(const TDeltaRow &row) {
    if (row.Kind == ukDelete)
        return;
    const auto text = [&](const char *field) { return Text(row.Value(QLatin1String(field))); };
    if (text("AccNo").isEmpty())
        throw EDatabaseError(QStringLiteral("「科目代號」必須輸入"));
    if (text("AccName").isEmpty())
        throw EDatabaseError(QStringLiteral("科目 %1 的「科目名稱」必須輸入").arg(text("AccNo")));
    const QString side = text("DC_Mode");
    if (side != QLatin1String("D") && side != QLatin1String("C"))
        throw EDatabaseError(QStringLiteral("科目 %1 的「借貸」必須是 D 或 C").arg(text("AccNo")));
}

TProviderDef TitlesProvider() {
    return {QStringLiteral("dspAccTitle"),
            QStringLiteral("SELECT AccNo, AccName, DC_Mode, ALevel, AParent "
                           "FROM AccTitles ORDER BY AccNo"),
            QStringLiteral("AccTitles"),
            {QStringLiteral("AccNo")},
            {},
            {{QStringLiteral("AccNo"), ftString, 12},
             {QStringLiteral("AccName"), ftString, 60},
             {QStringLiteral("DC_Mode"), ftString, 1},
             {QStringLiteral("ALevel"), ftInteger, 0},
             {QStringLiteral("AParent"), ftString, 12}},
            false,
            CheckTitle};
}

// "傳票 113-5": how messages name a voucher.
QString VoucherName(const TDeltaRow &row) {
    return QStringLiteral("傳票 %1-%2")
        .arg(Text(row.Value(QStringLiteral("Year_ID"))), Text(row.Value(QStringLiteral("Tx_No"))));
}

// A voucher has its year and serial, which never change, and a date inside its fiscal year
// (the ROC year: the calendar year less 1911). A posted voucher is not deleted, nor one whose
// items are not deleted with it.
TDeltaRowCheck VoucherCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        const QString name = VoucherName(row);
        if (row.Kind == ukDelete) {
            const QVariant posted = db->Scalar(
                QStringLiteral("SELECT Posted FROM AccVouchers WHERE Year_ID = ? AND Tx_No = ?"),
                {row.Value(QStringLiteral("Year_ID")).ToInt(),
                 row.Value(QStringLiteral("Tx_No")).ToInt()});
            if (posted.toString() == QLatin1String("1"))
                throw EDatabaseError(QStringLiteral("%1 已過帳,不可刪除").arg(name));
            // The items deleted with it in the batch are gone by now; others keep it.
            const int left =
                db->Scalar(QStringLiteral("SELECT COUNT(*) FROM AccVoucherItems WHERE Year_ID = ? "
                                          "AND Tx_No = ?"),
                           {row.Value(QStringLiteral("Year_ID")).ToInt(),
                            row.Value(QStringLiteral("Tx_No")).ToInt()})
                    .toInt();
            if (left > 0)
                throw EDatabaseError(
                    QStringLiteral("%1 尚有 %2 筆明細,請先刪除明細").arg(name).arg(left));
            return;
        }
        const Variant year = row.Value(QStringLiteral("Year_ID"));
        const Variant serial = row.Value(QStringLiteral("Tx_No"));
        if (year.IsEmptyOrNull() || year.ToInt() <= 0)
            throw EDatabaseError(QStringLiteral("傳票的「會計年度」必須輸入"));
        if (serial.IsEmptyOrNull() || serial.ToInt() <= 0)
            throw EDatabaseError(QStringLiteral("傳票的「傳票序號」必須是正整數"));
        if (row.Kind == ukModify &&
            (row.OldValue(QStringLiteral("Year_ID")).ToInt() != year.ToInt() ||
             row.OldValue(QStringLiteral("Tx_No")).ToInt() != serial.ToInt()))
            throw EDatabaseError(QStringLiteral("傳票 %1-%2 的年度與序號不可變更")
                                     .arg(Text(row.OldValue(QStringLiteral("Year_ID"))),
                                          Text(row.OldValue(QStringLiteral("Tx_No")))));
        const Variant date = row.Value(QStringLiteral("Tx_Date"));
        if (date.IsEmptyOrNull() || date.ToDateTime().Value() == 0)
            throw EDatabaseError(QStringLiteral("%1 的「傳票日期」必須輸入").arg(name));
        const QDate day = date.ToDateTime().ToDate();
        if (day.year() - 1911 != year.ToInt())
            throw EDatabaseError(QStringLiteral("%1 的傳票日期 %2 不在 %3 會計年度內")
                                     .arg(name, day.toString(QStringLiteral("yyyy/MM/dd")))
                                     .arg(year.ToInt()));
    };
}

// An item names a title that entries are made to (one no other title sums into), its side,
// what it is for and an amount above zero; its unit, payee and budget plan are the school's.
TDeltaRowCheck ItemCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        if (row.Kind == ukDelete)
            return;
        const QString item =
            QStringLiteral("第 %1 項").arg(Text(row.Value(QStringLiteral("TxD_No"))));
        const Variant serial = row.Value(QStringLiteral("TxD_No"));
        if (serial.IsEmptyOrNull() || serial.ToInt() <= 0)
            throw EDatabaseError(QStringLiteral("傳票明細的「項次」必須是正整數"));
        const QString accNo = Text(row.Value(QStringLiteral("AccNo")));
        if (accNo.isEmpty())
            throw EDatabaseError(QStringLiteral("%1的「會計科目」必須輸入").arg(item));
        if (!Present(
                db->Scalar(QStringLiteral("SELECT AccNo FROM AccTitles WHERE AccNo = ?"), {accNo})))
            throw EDatabaseError(QStringLiteral("%1的會計科目 %2 不存在").arg(item, accNo));
        if (db->Scalar(QStringLiteral("SELECT COUNT(*) FROM AccTitles WHERE AParent = ?"), {accNo})
                .toInt() > 0)
            throw EDatabaseError(
                QStringLiteral("%1的會計科目 %2 是統制科目,請改用其明細科目").arg(item, accNo));
        const QString side = Text(row.Value(QStringLiteral("DC_Mode")));
        if (side != QLatin1String("D") && side != QLatin1String("C"))
            throw EDatabaseError(QStringLiteral("%1的「借貸方」必須是借方或貸方").arg(item));
        if (Text(row.Value(QStringLiteral("Description"))).isEmpty())
            throw EDatabaseError(QStringLiteral("%1的「摘要」必須輸入").arg(item));
        const Variant amount = row.Value(QStringLiteral("Amount"));
        if (amount.IsEmptyOrNull() || !(amount.ToDouble() > 0) || !std::isfinite(amount.ToDouble()))
            throw EDatabaseError(QStringLiteral("%1的「金額」必須大於 0").arg(item));
        const auto known = [db, &row](const char *field, const QString &sql) {
            const QString value = Text(row.Value(QLatin1String(field)));
            QVariantList binds;
            for (int i = 0; i < sql.count(u'?'); ++i)
                binds << value;
            return value.isEmpty() || Present(db->Scalar(sql, binds));
        };
        if (!known("DepNo", QStringLiteral("SELECT UnitID FROM Units WHERE UnitID = ?")))
            throw EDatabaseError(QStringLiteral("%1的單位 %2 不存在")
                                     .arg(item, Text(row.Value(QStringLiteral("DepNo")))));
        if (!known("TargetID", QStringLiteral("SELECT ID FROM IncomeRefs WHERE ID = ?")))
            throw EDatabaseError(QStringLiteral("%1的對象 %2 不在所得人資料中")
                                     .arg(item, Text(row.Value(QStringLiteral("TargetID")))));
        if (!known("PlanNo", QStringLiteral("SELECT PlanNo FROM YearBudgets WHERE PlanNo = ? "
                                            "UNION SELECT PlanNo FROM CaseBudgets WHERE "
                                            "PlanNo = ?")))
            throw EDatabaseError(QStringLiteral("%1的預算計畫 %2 不存在")
                                     .arg(item, Text(row.Value(QStringLiteral("PlanNo")))));
    };
}

// Once a voucher and its items are written: its debits and its credits add up to the same
// sum, to the cent.
TDeltaRowCheck BalanceCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        if (row.Kind == ukDelete)
            return;
        QSqlQuery totals = db->Exec(
            QStringLiteral("SELECT COALESCE(SUM(CASE WHEN DC_Mode = 'D' THEN Amount END), 0), "
                           "COALESCE(SUM(CASE WHEN DC_Mode = 'C' THEN Amount END), 0) "
                           "FROM AccVoucherItems WHERE Year_ID = ? AND Tx_No = ?"),
            {row.Value(QStringLiteral("Year_ID")).ToInt(),
             row.Value(QStringLiteral("Tx_No")).ToInt()});
        const bool read = totals.next();
        const double debit = read ? totals.value(0).toDouble() : 0;
        const double credit = read ? totals.value(1).toDouble() : 0;
        totals.finish();
        if (std::llround(debit * 100) != std::llround(credit * 100))
            throw EDatabaseError(QStringLiteral("%1 借貸不平衡:借方合計 %2,貸方合計 %3")
                                     .arg(VoucherName(row), QString::number(debit, 'f', 2),
                                          QString::number(credit, 'f', 2)));
    };
}

QList<TProviderField> VoucherFields() {
    return {{QStringLiteral("Year_ID"), ftInteger, 0},
            {QStringLiteral("Tx_No"), ftInteger, 0},
            {QStringLiteral("Tx_VoucherNo"), ftString, 20},
            {QStringLiteral("Tx_Date"), ftDateTime, 0},
            {QStringLiteral("Create_Date"), ftDateTime, 0},
            {QStringLiteral("Tx_Description"), ftString, 200},
            {QStringLiteral("ArAcType"), ftString, 2},
            {QStringLiteral("PayType"), ftString, 2},
            {QStringLiteral("Creater"), ftString, 10},
            {QStringLiteral("Checked"), ftString, 1},
            {QStringLiteral("Printed"), ftString, 1},
            {QStringLiteral("Posted"), ftString, 1},
            {QStringLiteral("Closed_YN"), ftString, 1}};
}

QList<TProviderField> ItemFields() {
    return {
        {QStringLiteral("Year_ID"), ftInteger, 0},       {QStringLiteral("Tx_No"), ftInteger, 0},
        {QStringLiteral("TxD_No"), ftInteger, 0},        {QStringLiteral("AccNo"), ftString, 12},
        {QStringLiteral("AccName"), ftString, 60, true}, {QStringLiteral("DC_Mode"), ftString, 1},
        {QStringLiteral("DC_Type"), ftString, 1},        {QStringLiteral("Ctrl_type"), ftString, 2},
        {QStringLiteral("Description"), ftString, 100},  {QStringLiteral("DepNo"), ftString, 20},
        {QStringLiteral("DepName"), ftString, 30, true}, {QStringLiteral("Target"), ftString, 50},
        {QStringLiteral("TargetID"), ftString, 10},      {QStringLiteral("SRC_No"), ftString, 50},
        {QStringLiteral("PlanNo"), ftString, 20},        {QStringLiteral("Amount"), ftFloat, 0}};
}

// The items with their title's and unit's names; `where` picks them.
QString ItemSelect(const QString &where) {
    return QStringLiteral("SELECT i.Year_ID, i.Tx_No, i.TxD_No, i.AccNo, t.AccName, i.DC_Mode, "
                          "i.DC_Type, i.Ctrl_type, i.Description, i.DepNo, u.UnitName AS DepName, "
                          "i.Target, i.TargetID, i.SRC_No, i.PlanNo, i.Amount "
                          "FROM AccVoucherItems i LEFT JOIN AccTitles t ON t.AccNo = i.AccNo "
                          "LEFT JOIN Units u ON u.UnitID = i.DepNo WHERE %1 "
                          "ORDER BY i.Tx_No, i.TxD_No")
        .arg(where);
}

TProviderDef VouchersProvider(TServerDatabase *db) {
    TProviderDetail items{
        QStringLiteral("VoucherItems"),
        QStringLiteral("傳票明細"),
        ItemSelect(QStringLiteral("i.Year_ID = :Year_ID AND i.Tx_No = :Tx_No")),
        QStringLiteral("AccVoucherItems"),
        {QStringLiteral("Year_ID"), QStringLiteral("Tx_No"), QStringLiteral("TxD_No")},
        {QStringLiteral("Year_ID"), QStringLiteral("Tx_No")},
        ItemFields(),
        ItemCheck(db)};
    TProviderDef def{QStringLiteral("dspVouchers"),
                     QStringLiteral("SELECT Year_ID, Tx_No, Tx_VoucherNo, Tx_Date, Create_Date, "
                                    "Tx_Description, ArAcType, PayType, Creater, Checked, "
                                    "Printed, Posted, Closed_YN FROM AccVouchers "
                                    "WHERE Year_ID = :Year_ID ORDER BY Tx_No"),
                     QStringLiteral("AccVouchers"),
                     {QStringLiteral("Year_ID"), QStringLiteral("Tx_No")},
                     {QStringLiteral("Year_ID")},
                     VoucherFields(),
                     false,
                     VoucherCheck(db),
                     {items}};
    def.CheckWritten = BalanceCheck(db);
    return def;
}

TProviderDef VoucherItemsProvider() {
    return {QStringLiteral("dspVoucherItems"),
            ItemSelect(QStringLiteral("i.Year_ID = :Year_ID AND i.Tx_No >= :FromNo AND "
                                      "i.Tx_No <= :ToNo")),
            QStringLiteral("AccVoucherItems"),
            {QStringLiteral("Year_ID"), QStringLiteral("Tx_No"), QStringLiteral("TxD_No")},
            {QStringLiteral("Year_ID"), QStringLiteral("FromNo"), QStringLiteral("ToNo")},
            ItemFields(),
            true};
}

// The fiscal years that have vouchers, newest first.
TProviderDef FiscalYearsProvider() {
    return {QStringLiteral("dspFiscalYears"),
            QStringLiteral("SELECT Year_ID, COUNT(*) AS Vouchers FROM AccVouchers "
                           "GROUP BY Year_ID ORDER BY Year_ID DESC"),
            QStringLiteral("AccVouchers"),
            {QStringLiteral("Year_ID")},
            {},
            {{QStringLiteral("Year_ID"), ftInteger, 0}, {QStringLiteral("Vouchers"), ftInteger, 0}},
            true};
}

} // namespace

TAccGLModule::TAccGLModule(const TServerContext &context)
    : TServerModule(context, {TitlesProvider(), VouchersProvider(context.Database),
                              VoucherItemsProvider(), FiscalYearsProvider()}) {}

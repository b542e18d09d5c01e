#include "AccTaxModule.h"

#include "DbTypes.h"
#include "Provider.h"
#include "uLumPublic.h"

namespace {

QString Text(const Variant &v) {
    return v.IsEmptyOrNull() ? QString() : v.ToString().trimmed();
}

TDeltaRowCheck IncRefCheck(TServerDatabase *db) {
    return [db](const TDeltaRow &row) {
        const QString id = Text(row.Value(QStringLiteral("ID")));
        if (row.Kind == ukDelete) {
            const int used =
                db->Scalar(
                      QStringLiteral("SELECT COUNT(*) FROM AccVoucherItems WHERE TargetID = ?"),
                      {id})
                    .toInt();
            if (used > 0)
                throw EDatabaseError(
                    QStringLiteral("所得人 %1 已有 %2 筆傳票明細,不可刪除").arg(id).arg(used));
            return;
        }
        const QString type = Text(row.Value(QStringLiteral("IDtype")));
        if (type != QLatin1String("1") && type != QLatin1String("2"))
            throw EDatabaseError(
                QStringLiteral("所得人 %1 的「證號類別」必須是 1 (個人) 或 2 (公司)").arg(id));
        if (Text(row.Value(QStringLiteral("INCMER_NM"))).isEmpty())
            throw EDatabaseError(QStringLiteral("所得人 %1 的「姓名或名稱」必須輸入").arg(id));
        const bool person = type == QLatin1String("1");
        const QString number =
            Text(row.Value(person ? QStringLiteral("IDN") : QStringLiteral("BAN")));
        if (person ? !CheckRocID(number) : !CheckRocInvoice(number))
            throw EDatabaseError(person ? QStringLiteral("身分證號 %1 錯誤").arg(number)
                                        : QStringLiteral("統一編號 %1 錯誤").arg(number));
        if (id != number)
            throw EDatabaseError(
                QStringLiteral("所得人代號 %1 必須與%2 %3 相同")
                    .arg(id, person ? QStringLiteral("身分證號") : QStringLiteral("統一編號"),
                         number));
        if (!Text(row.Value(person ? QStringLiteral("BAN") : QStringLiteral("IDN"))).isEmpty())
            throw EDatabaseError(person ? QStringLiteral("個人所得人 %1 不可填統一編號").arg(id)
                                        : QStringLiteral("公司所得人 %1 不可填身分證號").arg(id));
    };
}

} // namespace

TAccTaxModule::TAccTaxModule(const TServerContext &context)
    : TServerModule(context, {{QStringLiteral("dspIncRef_Orv"),
                               QStringLiteral("SELECT BAN, IDN, INCMER_NM, HOUHLD_ADDR_X60, ID, "
                                              "IDtype, EMail FROM IncomeRefs ORDER BY IDtype, ID"),
                               QStringLiteral("IncomeRefs"),
                               {QStringLiteral("ID")},
                               {},
                               {{QStringLiteral("BAN"), ftString, 8},
                                {QStringLiteral("IDN"), ftString, 10},
                                {QStringLiteral("INCMER_NM"), ftString, 60},
                                {QStringLiteral("HOUHLD_ADDR_X60"), ftString, 120},
                                {QStringLiteral("ID"), ftString, 10},
                                {QStringLiteral("IDtype"), ftString, 1},
                                {QStringLiteral("EMail"), ftString, 80}},
                               false,
                               IncRefCheck(context.Database)}}) {}

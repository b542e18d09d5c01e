#include "AccGLModule.h"

#include "DbTypes.h"
#include "Provider.h"

namespace {

void CheckTitle(const TDeltaRow &row) {
    if (row.Kind == ukDelete)
        return;
    const auto text = [&](const char *field) {
        const Variant v = row.Value(QLatin1String(field));
        return v.IsEmptyOrNull() ? QString() : v.ToString().trimmed();
    };
    if (text("AccNo").isEmpty())
        throw EDatabaseError(QStringLiteral("「科目代號」必須輸入"));
    if (text("AccName").isEmpty())
        throw EDatabaseError(QStringLiteral("科目 %1 的「科目名稱」必須輸入").arg(text("AccNo")));
    const QString side = text("DC_Mode");
    if (side != QLatin1String("D") && side != QLatin1String("C"))
        throw EDatabaseError(QStringLiteral("科目 %1 的「借貸」必須是 D 或 C").arg(text("AccNo")));
}

} // namespace

TAccGLModule::TAccGLModule(const TServerContext &context)
    : TServerModule(context, {{QStringLiteral("dspAccTitle"),
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
                               CheckTitle}}) {}

#include "uCodeCriteria.h"

#include "DataSet.h"
#include "uCodeComboBox.h"

TLUMDBCodeComboBox *CodeCriterion(QWidget *parent, TDataSource *codes, const char *name,
                                  const QString &category, const QString &noneText) {
    auto *combo = new TLUMDBCodeComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    if (!noneText.isEmpty()) {
        combo->AddCode(QString(), noneText);
        combo->SetAppendIndex(1);
    }
    QString quoted = category;
    quoted.replace(u'\'', QStringLiteral("''"));
    combo->SetCodeFilter(QStringLiteral("Main_Code='%1'").arg(quoted));
    combo->SetCodeFieldName(QStringLiteral("Code"));
    combo->SetNameFieldName(QStringLiteral("Descript"));
    combo->SetDataSource(codes);
    ChooseNoneIfUnset(combo);
    return combo;
}

void ChooseNoneIfUnset(TLUMDBCodeComboBox *combo) {
    if (combo->currentIndex() < 0 && combo->count() > 0)
        combo->setCurrentIndex(0);
}

QString CurrentSemester(TDataSet *codes) {
    if (!codes || !codes->Active())
        return QString();
    const Variant now = codes->Lookup(
        QStringLiteral("Main_Code;Code"),
        Variant::ArrayOf({Variant(QStringLiteral("NSYS")), Variant(QStringLiteral("NowYSem"))}),
        QStringLiteral("Descript"));
    return now.IsEmptyOrNull() ? QString() : now.ToString().trimmed();
}

#include "uCodeCriteria.h"

#include "DataSet.h"
#include "uCodeComboBox.h"

TLUMDBCodeComboBox *DataCodeList(QWidget *parent, const char *name, TDataSource *source,
                                 const QString &filter, const char *codeField,
                                 const char *nameField, const QString &noneText) {
    auto *combo = new TLUMDBCodeComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    if (!noneText.isEmpty()) {
        combo->AddCode(QString(), noneText);
        combo->SetAppendIndex(1);
    }
    combo->SetCodeFilter(filter);
    combo->SetCodeFieldName(QLatin1String(codeField));
    combo->SetNameFieldName(QLatin1String(nameField));
    combo->SetDataSource(source);
    return combo;
}

TLUMDBCodeComboBox *CodeCriterion(QWidget *parent, TDataSource *codes, const char *name,
                                  const QString &category, const QString &noneText) {
    QString quoted = category;
    quoted.replace(u'\'', QStringLiteral("''"));
    TLUMDBCodeComboBox *combo =
        DataCodeList(parent, name, codes, QStringLiteral("Main_Code='%1'").arg(quoted), "Code",
                     "Descript", noneText);
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

void ChooseCurrentSemester(TLumCodeComboBox *combo, TDataSet *codes) {
    const QString now = CurrentSemester(codes);
    if (!now.isEmpty() && combo->CodeItems().IndexOf(now) >= 0)
        combo->SetCode(now);
    if (combo->currentIndex() < 0 && combo->count() > 0)
        combo->setCurrentIndex(0);
}

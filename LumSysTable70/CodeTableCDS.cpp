#include "CodeTableCDS.h"

#include "Fields.h"

namespace {

TField *AddLabelledField(TDataSet *ds, TFieldType type, const char *name, int size,
                         const char *label) {
    TField *field = ds->AddField(type, QLatin1String(name), size);
    field->SetDisplayLabel(QString::fromUtf8(label));
    return field;
}

} // namespace

TSystemTable *CodeTableSystemTable() {
    return SharedSystemTable(QStringLiteral("CodeTable"), QStringLiteral("SystemObj.CodeTableINTF"),
                             QStringLiteral("xspCodeTable"));
}

TCodeTableCDS::TCodeTableCDS(QObject *owner) : TClonedDataSet(owner) {
    // A row is keyed by its category and code: changes written back find their rows by them.
    for (TField *key : {AddLabelledField(this, ftString, "Main_Code", 20, "類別"),
                        AddLabelledField(this, ftString, "Code", 20, "代碼")})
        key->SetProviderFlags(key->ProviderFlags() | pfInKey);
    AddLabelledField(this, ftString, "Descript", 120, "名稱");
    AddLabelledField(this, ftInteger, "ALevel", 0, "層級");
    AddLabelledField(this, ftString, "AParent", 20, "隸屬於");
    AddLabelledField(this, ftInteger, "AValue", 0, "數值");
    AddLabelledField(this, ftDateTime, "ADate", 0, "日期值");
}

TSystemTable *TCodeTableCDS::GetSystemTable() {
    return CodeTableSystemTable();
}

void ShowCodeByName(QObject *owner, TField *field, const QString &mainCode) {
    auto *codes = new TCodeTableCDS(owner);
    // Names are unique among the owner's components: a second dataset with a field of the same
    // name (the class of a course and of its students) names its clone after the dataset too.
    QString name = QStringLiteral("Codes") + field->FieldName();
    if (owner && owner->findChild<QObject *>(name, Qt::FindDirectChildrenOnly))
        name = QStringLiteral("Codes") + field->Name();
    codes->SetName(name);
    QString category = mainCode;
    category.replace(u'\'', QStringLiteral("''"));
    codes->SetFilter(QStringLiteral("Main_Code = '%1'").arg(category));
    codes->SetFiltered(true);
    field->SetLookupDataSet(codes);
    field->SetLookupKeyFields(QStringLiteral("Code"));
    field->SetLookupResultField(QStringLiteral("Descript"));
    field->OnGetText = [](TField *f, QString &text, bool displayText) {
        text = f->AsString();
        TDataSet *names = f->LookupDataSet();
        if (!displayText || text.isEmpty() || !names || !names->Active())
            return;
        const Variant name =
            names->Lookup(f->LookupKeyFields(), Variant(text), f->LookupResultField());
        if (!name.IsEmptyOrNull())
            text = name.ToString();
    };
}

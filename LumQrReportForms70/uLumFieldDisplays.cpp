#include "uLumFieldDisplays.h"

#include "CodeTableCDS.h"
#include "DataSet.h"
#include "Fields.h"
#include "Variant.h"

void LookUpFieldText(TField *field, QString &text) {
    text = field->AsString();
    TDataSet *lookup = field->LookupDataSet();
    if (text.isEmpty() || !lookup || !lookup->Active() || field->LookupKeyFields().isEmpty() ||
        field->LookupResultField().isEmpty())
        return;
    const Variant found =
        lookup->Lookup(field->LookupKeyFields(), Variant(text), field->LookupResultField());
    if (!found.IsEmptyOrNull())
        text = found.ToString();
}

QString CodeTableText(TDataSet *codeTable, const QString &code) {
    if (!codeTable || !codeTable->Active() || code.isEmpty())
        return code;
    const Variant found =
        codeTable->Lookup(QStringLiteral("Code"), Variant(code), QStringLiteral("Descript"));
    return found.IsEmptyOrNull() ? code : found.ToString();
}

TCodeTableCDS *AddCodeTable(QObject *owner, const QString &name, const QString &filter) {
    auto *table = new TCodeTableCDS(owner);
    table->SetName(name);
    table->SetFilter(filter);
    table->SetFiltered(true);
    table->SetIndexFieldNames(QStringLiteral("Code"));
    table->Open();
    return table;
}

TLumFieldDisplays::TLumFieldDisplays(QObject *owner) : TComponent(owner) {}

TLumFieldDisplays::~TLumFieldDisplays() {
    Destroying();
    // The datasets that outlive this object open as they did before.
    for (const TWatched &watched : FWatched) {
        watched.DataSet->AfterOpen = watched.Previous;
        RemoveFreeNotification(watched.DataSet);
    }
}

void TLumFieldDisplays::Watch(TDataSet *dataSet) {
    for (const TWatched &watched : FWatched)
        if (watched.DataSet == dataSet)
            return;
    TDataSetNotifyEvent previous = dataSet->AfterOpen;
    FWatched.push_back({dataSet, previous});
    FreeNotification(dataSet);
    // Whatever the dataset did after opening before still runs, first.
    dataSet->AfterOpen = [this, previous](TDataSet *opened) {
        if (previous)
            previous(opened);
        Apply(opened);
    };
}

void TLumFieldDisplays::Setup(TDataSet *dataSet, const QString &fieldName, TLumFieldSetup setup) {
    if (!dataSet || !setup)
        return;
    Watch(dataSet);
    FRules.push_back({dataSet, fieldName, setup});
    if (dataSet->Active())
        if (TField *field = dataSet->FindField(fieldName))
            setup(field);
}

void TLumFieldDisplays::Labels(TDataSet *dataSet,
                               const QList<std::pair<QString, QString>> &labels) {
    for (const auto &[name, label] : labels)
        Setup(dataSet, name, [label](TField *field) { field->SetDisplayLabel(label); });
}

void TLumFieldDisplays::ShowLookUp(TDataSet *dataSet, const QString &fieldName, TDataSet *codeTable,
                                   const QString &keyField, const QString &resultField) {
    Setup(dataSet, fieldName, [codeTable, keyField, resultField](TField *field) {
        field->SetLookupDataSet(codeTable);
        field->SetLookupKeyFields(keyField);
        field->SetLookupResultField(resultField);
        field->OnGetText = [](TField *f, QString &text, bool) { LookUpFieldText(f, text); };
    });
}

void TLumFieldDisplays::Columns(TDataSet *dataSet, const QStringList &fieldNames) {
    if (!dataSet)
        return;
    Watch(dataSet);
    std::erase_if(FColumns, [dataSet](const TColumns &c) { return c.DataSet == dataSet; });
    FColumns.push_back({dataSet, fieldNames});
    if (dataSet->Active())
        Apply(dataSet);
}

void TLumFieldDisplays::Apply(TDataSet *dataSet) const {
    for (const TColumns &columns : FColumns)
        if (columns.DataSet == dataSet)
            for (const auto &field : dataSet->Fields())
                field->SetVisible(columns.Names.contains(field->FieldName(), Qt::CaseInsensitive));
    for (const TRule &rule : FRules)
        if (rule.DataSet == dataSet)
            if (TField *field = dataSet->FindField(rule.Field))
                rule.Setup(field);
}

void TLumFieldDisplays::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove)
        if (auto *dataSet = dynamic_cast<TDataSet *>(component)) {
            std::erase_if(FWatched, [dataSet](const TWatched &watched) {
                return watched.DataSet == dataSet;
            });
            std::erase_if(FRules, [dataSet](const TRule &rule) { return rule.DataSet == dataSet; });
            std::erase_if(FColumns, [dataSet](const TColumns &c) { return c.DataSet == dataSet; });
        }
    TComponent::Notification(component, operation);
}

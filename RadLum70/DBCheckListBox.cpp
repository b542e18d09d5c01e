#include "DBCheckListBox.h"

#include "uLumPublic.h"

// ---- TCLBDataLink ----------------------------------------------------------------------------

void TCLBDataLink::ActiveChanged() {
    FCheckListBox->DataSetActiveChanged();
}

void TCLBDataLink::DataSetChanged() {
    FCheckListBox->DataSetReplaced();
}

void TCLBDataLink::LayoutChanged() {
    FCheckListBox->FieldsChanged();
}

// ---- TDBCheckListBox -------------------------------------------------------------------------

TDBCheckListBox::TDBCheckListBox(QWidget *parent)
    : QListWidget(parent), FDataLink(std::make_unique<TCLBDataLink>(this)) {
    if (OwnerIsLoading(parent))
        SetLoading(true);
    connect(this, &QListWidget::itemChanged, this, &TDBCheckListBox::ItemChanged);
}

TDBCheckListBox::~TDBCheckListBox() {
    Destroying();
    FDataLink->SetDataSource(nullptr);
}

void TDBCheckListBox::SetDataSource(TDataSource *source) {
    TDataSource *old = FDataLink->DataSource();
    if (old == source)
        return;
    FDataLink->SetDataSource(nullptr);
    if (old)
        RemoveFreeNotification(old);
    FDataLink->SetDataSource(source);
    if (!source) {
        ClearFields();
        return;
    }
    FreeNotification(source);
    SetFieldsToItem();
}

void TDBCheckListBox::SetOptionsTagValue(TTAOptions options) {
    if (options == FOptionsTagValue)
        return;
    FOptionsTagValue = options;
    SetFieldsToItem();
}

void TDBCheckListBox::SetFieldsToItem() {
    if (IsLoading() || IsDestroying() || !DataSource())
        return;
    ClearFields();
    TDataSet *ds = DataSource()->DataSet();
    if (!ds)
        return;
    FFilling = true;
    for (const auto &field : ds->Fields()) {
        if (!FOptionsTagValue.ContainsTag(field->Tag()))
            continue;
        auto *item = new QListWidgetItem(field->DisplayLabel(), this);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(field->Visible() ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(field.get())));
    }
    FFilling = false;
    FListedDataSet = ds;
}

void TDBCheckListBox::ClearFields() {
    FFilling = true;
    clear();
    FFilling = false;
    FListedDataSet = nullptr;
}

TField *TDBCheckListBox::Field(int index) const {
    const QListWidgetItem *it = item(index);
    TField *field = FieldOfItem(it);
    // Only a field the listed dataset still has is handed out: closing a dataset frees the
    // fields it made for itself.
    TDataSet *ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (!field || !ds || ds != FListedDataSet || ds->Fields().IndexOf(field) < 0)
        return nullptr;
    return field;
}

TField *TDBCheckListBox::GetField() const {
    return Field(currentRow());
}

bool TDBCheckListBox::Checked(int index) const {
    const QListWidgetItem *it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TDBCheckListBox::SetChecked(int index, bool checked) {
    QListWidgetItem *it = item(index);
    if (!it)
        return;
    FFilling = true;
    it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    FFilling = false;
}

void TDBCheckListBox::ItemChanged(QListWidgetItem *item) {
    if (FFilling || !item)
        return;
    setCurrentItem(item);
    if (OnClickCheck)
        OnClickCheck(this);
}

void TDBCheckListBox::Loaded() {
    TComponentBase::Loaded();
    SetFieldsToItem();
}

void TDBCheckListBox::Notification(TComponentBase *component, TOperation operation) {
    TComponentBase::Notification(component, operation);
    if (operation == TOperation::opRemove && component &&
        component == static_cast<TComponentBase *>(DataSource()))
        SetDataSource(nullptr);
}

void TDBCheckListBox::DataSetActiveChanged() {
    if (IsDestroying())
        return;
    if (FAutoRefresh && !IsLoading()) {
        if (FDataLink->Active())
            SetFieldsToItem();
        else
            ClearFields();
        return;
    }
    if (FDataLink->Active())
        return;
    // Items whose fields went with the closed dataset are dropped.
    FFilling = true;
    for (int i = count() - 1; i >= 0; --i)
        if (!Field(i))
            delete takeItem(i);
    FFilling = false;
    if (count() == 0)
        FListedDataSet = nullptr;
}

void TDBCheckListBox::DataSetReplaced() {
    // The data source now shows another dataset: the listed fields are not its fields.
    if (!FListedDataSet || FListedDataSet == DataSource()->DataSet())
        return;
    if (FAutoRefresh && !IsLoading())
        SetFieldsToItem();
    else
        ClearFields();
}

void TDBCheckListBox::FieldsChanged() {
    FFilling = true;
    for (int i = 0; i < count(); ++i) {
        if (TField *field = Field(i)) {
            item(i)->setText(field->DisplayLabel());
            item(i)->setCheckState(field->Visible() ? Qt::Checked : Qt::Unchecked);
        }
    }
    FFilling = false;
}

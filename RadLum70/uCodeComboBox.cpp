#include "uCodeComboBox.h"

#include "Exceptions.h"

namespace {

// Puts the source dataset back as the refill found it: filter text, filtered switch and
// position, and lets its controls hear about it again. Runs when the refill ends, however it
// ends.
class TDataSetRestorer {
public:
    explicit TDataSetRestorer(TDataSet *dataSet)
        : FDataSet(dataSet), FBookmark(dataSet->GetBookmark()), FFiltered(dataSet->Filtered()),
          FFilter(dataSet->Filter()) {
        FDataSet->DisableControls();
    }
    ~TDataSetRestorer() {
        try {
            FDataSet->SetFilter(FFilter);
            FDataSet->SetFiltered(FFiltered);
            if (FDataSet->BookmarkValid(FBookmark))
                FDataSet->GotoBookmark(FBookmark);
        } catch (...) {
            ReportError(std::current_exception());
        }
        FDataSet->EnableControls();
    }
    TDataSetRestorer(const TDataSetRestorer &) = delete;
    TDataSetRestorer &operator=(const TDataSetRestorer &) = delete;

private:
    TDataSet *FDataSet;
    TBookmark FBookmark;
    bool FFiltered;
    QString FFilter;
};

} // namespace

// ---- TLumCodeComboBox ------------------------------------------------------------------------

TLumCodeComboBox::TLumCodeComboBox(QWidget *parent) : QComboBox(parent) {
    setEditable(false);
    if (OwnerIsLoading(parent))
        SetLoading(true);
    FCodeItems.SetCaseSensitive(true);
}

TLumCodeComboBox::~TLumCodeComboBox() {
    Destroying();
}

void TLumCodeComboBox::SetCodeItems(const TStringList &items) {
    FCodeItems.Assign(items);
    FCodeItems.SetCaseSensitive(true);
}

void TLumCodeComboBox::AddCode(const QString &code, const QString &name) {
    // Adding to an empty list selects nothing: the selection stays as the caller left it.
    const int selected = currentIndex();
    addItem(name);
    if (currentIndex() != selected)
        setCurrentIndex(selected);
    const int index = count() - 1;
    while (FCodeItems.Count() < index)
        FCodeItems.Add(QString());
    if (index < FCodeItems.Count())
        FCodeItems.SetStrings(index, code);
    else
        FCodeItems.Add(code);
}

void TLumCodeComboBox::Clear() {
    FCodeItems.Clear();
    clear();
}

QString TLumCodeComboBox::GetCode() const {
    const int index = currentIndex();
    return index >= 0 && index < FCodeItems.Count() ? FCodeItems[index] : QString();
}

QString TLumCodeComboBox::GetCodeName() const {
    const int index = currentIndex();
    return index >= 0 && index < FCodeItems.Count() ? itemText(index) : QString();
}

int TLumCodeComboBox::IndexOfCode(const QString &code) const {
    // Lines past the display items are left over from earlier fills and name no item.
    const int lines = qMin(count(), FCodeItems.Count());
    for (int i = 0; i < lines; ++i)
        if (FCodeItems[i] == code)
            return i;
    return -1;
}

void TLumCodeComboBox::SetCode(const QString &code) {
    const int index = IndexOfCode(code);
    if (index < 0)
        throw EListError(Format(QStringLiteral("Code[%s] is Not Found in CodeItems"), {code}));
    setCurrentIndex(index);
}

// ---- TLUMDataLink ----------------------------------------------------------------------------

void TLUMDataLink::ActiveChanged() {
    FComboBox->ActiveChanged();
}

void TLUMDataLink::UpdateData() {
    if (!FComboBox->Cached())
        FComboBox->DataChanged();
}

void TLUMDataLink::DataSetChanged() {
    FComboBox->PendingRefill();
}

// ---- TLUMDBCodeComboBox ----------------------------------------------------------------------

TLUMDBCodeComboBox::TLUMDBCodeComboBox(QWidget *parent)
    : TLumCodeComboBox(parent), FDataLink(std::make_unique<TLUMDataLink>(this)) {}

TLUMDBCodeComboBox::~TLUMDBCodeComboBox() {
    Destroying();
    FDataLink->SetDataSource(nullptr);
}

void TLUMDBCodeComboBox::SetDataSource(TDataSource *source) {
    TDataSource *old = FDataLink->DataSource();
    if (old == source)
        return;
    // Leaving one open dataset for another passes through "inactive", as any change of source;
    // an open dataset fills the list as the link becomes active.
    FDataLink->SetDataSource(nullptr);
    if (old)
        RemoveFreeNotification(old);
    if (source)
        FreeNotification(source);
    FDataLink->SetDataSource(source);
}

void TLUMDBCodeComboBox::Notification(TComponentBase *component, TOperation operation) {
    TLumCodeComboBox::Notification(component, operation);
    if (operation == TOperation::opRemove && component &&
        component == static_cast<TComponentBase *>(DataSource()))
        SetDataSource(nullptr);
}

void TLUMDBCodeComboBox::Loaded() {
    TLumCodeComboBox::Loaded();
    ActiveChanged();
    if (count() > 0)
        setCurrentIndex(0);
}

void TLUMDBCodeComboBox::SetCodeFieldName(const QString &name) {
    if (name == FCodeFieldName)
        return;
    FCodeFieldName = name;
    ActiveChanged();
}

void TLUMDBCodeComboBox::SetNameFieldName(const QString &name) {
    if (name == FNameFieldName)
        return;
    FNameFieldName = name;
    ActiveChanged();
}

void TLUMDBCodeComboBox::SetCodeFilter(const QString &filter) {
    if (filter == FCodeFilter)
        return;
    FCodeFilter = filter;
    ActiveChanged();
}

void TLUMDBCodeComboBox::SetAppendIndex(int count) {
    FAppendIndex = qMin(count, this->count());
}

void TLUMDBCodeComboBox::ActiveChanged() {
    if (IsDestroying())
        return;
    if (!FDataLink->Active())
        FRefillPending = false;
    // Enabled means the control's own switch, whatever its parents say.
    const bool enabled = !testAttribute(Qt::WA_ForceDisabled);
    if (!IsLoading() && enabled && FDataLink->Active() && !FCodeFieldName.isEmpty() &&
        !FNameFieldName.isEmpty())
        DataChanged();
}

void TLUMDBCodeComboBox::ClearPos() {
    if (FAppendIndex <= 0) {
        Clear();
        return;
    }
    while (count() > FAppendIndex)
        removeItem(count() - 1);
}

void TLUMDBCodeComboBox::DataChanged() {
    TDataSet *ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (!ds)
        return;
    if (ds->IsEditing()) {
        FRefillPending = true;
        return;
    }
    FRefillPending = false;
    Refill();
}

void TLUMDBCodeComboBox::PendingRefill() {
    if (!FRefillPending || IsDestroying())
        return;
    TDataSet *ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (ds && !ds->IsEditing())
        DataChanged();
}

void TLUMDBCodeComboBox::Refill() {
    TDataSet *ds = FDataLink->DataSet();
    // The selected code is selected again afterwards when it is still there; without a
    // selection nothing is selected.
    const bool hadCode = currentIndex() >= 0 && currentIndex() < CodeItems().Count();
    const QString code = GetCode();
    const auto reselect = [&] { setCurrentIndex(hadCode ? IndexOfCode(code) : -1); };
    ClearPos();
    try {
        TDataSetRestorer restorer(ds);
        if (!FCodeFilter.isEmpty()) {
            ds->SetFilter(FCodeFilter);
            ds->SetFiltered(true);
        }
        TField *codeField = ds->FieldByName(FCodeFieldName);
        TField *nameField = ds->FieldByName(FNameFieldName);
        for (ds->First(); !ds->Eof(); ds->Next())
            AddCode(codeField->AsString(), nameField->AsString());
    } catch (...) {
        reselect();
        throw;
    }
    reselect();
}

#include "DBActions.h"

TDataSetAction::TDataSetAction(QObject *owner, const QString &name, const QString &category,
                               const QString &caption)
    : TAction(owner, name, category, caption) {
    setEnabled(false);
}

TDataSetAction::~TDataSetAction() {
    Destroying();
    // Leaving the data source must not reach back into an action being taken apart.
    FDataLink.Detach();
    FDataLink.SetDataSource(nullptr);
}

void TDataSetAction::SetDataSource(TDataSource *source) {
    TDataSource *old = FDataLink.DataSource();
    if (old == source)
        return;
    if (old)
        RemoveFreeNotification(old);
    FDataLink.SetDataSource(source);
    if (source)
        FreeNotification(source);
    UpdateEnabled();
}

void TDataSetAction::Notification(TComponentBase *component, TOperation operation) {
    TComponentBase::Notification(component, operation);
    if (operation == TOperation::opRemove && component &&
        component == static_cast<TComponentBase *>(DataSource()))
        SetDataSource(nullptr);
}

void TDataSetAction::UpdateEnabled() {
    const TDataSource *source = DataSource();
    const TDataSet *ds = DataSet();
    const bool open = FDataLink.Active() && ds && ds->Active();
    setEnabled(open && EnabledFor(*ds, source->State()));
}

void TDataSetAction::SetOperation(void (TDataSet::*operation)()) {
    OnExecute = [this, operation] {
        if (TDataSet *ds = DataSet())
            (ds->*operation)();
    };
}

TDataSetFirst::TDataSetFirst(QObject *owner, const QString &name, const QString &category,
                             const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::First);
}

bool TDataSetFirst::EnabledFor(const TDataSet &dataSet, TDataSetState) const {
    return !dataSet.Bof();
}

TDataSetPrior::TDataSetPrior(QObject *owner, const QString &name, const QString &category,
                             const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Prior);
}

bool TDataSetPrior::EnabledFor(const TDataSet &dataSet, TDataSetState) const {
    return !dataSet.Bof();
}

TDataSetNext::TDataSetNext(QObject *owner, const QString &name, const QString &category,
                           const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Next);
}

bool TDataSetNext::EnabledFor(const TDataSet &dataSet, TDataSetState) const {
    return !dataSet.Eof();
}

TDataSetLast::TDataSetLast(QObject *owner, const QString &name, const QString &category,
                           const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Last);
}

bool TDataSetLast::EnabledFor(const TDataSet &dataSet, TDataSetState) const {
    return !dataSet.Eof();
}

TDataSetPost::TDataSetPost(QObject *owner, const QString &name, const QString &category,
                           const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Post);
}

bool TDataSetPost::EnabledFor(const TDataSet &, TDataSetState state) const {
    return state == dsEdit || state == dsInsert;
}

TDataSetCancel::TDataSetCancel(QObject *owner, const QString &name, const QString &category,
                               const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Cancel);
}

bool TDataSetCancel::EnabledFor(const TDataSet &, TDataSetState state) const {
    return state == dsEdit || state == dsInsert;
}

TDataSetDelete::TDataSetDelete(QObject *owner, const QString &name, const QString &category,
                               const QString &caption)
    : TDataSetAction(owner, name, category, caption) {
    SetOperation(&TDataSet::Delete);
}

bool TDataSetDelete::EnabledFor(const TDataSet &dataSet, TDataSetState state) const {
    return (state == dsBrowse || state == dsEdit) && !dataSet.IsEmpty();
}

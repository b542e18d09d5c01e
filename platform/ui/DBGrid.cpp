#include "DBGrid.h"

#include "DataSet.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSet>

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent), FModel(new TDBGridModel(this)) {
    FModel->AttachView(this);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(22);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TDBGrid::ViewSelectionChanged);
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] { ShowSelection(); });
    connect(FModel, &QAbstractItemModel::layoutChanged, this, [this] { ShowSelection(); });
    connect(FModel, &QAbstractItemModel::rowsInserted, this, [this] { ShowSelection(); });
    connect(FModel, &QAbstractItemModel::rowsRemoved, this, [this] { ShowSelection(); });
    connect(FModel, &QAbstractItemModel::dataChanged, this, [this] { ShowSelection(); });
    connect(this, &QAbstractItemView::clicked, this, [this] {
        if (OnCellClick)
            OnCellClick(this);
    });
}

TDBGrid::~TDBGrid() {
    OnCellClick = nullptr;
    OnSelectionChange = nullptr;
    disconnect(FModel, nullptr, this, nullptr);
}

TDataSource *TDBGrid::DataSource() const {
    return FModel->DataSource();
}

void TDBGrid::SetDataSource(TDataSource *source) {
    FModel->SetDataSource(source);
    FSelected.clear();
    ShowSelection();
}

TDataSet *TDBGrid::DataSet() const {
    return FModel->DataSet();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    FModel->SetReadOnly(readOnly);
}

void TDBGrid::SetMultiSelect(bool multiSelect) {
    if (multiSelect == FMultiSelect)
        return;
    FMultiSelect = multiSelect;
    ClearSelection();
    setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
}

void TDBGrid::SelectCurrentRow(bool select) {
    TDataSet *ds = DataSet();
    if (!ds || ds->IsEmpty())
        return;
    const TBookmark current = ds->GetBookmark();
    if (select == FSelected.contains(current))
        return;
    if (select)
        FSelected.append(current);
    else
        FSelected.removeAll(current);
    ShowSelection();
    Changed();
}

void TDBGrid::ClearSelection() {
    const bool had = !FSelected.isEmpty();
    FSelected.clear();
    if (FMultiSelect) {
        FShowing = true;
        selectionModel()->clearSelection();
        FShowing = false;
    }
    if (had)
        Changed();
}

void TDBGrid::ViewSelectionChanged(const QItemSelection &selected,
                                   const QItemSelection &deselected) {
    if (FShowing || !FMultiSelect)
        return;
    QList<int> rows;
    for (const QModelIndex &index : deselected.indexes())
        if (!rows.contains(index.row()))
            rows.append(index.row());
    for (int row : rows)
        FSelected.removeAll(FModel->RowBookmark(row));
    rows.clear();
    for (const QModelIndex &index : selected.indexes())
        if (!rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    for (int row : rows) {
        const TBookmark bookmark = FModel->RowBookmark(row);
        if (bookmark >= 0 && !FSelected.contains(bookmark))
            FSelected.append(bookmark);
    }
    Changed();
}

void TDBGrid::ShowSelection() {
    if (FShowing)
        return;
    TDataSet *ds = DataSet();
    const qsizetype before = FSelected.size();
    if (!ds)
        FSelected.clear();
    else
        FSelected.removeIf([ds](TBookmark b) { return !ds->BookmarkValid(b); });
    // While the dataset's controls are suspended the rows may not match the records yet: the
    // view catches up when they resume.
    // Rows repaint on every change of a record: with nothing selected and nothing shown there
    // is nothing to bring in line.
    const bool shown = selectionModel()->hasSelection();
    if (FMultiSelect && (!FSelected.isEmpty() || shown) && (!ds || !ds->ControlsDisabled())) {
        QItemSelection shown;
        if (!FSelected.isEmpty()) {
            const QSet<TBookmark> wanted(FSelected.cbegin(), FSelected.cend());
            const int rows = FModel->rowCount();
            const int last = FModel->columnCount() - 1;
            for (int row = 0; row < rows && last >= 0; ++row)
                if (wanted.contains(FModel->RowBookmark(row)))
                    shown.select(FModel->index(row, 0), FModel->index(row, last));
        }
        FShowing = true;
        selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
        FShowing = false;
    }
    if (FSelected.size() != before)
        Changed();
}

void TDBGrid::Changed() {
    if (OnSelectionChange)
        OnSelectionChange(this);
}

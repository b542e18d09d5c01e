#pragma once
// TDBGrid: a grid of a dataset's records (a table view over its own TDBGridModel) that can
// also hold a selection of many rows, as the job forms use it for bulk operations: move the
// selected students across, change the selected rows, copy them into another dataset.
//
// The selection is kept as the bookmarks of the selected records, in the order in which they
// were selected, so it names the same records while rows come and go around them; the view
// shows it. A plain click selects one row, Ctrl+click adds or removes a row, Shift+click a
// range. Records that are deleted leave the selection; closing the dataset clears it.

#include "DBGridModel.h"

#include <QList>
#include <QTableView>
#include <functional>

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    TDBGridModel *Model() const { return FModel; }
    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    void SetReadOnly(bool readOnly);
    // Whole-row selection of many rows; off, the grid selects the current row only.
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool multiSelect);

    // The selected records, in the order they were selected.
    QList<TBookmark> SelectedRows() const { return FSelected; }
    int SelectedCount() const { return int(FSelected.size()); }
    bool RowSelected(TBookmark bookmark) const { return FSelected.contains(bookmark); }
    // Selects (or unselects) the dataset's current record.
    void SelectCurrentRow(bool select = true);
    void ClearSelection();

    // A click in a cell, after the grid moved the dataset and changed the selection.
    std::function<void(TDBGrid *)> OnCellClick;
    // The selection changed, by the user or by the program.
    std::function<void(TDBGrid *)> OnSelectionChange;

private:
    void ViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    // Shows the bookmarked selection in the view after rows changed, and forgets records that
    // are gone.
    void ShowSelection();
    void Changed();

    TDBGridModel *FModel;
    QList<TBookmark> FSelected;
    bool FMultiSelect = false;
    bool FShowing = false;
};

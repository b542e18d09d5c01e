#pragma once
// TDBGridModel: a Qt table model over a dataset, for grids. Each visible field is a column
// headed by its display label; each record of the dataset's view is a row showing the fields'
// display text with the field's alignment. A record being inserted shows as an extra row where
// it will go. Painting reads records by position and never moves the dataset's cursor.
//
// The current record and the grid's current row follow each other: AttachView connects a view
// so that choosing a row moves the dataset there, and moving the dataset moves the view's
// current row.
//
// Editing goes through the dataset as in any data-aware grid: writing a cell puts the row's
// record into edit state and sets the field's text (the field's own conversion and checks);
// the record stays in edit state while the user works along the row and is posted when the
// grid moves to another row, or by PostRecord; Escape (with no cell editor open) cancels it.
// New records are appended (insertRows at the end, or Down on the last row) or inserted, and
// records deleted (removeRows), all through the dataset. Errors the dataset raises reach the
// user through the application's error display; the dataset is left as the failed operation
// found it.
//
// A client dataset that fetches its records in packets on demand brings the next packet when
// the view scrolls to the end of the records held (canFetchMore/fetchMore).

#include "DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <exception>
#include <memory>
#include <vector>

class QAbstractItemView;

class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDBGridModel(QObject *parent = nullptr);
    ~TDBGridModel() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;

    // A read-only grid shows the data and moves the cursor, but changes nothing.
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);

    // The field shown in a column, or nullptr.
    TField *ColumnField(int column) const;
    // Whether the cells of a column can be edited now: the grid is not read-only, the field
    // is a data field that is not read-only and holds text, numbers, dates or booleans, and
    // the dataset is editing or its data source lets controls start editing.
    bool CanEditColumn(int column) const;
    // The grid row of the dataset's current record (the new record while inserting); -1 when
    // there is none.
    int CurrentRow() const;
    // Moves the dataset to the record shown in a row, posting the record being edited first.
    // Returns false when it could not move (for example a pending edit that fails to post);
    // the error reaches the user.
    bool SetCurrentRow(int row);
    // Posts or cancels the record being edited or inserted; a failing post reaches the user
    // and leaves the record in edit state.
    bool PostRecord();
    void CancelRecord();

    // The bookmark of the stored record a grid row shows; -1 for the new record's row.
    TBookmark RowBookmark(int row) const;

    // Keeps a view's current row and the dataset's current record together, and gives the view
    // the grid's keys: Escape cancels the record being edited, Down on the last row appends.
    // A view that selects many rows keeps its selection when the current record moves.
    void AttachView(QAbstractItemView *view);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Sets the field's text in the row's record (Qt::EditRole).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // One new record: appended when row is the row count, else inserted before that row.
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    // Deletes the records of count rows from row.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    // The dataset's current record moved to another row.
    void currentRowChanged(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TLink;
    friend class TLink;
    std::vector<TField *> VisibleFields() const;
    void Rebuild();
    void Refresh();
    void FieldsChanged();
    void RecordChanged();
    void SyncCurrent();
    void RepaintAll();
    int NewRecordRow() const;
    bool CanModify() const;
    // Shows an error through the application once the current event is done, so that a
    // message box never opens inside the view's own handling of the edit.
    void Report(const std::exception_ptr &error);

    std::unique_ptr<TLink> FLink;
    std::vector<TField *> FColumns;
    int FRows = 0;    // rows the view knows of, the new record's included
    int FNewRow = -1; // grid row of the record being inserted, -1 when none
    int FCurrent = -1;
    bool FMoving = false;
    bool FUpdating = false;
    bool FFetchFailed = false; // a packet fetch failed: no more until the dataset reopens
};

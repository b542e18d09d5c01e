#pragma once
// TDBGridModel: a Qt table model over a dataset, for grids. Each visible field is a column
// headed by its display label; each record of the dataset's view is a row showing the fields'
// display text with the field's alignment. A record being inserted shows as an extra row where
// it will go. Painting reads records by position and never moves the dataset's cursor.
//
// The current record and the grid's current row follow each other: AttachView connects a view
// so that choosing a row moves the dataset there, and moving the dataset moves the view's
// current row.

#include "DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>
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

    // The field shown in a column, or nullptr.
    TField *ColumnField(int column) const;
    // The grid row of the dataset's current record (the new record while inserting); -1 when
    // there is none.
    int CurrentRow() const;
    // Moves the dataset to the record shown in a row. Returns false when it could not move
    // (for example a pending edit that fails to post).
    bool SetCurrentRow(int row);

    // Keeps a view's current row and the dataset's current record together.
    void AttachView(QAbstractItemView *view);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The dataset's current record moved to another row.
    void currentRowChanged(int row);

private:
    class TLink;
    friend class TLink;
    void Rebuild();
    void Refresh();
    void RecordChanged();
    void SyncCurrent();
    int RowCountNow() const;

    std::unique_ptr<TLink> FLink;
    std::vector<TField *> FColumns;
    int FRows = 0;
    int FCurrent = -1;
    bool FMoving = false;
    bool FUpdating = false;
};

#include "DBGridModel.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

// Hears the dataset through its data source.
class TDBGridModel::TLink : public TDataLink {
public:
    explicit TLink(TDBGridModel *model) : FModel(model) {}

protected:
    void ActiveChanged() override { FModel->Rebuild(); }
    void LayoutChanged() override { FModel->Rebuild(); }
    void DataSetChanged() override { FModel->Refresh(); }
    void DataSetScrolled(int) override { FModel->SyncCurrent(); }
    void RecordChanged(TField *) override { FModel->RecordChanged(); }
    void EditingChanged() override { FModel->Refresh(); }

private:
    TDBGridModel *FModel;
};

TDBGridModel::TDBGridModel(QObject *parent)
    : QAbstractTableModel(parent), FLink(std::make_unique<TLink>(this)) {}

TDBGridModel::~TDBGridModel() {
    FLink->SetDataSource(nullptr);
}

TDataSource *TDBGridModel::DataSource() const {
    return FLink->DataSource();
}

void TDBGridModel::SetDataSource(TDataSource *source) {
    FLink->SetDataSource(source);
    Rebuild();
}

TDataSet *TDBGridModel::DataSet() const {
    return FLink->Active() ? FLink->DataSet() : nullptr;
}

TField *TDBGridModel::ColumnField(int column) const {
    return column >= 0 && column < static_cast<int>(FColumns.size())
               ? FColumns[static_cast<size_t>(column)]
               : nullptr;
}

int TDBGridModel::RowCountNow() const {
    TDataSet *ds = DataSet();
    if (!ds)
        return 0;
    return ds->RecordCount() + (ds->NewRecordPosition() >= 0 ? 1 : 0);
}

int TDBGridModel::CurrentRow() const {
    TDataSet *ds = DataSet();
    if (!ds)
        return -1;
    const int inserting = ds->NewRecordPosition();
    if (inserting >= 0)
        return inserting;
    return ds->IsEmpty() ? -1 : ds->CurrentPosition();
}

void TDBGridModel::Rebuild() {
    beginResetModel();
    FColumns.clear();
    if (TDataSet *ds = DataSet())
        for (const auto &f : ds->Fields())
            if (f->Visible())
                FColumns.push_back(f.get());
    FUpdating = true;
    FRows = RowCountNow();
    endResetModel();
    FUpdating = false;
    FCurrent = -2;
    SyncCurrent();
}

void TDBGridModel::Refresh() {
    TDataSet *ds = DataSet();
    if (!ds) {
        if (!FColumns.empty() || FRows != 0)
            Rebuild();
        return;
    }
    // Fields shown or hidden since the last look change the columns.
    std::vector<TField *> columns;
    for (const auto &f : ds->Fields())
        if (f->Visible())
            columns.push_back(f.get());
    if (columns != FColumns) {
        Rebuild();
        return;
    }
    const int rows = RowCountNow();
    // While rows come and go the view may pick another current row on its own; the dataset's
    // current record decides afterwards.
    FUpdating = true;
    if (rows > FRows) {
        beginInsertRows(QModelIndex(), FRows, rows - 1);
        FRows = rows;
        endInsertRows();
    } else if (rows < FRows) {
        beginRemoveRows(QModelIndex(), rows, FRows - 1);
        FRows = rows;
        endRemoveRows();
    }
    FUpdating = false;
    if (FRows > 0 && !FColumns.empty())
        Q_EMIT dataChanged(index(0, 0), index(FRows - 1, static_cast<int>(FColumns.size()) - 1));
    FCurrent = -2;
    SyncCurrent();
}

void TDBGridModel::RecordChanged() {
    const int row = CurrentRow();
    if (row >= 0 && row < FRows && !FColumns.empty())
        Q_EMIT dataChanged(index(row, 0), index(row, static_cast<int>(FColumns.size()) - 1));
}

void TDBGridModel::SyncCurrent() {
    const int row = CurrentRow();
    if (row == FCurrent)
        return;
    FCurrent = row;
    Q_EMIT currentRowChanged(row);
}

bool TDBGridModel::SetCurrentRow(int row) {
    TDataSet *ds = DataSet();
    if (!ds || row < 0 || row >= FRows || FMoving)
        return false;
    if (row == CurrentRow())
        return true;
    FMoving = true;
    try {
        // Leaving a new record posts it first; its row then holds a stored record.
        if (ds->NewRecordPosition() >= 0) {
            ds->CheckBrowseMode();
            if (row >= ds->RecordCount())
                row = ds->RecordCount() - 1;
        }
        if (row >= 0)
            ds->SetRecNo(row + 1);
    } catch (const Exception &) {
        FMoving = false;
        SyncCurrent();
        return false;
    }
    FMoving = false;
    SyncCurrent();
    return CurrentRow() == row;
}

void TDBGridModel::AttachView(QAbstractItemView *view) {
    view->setModel(this);
    QPointer<QAbstractItemView> guard(view);
    const auto follow = [this, guard](int row) {
        if (!guard || !guard->selectionModel())
            return;
        const QModelIndex current = guard->currentIndex();
        if (row < 0) {
            guard->selectionModel()->clearCurrentIndex();
            return;
        }
        if (current.isValid() && current.row() == row)
            return;
        const int column = current.isValid() ? current.column() : 0;
        guard->selectionModel()->setCurrentIndex(
            index(row, column), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    };
    connect(this, &TDBGridModel::currentRowChanged, view, follow);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, follow](const QModelIndex &current) {
                if (FUpdating || !current.isValid() || current.row() == CurrentRow())
                    return;
                // The dataset refuses to move (a failing post): the view goes back.
                if (!SetCurrentRow(current.row()))
                    follow(CurrentRow());
            });
    follow(CurrentRow());
}

int TDBGridModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TDBGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QVariant TDBGridModel::data(const QModelIndex &index, int role) const {
    TDataSet *ds = DataSet();
    TField *field = ColumnField(index.column());
    if (!ds || !field || index.row() < 0 || index.row() >= FRows)
        return QVariant();
    if (role == Qt::TextAlignmentRole) {
        switch (field->Alignment()) {
        case taRightJustify:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        case taCenter:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        default:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    int position = index.row();
    const int inserting = ds->NewRecordPosition();
    try {
        if (inserting >= 0) {
            if (position == inserting)
                return field->DisplayText();
            if (position > inserting)
                --position;
        }
        return ds->DisplayTextAt(position, field);
    } catch (const Exception &) {
        // A failing OnGetText or calculation shows nothing rather than ending the paint.
        return QVariant();
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    TField *field = ColumnField(section);
    return field ? QVariant(field->DisplayLabel()) : QVariant();
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

#include "DBGridModel.h"

#include "Application.h"
#include "ClientDataSet.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>

// Hears the dataset through its data source.
class TDBGridModel::TLink : public TDataLink {
public:
    explicit TLink(TDBGridModel *model) : FModel(model) {}

protected:
    void ActiveChanged() override { FModel->Rebuild(); }
    void LayoutChanged() override { FModel->FieldsChanged(); }
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

bool TDBGridModel::ReadOnly() const {
    return FLink->ReadOnly();
}

void TDBGridModel::SetReadOnly(bool readOnly) {
    if (readOnly == FLink->ReadOnly())
        return;
    FLink->SetReadOnly(readOnly);
    RepaintAll();
}

TField *TDBGridModel::ColumnField(int column) const {
    return column >= 0 && column < static_cast<int>(FColumns.size())
               ? FColumns[static_cast<size_t>(column)]
               : nullptr;
}

bool TDBGridModel::CanModify() const {
    return DataSet() && !FLink->ReadOnly();
}

bool TDBGridModel::CanEditColumn(int column) const {
    TField *field = ColumnField(column);
    if (!CanModify() || !field || !field->IsData() || field->ReadOnly() || field->FieldNo() < 0)
        return false;
    switch (field->DataType()) {
    case ftBlob:
    case ftGraphic:
    case ftDataSet:
        return false;
    default:
        break;
    }
    const TDataSet *ds = DataSet();
    return ds->IsEditing() || DataSource()->AutoEdit();
}

std::vector<TField *> TDBGridModel::VisibleFields() const {
    std::vector<TField *> columns;
    if (TDataSet *ds = DataSet())
        for (const auto &f : ds->Fields())
            if (f->Visible())
                columns.push_back(f.get());
    return columns;
}

int TDBGridModel::NewRecordRow() const {
    TDataSet *ds = DataSet();
    return ds ? ds->NewRecordPosition() : -1;
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

TBookmark TDBGridModel::RowBookmark(int row) const {
    TDataSet *ds = DataSet();
    if (!ds || row == FNewRow)
        return -1;
    return ds->BookmarkAt(FNewRow >= 0 && row > FNewRow ? row - 1 : row);
}

void TDBGridModel::Report(const std::exception_ptr &error) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        Application()->HandleException(error);
        return;
    }
    QMetaObject::invokeMethod(
        app, [error] { Application()->HandleException(error); }, Qt::QueuedConnection);
}

// ---- following the dataset -----------------------------------------------------------------

void TDBGridModel::Rebuild() {
    beginResetModel();
    FColumns = VisibleFields();
    FUpdating = true;
    TDataSet *ds = DataSet();
    FNewRow = NewRecordRow();
    FRows = ds ? ds->RecordCount() + (FNewRow >= 0 ? 1 : 0) : 0;
    FFetchFailed = false;
    endResetModel();
    FUpdating = false;
    FCurrent = -2;
    SyncCurrent();
}

void TDBGridModel::RepaintAll() {
    if (FRows > 0 && !FColumns.empty())
        Q_EMIT dataChanged(index(0, 0), index(FRows - 1, static_cast<int>(FColumns.size()) - 1));
}

void TDBGridModel::FieldsChanged() {
    const std::vector<TField *> columns = VisibleFields();
    if (columns != FColumns) {
        // One field shown or hidden (the usual work of a field check-list): the other columns
        // keep their place, width and the view's current cell. Anything else starts afresh.
        const bool shown = columns.size() == FColumns.size() + 1;
        const bool hidden = columns.size() + 1 == FColumns.size();
        if (!shown && !hidden) {
            Rebuild();
            return;
        }
        const std::vector<TField *> &longer = shown ? columns : FColumns;
        const std::vector<TField *> &shorter = shown ? FColumns : columns;
        size_t at = 0;
        while (at < shorter.size() && shorter[at] == longer[at])
            ++at;
        if (!std::equal(shorter.begin() + static_cast<std::ptrdiff_t>(at), shorter.end(),
                        longer.begin() + static_cast<std::ptrdiff_t>(at) + 1)) {
            Rebuild();
            return;
        }
        const int column = static_cast<int>(at);
        FUpdating = true;
        if (shown) {
            beginInsertColumns(QModelIndex(), column, column);
            FColumns = columns;
            endInsertColumns();
        } else {
            beginRemoveColumns(QModelIndex(), column, column);
            FColumns = columns;
            endRemoveColumns();
        }
        FUpdating = false;
    }
    // Labels, alignment, formats and whether a field can be edited may have changed.
    if (!FColumns.empty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, static_cast<int>(FColumns.size()) - 1);
    RepaintAll();
}

void TDBGridModel::Refresh() {
    TDataSet *ds = DataSet();
    if (!ds) {
        if (!FColumns.empty() || FRows != 0)
            Rebuild();
        return;
    }
    if (VisibleFields() != FColumns)
        FieldsChanged();
    const int records = ds->RecordCount();
    const int newRow = ds->NewRecordPosition();
    const int rows = records + (newRow >= 0 ? 1 : 0);
    const int oldRecords = FRows - (FNewRow >= 0 ? 1 : 0);
    // While rows come and go the view may pick another current row on its own; the dataset's
    // current record decides afterwards. Rows added at the end (a packet fetched) leave the
    // view's current row where it is, also when the view is on its way to another row.
    bool viewMayHaveMoved = false;
    FUpdating = true;
    if (records == oldRecords && newRow != FNewRow) {
        // The same records, and a new record appeared, went (cancelled) or moved: its row
        // comes or goes where it shows.
        if (FNewRow >= 0) {
            beginRemoveRows(QModelIndex(), FNewRow, FNewRow);
            --FRows;
            FNewRow = -1;
            endRemoveRows();
            viewMayHaveMoved = true;
        }
        if (newRow >= 0) {
            beginInsertRows(QModelIndex(), newRow, newRow);
            ++FRows;
            FNewRow = newRow;
            endInsertRows();
            viewMayHaveMoved = viewMayHaveMoved || newRow < FRows - 1;
        }
    } else {
        FNewRow = newRow;
        if (rows > FRows) {
            beginInsertRows(QModelIndex(), FRows, rows - 1);
            FRows = rows;
            endInsertRows();
        } else if (rows < FRows) {
            beginRemoveRows(QModelIndex(), rows, FRows - 1);
            FRows = rows;
            endRemoveRows();
            viewMayHaveMoved = true;
        }
    }
    FUpdating = false;
    RepaintAll();
    if (viewMayHaveMoved)
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

// ---- moving and editing --------------------------------------------------------------------

bool TDBGridModel::SetCurrentRow(int row) {
    TDataSet *ds = DataSet();
    if (!ds || row < 0 || row >= FRows || FMoving)
        return false;
    if (row == CurrentRow())
        return true;
    FMoving = true;
    bool moved = false;
    try {
        if (ds->IsEditing()) {
            // The record left is posted (or, untouched, cancelled) first. That may move rows:
            // a new record arrives or goes, an edited one sorts elsewhere. The record chosen
            // is then found again by its bookmark.
            const TBookmark target = RowBookmark(row);
            ds->CheckBrowseMode();
            if (target >= 0 && ds->BookmarkValid(target))
                ds->GotoBookmark(target);
        } else {
            ds->SetRecNo(row + 1);
        }
        moved = true;
    } catch (...) {
        Report(std::current_exception());
    }
    FMoving = false;
    SyncCurrent();
    return moved;
}

bool TDBGridModel::PostRecord() {
    TDataSet *ds = DataSet();
    if (!ds || !ds->IsEditing())
        return true;
    try {
        ds->CheckBrowseMode();
    } catch (...) {
        Report(std::current_exception());
        return false;
    }
    return true;
}

void TDBGridModel::CancelRecord() {
    TDataSet *ds = DataSet();
    if (!ds || !ds->IsEditing())
        return;
    try {
        ds->Cancel();
    } catch (...) {
        Report(std::current_exception());
    }
}

bool TDBGridModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= FRows ||
        !CanEditColumn(index.column()))
        return false;
    TDataSet *ds = DataSet();
    TField *field = ColumnField(index.column());
    if (index.row() != CurrentRow()) {
        // The cell's record becomes the current one; posting the record left may move rows.
        const TBookmark target = RowBookmark(index.row());
        if (target < 0 || !SetCurrentRow(index.row()) || ds->GetBookmark() != target)
            return false;
    }
    const QString text = value.toString();
    bool started = false;
    try {
        // A cell editor closed without a change leaves the record as it was.
        if (field->Text() == text)
            return true;
        if (!ds->IsEditing()) {
            FLink->Edit();
            if (!ds->IsEditing())
                return false;
            started = true;
        }
        field->SetText(text);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        // An edit begun only for this cell ends with it: the record is as it was.
        if (started && ds->IsEditing() && !ds->Modified()) {
            try {
                ds->Cancel();
            } catch (...) {
            }
        }
        Report(error);
        return false;
    }
    return true;
}

bool TDBGridModel::insertRows(int row, int count, const QModelIndex &parent) {
    TDataSet *ds = DataSet();
    if (parent.isValid() || count != 1 || row < 0 || row > FRows || !CanModify())
        return false;
    try {
        if (row == FRows) {
            ds->Append();
        } else {
            if (!SetCurrentRow(row))
                return false;
            ds->Insert();
        }
    } catch (...) {
        Report(std::current_exception());
        return false;
    }
    return ds->State() == dsInsert;
}

bool TDBGridModel::removeRows(int row, int count, const QModelIndex &parent) {
    TDataSet *ds = DataSet();
    if (parent.isValid() || count < 1 || row < 0 || row + count > FRows || !CanModify())
        return false;
    if (!SetCurrentRow(row))
        return false;
    bool done = true;
    ds->DisableControls();
    try {
        for (int i = 0; i < count && !ds->IsEmpty(); ++i)
            ds->Delete();
    } catch (...) {
        done = false;
        Report(std::current_exception());
    }
    ds->EnableControls();
    return done;
}

// ---- fetching on demand --------------------------------------------------------------------

bool TDBGridModel::canFetchMore(const QModelIndex &parent) const {
    const auto *cds = qobject_cast<const TClientDataSet *>(DataSet());
    // Fetching posts a pending edit first, so nothing is fetched while a record is edited.
    return !parent.isValid() && cds && !FFetchFailed && !cds->IsEditing() &&
           !cds->ControlsDisabled() && cds->FetchOnDemand() && cds->PacketRecords() > 0 &&
           !cds->FetchedAll() && !cds->ProviderName().isEmpty();
}

void TDBGridModel::fetchMore(const QModelIndex &parent) {
    if (!canFetchMore(parent))
        return;
    auto *cds = qobject_cast<TClientDataSet *>(DataSet());
    try {
        // The records arrive behind those held; the cursor stays on its record.
        if (cds->GetNextPacket() == 0 && !cds->FetchedAll())
            FFetchFailed = true;
    } catch (...) {
        // One message, not one per scroll: fetching starts again when the dataset reopens.
        FFetchFailed = true;
        Report(std::current_exception());
    }
}

// ---- the view ------------------------------------------------------------------------------

void TDBGridModel::AttachView(QAbstractItemView *view) {
    view->setModel(this);
    view->installEventFilter(this);
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
        const bool many = guard->selectionMode() == QAbstractItemView::ExtendedSelection ||
                          guard->selectionMode() == QAbstractItemView::MultiSelection;
        guard->selectionModel()->setCurrentIndex(index(row, column),
                                                 many ? QItemSelectionModel::NoUpdate
                                                      : QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
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

bool TDBGridModel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QAbstractTableModel::eventFilter(watched, event);
    auto *view = qobject_cast<QAbstractItemView *>(watched);
    TDataSet *ds = DataSet();
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!view || view->model() != this || !ds || view->indexWidget(view->currentIndex()) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        if (!ds->IsEditing())
            return false;
        CancelRecord();
        return true;
    case Qt::Key_Down: {
        if (view->currentIndex().row() != FRows - 1)
            return false;
        // More records on the server come first; the view then moves down on its own.
        if (canFetchMore(QModelIndex())) {
            fetchMore(QModelIndex());
            return false;
        }
        if (!CanModify() || !DataSource()->AutoEdit())
            return false;
        // An untouched new record at the end stays the only one.
        if (!(ds->State() == dsInsert && !ds->Modified()))
            insertRows(FRows, 1);
        return true;
    }
    default:
        return false;
    }
}

// ---- model ---------------------------------------------------------------------------------

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
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const bool display = role == Qt::DisplayRole;
    int position = index.row();
    try {
        if (FNewRow >= 0) {
            if (position == FNewRow)
                return display ? field->DisplayText() : field->Text();
            if (position > FNewRow)
                --position;
        }
        return display ? ds->DisplayTextAt(position, field) : ds->TextAt(position, field);
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
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (CanEditColumn(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

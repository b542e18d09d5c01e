#include "uReconcileError.h"

#include "Application.h"
#include "Exceptions.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString Unchanged = QStringLiteral("<未更動>");
const QString NoRecord = QStringLiteral("<無此記錄>");
const QString BinaryText = QStringLiteral("(Binary)");
const QString OriginalHeader = QStringLiteral("原始資料");

QString UpdateKindText(TUpdateKind kind) {
    switch (kind) {
    case ukModify:
        return QStringLiteral("修改");
    case ukInsert:
        return QStringLiteral("新增");
    case ukDelete:
        return QStringLiteral("刪除");
    }
    return QString();
}

QString ActionText(TReconcileAction action) {
    switch (action) {
    case raSkip:
        return QStringLiteral("不處理(不建議)");
    case raAbort:
        return QStringLiteral("忽略");
    case raMerge:
        return QStringLiteral("合併");
    case raCorrect:
        return QStringLiteral("修正(建議)");
    case raCancel:
        return QStringLiteral("取消");
    case raRefresh:
        return QStringLiteral("更新");
    }
    return QString();
}

// Field types whose values are bytes rather than text.
bool IsBinaryType(TFieldType type) {
    return type == ftBlob || type == ftGraphic || type == ftDataSet;
}

QString FieldValueText(const TField *field, const Variant &value) {
    if (value.IsEmpty())
        return Unchanged;
    if (IsBinaryType(field->DataType()))
        return BinaryText;
    try {
        return VarToStr(value);
    } catch (...) {
        return ExceptionMessage(std::current_exception());
    }
}

// The server sends its whole record back; a value conflicts where it differs from what the
// client's change was based on (the original value; for an insertion, the value inserted).
QString ConflictText(const TField *field, TUpdateKind kind) {
    const Variant current = field->CurValue();
    if (current.IsEmpty())
        return Unchanged;
    const Variant base = kind == ukInsert ? field->NewValue() : field->OldValue();
    if (!base.IsEmpty() && current == base)
        return Unchanged;
    return FieldValueText(field, current);
}

// The handler TReconcileError installs; recognisable as that component's by its type.
struct TReconcileHandler {
    QPointer<TReconcileError> Component;
    void operator()(TClientDataSet *dataSet, const EReconcileError &error, TUpdateKind kind,
                    TReconcileAction &action) const {
        if (Component)
            Component->Execute(dataSet, error, kind, action);
        else
            action = HandleReconcileError(dataSet, kind, error);
    }
};

constexpr int FirstColumnWidth = 120;

} // namespace

// Cell editing of the grid, keeping track of the open editor so that the dialog can take its
// text before it refills the grid or closes.
class TReconcileCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        FEditor = editor;
        return editor;
    }
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override {
        if (FEditor == editor)
            FEditor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    bool Editing() const { return !FEditor.isNull(); }
    // Takes the text of the open editor, if any, into its cell and closes the editor.
    void CommitEdit() {
        if (QWidget *editor = FEditor) {
            FEditor = nullptr;
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

private:
    mutable QPointer<QWidget> FEditor;
};

// ---- the dialog ----------------------------------------------------------------------------

TReconcileErrorForm::TReconcileErrorForm(TDataSet *dataSet, TUpdateKind updateKind,
                                         const EReconcileError &error)
    : TForm(nullptr), FDataSet(dataSet) {
    BuildControls();
    InitDataFields(updateKind);
    InitUpdateData(updateKind);
    SetCaption(QStringLiteral("後端資料庫寫入失敗修正系統(修正: %1)").arg(dataSet->Name()));
    UpdateType->setText(UpdateKindText(updateKind));
    ErrorMsg->setPlainText(error.Message());
    InitReconcileActions();

    connect(FActionButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            DisplayFieldValues();
    });
    connect(ConflictsOnly, &QCheckBox::toggled, this, [this] { DisplayFieldValues(); });
    connect(ChangedOnly, &QCheckBox::toggled, this, [this] { DisplayFieldValues(); });
    connect(UpdateData, &QTableWidget::itemChanged, this, &TReconcileErrorForm::CellEdited);
    connect(OKBtn, &QPushButton::clicked, this, &TReconcileErrorForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TReconcileErrorForm::CancelBtnClick);
    UpdateData->viewport()->installEventFilter(this);
}

TReconcileErrorForm::~TReconcileErrorForm() = default;

void TReconcileErrorForm::BuildControls() {
    setObjectName(QStringLiteral("ReconcileErrorForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    SetCaption(QStringLiteral("資料寫入失敗,錯誤更正處理"));

    IconImage = new QLabel(this);
    IconImage->setObjectName(QStringLiteral("IconImage"));
    IconImage->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    UpdateType = new QLabel(this);
    UpdateType->setObjectName(QStringLiteral("UpdateType"));
    ErrorMsg = new QPlainTextEdit(this);
    ErrorMsg->setObjectName(QStringLiteral("ErrorMsg"));
    ErrorMsg->setReadOnly(true);
    ErrorMsg->setFixedHeight(ErrorMsg->fontMetrics().lineSpacing() * 3 + 12);
    auto *info = new QGridLayout;
    info->addWidget(IconImage, 0, 0, 2, 1, Qt::AlignTop);
    info->addWidget(new QLabel(QStringLiteral("寫入模式"), this), 0, 1);
    info->addWidget(UpdateType, 0, 2);
    info->addWidget(new QLabel(QStringLiteral("錯誤訊息:"), this), 1, 1, Qt::AlignTop);
    info->addWidget(ErrorMsg, 1, 2);
    info->setColumnStretch(2, 1);

    ActionGroup = new QGroupBox(QStringLiteral("修正動作"), this);
    ActionGroup->setObjectName(QStringLiteral("ActionGroup"));
    new QGridLayout(ActionGroup);
    FActionButtons = new QButtonGroup(this);
    FActionButtons->setExclusive(true);
    OKBtn = new QPushButton(QStringLiteral("確定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("取消"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(true); // Enter on the focused button presses it
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addWidget(ActionGroup, 1);
    middle->addLayout(buttons);

    UpdateDataGroup = new QGroupBox(QStringLiteral("檢視網路傳回資料封包"), this);
    UpdateDataGroup->setObjectName(QStringLiteral("UpdateDataGroup"));
    UpdateData = new QTableWidget(UpdateDataGroup);
    UpdateData->setObjectName(QStringLiteral("UpdateData"));
    UpdateData->verticalHeader()->hide();
    UpdateData->horizontalHeader()->setStretchLastSection(false);
    UpdateData->horizontalHeader()->setSectionsMovable(false);
    UpdateData->setSelectionMode(QAbstractItemView::SingleSelection);
    UpdateData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FCellDelegate = new TReconcileCellDelegate(UpdateData);
    UpdateData->setItemDelegate(FCellDelegate);
    UpdateData->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    ConflictsOnly =
        new QCheckBox(QStringLiteral("只顯示與後端資料庫相衝突之欄位"), UpdateDataGroup);
    ConflictsOnly->setObjectName(QStringLiteral("ConflictsOnly"));
    ChangedOnly = new QCheckBox(QStringLiteral("只顯示改變之欄位"), UpdateDataGroup);
    ChangedOnly->setObjectName(QStringLiteral("ChangedOnly"));
    auto *checks = new QHBoxLayout;
    checks->addWidget(ConflictsOnly);
    checks->addWidget(ChangedOnly);
    checks->addStretch();
    auto *data = new QVBoxLayout(UpdateDataGroup);
    data->addWidget(UpdateData, 1);
    data->addLayout(checks);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(info);
    layout->addLayout(middle);
    layout->addWidget(UpdateDataGroup, 1);

    setFixedSize(560, 480);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TReconcileErrorForm::InitDataFields(TUpdateKind updateKind) {
    for (const auto &owned : FDataSet->Fields()) {
        TField *field = owned.get();
        if (!field->IsData())
            continue; // calculated and lookup fields were never sent
        TReconcileField record;
        record.Field = field;
        if (updateKind != ukDelete)
            record.NewValue = FieldValueText(field, field->NewValue());
        if (updateKind != ukInsert)
            record.OldValue = FieldValueText(field, field->OldValue());
        record.CurValue = ConflictText(field, updateKind);
        FFields.push_back(std::move(record));
    }
}

void TReconcileErrorForm::InitUpdateData(TUpdateKind updateKind) {
    QStringList headers{QStringLiteral("欄位名稱")};
    if (updateKind == ukDelete) {
        FOldColIdx = 1;
        headers << OriginalHeader;
    } else {
        FNewColIdx = 1;
        headers << UpdateKindText(updateKind) + QStringLiteral(" 值");
    }
    const bool conflicts = std::any_of(FFields.begin(), FFields.end(), [](const auto &record) {
        return record.CurValue != Unchanged;
    });
    if (conflicts) {
        FCurColIdx = static_cast<int>(headers.size());
        headers << QStringLiteral("有衝突的資料");
    }
    if (updateKind == ukModify) {
        FOldColIdx = static_cast<int>(headers.size());
        headers << OriginalHeader;
    }
    UpdateData->setColumnCount(static_cast<int>(headers.size()));
    UpdateData->setHorizontalHeaderLabels(headers);
    UpdateData->setColumnWidth(0, FirstColumnWidth);
    QHeaderView *rows = UpdateData->verticalHeader();
    rows->setMinimumSectionSize(0);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(
        UpdateData->fontMetrics().size(Qt::TextSingleLine, QStringLiteral("SWgjp")).height() + 7);

    ConflictsOnly->setEnabled(FCurColIdx >= 0);
    ConflictsOnly->setChecked(FCurColIdx >= 0);
    ChangedOnly->setEnabled(FNewColIdx >= 0);
}

void TReconcileErrorForm::InitReconcileActions() {
    FActions = {raSkip, raCancel, raCorrect};
    if (FCurColIdx >= 0) {
        FActions.push_back(raRefresh);
        FActions.push_back(raMerge);
    }
    auto *grid = static_cast<QGridLayout *>(ActionGroup->layout());
    for (size_t i = 0; i < FActions.size(); ++i) {
        auto *button = new QRadioButton(ActionText(FActions[i]), ActionGroup);
        button->setObjectName(QStringLiteral("Action%1").arg(i));
        grid->addWidget(button, static_cast<int>(i) % 3, static_cast<int>(i) / 3);
        FActionButtons->addButton(button, static_cast<int>(i));
    }
    FActionButtons->button(2)->setChecked(true);
}

QRadioButton *TReconcileErrorForm::ActionButton(int index) const {
    return qobject_cast<QRadioButton *>(FActionButtons->button(index));
}

int TReconcileErrorForm::ItemIndex() const {
    return FActionButtons->checkedId();
}

void TReconcileErrorForm::SetItemIndex(int index) {
    if (QAbstractButton *button = FActionButtons->button(index))
        button->setChecked(true);
}

TReconcileAction TReconcileErrorForm::Action() const {
    const int index = ItemIndex();
    // No item selected takes nothing from the change log.
    return index < 0 ? raAbort : FActions[static_cast<size_t>(index)];
}

bool TReconcileErrorForm::IsEditing() const {
    return FCellDelegate->Editing();
}

int TReconcileErrorForm::FieldIndexOfRow(int row) const {
    return row >= 0 && row < static_cast<int>(FRowFields.size())
               ? FRowFields[static_cast<size_t>(row)]
               : -1;
}

void TReconcileErrorForm::SetCell(int row, int column, const QString &text, bool editable) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                            : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    UpdateData->setItem(row, column, item);
}

void TReconcileErrorForm::DisplayFieldValues() {
    // A value still being typed belongs to the grid as it was.
    FCellDelegate->CommitEdit();
    const TReconcileAction action = Action();
    FFilling = true;
    FRowFields.clear();
    UpdateData->setRowCount(1);
    SetCell(0, 0, NoRecord, false);
    for (int c = 1; c < UpdateData->columnCount(); ++c)
        SetCell(0, c, QString(), false);
    int row = 0;
    for (size_t i = 0; i < FFields.size(); ++i) {
        const TReconcileField &record = FFields[i];
        if ((ConflictsOnly->isChecked() && record.CurValue == Unchanged) ||
            (ChangedOnly->isChecked() && record.NewValue == Unchanged))
            continue;
        if (row >= UpdateData->rowCount())
            UpdateData->setRowCount(row + 1);
        SetCell(row, 0, record.Field->DisplayLabel(), false);
        if (FNewColIdx >= 0) {
            QString text = record.NewValue;
            if (action == raCorrect && record.Modified)
                text = record.EditValue;
            else if (action == raCancel || action == raRefresh)
                text = Unchanged;
            SetCell(row, FNewColIdx, text, action == raCorrect);
        }
        if (FCurColIdx >= 0)
            SetCell(row, FCurColIdx, record.CurValue, false);
        if (FOldColIdx >= 0) {
            const bool server = (action == raMerge || action == raRefresh) &&
                                !record.CurValue.isEmpty() && record.CurValue != Unchanged;
            SetCell(row, FOldColIdx, server ? record.CurValue : record.OldValue, false);
        }
        FRowFields.push_back(static_cast<int>(i));
        ++row;
    }
    FFilling = false;
    SetFieldColumnWidths();
}

void TReconcileErrorForm::SetFieldColumnWidths() {
    const int others = UpdateData->columnCount() - 1;
    if (others <= 0)
        return;
    const int width = (UpdateData->viewport()->width() - UpdateData->columnWidth(0)) / others - 1;
    for (int c = 1; c <= others; ++c)
        UpdateData->setColumnWidth(c, std::max(width, 1));
}

void TReconcileErrorForm::CellEdited(QTableWidgetItem *item) {
    // Only cells filled while correcting are editable; an edit committed after the user chose
    // another action still belongs to the correction.
    if (FFilling || FNewColIdx < 0 || item->column() != FNewColIdx ||
        !(item->flags() & Qt::ItemIsEditable))
        return;
    const int index = FieldIndexOfRow(item->row());
    if (index < 0)
        return;
    TReconcileField &record = FFields[static_cast<size_t>(index)];
    record.EditValue = item->text();
    record.Modified = true;
}

bool TReconcileErrorForm::WriteCorrections() {
    for (size_t i = 0; i < FFields.size(); ++i) {
        const TReconcileField &record = FFields[i];
        if (!record.Modified)
            continue;
        TField *field = record.Field;
        try {
            // A cleared cell clears a value that is not text.
            const Variant text = record.EditValue.isEmpty() && !IsStringType(field->DataType())
                                     ? Variant::Null()
                                     : Variant(record.EditValue);
            const Variant value = field->Coerce(text);
            field->Validate(value);
            field->SetNewValue(value);
        } catch (...) {
            const auto shown = std::find(FRowFields.begin(), FRowFields.end(), int(i));
            if (shown != FRowFields.end())
                UpdateData->setCurrentCell(static_cast<int>(shown - FRowFields.begin()),
                                           FNewColIdx);
            ShowMessage(
                QStringLiteral("「%1」的修正值無法寫入: %2")
                    .arg(field->DisplayLabel(), ExceptionMessage(std::current_exception())));
            return false;
        }
    }
    return true;
}

void TReconcileErrorForm::OKBtnClick() {
    FCellDelegate->CommitEdit();
    if (Action() == raCorrect && !WriteCorrections())
        return;
    FAccepted = true;
    close();
}

void TReconcileErrorForm::CancelBtnClick() {
    FAccepted = false;
    close();
}

bool TReconcileErrorForm::ShowModal() {
    if (FModalLoop)
        return false;
    FAccepted = false;
    setWindowModality(Qt::ApplicationModal);
    Show();
    activateWindow();
    QPointer<TReconcileErrorForm> self(this);
    QEventLoop loop;
    FModalLoop = &loop;
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    if (!self)
        return false;
    FModalLoop = nullptr;
    hide();
    return FAccepted;
}

void TReconcileErrorForm::showEvent(QShowEvent *event) {
    TForm::showEvent(event);
    DisplayFieldValues();
}

void TReconcileErrorForm::hideEvent(QHideEvent *event) {
    TForm::hideEvent(event);
    if (FModalLoop)
        FModalLoop->quit();
}

void TReconcileErrorForm::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        CancelBtnClick();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OKBtnClick();
        break;
    default:
        TForm::keyPressEvent(event);
    }
}

bool TReconcileErrorForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == UpdateData->viewport() && event->type() == QEvent::Resize)
        SetFieldColumnWidths();
    return TForm::eventFilter(watched, event);
}

TReconcileAction HandleReconcileError(TDataSet *dataSet, TUpdateKind updateKind,
                                      const EReconcileError &reconcileError) {
    if (!dataSet)
        DatabaseError(QStringLiteral("No dataset to reconcile"));
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        DatabaseError(QStringLiteral("Refused row of '%1': %2 (no screen to ask on)")
                          .arg(dataSet->Name(), reconcileError.Message()));
    TReconcileErrorForm form(dataSet, updateKind, reconcileError);
    FinishLoading(&form);
    if (!form.ShowModal())
        return raAbort;
    return form.Action();
}

// ---- the component -------------------------------------------------------------------------

TReconcileError::TReconcileError(QObject *owner) : TComponent(owner) {}

void TReconcileError::SetAutoActive(bool value) {
    FAutoActive = value;
    if (IsLoading())
        return;
    if (value)
        Install();
    else
        Uninstall();
}

void TReconcileError::Loaded() {
    TComponent::Loaded();
    if (FAutoActive)
        Install();
}

void TReconcileError::Execute(TClientDataSet *dataSet, const EReconcileError &e,
                              TUpdateKind updateKind, TReconcileAction &action) {
    action = HandleReconcileError(dataSet, updateKind, e);
}

bool TReconcileError::IsHandlerOf(const TClientDataSet *dataSet) const {
    const auto *handler = dataSet->OnReconcileError.target<TReconcileHandler>();
    return handler && handler->Component.data() == this;
}

QList<TClientDataSet *> TReconcileError::OwnerDataSets() const {
    QList<TClientDataSet *> dataSets;
    if (QObject *owner = parent())
        for (QObject *child : owner->children())
            if (auto *dataSet = dynamic_cast<TClientDataSet *>(child))
                dataSets << dataSet;
    return dataSets;
}

void TReconcileError::Install() {
    for (TClientDataSet *dataSet : OwnerDataSets())
        dataSet->OnReconcileError = TReconcileHandler{this};
}

void TReconcileError::Uninstall() {
    for (TClientDataSet *dataSet : OwnerDataSets())
        if (IsHandlerOf(dataSet))
            dataSet->OnReconcileError = nullptr;
}

#include "DBSpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <climits>

namespace {

// Input methods of Chinese, Japanese and Korean compose text in the edit before any key
// reaches it, so such a locale makes the edit writable as soon as it is entered.
bool IsFarEastLocale() {
    const QLocale::Language language = QLocale::system().language();
    return language == QLocale::Chinese || language == QLocale::Japanese ||
           language == QLocale::Korean;
}

bool IsIntegerField(const TField *field) {
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return true;
    default:
        return false;
    }
}

int ToIntRange(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

// The field's own limit: its MinValue or MaxValue, else the range of its type.
int OwnLimit(const TField *field, bool maximum) {
    const Variant &limit = maximum ? field->MaxValue() : field->MinValue();
    if (!limit.IsEmptyOrNull())
        return ToIntRange(limit.ToInt64());
    switch (field->DataType()) {
    case ftSmallint:
        return maximum ? 32767 : -32768;
    case ftWord:
        return maximum ? 65535 : 0;
    default:
        return maximum ? INT_MAX : INT_MIN;
    }
}

} // namespace

TDBSpinEdit::TDBSpinEdit(QWidget *parent) : QSpinBox(parent) {
    if (OwnerIsLoading(parent))
        SetLoading(true);
    // The spin box itself accepts any integer; the limits are applied by CheckValue, so that a
    // stored value outside them can be shown.
    setRange(INT_MIN, INT_MAX);
    setReadOnly(true);
    FDataLink.OnDataChange = [this] { DataChange(); };
    FDataLink.OnEditingChange = [this] { EditingChange(); };
    FDataLink.OnUpdateData = [this] { UpdateData(); };
    FMaxDataLink.OnDataChange = [this] { LimitsChange(); };
    FMinDataLink.OnDataChange = [this] { LimitsChange(); };
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { FDataLink.Modified(); });
    DataChange();
}

TDBSpinEdit::~TDBSpinEdit() {
    Destroying();
    for (TFieldDataLink *link : {&FDataLink, &FMaxDataLink, &FMinDataLink}) {
        link->OnDataChange = nullptr;
        link->OnEditingChange = nullptr;
        link->OnUpdateData = nullptr;
        link->SetDataSource(nullptr);
    }
}

void TDBSpinEdit::AttachSource(TFieldDataLink &link, TDataSource *source) {
    if (link.DataSource() == source)
        return;
    // Leaving one open dataset for another passes through "inactive", so that the field is
    // looked up in the new one.
    link.SetDataSource(nullptr);
    link.SetDataSource(source);
    if (source)
        FreeNotification(source);
}

void TDBSpinEdit::SetDataSource(TDataSource *source) {
    AttachSource(FDataLink, source);
    DataChange();
}

void TDBSpinEdit::SetMaxDataSource(TDataSource *source) {
    AttachSource(FMaxDataLink, source);
    LimitsChange();
}

void TDBSpinEdit::SetMinDataSource(TDataSource *source) {
    AttachSource(FMinDataLink, source);
    LimitsChange();
}

void TDBSpinEdit::Notification(TComponentBase *component, TOperation operation) {
    TComponentBase::Notification(component, operation);
    if (operation != TOperation::opRemove || !component)
        return;
    if (component == static_cast<TComponentBase *>(DataSource()))
        SetDataSource(nullptr);
    if (component == static_cast<TComponentBase *>(MaxDataSource()))
        SetMaxDataSource(nullptr);
    if (component == static_cast<TComponentBase *>(MinDataSource()))
        SetMinDataSource(nullptr);
}

void TDBSpinEdit::SetMinValue(int value) {
    FMinValue = value;
}

void TDBSpinEdit::SetMaxValue(int value) {
    FMaxValue = value;
}

int TDBSpinEdit::CheckValue(int value) const {
    if (FMaxValue == FMinValue)
        return value;
    if (value < FMinValue)
        return FMinValue;
    if (value > FMaxValue)
        return FMaxValue;
    return value;
}

void TDBSpinEdit::LimitsChange() {
    if (IsDestroying())
        return;
    TField *field = Field();
    const bool ownLimits = field && IsIntegerField(field);
    if (TField *maximum = FMaxDataLink.Field())
        FMaxValue = maximum->AsInteger();
    else if (ownLimits)
        FMaxValue = OwnLimit(field, true);
    if (TField *minimum = FMinDataLink.Field())
        FMinValue = minimum->AsInteger();
    else if (ownLimits)
        FMinValue = OwnLimit(field, false);
}

void TDBSpinEdit::DataChange() {
    if (IsDestroying())
        return;
    LimitsChange();
    // The record's value is shown as it is, inside the limits or not.
    TField *field = Field();
    setValue(field ? field->AsInteger() : FMinValue);
}

void TDBSpinEdit::EditingChange() {
    if (!IsDestroying())
        setReadOnly(!FDataLink.Editing());
}

void TDBSpinEdit::UpdateData() {
    TField *field = Field();
    if (!field)
        return;
    FDataLink.Edit();
    field->SetAsInteger(CheckValue(value()));
}

void TDBSpinEdit::stepBy(int steps) {
    if (FDataLink.CanModify())
        FDataLink.Edit();
    if (isReadOnly())
        return;
    const qint64 target = static_cast<qint64>(value()) + static_cast<qint64>(steps) * singleStep();
    setValue(CheckValue(ToIntRange(target)));
    FDataLink.Modified();
}

void TDBSpinEdit::keyPressEvent(QKeyEvent *event) {
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text[0].isPrint();
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (FDataLink.CanModify())
            FDataLink.Edit();
        break;
    default:
        if ((printable || event->matches(QKeySequence::Paste) ||
             event->matches(QKeySequence::Cut)) &&
            FDataLink.CanModify())
            FDataLink.Edit();
        break;
    }
    QSpinBox::keyPressEvent(event);
}

void TDBSpinEdit::mousePressEvent(QMouseEvent *event) {
    // A click on the arrows starts editing, as stepping with the keys does.
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QStyle::SubControl control = style()->hitTestComplexControl(
        QStyle::CC_SpinBox, &option, event->position().toPoint(), this);
    if ((control == QStyle::SC_SpinBoxUp || control == QStyle::SC_SpinBoxDown) &&
        FDataLink.CanModify())
        FDataLink.Edit();
    QSpinBox::mousePressEvent(event);
}

void TDBSpinEdit::focusInEvent(QFocusEvent *event) {
    if (FDataLink.CanModify() && IsFarEastLocale())
        setReadOnly(false);
    QSpinBox::focusInEvent(event);
}

void TDBSpinEdit::focusOutEvent(QFocusEvent *event) {
    QSpinBox::focusOutEvent(event);
    try {
        FDataLink.UpdateRecord();
    } catch (...) {
        selectAll();
        setFocus();
        throw;
    }
    setReadOnly(!FDataLink.Editing());
}

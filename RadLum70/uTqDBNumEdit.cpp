#include "uTqDBNumEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <memory>

namespace {

// See DBSpinEdit: input methods of these locales need a writable edit from the start.
bool IsFarEastLocale() {
    const QLocale::Language language = QLocale::system().language();
    return language == QLocale::Chinese || language == QLocale::Japanese ||
           language == QLocale::Korean;
}

bool IsRoundedType(TFieldType type) {
    return type == ftFloat || type == ftCurrency || type == ftBCD;
}

Qt::Alignment ToQtAlignment(TAlignment alignment) {
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// A field's edit mask, "mask;keep literals;blank character", in the terms of a Qt input mask.
struct TEditMask {
    QString InputMask;
    QString Literals; // per position: 'L' for a literal, '_' for an input character
    bool SaveLiterals = true;
    QChar Blank = QLatin1Char('_');
};

TEditMask ConvertEditMask(const QString &editMask) {
    TEditMask result;
    // The mask proper ends at the first separator that is not escaped.
    QString mask;
    qsizetype i = 0;
    for (; i < editMask.size(); ++i) {
        if (editMask[i] == QLatin1Char('\\') && i + 1 < editMask.size()) {
            mask += editMask.mid(i, 2);
            ++i;
            continue;
        }
        if (editMask[i] == QLatin1Char(';'))
            break;
        mask += editMask[i];
    }
    const QStringList options = editMask.mid(i + 1).split(QLatin1Char(';'));
    if (i < editMask.size()) {
        result.SaveLiterals = options.value(0) != QLatin1String("0");
        if (options.size() > 1 && !options[1].isEmpty())
            result.Blank = options[1][0];
    }
    if (mask.isEmpty())
        return result;
    static const QString qtSpecial = QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{};");
    const auto literal = [&](QChar c) {
        if (qtSpecial.contains(c))
            result.InputMask += QLatin1Char('\\');
        result.InputMask += c;
        result.Literals += QLatin1Char('L');
    };
    const auto input = [&](char qtChar) {
        result.InputMask += QLatin1Char(qtChar);
        result.Literals += QLatin1Char('_');
    };
    for (qsizetype k = 0; k < mask.size(); ++k) {
        const QChar c = mask[k];
        switch (c.unicode()) {
        case '!': // leading blanks are not kept: nothing to do with a Qt mask
            break;
        case '>':
            if (k + 1 < mask.size() && mask[k + 1] == QLatin1Char('<')) {
                ++k;
                result.InputMask += QLatin1Char('!'); // "<>": letter case as typed
            } else {
                result.InputMask += QLatin1Char('>');
            }
            break;
        case '<':
            if (k + 1 < mask.size() && mask[k + 1] == QLatin1Char('>')) {
                ++k;
                result.InputMask += QLatin1Char('!');
            } else {
                result.InputMask += QLatin1Char('<');
            }
            break;
        case '\\':
            if (k + 1 < mask.size())
                literal(mask[++k]);
            break;
        case 'L':
            input('A');
            break;
        case 'l':
            input('a');
            break;
        case 'A':
            input('N');
            break;
        case 'a':
            input('n');
            break;
        case 'C':
            input('X');
            break;
        case 'c':
            input('x');
            break;
        case '0':
            input('9');
            break;
        case '9':
            input('0');
            break;
        case '#':
            input('#');
            break;
        case '_':
            literal(QLatin1Char(' '));
            break;
        default:
            literal(c);
            break;
        }
    }
    result.InputMask += QLatin1Char(';') + result.Blank;
    return result;
}

} // namespace

TTqDBNumEdit::TTqDBNumEdit(QWidget *parent) : QLineEdit(parent) {
    if (OwnerIsLoading(parent))
        SetLoading(true);
    setReadOnly(true);
    FDataLink.OnDataChange = [this] { DataChange(); };
    FDataLink.OnEditingChange = [this] { EditingChange(); };
    FDataLink.OnUpdateData = [this] { UpdateData(); };
    connect(this, &QLineEdit::textEdited, this, [this] { FDataLink.Modified(); });
}

TTqDBNumEdit::~TTqDBNumEdit() {
    Destroying();
    FDataLink.OnDataChange = nullptr;
    FDataLink.OnEditingChange = nullptr;
    FDataLink.OnUpdateData = nullptr;
    FDataLink.SetDataSource(nullptr);
}

void TTqDBNumEdit::SetDataSource(TDataSource *source) {
    if (FDataLink.DataSource() == source)
        return;
    // Leaving one open dataset for another passes through "inactive", so that the field is
    // looked up in the new one.
    FDataLink.SetDataSource(nullptr);
    FDataLink.SetDataSource(source);
    if (source)
        FreeNotification(source);
    DataChange();
}

void TTqDBNumEdit::Notification(TComponentBase *component, TOperation operation) {
    TComponentBase::Notification(component, operation);
    if (operation == TOperation::opRemove && component &&
        component == static_cast<TComponentBase *>(DataSource()))
        SetDataSource(nullptr);
}

void TTqDBNumEdit::UseEditMask(const QString &editMask) {
    const TEditMask mask = ConvertEditMask(editMask);
    if (inputMask() != mask.InputMask)
        setInputMask(mask.InputMask);
    FMaskLiterals = mask.Literals;
    FSaveLiterals = mask.SaveLiterals;
    FMaskBlank = mask.Blank;
}

void TTqDBNumEdit::DataChange() {
    if (IsDestroying())
        return;
    TField *field = Field();
    if (field) {
        FAlignment = field->Alignment();
        UseEditMask(field->EditMask());
        const bool isString = field->DataType() == ftString || field->DataType() == ftWideString;
        SetMaxLength(isString && field->Size() > 0 ? field->Size() : 32767);
        ShowText(FFocused && FDataLink.CanModify() ? field->Text() : field->DisplayText());
    } else {
        FAlignment = taLeftJustify;
        UseEditMask(QString());
        SetMaxLength(32767);
        ShowText(QString());
    }
    setModified(false);
    ApplyAlignment();
}

void TTqDBNumEdit::ShowText(const QString &text) {
    // The same text again leaves the user's selection alone: the record starts editing as the
    // user types over a selection, and the cursor must stay where it is.
    if (text != this->text())
        setText(text);
}

void TTqDBNumEdit::SetMaxLength(int length) {
    // Setting the length sets the text again; only a change may do that.
    if (maxLength() != length)
        setMaxLength(length);
}

void TTqDBNumEdit::ApplyAlignment() {
    // While the user edits, the text starts at the left; otherwise it sits as the field says
    // (numbers to the right).
    setAlignment(ToQtAlignment(FFocused ? taLeftJustify : FAlignment));
}

void TTqDBNumEdit::EditingChange() {
    if (!IsDestroying())
        setReadOnly(!FDataLink.Editing());
}

QString TTqDBNumEdit::TextToStore() const {
    if (inputMask().isEmpty())
        return text();
    const QString shown = displayText();
    QString out;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const bool isLiteral = i < FMaskLiterals.size() && FMaskLiterals[i] == QLatin1Char('L');
        if (isLiteral ? FSaveLiterals : shown[i] != FMaskBlank)
            out += shown[i];
    }
    return out;
}

void TTqDBNumEdit::ValidateEdit() {
    if (!inputMask().isEmpty() && !hasAcceptableInput()) {
        setFocus();
        throw EDBEditError(QStringLiteral("輸入值不正確，請按 Esc 鍵放棄修改"));
    }
}

void TTqDBNumEdit::UpdateData() {
    TField *field = Field();
    if (!field)
        return;
    ValidateEdit();
    const QString text = TextToStore();
    if (FDataLink.CanModify())
        FDataLink.Edit();
    field->SetText(text);
    // The value is rounded to the edit format's decimals, as the user will see it next.
    if (!text.isEmpty() && IsRoundedType(field->DataType()) && !field->EditFormat().isEmpty())
        field->SetText(FormatFloat(field->EditFormat(), field->AsFloat()));
}

void TTqDBNumEdit::CutToClipboard() {
    if (FDataLink.CanModify())
        FDataLink.Edit();
    cut();
}

void TTqDBNumEdit::PasteFromClipboard() {
    if (FDataLink.CanModify())
        FDataLink.Edit();
    paste();
}

void TTqDBNumEdit::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        FDataLink.Reset();
        selectAll();
        event->accept();
        return;
    }
    const auto startEdit = [this] {
        if (FDataLink.CanModify())
            FDataLink.Edit();
    };
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text[0].isPrint();
    if (printable) {
        TField *field = Field();
        for (const QChar c : text)
            if (field && !field->IsValidChar(c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        startEdit();
    } else if (key == Qt::Key_Backspace || key == Qt::Key_Delete ||
               (key == Qt::Key_Insert && (event->modifiers() & Qt::ShiftModifier)) ||
               event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        startEdit();
    }
    QLineEdit::keyPressEvent(event);
}

void TTqDBNumEdit::focusInEvent(QFocusEvent *event) {
    FFocused = true;
    FDataLink.Reset();
    if (FDataLink.CanModify() && IsFarEastLocale())
        setReadOnly(false);
    QLineEdit::focusInEvent(event);
}

void TTqDBNumEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    try {
        FDataLink.UpdateRecord();
    } catch (...) {
        selectAll();
        setFocus();
        throw;
    }
    FFocused = false;
    FDataLink.Reset();
    setReadOnly(!FDataLink.Editing());
    // A masked edit starts at its first position next time.
    if (!inputMask().isEmpty())
        setCursorPosition(0);
}

void TTqDBNumEdit::contextMenuEvent(QContextMenuEvent *event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // Cut and paste start editing the record, so they are offered while the field can be
    // written even before editing has started.
    if (FDataLink.CanModify()) {
        for (QAction *action : menu->actions()) {
            if (action->objectName() == QLatin1String("edit-cut")) {
                QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
                action->setEnabled(hasSelectedText());
                connect(action, &QAction::triggered, this, &TTqDBNumEdit::CutToClipboard);
            } else if (action->objectName() == QLatin1String("edit-paste")) {
                QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
                action->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
                connect(action, &QAction::triggered, this, &TTqDBNumEdit::PasteFromClipboard);
            }
        }
    }
    menu->exec(event->globalPos());
}

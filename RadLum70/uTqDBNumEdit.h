#pragma once
// TTqDBNumEdit: an edit bound to one field of the current record, made for numbers. It uses
// the field's edit mask, alignment, display text (when not editing) and edit text (while
// focused); characters the field cannot hold are refused with a beep. What the user typed is
// written back on leaving the control or before the record is posted; for a float or BCD
// field with an edit format the stored value is then rounded to that format's decimals, so
// that 1.255 in a field edited as "0.00" is stored as 1.26.

#include "Component.h"
#include "DataSource.h"

#include <QLineEdit>

// Text that does not fill the field's edit mask.
LUM_DECLARE_EXCEPTION(EDBEditError, Exception);

class TTqDBNumEdit : public QLineEdit, public TComponentBase {
    Q_OBJECT
public:
    explicit TTqDBNumEdit(QWidget *parent = nullptr);
    ~TTqDBNumEdit() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TTqDBNumEdit"); }

    TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource *source);
    const QString &DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString &name) { FDataLink.SetFieldName(name); }
    // Whether the control never writes into the record.
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool readOnly) { FDataLink.SetReadOnly(readOnly); }
    // The bound field, or nullptr.
    TField *Field() const { return FDataLink.Field(); }

    // Raises EDBEditError when the text does not fill the edit mask.
    void ValidateEdit();
    // Writes the text into the field (see the header).
    void UpdateData();
    // Cut and paste start editing the record first.
    void CutToClipboard();
    void PasteFromClipboard();

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void DataChange();
    void EditingChange();
    void ShowText(const QString &text);
    void SetMaxLength(int length);
    void ApplyAlignment();
    // The text to store: with the mask's literals when the mask keeps them.
    QString TextToStore() const;
    void UseEditMask(const QString &editMask);

    TFieldDataLink FDataLink;
    TAlignment FAlignment = taLeftJustify;
    bool FFocused = false;
    // From the field's edit mask: whether stored text keeps the literal characters, and which
    // positions of the shown text are literals.
    bool FSaveLiterals = true;
    QString FMaskLiterals; // one character per position: 'L' literal, '_' input
    QChar FMaskBlank = QLatin1Char('_');
};

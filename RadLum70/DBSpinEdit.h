#pragma once
// TDBSpinEdit: a spin edit bound to an integer field of the current record. Its limits come
// from two other datasets' fields (the maximum and minimum links), or, without them, from the
// bound field's own range. The edit is read-only until the dataset is editing; typing or
// stepping starts editing (when the data source allows it), and leaving the control writes the
// value into the record.
//
// The limits apply when MaxValue and MinValue differ, as with any spin edit of the platform;
// a stored value outside them is shown as it is until the user changes it.

#include "Component.h"
#include "DataSource.h"

#include <QSpinBox>

class TDBSpinEdit : public QSpinBox, public TComponentBase {
    Q_OBJECT
public:
    explicit TDBSpinEdit(QWidget *parent = nullptr);
    ~TDBSpinEdit() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TDBSpinEdit"); }

    TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource *source);
    const QString &DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString &name) { FDataLink.SetFieldName(name); }
    TDataSource *MaxDataSource() const { return FMaxDataLink.DataSource(); }
    void SetMaxDataSource(TDataSource *source);
    const QString &MaxDataField() const { return FMaxDataLink.FieldName(); }
    void SetMaxDataField(const QString &name) { FMaxDataLink.SetFieldName(name); }
    TDataSource *MinDataSource() const { return FMinDataLink.DataSource(); }
    void SetMinDataSource(TDataSource *source);
    const QString &MinDataField() const { return FMinDataLink.FieldName(); }
    void SetMinDataField(const QString &name) { FMinDataLink.SetFieldName(name); }
    // Whether the control never writes into the record.
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool readOnly) { FDataLink.SetReadOnly(readOnly); }
    // The bound field, or nullptr.
    TField *Field() const { return FDataLink.Field(); }

    int MinValue() const { return FMinValue; }
    void SetMinValue(int value);
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int value);
    int Increment() const { return singleStep(); }
    void SetIncrement(int increment) { setSingleStep(increment); }
    int Value() const { return value(); }
    // Sets the value within the limits.
    void SetValue(int value) { setValue(CheckValue(value)); }
    // A value brought within the limits (when they apply).
    int CheckValue(int value) const;

    void Notification(TComponentBase *component, TOperation operation) override;

    void stepBy(int steps) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void DataChange();
    void EditingChange();
    void UpdateData();
    void LimitsChange();
    void AttachSource(TFieldDataLink &link, TDataSource *source);

    TFieldDataLink FDataLink;
    TFieldDataLink FMaxDataLink;
    TFieldDataLink FMinDataLink;
    int FMinValue = 0;
    int FMaxValue = 0;
};

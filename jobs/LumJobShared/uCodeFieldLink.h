#pragma once
// Keeps a code list in step with a code field of the current record: the record's code is
// selected when the record changes, and the code the user picks is written while the record
// is being edited; a pick outside editing goes back to the record's code. (The list stays
// enabled: a disabled code list is not filled from its code table.)

#include "DataSource.h"

#include <QMetaObject>
#include <QString>

class TLUMDBCodeComboBox;

class TCodeFieldLink : public TDataLink {
public:
    TCodeFieldLink(TLUMDBCodeComboBox *combo, TDataSource *source, const QString &fieldName);
    ~TCodeFieldLink() override;

protected:
    void ActiveChanged() override { Show(); }
    void RecordChanged(TField *) override { Show(); }
    void EditingChanged() override { Show(); }

private:
    TField *Field() const;
    void Show();
    void Write();
    TLUMDBCodeComboBox *FCombo;
    QString FFieldName;
    QMetaObject::Connection FConnection;
};

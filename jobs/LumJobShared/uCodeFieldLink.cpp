#include "uCodeFieldLink.h"

#include "Fields.h"
#include "uCodeComboBox.h"

TCodeFieldLink::TCodeFieldLink(TLUMDBCodeComboBox *combo, TDataSource *source,
                               const QString &fieldName)
    : FCombo(combo), FFieldName(fieldName) {
    FConnection = QObject::connect(combo, &QComboBox::activated, combo, [this] { Write(); });
    SetDataSource(source);
}

TCodeFieldLink::~TCodeFieldLink() {
    QObject::disconnect(FConnection);
}

TField *TCodeFieldLink::Field() const {
    return Active() ? DataSet()->FindField(FFieldName) : nullptr;
}

void TCodeFieldLink::Show() {
    const TField *field = Field();
    const QString code = field ? field->AsString() : QString();
    int index = -1;
    for (int i = 0; field && i < FCombo->CodeItems().Count(); ++i)
        if (FCombo->CodeItems()[i] == code) {
            index = i;
            break;
        }
    FCombo->setCurrentIndex(index);
}

void TCodeFieldLink::Write() {
    TField *field = Field();
    if (field && Editing())
        field->SetAsString(FCombo->GetCode());
    else
        Show();
}

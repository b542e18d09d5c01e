#include "uFieldsSetupDlg.h"

#include "DBCheckListBox.h"
#include "DataSource.h"
#include "Fields.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFieldsSetupdlg::TFieldsSetupdlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FieldsSetupdlg"));
    setWindowTitle(QStringLiteral("欄位設定"));
    gbFieldsTitle = new QGroupBox(QStringLiteral("欄位表"), this);
    gbFieldsTitle->setObjectName(QStringLiteral("gbFieldsTitle"));
    dbclbFields = new TDBCheckListBox(gbFieldsTitle);
    dbclbFields->setObjectName(QStringLiteral("dbclbFields"));
    dbclbFields->OnClickCheck = [this](TDBCheckListBox *) { FieldClicked(); };
    (new QVBoxLayout(gbFieldsTitle))->addWidget(dbclbFields);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbFieldsTitle, 1);
    layout->addLayout(buttons);
    resize(260, 360);
}

void TFieldsSetupdlg::FieldClicked() {
    const int row = dbclbFields->currentRow();
    if (TField *field = dbclbFields->Field(row))
        field->SetVisible(dbclbFields->Checked(row));
}

void TFieldsSetupdlg::Execute(const QString &caption, TDataSource *dataSource) {
    gbFieldsTitle->setTitle(caption);
    dbclbFields->SetDataSource(dataSource);
    exec();
    dbclbFields->SetDataSource(nullptr);
}

void HandleFieldsSetup(const QString &caption, TDataSource *dataSource) {
    TFieldsSetupdlg dlg;
    dlg.Execute(caption, dataSource);
}

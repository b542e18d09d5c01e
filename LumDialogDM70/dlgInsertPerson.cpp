#include "dlgInsertPerson.h"

#include "Application.h"
#include "uLumPublic.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// The number is typed in upper case.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

bool RunNewID(QString &name, QString &id, TIDStyle style, bool showCheck) {
    TDlgGetNewID form(QApplication::activeWindow());
    form.SetIDName(name);
    form.SetID(id);
    form.SetIDStyle(style);
    form.cbIDCheck->setVisible(showCheck);
    form.exec();
    if (!form.OK())
        return false;
    name = form.GetIDName().trimmed();
    id = form.GetID().trimmed();
    return true;
}

} // namespace

TDlgGetNewID::TDlgGetNewID(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DlgGetNewID"));
    setWindowTitle(QStringLiteral("新增"));
    auto *layout = new QVBoxLayout(this);
    gbID = new QGroupBox(this);
    gbID->setObjectName(QStringLiteral("gbID"));
    auto *fields = new QFormLayout(gbID);
    lbName = new QLabel(gbID);
    edName = new QLineEdit(gbID);
    edName->setObjectName(QStringLiteral("edName"));
    edName->setMaxLength(12);
    lbID = new QLabel(gbID);
    edID = new QLineEdit(gbID);
    edID->setObjectName(QStringLiteral("edID"));
    edID->setMaxLength(10);
    edID->setValidator(new TUpperCaseValidator(edID));
    fields->addRow(lbName, edName);
    fields->addRow(lbID, edID);
    layout->addWidget(gbID);
    cbIDCheck = new QCheckBox(QStringLiteral("編號驗證"), this);
    cbIDCheck->setObjectName(QStringLiteral("cbIDCheck"));
    cbIDCheck->setChecked(true);
    cbIDCheck->setEnabled(false);
    layout->addWidget(cbIDCheck);
    auto *buttons = new QHBoxLayout;
    btnOK = new QPushButton(QStringLiteral("確認"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetIDStyle(TIDStyle::itPerson);
}

QString TDlgGetNewID::GetID() const {
    return edID->text();
}

void TDlgGetNewID::SetID(const QString &id) {
    edID->setText(id.toUpper());
}

QString TDlgGetNewID::GetIDName() const {
    return edName->text();
}

void TDlgGetNewID::SetIDName(const QString &name) {
    edName->setText(name);
}

void TDlgGetNewID::SetIDStyle(TIDStyle style) {
    FStyle = style;
    const bool person = style == TIDStyle::itPerson;
    gbID->setTitle(person ? QStringLiteral("人員") : QStringLiteral("公司"));
    lbName->setText(person ? QStringLiteral("姓名:") : QStringLiteral("名稱:"));
    lbID->setText(person ? QStringLiteral("身分證號:") : QStringLiteral("統一編號:"));
}

bool TDlgGetNewID::IDCheck() const {
    if (!cbIDCheck->isChecked())
        return true;
    const QString id = edID->text().trimmed();
    return FStyle == TIDStyle::itPerson ? CheckRocID(id) : CheckRocInvoice(id);
}

void TDlgGetNewID::btnOKClick() {
    if (edName->text().trimmed().isEmpty() || edID->text().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral("名稱與證號,不可空白."));
        return;
    }
    if (!IDCheck()) {
        ShowMessage(QStringLiteral("編號或證號錯誤."));
        edID->setFocus();
        return;
    }
    FOK = true;
    accept();
}

bool GetNewPerson(QString &name, QString &id) {
    return RunNewID(name, id, TIDStyle::itPerson, true);
}

bool GetNewCompany(QString &name, QString &id) {
    return RunNewID(name, id, TIDStyle::itCompany, true);
}

bool GetNewPersonValidate(QString &name, QString &id) {
    return RunNewID(name, id, TIDStyle::itPerson, false);
}

bool GetNewCompanyValidate(QString &name, QString &id) {
    return RunNewID(name, id, TIDStyle::itCompany, false);
}

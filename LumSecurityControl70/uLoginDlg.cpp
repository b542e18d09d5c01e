#include "uLoginDlg.h"

#include "Application.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Account input: letters typed in lower case appear in upper case.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

TPasswordDlg::TPasswordDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("身份認證"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);
    resize(227, 135);

    auto *box = new QGroupBox(QStringLiteral("請輸入"), this);
    edAccount = new QLineEdit(box);
    edAccount->setObjectName(QStringLiteral("edAccount"));
    edAccount->setMaxLength(10);
    edAccount->setValidator(new TUpperCaseValidator(edAccount));
    edPassword = new QLineEdit(box);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setMaxLength(40);
    edPassword->setEchoMode(QLineEdit::Password);
    auto *grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("帳號:"), box), 0, 0);
    grid->addWidget(edAccount, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("密碼:"), box), 1, 0);
    grid->addWidget(edPassword, 1, 1);

    btnSure = new QPushButton(QStringLiteral("確認"), this);
    btnSure->setObjectName(QStringLiteral("btnSure"));
    btnSure->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSure);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttons);

    connect(btnSure, &QPushButton::clicked, this, &TPasswordDlg::btnSureClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TPasswordDlg::btnSureClick() {
    if (edAccount->text().isEmpty() || edPassword->text().isEmpty()) {
        ShowMessage(QStringLiteral("帳號或密碼未輸入"));
        return;
    }
    if (edAccount->text() == edPassword->text().toUpper()) {
        ShowMessage(QStringLiteral("帳號,密碼不可相同"));
        return;
    }
    FAccepted = true;
    accept();
}

bool HandlePasswordDlg(QString &id, QString &password, bool accountFixed) {
    TPasswordDlg dialog(QApplication::activeWindow());
    dialog.edAccount->setText(id);
    dialog.edAccount->setReadOnly(accountFixed);
    dialog.edPassword->clear();
    if (accountFixed)
        dialog.edPassword->setFocus();
    dialog.exec();
    if (!dialog.Accepted())
        return false;
    id = dialog.edAccount->text();
    password = dialog.edPassword->text();
    return true;
}

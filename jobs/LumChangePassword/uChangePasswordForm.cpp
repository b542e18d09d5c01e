#include "uChangePasswordForm.h"

#include "Application.h"
#include "RadServer.h"
#include "uJobGuard.h"
#include "uLoginUserInfo.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *PasswordEdit(QWidget *parent, const char *name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(40);
    return edit;
}

// Moves the focus to the edit, then raises the message.
[[noreturn]] void Refuse(QLineEdit *edit, const QString &message) {
    edit->setFocus();
    edit->selectAll();
    throw ESecurity(message);
}

} // namespace

TChangePasswordForm::TChangePasswordForm() {
    SetName(QStringLiteral("ChangePasswordForm"));
    SetCaption(QStringLiteral("密碼變更"));
    SetTag(2); // the shell's item area
    SetDragKind(TDragKind::dkDock);
    resize(320, 200);

    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("請輸入"), this);
    auto *fields = new QFormLayout(group);
    edAccount = new QLineEdit(group);
    edAccount->setObjectName(QStringLiteral("edAccount"));
    edAccount->setReadOnly(true);
    edAccount->setText(CurrentUserInfo ? CurrentUserInfo->ID() : QString());
    edOldPassword = PasswordEdit(group, "edOldPassword");
    edNewPassword = PasswordEdit(group, "edNewPassword");
    edConfirmPassword = PasswordEdit(group, "edConfirmPassword");
    fields->addRow(QStringLiteral("帳號:"), edAccount);
    fields->addRow(QStringLiteral("舊密碼:"), edOldPassword);
    fields->addRow(QStringLiteral("新密碼:"), edNewPassword);
    fields->addRow(QStringLiteral("確認新密碼:"), edConfirmPassword);
    layout->addWidget(group);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSure = new QPushButton(QStringLiteral("確認"), this);
    btnSure->setObjectName(QStringLiteral("btnSure"));
    btnSure->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnSure);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(btnSure, &QPushButton::clicked, this, [this] { btnSureClick(); });
    for (QLineEdit *edit : {edOldPassword, edNewPassword, edConfirmPassword})
        connect(edit, &QLineEdit::returnPressed, this, [this] { btnSureClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });
    OnShow = [this] { edOldPassword->setFocus(); };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

void TChangePasswordForm::ChangePassword() {
    for (QLineEdit *edit : {edOldPassword, edNewPassword, edConfirmPassword})
        if (edit->text().isEmpty())
            Refuse(edit, QStringLiteral("帳號或密碼未輸入"));
    if (edNewPassword->text() != edConfirmPassword->text())
        Refuse(edConfirmPassword, QStringLiteral("新密碼與確認密碼不一致"));
    CurrentUserInfo->CheckFound();
    // Whoever sits at the screen proves to be the user before the password changes.
    bool ok = false;
    OleCheck(SysSecurityServer->CanPass(CurrentUserInfo->ID(), edOldPassword->text(), ok));
    if (!ok)
        Refuse(edOldPassword, QStringLiteral("帳號或密碼錯誤"));
    try {
        CurrentUserInfo->ChangePassword(edNewPassword->text());
    } catch (const ESecurity &) {
        edNewPassword->setFocus();
        edNewPassword->selectAll();
        throw;
    }
}

void TChangePasswordForm::btnSureClick() {
    RunGuarded([this] {
        ChangePassword();
        ShowMessage(QStringLiteral("密碼變更完成"));
        close();
    });
}

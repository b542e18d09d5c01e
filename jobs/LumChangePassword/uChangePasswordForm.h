#pragma once
// The password change ("密碼變更") of the logged-in user: the account, the current password
// and the new one typed twice. The current password is checked by the security server before
// the change; the change itself follows the rules of the logged-in user (not the account, not
// the old password) and is made on the server, after which the form closes.

#include "Form.h"

class QLineEdit;
class QPushButton;

class TChangePasswordForm : public TForm {
    Q_OBJECT
public:
    TChangePasswordForm();

    QLineEdit *edAccount = nullptr;
    QLineEdit *edOldPassword = nullptr;
    QLineEdit *edNewPassword = nullptr;
    QLineEdit *edConfirmPassword = nullptr;
    QPushButton *btnSure = nullptr;
    QPushButton *btnCancel = nullptr;

    // Checks the edits and changes the password; raises with the reason when it cannot,
    // after moving the focus to the edit concerned.
    void ChangePassword();

private:
    void btnSureClick();
};

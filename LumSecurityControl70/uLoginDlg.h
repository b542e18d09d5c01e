#pragma once
// The login dialog "身份認證": account and password, checked before it closes.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget *parent = nullptr);
    QLineEdit *edAccount;
    QLineEdit *edPassword;
    QPushButton *btnSure;
    QPushButton *btnCancel;
    bool Accepted() const { return FAccepted; }

private:
    void btnSureClick();
    bool FAccepted = false;
};

// Shows the dialog with the account filled in; on acceptance copies both edits back and
// returns true, otherwise leaves them unchanged. With accountFixed the account cannot be
// changed (signing the same user in again).
bool HandlePasswordDlg(QString &id, QString &password, bool accountFixed = false);

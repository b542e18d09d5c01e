#pragma once
// A user at the screen for tests that drive the login: whenever a login dialog or a message box
// is up, the next step of a script answers it, with keys typed into the edits and buttons
// clicked. Message texts are collected.

#include "uLoginDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TUser : public QObject {
public:
    struct TStep {
        QString Account, Password; // typed into the dialog
        bool Cancel = false;
    };
    explicit TUser(QList<TStep> steps) : FSteps(std::move(steps)) {
        connect(&FTimer, &QTimer::timeout, this, &TUser::Act);
        FTimer.start(10);
    }
    QStringList Messages;
    int Dialogs = 0;

private:
    // The click comes after this tick, so that what it opens gets the next ticks.
    static void Click(QPushButton *button) {
        QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    void Act() {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            Messages << box->text();
            box->button(QMessageBox::Ok)->click();
        } else if (auto *dlg = qobject_cast<TPasswordDlg *>(modal)) {
            ++Dialogs;
            if (FSteps.isEmpty()) {
                Click(dlg->btnCancel);
                return;
            }
            const TStep step = FSteps.takeFirst();
            if (step.Cancel) {
                Click(dlg->btnCancel);
                return;
            }
            // An empty step value leaves that edit as it is.
            if (!step.Account.isEmpty()) {
                dlg->edAccount->selectAll();
                QTest::keyClicks(dlg->edAccount, step.Account);
            }
            if (!step.Password.isEmpty()) {
                dlg->edPassword->selectAll();
                QTest::keyClicks(dlg->edPassword, step.Password);
            }
            Click(dlg->btnSure);
        }
    }
    QList<TStep> FSteps;
    QTimer FTimer;
};

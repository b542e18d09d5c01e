#pragma once
// Plays the user at message boxes: every box that comes up is read and answered with the given
// button (OK when the box has no such button).

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

class TAnswer : public QObject {
public:
    explicit TAnswer(QMessageBox::StandardButton button) {
        connect(&FTimer, &QTimer::timeout, this, [this, button] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Texts << box->text();
                QAbstractButton *b = box->button(button);
                (b ? b : box->button(QMessageBox::Ok))->click();
            }
        });
        FTimer.start(5);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};

#pragma once
// Plays the user at message boxes: every box that comes up is read and answered with the given
// button (OK when the box has no such button); and at a dialog of a given class once it is up.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "Exceptions.h"

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

// Runs act on the modal dialog of type T once it is up (server calls made while it prepares
// run the event loop, so it is waited for); a check that fails inside closes it, so that
// nothing waits for ever.
template <class T> void WhenModal(std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto *tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (++*tries < 1000)
                return;
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
        }
        timer->stop();
        timer->deleteLater();
        delete tries;
        if (!dialog)
            QFAIL("the expected dialog is not up");
        try {
            act(dialog);
        } catch (const Exception &e) {
            QTest::qFail(qPrintable(e.Message()), __FILE__, __LINE__);
        }
        if (QTest::currentTestFailed() && dialog->isVisible())
            dialog->reject();
    });
    timer->start(10);
}

#pragma once
// Driving the filter form "查詢條件組合" as a user does: clicking a field, choosing a comparison,
// typing a value, and acting on the form once it is up.

#include "TypeText.h"
#include "uCodeComboBox.h"
#include "uDynamicFilter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <functional>

inline void Click(QWidget *button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks the field with that label in the field list.
inline void ClickField(TDynamicFilter *form, const QString &label) {
    const auto found = form->lbDataFields->findItems(label, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(label));
    QWidget *viewport = form->lbDataFields->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      form->lbDataFields->visualItemRect(found.first()).center());
    QCOMPARE(form->edField->text(), label);
}

// Chooses an item of a drop-down list with the keyboard.
inline void ChooseByKeys(QComboBox *combo, int index) {
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), index);
}

inline void TypeValue(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    TypeText(edit, text);
}

// Runs `act` on the filter form once it is up; a form left open is cancelled, so that a
// failed check never leaves the test waiting.
inline void WhenFilterShown(std::function<void(TDynamicFilter *)> act) {
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<TDynamicFilter *>(QApplication::activeModalWidget());
        QVERIFY(form);
        act(form);
        if (form->isVisible())
            form->reject();
    });
}

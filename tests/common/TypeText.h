#pragma once
// Typing into a widget as a user does.

#include <QString>
#include <QTest>
#include <QWidget>

// Types text key by key as a user would, Chinese characters included.
inline void TypeText(QWidget *widget, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

#pragma once
// A message record: a number and two parameters, delivered synchronously to forms. The first
// parameter is either a name=value string list (owned by the sender) or an object such as a
// form; the second is an object such as a dataset, a string list, or nothing. Result is the answer
// of a form where a message asks for one.

#include <QObject>
#include <QtGlobal>

class TStringList;

struct TMessage {
    quint32 Msg = 0;
    TStringList *Strings = nullptr;  // first parameter when it is a string list
    QObject *WObject = nullptr;      // first parameter when it is an object
    QObject *LParam = nullptr;       // second parameter when it is an object
    TStringList *LStrings = nullptr; // second parameter when it is a string list
    qint32 Result = 0;

    template <class T> T *WParamAs() const { return qobject_cast<T *>(WObject); }
};

#pragma once
// A message record: a number and two parameters, delivered synchronously to forms. The first
// parameter is either a name=value string list (owned by the sender) or an object such as a
// form; the second is an object such as a dataset, or nothing. Result is not used.

#include <QObject>
#include <QtGlobal>

class TStringList;

struct TMessage {
    quint32 Msg = 0;
    TStringList *Strings = nullptr; // first parameter when it is a string list
    QObject *WObject = nullptr;     // first parameter when it is an object
    QObject *LParam = nullptr;      // second parameter
    qint32 Result = 0;

    template <class T> T *WParamAs() const { return qobject_cast<T *>(WObject); }
};

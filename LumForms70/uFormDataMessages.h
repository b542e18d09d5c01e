#pragma once
// What the editing job forms (the table forms and the dual grid form) share of their data: the
// edit stamp put into a record, and the answers to the messages that carry datasets, refresh
// requests and records between open forms.

#include <QString>
#include <functional>

class TClientDataSet;
class TDataSet;
class TStringList;
struct TMessage;

// Puts the stamp in front of the comma text of the dataset's "EditInfo" field, when it has
// one: the field keeps the history of edits, newest first.
void StampEditInfo(TDataSet *dataSet, const QString &stamp);

// A carried dataset (33672): `receiver` names the dataset that wants it by the data name and
// the sender's open state, or nullptr. A cached code table takes only the sender's filter;
// another dataset a copy of the sender's data. Returns the dataset that received it.
TClientDataSet *
ReceiveDataSet(TMessage &message,
               const std::function<TClientDataSet *(const QString &name, bool active)> &receiver);

// A carried record (33675): `receiver` names the list that takes its field=value lines by the
// data name, or nullptr. Returns the list filled.
TStringList *
ReceiveActiveDataRecord(TMessage &message,
                        const std::function<TStringList *(const QString &name)> &receiver);

// The data name of a refresh request (33673).
QString ReceiveDataRefresh(TMessage &message);

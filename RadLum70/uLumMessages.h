#pragma once
// Message records between open forms: a message number and a name=value string list owned by
// the sender, delivered synchronously to every open top-level form. This unit fixes the
// carrier and the core messages; the domain modules add their own numbers on the same carrier.

#include "Form.h"
#include "Messages.h"
#include "StringList.h"

#include <QString>

class TClientDataSet;
class TDataSet;

// Message numbers in use across the system.
constexpr quint32 WM_DOCKCLIENTFORM = 33669;   // a docked job form was shown
constexpr quint32 WM_SHOWMESSAGES = 33670;     // scrolling message lines of the shell
constexpr quint32 WM_TREECODE = 33671;         // a code chosen in a code tree
constexpr quint32 WM_TRANSMITDATASET = 33672;  // a client dataset handed to other forms
constexpr quint32 WM_DATASETREFRESH = 33673;   // a dataset should be refreshed
constexpr quint32 WM_SHOWVCLTREEFORM = 33674;  // show a code tree by name
constexpr quint32 WM_ACTIVEDATARECORD = 33675; // the current record of a dataset
constexpr quint32 WM_SYSMAINCODE = 33689;      // system main code
constexpr quint32 WM_SYSKEYVALUE = 33690;      // system key value

// Delivers the message to every form of the application that is an instance of formClass, in
// the application's order, and returns when all have handled it. An error raised by a handler
// ends the delivery and reaches the caller.
void DispatchOrvMessage(TMessage &message, const QMetaObject &formClass = TForm::staticMetaObject);

// As DispatchOrvMessage, for a message that asks the forms a question: delivered until a form
// answers (sets a result other than 0); returns that result, or 0.
qint32 AskOrvMessage(TMessage &message, const QMetaObject &formClass = TForm::staticMetaObject);

// 33673: "DataSetName" = DataSetName.
void DataSetRefreshSender(const QString &dataSetName);
void DataSetRefreshReceiver(const TMessage &message, QString &dataSetName);

// 33674: "TreeName" = TreeName.
void ShowVCLTreeFormSender(const QString &treeName);
void ShowVCLTreeFormReceiver(const TMessage &message, QString &treeName);

// 33672: "DataName" = DataName, the client dataset as second parameter.
void ClientDataSetSender(const QString &dataName, TClientDataSet *clientDataSet);
// The carried name; active tells whether the carried dataset is open.
QString ClientDataSetReceiverName(const TMessage &message, bool &active);
// Gives the target a copy of the carried data (with its pending changes) when the carried
// dataset is open, and says whether it was. The target's Filtered survives the copy.
bool ClientDataSetReceiverData(const TMessage &message, TClientDataSet *clientDataSet);
// As above, and hands back the carried filter text and switch; with no target only those.
bool ClientDataSetReceiverDataByFilter(const TMessage &message, TClientDataSet *clientDataSet,
                                       QString &filter, bool &filtered);

// 33675: the current record of an open, browsed, non-empty dataset: "ADataSetName_xxxx" =
// the name, then field name = value per field ("NULL" for a null value; object and blob
// fields left out).
void ActiveDataRecordSender(const QString &dataSetName, TDataSet *dataSet);
QString ActiveDataRecordReceiverName(const TMessage &message);
// The carried field lines, without the name line.
void ActiveDataRecordReceiverItems(const TMessage &message, TStringList &items);

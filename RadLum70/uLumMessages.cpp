#include "uLumMessages.h"

#include "Application.h"

namespace {

// Sends a one-line message to all forms; the list lives on the stack, so it is freed after
// delivery whether or not a handler failed.
void SendValue(quint32 msg, const QString &name, const QString &value) {
    TStringList list;
    list.SetValues(name, value);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

QString ReadValue(const TMessage &message, const QString &name) {
    return message.Strings ? message.Strings->Values(name) : QString();
}

} // namespace

void DispatchOrvMessage(TMessage &message, const QMetaObject &formClass) {
    Application()->Broadcast(message, formClass);
}

void DataSetRefreshSender(const QString &dataSetName) {
    SendValue(WM_DATASETREFRESH, QStringLiteral("DataSetName"), dataSetName);
}

void DataSetRefreshReceiver(const TMessage &message, QString &dataSetName) {
    dataSetName = ReadValue(message, QStringLiteral("DataSetName"));
}

void ShowVCLTreeFormSender(const QString &treeName) {
    SendValue(WM_SHOWVCLTREEFORM, QStringLiteral("TreeName"), treeName);
}

void ShowVCLTreeFormReceiver(const TMessage &message, QString &treeName) {
    treeName = ReadValue(message, QStringLiteral("TreeName"));
}

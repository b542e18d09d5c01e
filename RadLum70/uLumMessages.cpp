#include "uLumMessages.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "DbTypes.h"

namespace {

// Sends a one-line message to all forms; the list lives on the stack, so it is freed after
// delivery whether or not a handler failed.
void SendValue(quint32 msg, const QString &name, const QString &value, QObject *lParam = nullptr) {
    TStringList list;
    list.SetValues(name, value);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    message.LParam = lParam;
    DispatchOrvMessage(message);
}

const QString kActiveDataSetName = QStringLiteral("ADataSetName_xxxx");

TClientDataSet *CarriedDataSet(const TMessage &message) {
    return qobject_cast<TClientDataSet *>(message.LParam);
}

QString ReadValue(const TMessage &message, const QString &name) {
    return message.Strings ? message.Strings->Values(name) : QString();
}

} // namespace

void DispatchOrvMessage(TMessage &message, const QMetaObject &formClass) {
    Application()->Broadcast(message, formClass);
}

qint32 AskOrvMessage(TMessage &message, const QMetaObject &formClass) {
    return Application()->Ask(message, formClass);
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

void ClientDataSetSender(const QString &dataName, TClientDataSet *clientDataSet) {
    SendValue(WM_TRANSMITDATASET, QStringLiteral("DataName"), dataName, clientDataSet);
}

QString ClientDataSetReceiverName(const TMessage &message, bool &active) {
    const TClientDataSet *carried = CarriedDataSet(message);
    active = carried && carried->Active();
    return ReadValue(message, QStringLiteral("DataName"));
}

bool ClientDataSetReceiverData(const TMessage &message, TClientDataSet *clientDataSet) {
    const TClientDataSet *carried = CarriedDataSet(message);
    if (!carried || !carried->Active())
        return false;
    if (!clientDataSet || clientDataSet == carried)
        return true;
    const Variant data = carried->Data();
    const bool filtered = clientDataSet->Filtered();
    try {
        clientDataSet->Close();
        clientDataSet->SetFiltered(false);
        clientDataSet->SetData(data);
    } catch (...) {
        clientDataSet->SetFiltered(filtered);
        throw;
    }
    clientDataSet->SetFiltered(filtered);
    return true;
}

bool ClientDataSetReceiverDataByFilter(const TMessage &message, TClientDataSet *clientDataSet,
                                       QString &filter, bool &filtered) {
    const TClientDataSet *carried = CarriedDataSet(message);
    if (!carried || !carried->Active())
        return false;
    filter = carried->Filter();
    filtered = carried->Filtered();
    return ClientDataSetReceiverData(message, clientDataSet);
}

void ActiveDataRecordSender(const QString &dataSetName, TDataSet *dataSet) {
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty() || dataSet->State() != dsBrowse)
        return;
    TStringList list;
    list.SetValues(kActiveDataSetName, dataSetName);
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields()[i];
        if (field->DataType() == ftDataSet || IsBlobType(field->DataType()))
            continue;
        // An empty value removes its line, so empty strings do not travel.
        list.SetValues(field->FieldName(),
                       field->IsNull() ? QStringLiteral("NULL") : field->AsString());
    }
    TMessage message;
    message.Msg = WM_ACTIVEDATARECORD;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

QString ActiveDataRecordReceiverName(const TMessage &message) {
    return ReadValue(message, kActiveDataSetName);
}

void ActiveDataRecordReceiverItems(const TMessage &message, TStringList &items) {
    items.Clear();
    if (!message.Strings)
        return;
    items.Assign(*message.Strings);
    // A list sent without a name has no name line; the fields are all there is.
    const int nameLine = items.IndexOfName(kActiveDataSetName);
    if (nameLine >= 0)
        items.Delete(nameLine);
}

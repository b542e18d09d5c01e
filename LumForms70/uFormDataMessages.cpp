#include "uFormDataMessages.h"

#include "ClientDataSet.h"
#include "Fields.h"
#include "StringList.h"
#include "uLumMessages.h"
#include "uSystemTable.h"

void StampEditInfo(TDataSet *dataSet, const QString &stamp) {
    TField *editInfo = dataSet->FindField(QStringLiteral("EditInfo"));
    if (!editInfo)
        return;
    TStringList history;
    history.SetCommaText(editInfo->AsString());
    history.Insert(0, stamp);
    editInfo->SetAsString(history.CommaText());
}

TClientDataSet *
ReceiveDataSet(TMessage &message,
               const std::function<TClientDataSet *(const QString &name, bool active)> &receiver) {
    bool active = false;
    const QString name = ClientDataSetReceiverName(message, active);
    TClientDataSet *target = receiver(name, active);
    if (!target)
        return nullptr;
    if (qobject_cast<TClonedDataSet *>(target)) {
        // A cached code table keeps its shared records; it takes only the sender's filter.
        QString filter = target->Filter();
        bool filtered = target->Filtered();
        ClientDataSetReceiverDataByFilter(message, nullptr, filter, filtered);
        target->SetFilter(filter);
        target->SetFiltered(filtered);
    } else {
        ClientDataSetReceiverData(message, target);
    }
    return target;
}

TStringList *
ReceiveActiveDataRecord(TMessage &message,
                        const std::function<TStringList *(const QString &name)> &receiver) {
    TStringList *items = receiver(ActiveDataRecordReceiverName(message));
    if (items)
        ActiveDataRecordReceiverItems(message, *items);
    return items;
}

QString ReceiveDataRefresh(TMessage &message) {
    QString name;
    DataSetRefreshReceiver(message, name);
    return name;
}

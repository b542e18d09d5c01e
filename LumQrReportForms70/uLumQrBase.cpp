#include "uLumQrBase.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Exceptions.h"
#include "ReportUi.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"

TLumQrBase::TLumQrBase(QObject *owner)
    : TQuickRep(owner), FRemoteData(new TLumRemoteData(this)),
      FFieldDisplays(new TLumFieldDisplays(this)) {
    FRemoteData->SetName(QStringLiteral("RemoteData"));
    BeforePrint = [this](TQuickRep *, bool &printReport) { DoBeforePrint(printReport); };
    AfterPrint = [this](TQuickRep *) { DoAfterPrint(); };
}

TLumQrBase::~TLumQrBase() {
    Destroying();
    BeforePrint = nullptr;
    AfterPrint = nullptr;
    SetDataSet(nullptr);
    // The field settings go first (they are told about datasets going), then the datasets
    // with the connections they read through.
    delete FFieldDisplays;
    delete FRemoteData;
}

TSocketConnection *TLumQrBase::Connection(const QString &serverName) {
    return FRemoteData->Connection(serverName);
}

TStatelessCDataSet *TLumQrBase::AddRemoteDataSet(const QString &name, const QString &serverName,
                                                 const QString &providerName) {
    return FRemoteData->AddDataSet(name, serverName, providerName);
}

void TLumQrBase::OpenRemote(TClientDataSet *dataSet) {
    FRemoteData->OpenRemote(dataSet);
}

void TLumQrBase::DisConnection() {
    FRemoteData->DisConnection();
}

void TLumQrBase::DoMasterCommand() {
    if (TClientDataSet *master = GetMasterDataSet())
        master->Close();
}

void TLumQrBase::OpenMaster(const QString &where) {
    TClientDataSet *master = GetMasterDataSet();
    if (!master)
        throw Exception(QStringLiteral("Dataset is not specified"));
    if (where == FWhereMaster && FReadByWhere && master->Active())
        return;
    FWhereMaster = where;
    FReadByWhere = false;
    DoMasterCommand();
    DoOpenMaster();
    FReadByWhere = true;
}

void TLumQrBase::OpenMaster(TClientDataSet *dataSet) {
    if (!GetMasterDataSet())
        throw Exception(QStringLiteral("Dataset is not specified"));
    FReadByWhere = false;
    DoCopyMaster(dataSet);
}

void TLumQrBase::DoOpenMaster() {
    OpenRemote(GetMasterDataSet());
}

void TLumQrBase::DoCopyMaster(TClientDataSet *dataSet) {
    CopyDataPacket(GetMasterDataSet(), dataSet);
}

void TLumQrBase::CopyDataPacket(TClientDataSet *target, TClientDataSet *source) {
    ::CopyDataPacket(target, source);
}

void TLumQrBase::GetLookUpText(TField *field, QString &text, bool) {
    LookUpFieldText(field, text);
}

TCodeTableCDS *TLumQrBase::AddCodeTable(const QString &name, const QString &filter) {
    return ::AddCodeTable(this, name, filter);
}

void TLumQrBase::ShowCodeText(TDataSet *dataSet, const QString &fieldName, TDataSet *codeTable) {
    FFieldDisplays->ShowLookUp(dataSet, fieldName, codeTable);
}

void TLumQrBase::SetFieldLabels(TDataSet *dataSet,
                                const QList<std::pair<QString, QString>> &labels) {
    FFieldDisplays->Labels(dataSet, labels);
}

void TLumQrBase::ShowPreview(bool modal) {
    PreviewReport(*this, modal);
}

void TLumQrBase::PrintReport(bool withDialog) {
    ::PrintReport(*this, withDialog);
}

void TLumQrBase::DoBeforePrint(bool &) {}

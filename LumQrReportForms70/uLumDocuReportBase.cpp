#include "uLumDocuReportBase.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DateTime.h"
#include "Fields.h"
#include "Packages.h"
#include "uDocuReport.h"
#include "uLumFieldDisplays.h"
#include "uLumRemoteData.h"
#include "uOrganization.h"

#include <QDir>

namespace {

// Today in the ROC calendar: "113/05/02".
QString RocToday() {
    const QDate today = Date().ToDate();
    return QStringLiteral("%1/%2/%3")
        .arg(today.year() - 1911)
        .arg(today.month(), 2, 10, QLatin1Char('0'))
        .arg(today.day(), 2, 10, QLatin1Char('0'));
}

} // namespace

TLumDocuReportBase::TLumDocuReportBase(QObject *owner)
    : TComponent(owner), DocuReport(new TDocuReport(this)), WRMultiLabel(new TWRMultiLabel(this)),
      FRemoteData(new TLumRemoteData(this)), FFieldDisplays(new TLumFieldDisplays(this)) {
    DocuReport->SetName(QStringLiteral("DocuReport"));
    // The document is shown through PrintPreview; closing it throws the copy away.
    DocuReport->SetVisible(false);
    DocuReport->SetOptions(TWReportOptions(InsertPageBreak) | AutoCloseDocument);
    DocuReport->SetSaveAction(saDoNotSaveChanges);
    WRMultiLabel->SetName(QStringLiteral("WRMultiLabel"));
    WRMultiLabel->SetDocuReport(DocuReport);
    // A label whose bookmark the template lacks is left out (not written at the document's end).
    WRMultiLabel->SetOptions(AutoSend);
    WRMultiLabel->BeforeToWord = [this](TWRObject *) {
        WRMultiLabel->Labels().Clear();
        SetFormLabels();
    };
    // The school's logo of the organisation record, from the template folder.
    WRLogo = new TWRImageFile(this);
    WRLogo->SetName(QStringLiteral("WRLogo"));
    WRLogo->SetBookMarkName(QStringLiteral("OrganizationLogo"));
    WRLogo->SetDocuReport(DocuReport);
    WRLogo->BeforeToWord = [this](TWRObject *) {
        WRLogo->SetFileName(Organization && !Organization->LogoFile.isEmpty()
                                ? QDir(ProgramFolder() + QStringLiteral("TemplateDocs"))
                                      .filePath(Organization->LogoFile)
                                : QString());
    };
    FRemoteData->SetName(QStringLiteral("RemoteData"));
}

TLumDocuReportBase::~TLumDocuReportBase() {
    Destroying();
    WRMultiLabel->BeforeToWord = nullptr;
    WRLogo->BeforeToWord = nullptr;
    delete FFieldDisplays;
    delete FRemoteData;
}

void TLumDocuReportBase::SetDocForm(const QString &fileName) {
    if (fileName == FDocForm)
        return;
    FDocForm = fileName;
    DocuReport->SetTemplateName(ProgramFolder() + QStringLiteral("TemplateDocs/") + fileName);
}

TStatelessCDataSet *TLumDocuReportBase::AddRemoteDataSet(const QString &name,
                                                         const QString &serverName,
                                                         const QString &providerName) {
    return FRemoteData->AddDataSet(name, serverName, providerName);
}

void TLumDocuReportBase::OpenRemote(TClientDataSet *dataSet) {
    FRemoteData->OpenRemote(dataSet);
}

void TLumDocuReportBase::DisConnection() {
    FRemoteData->DisConnection();
}

TCodeTableCDS *TLumDocuReportBase::AddCodeTable(const QString &name, const QString &filter) {
    return ::AddCodeTable(this, name, filter);
}

void TLumDocuReportBase::ShowCodeText(TDataSet *dataSet, const QString &fieldName,
                                      TDataSet *codeTable) {
    FFieldDisplays->ShowLookUp(dataSet, fieldName, codeTable);
}

void TLumDocuReportBase::ShowNested(TDataSet *master, const QString &fieldName,
                                    TClientDataSet *nested) {
    FFieldDisplays->Setup(master, fieldName, [nested](TField *field) {
        nested->SetDataSetField(dynamic_cast<TDataSetField *>(field));
    });
}

void TLumDocuReportBase::GetLookUpText(TField *field, QString &text, bool) {
    LookUpFieldText(field, text);
}

void TLumDocuReportBase::SetFieldLabel(TDataSet *dataSet, const QString &fieldName,
                                       const QString &labelName) {
    QString text;
    if (dataSet && dataSet->Active() && !dataSet->IsEmpty())
        if (TField *field = dataSet->FindField(fieldName))
            text = field->DisplayText();
    WRMultiLabel->SetLabelText(labelName.isEmpty() ? fieldName : labelName, text);
}

TDBWRTableIndex *TLumDocuReportBase::AddTableObject(const QString &name, TDataSource *source,
                                                    int index, int startRow, bool includeTitle) {
    auto *table = new TDBWRTableIndex(this);
    table->SetName(name);
    table->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
    table->SetReplaceType(rtInsertAfter);
    table->SetTableIndex(index);
    table->SetStartRow(startRow);
    table->SetIncludeTitle(includeTitle);
    table->SetDataSource(source);
    table->SetDocuReport(DocuReport);
    return table;
}

void TLumDocuReportBase::Printing(TClientDataSet *dataSet) {
    DoPrintData(dataSet);
    SendDocument();
}

void TLumDocuReportBase::DoPrintData(TClientDataSet *) {}

void TLumDocuReportBase::SendDocument() {
    DocuReport->Close();
    DocuReport->SendToWord();
}

void TLumDocuReportBase::SetFormLabels() {
    WRMultiLabel->SetLabelText(QStringLiteral("OrganizationName"),
                               Organization ? Organization->FullName : QString());
    WRMultiLabel->SetLabelText(QStringLiteral("PrintDate"), RocToday());
}

void TLumDocuReportBase::PrintPreview() {
    DocuReport->PrintPreview();
}

void TLumDocuReportBase::PrintOut() {
    DocuReport->PrintOut();
}

void TLumDocuReportBase::SaveAs(const QString &fileName) {
    DocuReport->SaveAs(fileName, wdFormatDocument);
}

void TLumDocuReportBase::SaveAsPdf(const QString &fileName) {
    DocuReport->SaveAs(fileName, wdFormatPDF);
}

#pragma once
// TLumDocuReportBase: a Word document module. It holds the document (DocuReport, made from a
// template of the program folder's TemplateDocs) and its labels (WRMultiLabel: name=value pairs
// written into the bookmarks of those names), with socket connections to the application
// servers and stateless client datasets on their providers, as the banded report modules have.
//
// Printing(dataset) puts the caller's rows into the module (DoPrintData), fills the labels
// through SetFormLabels (the base's pairs first, then the descendants') and makes the document;
// the filled document is then previewed (PrintPreview, from which the user prints or saves a
// PDF), printed (PrintOut) or saved (SaveAs, SaveAsPdf). Each printing starts a fresh document.

#include "Component.h"

#include <QList>
#include <utility>

class TClientDataSet;
class TCodeTableCDS;
class TDataSet;
class TDataSource;
class TDBWRTableIndex;
class TDocuReport;
class TField;
class TLumFieldDisplays;
class TLumRemoteData;
class TStatelessCDataSet;
class TWRImageFile;
class TWRMultiLabel;

class TLumDocuReportBase : public TComponent {
    Q_OBJECT
public:
    explicit TLumDocuReportBase(QObject *owner = nullptr);
    ~TLumDocuReportBase() override;
    QString ClassName() const override { return QStringLiteral("TLumDocuReportBase"); }

    TDocuReport *DocuReport;
    TWRMultiLabel *WRMultiLabel;
    // The school's logo (the organisation's LogoFile in the template folder) at the bookmark
    // OrganizationLogo.
    TWRImageFile *WRLogo;

    // The template by its bare file name ("學生資料.doc"): the report reads the program
    // folder's "TemplateDocs/" + that name.
    const QString &DocForm() const { return FDocForm; }
    void SetDocForm(const QString &fileName);

    // --- data from the servers ---
    TLumRemoteData *RemoteData() const { return FRemoteData; }
    TStatelessCDataSet *AddRemoteDataSet(const QString &name, const QString &serverName,
                                         const QString &providerName);
    // Opens the dataset through the module's connection with its current command text and
    // parameters; the links are dropped afterwards, also when the open fails.
    void OpenRemote(TClientDataSet *dataSet);
    void DisConnection();

    // --- how fields show ---
    TLumFieldDisplays *FieldDisplays() const { return FFieldDisplays; }
    TCodeTableCDS *AddCodeTable(const QString &name, const QString &filter);
    // The field shows the Descript of its code in the code table, whenever the dataset opens.
    void ShowCodeText(TDataSet *dataSet, const QString &fieldName, TDataSet *codeTable);
    void GetLookUpText(TField *field, QString &text, bool displayText);
    // The nested dataset shows the rows of the master's nested field of that name, at every
    // open of the master (closed while the master has no such field).
    void ShowNested(TDataSet *master, const QString &fieldName, TClientDataSet *nested);
    // The label name=value of a field: its display text in the dataset's current row (empty
    // when the dataset is closed, empty or has no such field).
    // `labelName` names the label when it is not the field's own name.
    void SetFieldLabel(TDataSet *dataSet, const QString &fieldName,
                       const QString &labelName = QString());

    // A table object of this module's document: the rows of the source into table `index` of
    // each page's copy, below `startRow`, with or without a title row (auto-sent, tables the
    // copy lacks ignored, inserted after).
    TDBWRTableIndex *AddTableObject(const QString &name, TDataSource *source, int index,
                                    int startRow, bool includeTitle);

    // Puts the dataset's rows into the module and makes the document from them.
    virtual void Printing(TClientDataSet *dataSet);
    // The label pairs, set while the labels are sent (after clearing them): the base gives
    // "OrganizationName" (the school's full name) and "PrintDate" (today, ROC calendar);
    // descendants add theirs after calling it.
    virtual void SetFormLabels();

    // The document made last: the preview window, the printer, a Word or PDF file. Nothing
    // before a document was made.
    void PrintPreview();
    void PrintOut();
    void SaveAs(const QString &fileName);
    void SaveAsPdf(const QString &fileName);

protected:
    // The rows of Printing(dataset) into the module's own dataset; the base has none.
    virtual void DoPrintData(TClientDataSet *dataSet);
    // A fresh document from the template with every output object sent.
    void SendDocument();

private:
    QString FDocForm;
    TLumRemoteData *FRemoteData;
    TLumFieldDisplays *FFieldDisplays;
};

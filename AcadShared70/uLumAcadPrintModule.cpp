#include "uLumAcadPrintModule.h"

#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Packages.h"
#include "uDocuReport.h"
#include "uOrganization.h"
#include "uSystemTable.h"

#include <QDir>

namespace {

TCodeTableCDS *CodeTable(QObject *owner, const char *name, const char *category) {
    auto *table = new TCodeTableCDS(owner);
    table->SetName(QLatin1String(name));
    table->SetFilter(QStringLiteral("Main_Code='%1'").arg(QLatin1String(category)));
    table->SetFiltered(true);
    table->SetIndexFieldNames(QStringLiteral("Code"));
    return table;
}

} // namespace

TLumAcadPrintModule::TLumAcadPrintModule(QObject *owner)
    : TComponent(owner), DocuReport(new TDocuReport(this)), WRMultiLabel(new TWRMultiLabel(this)) {
    DocuReport->SetName(QStringLiteral("DocuReport"));
    // One page per printing; the document is shown through the preview.
    DocuReport->SetVisible(false);
    DocuReport->SetOptions(InsertPageBreak);
    DocuReport->SetSaveAction(saSaveChanges);
    DocuReport->SetPages(1);
    WRMultiLabel->SetName(QStringLiteral("WRMultiLabel"));
    WRMultiLabel->SetDocuReport(DocuReport);
    WRMultiLabel->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
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
    CDUnit = CodeTable(this, "CDUnit", "NUNT");
    cdGroupType = CodeTable(this, "cdGroupType", "cs_GroupType");
    CDst_Diploma = CodeTable(this, "CDst_Diploma", "st_Diploma");
    cdST_StudyType = CodeTable(this, "cdST_StudyType", "st_Study");
    cdST_CLASS = CodeTable(this, "cdST_CLASS", "st_CLASS");
    zccs_CHOOSE = CodeTable(this, "zccs_CHOOSE", "cs_CHOOSE");
    zcSemester = CodeTable(this, "zcSemester", "Semester");
}

TLumAcadPrintModule::~TLumAcadPrintModule() {
    Destroying();
    WRMultiLabel->BeforeToWord = nullptr;
    WRLogo->BeforeToWord = nullptr;
}

void TLumAcadPrintModule::SetDocForm(const QString &fileName) {
    if (fileName == FDocForm)
        return;
    FDocForm = fileName;
    DocuReport->SetTemplateName(ProgramFolder() + QStringLiteral("TemplateDocs/") + fileName);
}

void TLumAcadPrintModule::Printing(TClientDataSet *dataSet) {
    // Every shared table of the module (the indexes and the code tables) is open.
    for (TClonedDataSet *cloned : findChildren<TClonedDataSet *>())
        if (!cloned->Active())
            cloned->Open();
    // The caller's rows, none of them when it has none; a dataset that is not there (or not
    // open) is the caller's mistake.
    if (!dataSet || !dataSet->Active())
        throw Exception(QStringLiteral("Dataset is not specified"));
    TClientDataSet *master = MasterDataSet();
    master->Close();
    master->SetData(dataSet->Data());
    if (!master->Active())
        master->Open();
    PrintInitial();
    DataSetInitial();
    SetUpFields();
    DocuReport->Close();
    DocuReport->SendToWord();
}

void TLumAcadPrintModule::SetFormLabels() {
    WRMultiLabel->SetLabelText(QStringLiteral("OrganizationName"),
                               Organization ? Organization->FullName : QString());
}

void TLumAcadPrintModule::GetLookUpText(TField *field, QString &text, bool) {
    text = field->AsString();
    TDataSet *lookup = field->LookupDataSet();
    if (text.isEmpty() || !lookup || !lookup->Active() || field->LookupKeyFields().isEmpty() ||
        field->LookupResultField().isEmpty())
        return;
    const Variant found =
        lookup->Lookup(field->LookupKeyFields(), Variant(text), field->LookupResultField());
    if (!found.IsEmptyOrNull())
        text = found.ToString();
}

QString TLumAcadPrintModule::CodeLookup(TDataSet *codeTable, const QString &code) {
    if (!codeTable || !codeTable->Active() || code.isEmpty())
        return code;
    const Variant found =
        codeTable->Lookup(QStringLiteral("Code"), Variant(code), QStringLiteral("Descript"));
    return found.IsEmptyOrNull() ? code : found.ToString();
}

void TLumAcadPrintModule::ShowField(TDataSet *dataSet, const char *name, const char *label,
                                    const char *format, TDataSet *codes) {
    if (!dataSet || !dataSet->Active())
        return;
    TField *field = dataSet->FindField(QLatin1String(name));
    if (!field)
        return;
    if (!label) {
        field->SetVisible(false);
        return;
    }
    field->SetDisplayLabel(QString::fromUtf8(label));
    if (format)
        field->SetDisplayFormat(QLatin1String(format));
    if (codes)
        field->OnGetText = [codes](TField *f, QString &text, bool) {
            text = CodeLookup(codes, f->AsString());
        };
}

void TLumAcadPrintModule::SetFieldLabel(const QString &name) {
    TClientDataSet *master = MasterDataSet();
    QString text;
    if (master->Active() && !master->IsEmpty())
        if (TField *field = master->FindField(name))
            text = field->DisplayText();
    WRMultiLabel->SetLabelText(name, text);
}

void TLumAcadPrintModule::BindNested(TClientDataSet *nested, const char *field) {
    TClientDataSet *master = MasterDataSet();
    nested->SetDataSetField(
        master->Active() ? dynamic_cast<TDataSetField *>(master->FindField(QLatin1String(field)))
                         : nullptr);
}

TClientDataSet *TLumAcadPrintModule::AddData(const char *name) {
    auto *ds = new TClientDataSet(this);
    ds->SetName(QLatin1String(name));
    return ds;
}

TDataSource *TLumAcadPrintModule::AddSource(const char *name, TDataSet *dataSet) {
    auto *s = new TDataSource(this);
    s->SetName(QLatin1String(name));
    s->SetDataSet(dataSet);
    return s;
}

TDBWRTableIndex *TLumAcadPrintModule::AddTable(const char *name, TDataSource *source, int index) {
    auto *table = new TDBWRTableIndex(this);
    table->SetName(QLatin1String(name));
    table->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
    table->SetReplaceType(rtInsertAfter);
    table->SetTableIndex(index);
    table->SetStartRow(1);
    table->SetDataSource(source);
    table->SetDocuReport(DocuReport);
    return table;
}

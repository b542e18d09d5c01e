#pragma once
// TLumAcadPrintModule: what the two print modules of the academic office share: the document
// (DocuReport, from a template of the program folder's TemplateDocs/), its labels
// (WRMultiLabel, filled in SetFormLabels each time they are sent), the code tables the sheets
// show codes through, and how a field of the printed packet is set to show (label, display
// format, a code's description). Printing(dataset) copies the caller's whole packet (master with
// its nested details) into the module's master, sets its fields and makes the document.

#include "Component.h"

#include <QStringList>

class TClientDataSet;
class TCodeTableCDS;
class TDataSet;
class TDataSource;
class TDBWRTableIndex;
class TDocuReport;
class TField;
class TWRImageFile;
class TWRMultiLabel;

class TLumAcadPrintModule : public TComponent {
    Q_OBJECT
public:
    explicit TLumAcadPrintModule(QObject *owner = nullptr);
    ~TLumAcadPrintModule() override;

    TDocuReport *DocuReport;
    TWRMultiLabel *WRMultiLabel;
    // The school's logo (the organisation's LogoFile in the template folder) at the bookmark
    // OrganizationLogo.
    TWRImageFile *WRLogo;
    TCodeTableCDS *CDUnit, *cdGroupType, *CDst_Diploma, *cdST_StudyType, *cdST_CLASS, *zccs_CHOOSE,
        *zcSemester;

    const QString &DocForm() const { return FDocForm; }
    // The template by its bare file name: the program folder + "TemplateDocs/" + the name.
    void SetDocForm(const QString &fileName);

    // The packet of the dataset into the master, then the document; raises "Dataset is not
    // specified" without an open dataset.
    void Printing(TClientDataSet *dataSet);
    virtual void PrintInitial() {}
    virtual void DataSetInitial() {}
    virtual void SetFormLabels();

    // The text of a field that names a look-up dataset, key and result: the result for the
    // field's value when there is one, the value otherwise.
    static void GetLookUpText(TField *field, QString &text, bool displayText);
    // The Descript of the code in the code table; the code itself without one.
    static QString CodeLookup(TDataSet *codeTable, const QString &code);

protected:
    virtual TClientDataSet *MasterDataSet() const = 0;
    // Sets the fields of the master and its details after a packet came in.
    virtual void SetUpFields() = 0;
    // The field shows `label`, with `format` when given, and the code's description in
    // `codes` when given; hidden when `label` is empty. Nothing when there is no such field.
    static void ShowField(TDataSet *dataSet, const char *name, const char *label,
                          const char *format = nullptr, TDataSet *codes = nullptr);
    // The label of that name: the display text of the master's field of that name.
    void SetFieldLabel(const QString &name);
    // Binds a nested dataset to the master's nested field of that name.
    void BindNested(TClientDataSet *nested, const char *field);
    // The module's parts by name: a dataset, a source on a dataset, and a table object that
    // fills table `index` of the template below its first row from the source.
    TClientDataSet *AddData(const char *name);
    TDataSource *AddSource(const char *name, TDataSet *dataSet);
    TDBWRTableIndex *AddTable(const char *name, TDataSource *source, int index);

private:
    QString FDocForm;
};

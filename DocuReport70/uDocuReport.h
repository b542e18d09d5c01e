#pragma once
// The Word report engine: non-visual components that fill a word-processing document made from
// a template. A report module holds one TDocuReport (the document) and any number of output
// objects (TWRObject descendants). Each output object names a bookmark of the template, or a
// table of it, and a source of text: a fixed string, a list of lines, name=value pairs, a
// dataset field, a whole dataset or a picture field. SendToWord makes the document from the
// template, repeats the template once per page (Pages), and lets every output object write into
// its bookmark, form field or table on each page.
//
// The word processor is the office layer's TWordApplication, owned by the report; the document
// being filled is the application's active document. Every failure of this library, and every
// failure of the office layer met on the way, reaches the caller as EDocuReport.

#include "Component.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "StringList.h"
#include "WordDocument.h"

#include <QFlags>
#include <QList>
#include <exception>
#include <functional>
#include <memory>

class TDocuReport;
class TWRObject;
class TWordApplication;
class TOfficeViewer;

LUM_DECLARE_EXCEPTION(EDocuReport, Exception);

// What closing the document does with its changes; kept as the word processor's save value
// (0, -1, -2).
enum TSaveAction { saDoNotSaveChanges, saSaveChanges, saPromptToSaveChanges };

enum TWReportOption { AutoCloseWord = 0x1, AutoCloseDocument = 0x2, InsertPageBreak = 0x4 };
Q_DECLARE_FLAGS(TWReportOptions, TWReportOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TWReportOptions)

enum TWDOption { AutoSend = 0x1, IgnoreNotFind = 0x2 };
Q_DECLARE_FLAGS(TWDOptions, TWDOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TWDOptions)

enum TReplaceType { rtInsertAfter, rtInsertBefore, rtRangeReplace };
enum TBookMarkType { bmNone, bmFFInputText, bmFFCheckBox, bmFFDropDown };
enum TWDFormFieldType { ffInputText, ffCheckBox, ffDropDown };

using TDocuReportEvent = std::function<void(TDocuReport *sender)>;
using TWRObjectEvent = std::function<void(TWRObject *sender)>;

// The collection of the document's sentences, as far as the engine uses it: the last one.
struct TWordSentences {
    TWordDocument *Document = nullptr;
    TWordRange Last() const { return Document ? Document->LastSentence() : TWordRange(); }
};

class TDocuReport : public TComponent {
    Q_OBJECT
public:
    explicit TDocuReport(QObject *owner = nullptr);
    // Frees the application and its documents; the output objects stay, without a report.
    ~TDocuReport() override;

    // The word processor the report drives, and the document being filled (nullptr while
    // inactive).
    TWordApplication *WordApplication() const { return FWordApp.get(); }
    TWordDocument *Document() const { return FDocument; }

    // Full path of the template.
    const QString &TemplateName() const { return FTemplateName; }
    void SetTemplateName(const QString &name) { FTemplateName = name; }
    // The file the template is read from: the system names its templates "X.doc", and here
    // they are "X.docx" beside it; a name that exists as given is taken as it is.
    QString TemplateFile() const;

    // A document is open and filled by this report.
    bool Active() const { return FActive; }
    // True opens, false closes; when either raises, the report ends up inactive.
    void SetActive(bool active);

    bool Visible() const { return FVisible; }
    // Turning it on while active shows the document at once.
    void SetVisible(bool visible);

    TSaveAction SaveAction() const;
    void SetSaveAction(TSaveAction action);
    TWReportOptions Options() const { return FOptions; }
    void SetOptions(TWReportOptions options) { FOptions = options; }

    // Copies of the template in one SendToWord; values below 1 are ignored.
    int Pages() const { return FPages; }
    void SetPages(int pages);
    // The page being sent (1-based), the last one sent afterwards; 0 after Open and Close.
    int CurrentPage() const { return FCurrentPage; }
    // Form fields and tables that lay before the current copy of the template.
    int FormFieldBase() const { return FFormFieldBase; }
    int TableBase() const { return FTableBase; }

    // Makes a new document from the template (nothing when already active).
    void Open();
    // Closes the document (AutoCloseDocument) and the application (AutoCloseWord), saving as
    // SaveAction says; the report is inactive afterwards in any case.
    void Close();
    // Opens, then sends every page: a copy of the template (except the first page of a fresh
    // document) and every registered output object in order. An error closes the report before
    // it passes on. A visible report shows the document when done.
    void SendToWord();
    // Appends one more copy of the template at the end of the document (only while active).
    void AddNewTemplate();
    void SaveAs(const QString &fileName, int fileFormat = wdFormatDocument);
    void PrintOut();
    void PrintPreview();
    void ClosePrintPreview();

    // The document's collections; each opens the document first.
    TWordDocument *BookMarks();
    TWordDocument *FormFields();
    TWordDocument *Tables();
    TWordRange Range();
    TWordSentences Sentences();

    // Clears the list and adds the name of every bookmark in document order.
    void GetBookMarkNames(TStringList *list);
    // 1-based position of the first form field named exactly Name, or -1.
    int IndexOfFormField(const QString &name);
    // 1-based position of the first form field named exactly Name among those of the current
    // copy of the template, or -1; costs what that copy holds, not what lies before it.
    int IndexOfPageFormField(const QString &name);

    // The output objects, in order of registration (not owned).
    const QList<TWRObject *> &WRObjects() const { return FObjects; }
    void AddWRObj(TWRObject *object);
    void DelWRObj(TWRObject *object);

    TDocuReportEvent BeforeOpen, BeforeNewPage, BeforeClose, BeforeToWord;
    TDocuReportEvent AfterOpen, AfterClose, AfterToWord, AfterNewPage, OnWordQuit;

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    void Fire(const TDocuReportEvent &event) {
        if (event)
            event(this);
    }
    // Runs a call into the office layer: its errors become EDocuReport, and an error raised by
    // this report's handlers of the application's signals during the call comes out here.
    void OfficeCall(const std::function<void()> &call);
    // Runs a handler of the application's signals, which must not raise into the office layer.
    void FromSignal(const std::function<void()> &handler) noexcept;
    // The document is gone (closed by the report or by the application): forgets it, releases
    // every output object and tells AfterClose.
    void DocumentClosed();
    void WordDocumentClose(TWordDocument *document);
    void WordQuit();
    // Takes a document this report made but could not finish opening back out of the
    // application.
    void DiscardDocument();
    void DeactivateObjects();

    // The viewer lives longer than the application that uses it.
    std::unique_ptr<TOfficeViewer> FViewer;
    std::unique_ptr<TWordApplication> FWordApp;
    TWordDocument *FDocument = nullptr;
    QList<TWRObject *> FObjects;
    QString FTemplateName;
    bool FActive = false;
    bool FVisible = true;
    int FSaveAction = -1;
    TWReportOptions FOptions = InsertPageBreak;
    int FFormFieldBase = 0;
    int FTableBase = 0;
    int FPages = 1;
    int FCurrentPage = 0;
    int FOfficeCallDepth = 0;
    std::exception_ptr FSignalError;
};

// An output object: a target in the document (a bookmark, the form field it bears, or a
// table) and what to write there.
class TWRObject : public TComponent {
    Q_OBJECT
public:
    explicit TWRObject(QObject *owner = nullptr);
    ~TWRObject() override;

    TDocuReport *DocuReport() const { return FDocuReport; }
    void SetDocuReport(TDocuReport *report);
    const QString &BookMarkName() const { return FBookMarkName; }
    void SetBookMarkName(const QString &name);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    TWDOptions Options() const { return FOptions; }
    void SetOptions(TWDOptions options) { FOptions = options; }
    TReplaceType ReplaceType() const { return FReplaceType; }
    void SetReplaceType(TReplaceType type) { FReplaceType = type; }

    // Whether a bookmark of the document is held.
    bool Active() const { return !FBookmark.IsNull(); }
    // False releases the bookmark and form field; true looks the bookmark up again and, with
    // AutoSend, sends at once (not while the owner is being built).
    void SetActive(bool active);

    TWordBookmark Bookmark() const { return FBookmark; }
    TWordFormField FormField() const { return FFormField; }

    // BeforeToWord, SendData, AfterToWord; nothing when disabled.
    void Sending();
    // Looks the bookmark up (again when Refresh, or when none is held), opening the report;
    // true when a bookmark is held or a missing one is to be written at the end.
    bool FindBookMark(bool refresh);
    TBookMarkType GetBookMarkType() const;
    // The bookmark's range; without a bookmark the end of the document.
    TWordRange GetActiveRange();

    TWRObjectEvent BeforeToWord, AfterToWord;

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    virtual void SendData() {}
    // Drops every reference into the document.
    virtual void ReleaseReferences();
    // Raises the property error for the object and the property text.
    [[noreturn]] void PropertyError(const QString &property) const;

private:
    TDocuReport *FDocuReport = nullptr;
    QString FBookMarkName;
    TWordBookmark FBookmark;
    TWordFormField FFormField;
    bool FEnabled = true;
    TWDOptions FOptions = TWDOptions(AutoSend) | IgnoreNotFind;
    TReplaceType FReplaceType = rtInsertAfter;
};

// Text into a bookmark, or into the form field it bears.
class TWRTextCust : public TWRObject {
    Q_OBJECT
public:
    using TWRObject::TWRObject;

    virtual void SetText(const QString &text) { Q_UNUSED(text); }
    virtual QString GetText() { return {}; }
    // What the document holds at the bookmark: the range's text, the form field's result,
    // "TRUE" or "FALSE" for a check box.
    QString LoadData();

protected:
    void SendData() override;
    void OutData(const QString &text);
};

class TWRLabel : public TWRTextCust {
    Q_OBJECT
public:
    using TWRTextCust::TWRTextCust;
    const QString &Text() const { return FText; }
    void SetText(const QString &text) override { FText = text; }
    QString GetText() override { return FText; }

private:
    QString FText;
};

// Lines, each followed by CR LF.
class TWRMemo : public TWRTextCust {
    Q_OBJECT
public:
    using TWRTextCust::TWRTextCust;
    TStringList &Lines() { return FLines; }
    void SetText(const QString &text) override { FLines.SetText(text); }
    QString GetText() override;

private:
    TStringList FLines;
};

// name=value lines: each value goes into the bookmark of its name.
class TWRMultiLabel : public TWRTextCust {
    Q_OBJECT
public:
    using TWRTextCust::TWRTextCust;
    TStringList &Labels() { return FLabels; }
    // The line of BookMarkName; setting it makes that line's name the bookmark name.
    int ItemIndex() const { return FLabels.IndexOfName(BookMarkName()); }
    void SetItemIndex(int index);
    // Stores the pair and points the object at it (at nothing when the value is empty).
    void SetLabelText(const QString &name, const QString &value);
    void SetText(const QString &text) override { FLabels.SetValues(BookMarkName(), text); }
    QString GetText() override { return FLabels.Values(BookMarkName()); }

protected:
    void SendData() override;

private:
    TStringList FLabels;
};

// Text of a field of a data source's dataset.
class TDBWRObject : public TWRTextCust {
    Q_OBJECT
public:
    using TWRTextCust::TWRTextCust;

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source);
    // The data source's dataset; raises the property error without one.
    TDataSet *DataSet() const;
    virtual TField *ActiveField() = 0;
    // The active field's display text in the current record.
    QString GetText() override;

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    void SendData() override;
    // The dataset, opened when closed.
    TDataSet *OpenDataSet() const;

private:
    TDataSource *FDataSource = nullptr;
};

// Every visible field of the current record into the bookmark named by its display label.
class TDBWRFields : public TDBWRObject {
    Q_OBJECT
public:
    using TDBWRObject::TDBWRObject;
    TField *ActiveField() override;

protected:
    void SendData() override;

private:
    int FFieldIndex = -1;
};

class TDBWRLabel : public TDBWRObject {
    Q_OBJECT
public:
    using TDBWRObject::TDBWRObject;
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &name) { FDataField = name; }
    // Every record's text, one line each, instead of the current record's.
    bool AllRows() const { return FAllRows; }
    void SetAllRows(bool allRows) { FAllRows = allRows; }
    TField *ActiveField() override;
    QString GetText() override;

private:
    QString FDataField;
    bool FAllRows = false;
};

// Dataset rows into a table: a title row of display labels, then one row per record, one
// column per visible field, from StartRow/StartCol on.
class TDBWRTableCust : public TDBWRObject {
    Q_OBJECT
public:
    using TDBWRObject::TDBWRObject;

    TWordTable Table() const { return FTable; }
    int StartRow() const { return FStartRow; }
    void SetStartRow(int row) { FStartRow = row; }
    int StartCol() const { return FStartCol; }
    void SetStartCol(int col) { FStartCol = col; }
    bool IncludeTitle() const { return FIncludeTitle; }
    void SetIncludeTitle(bool include) { FIncludeTitle = include; }
    // Records per page; -1 sends every record from the first.
    int PageRows() const { return FPageRows; }
    void SetPageRows(int rows) { FPageRows = rows; }
    // Leaves the cursor after the last record sent, so the next page goes on from there.
    bool KeepDataTrack() const { return FKeepDataTrack; }
    void SetKeepDataTrack(bool keep) { FKeepDataTrack = keep; }

    // The fields written, in this order (those the dataset lacks left out); empty: every
    // visible field in the dataset's order.
    const QStringList &Columns() const { return FColumns; }
    void SetColumns(const QStringList &fieldNames) { FColumns = fieldNames; }

    int ColCount() const;
    int RowCount() const;
    // A table has no single field.
    TField *ActiveField() override { return nullptr; }

protected:
    void SendData() override;
    void ReleaseReferences() override;
    // Finds or makes the table to fill.
    virtual bool GetWordTable() = 0;
    TWordTable FTable;

private:
    int FStartRow = 0;
    int FStartCol = 0;
    bool FIncludeTitle = true;
    int FPageRows = -1;
    bool FKeepDataTrack = false;
    QStringList FColumns;
    QList<TField *> ColumnFields(const TDataSet *dataSet) const;
};

// Fills a table of the template: TableIndex counts, from 0, the tables of the current copy.
class TDBWRTableIndex : public TDBWRTableCust {
    Q_OBJECT
public:
    using TDBWRTableCust::TDBWRTableCust;
    int TableIndex() const { return FTableIndex; }
    void SetTableIndex(int index) { FTableIndex = index; }

protected:
    bool GetWordTable() override;

private:
    int FTableIndex = 0;
};

// Makes a new table at the bookmark.
class TDBWRTable : public TDBWRTableCust {
    Q_OBJECT
public:
    using TDBWRTableCust::TDBWRTableCust;

protected:
    bool GetWordTable() override;
};

// The picture of a file (PNG, JPEG, BMP) at the bookmark, such as the school's logo; nothing
// when the file name is empty or no such file exists, an error when it is not a picture.
class TWRImageFile : public TWRObject {
    Q_OBJECT
public:
    using TWRObject::TWRObject;
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &fileName) { FFileName = fileName; }

protected:
    void SendData() override;

private:
    QString FFileName;
};

// The picture of the current record's field at the bookmark.
class TDBWRImage : public TWRObject {
    Q_OBJECT
public:
    using TWRObject::TWRObject;

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source);
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &name) { FDataField = name; }

    void Notification(TComponentBase *component, TOperation operation) override;

protected:
    void SendData() override;

private:
    TDataSource *FDataSource = nullptr;
    QString FDataField;
};

#include "uDocuReport.h"

#include "OfficeViewerUi.h"
#include "WordApplication.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace {

const QString kNoWord = QStringLiteral("可能沒有安裝MicrosoftWord");
const QString kPropertyError = QStringLiteral("元件[%s],的[%S]屬性設定錯誤");
const QString kNotPicture = QStringLiteral("欄位[%s]不是圖片");

// The viewer that opens, previews and prints documents on the desktop.
std::unique_ptr<TOfficeViewer> CreateDesktopViewer() {
    return std::make_unique<TOfficeViewerUi>();
}

// Runs a call into the office layer, raising its errors as this library's: a missing office
// suite says first that the word processor may not be installed.
template <typename F> auto Office(F &&call) -> decltype(call()) {
    try {
        return call();
    } catch (const EOfficeSuiteMissing &e) {
        throw EDocuReport(kNoWord + u'\n' + e.Message());
    } catch (const EOfficeError &e) {
        throw EDocuReport(e.Message());
    }
}

// The picture formats a document takes: PNG, JPEG and BMP, told by their first bytes.
bool IsPicture(const QByteArray &bytes) {
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xFF\xD8\xFF") ||
           bytes.startsWith("BM");
}

// Keeps a dataset's controls disabled while it lives and then, when asked to, brings the
// cursor back to the record it stood on, however the work in between ends.
class TCursorGuard {
public:
    TCursorGuard(TDataSet *dataSet, bool restore)
        : FDataSet(dataSet), FMark(dataSet->GetBookmark()), FRestore(restore) {
        FDataSet->DisableControls();
    }
    ~TCursorGuard() {
        try {
            if (FRestore && FMark >= 0 && FDataSet->BookmarkValid(FMark))
                FDataSet->GotoBookmark(FMark);
        } catch (...) {
            ReportError(std::current_exception());
        }
        FDataSet->EnableControls();
    }
    TCursorGuard(const TCursorGuard &) = delete;
    TCursorGuard &operator=(const TCursorGuard &) = delete;

private:
    TDataSet *FDataSet;
    TBookmark FMark;
    bool FRestore;
};

QList<TField *> VisibleFields(const TDataSet *dataSet) {
    QList<TField *> fields;
    for (const auto &field : dataSet->Fields())
        if (field->Visible())
            fields.append(field.get());
    return fields;
}

TDataSet *DataSetOf(const TDataSource *source) {
    return source ? source->DataSet() : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TDocuReport

TDocuReport::TDocuReport(QObject *owner)
    : TComponent(owner), FViewer(CreateDesktopViewer()),
      FWordApp(std::make_unique<TWordApplication>()) {
    FWordApp->SetViewer(FViewer.get());
    connect(FWordApp.get(), &TWordApplication::DocumentClose, this,
            [this](TWordDocument *document) { FromSignal([&] { WordDocumentClose(document); }); });
    connect(FWordApp.get(), &TWordApplication::QuitApplication, this,
            [this] { FromSignal([&] { WordQuit(); }); });
}

TDocuReport::~TDocuReport() {
    // The output objects forget the report first, while their references are still valid.
    Destroying();
    FObjects.clear();
    QObject::disconnect(FWordApp.get(), nullptr, this, nullptr);
    FDocument = nullptr;
    FWordApp.reset();
    FViewer.reset();
}

void TDocuReport::OfficeCall(const std::function<void()> &call) {
    if (FOfficeCallDepth == 0)
        FSignalError = nullptr;
    ++FOfficeCallDepth;
    try {
        Office(call);
    } catch (...) {
        if (--FOfficeCallDepth == 0)
            FSignalError = nullptr;
        throw;
    }
    if (--FOfficeCallDepth == 0 && FSignalError)
        std::rethrow_exception(std::exchange(FSignalError, nullptr));
}

void TDocuReport::FromSignal(const std::function<void()> &handler) noexcept {
    try {
        handler();
    } catch (...) {
        // Raised back to the caller of the office call that emitted the signal, or reported
        // when the application acted on its own.
        if (FOfficeCallDepth > 0) {
            if (!FSignalError)
                FSignalError = std::current_exception();
        } else {
            ReportError(std::current_exception());
        }
    }
}

void TDocuReport::SetActive(bool active) {
    try {
        if (active)
            Open();
        else
            Close();
    } catch (...) {
        if (FActive) {
            FActive = false;
            FDocument = nullptr;
            DeactivateObjects();
        }
        throw;
    }
}

void TDocuReport::SetVisible(bool visible) {
    if (visible == FVisible)
        return;
    FVisible = visible;
    // The application shows its active document, this report's, when it turns visible.
    if (FActive)
        OfficeCall([&] { FWordApp->SetVisible(visible); });
}

TSaveAction TDocuReport::SaveAction() const {
    if (FSaveAction == wdPromptToSaveChanges)
        return saPromptToSaveChanges;
    return FSaveAction == wdDoNotSaveChanges ? saDoNotSaveChanges : saSaveChanges;
}

void TDocuReport::SetSaveAction(TSaveAction action) {
    switch (action) {
    case saDoNotSaveChanges:
        FSaveAction = wdDoNotSaveChanges;
        break;
    case saSaveChanges:
        FSaveAction = wdSaveChanges;
        break;
    case saPromptToSaveChanges:
        FSaveAction = wdPromptToSaveChanges;
        break;
    }
}

void TDocuReport::SetPages(int pages) {
    if (pages < 1 || pages == FPages)
        return;
    FPages = pages;
}

QString TDocuReport::TemplateFile() const {
    if (FTemplateName.endsWith(QLatin1String(".doc"), Qt::CaseInsensitive) &&
        !QFileInfo::exists(FTemplateName))
        return FTemplateName + QLatin1Char('x');
    return FTemplateName;
}

void TDocuReport::Open() {
    if (FActive)
        return;
    FCurrentPage = 0;
    FFormFieldBase = 0;
    FTableBase = 0;
    Fire(BeforeOpen);
    // The application is part of the program: there is nothing to start or attach to.
    try {
        FWordApp->CheckSpellingAsYouType = false;
        FWordApp->CheckGrammarAsYouType = false;
        OfficeCall([&] { FWordApp->SetVisible(FVisible); });
        FDocument = Office([&] { return FWordApp->AddDocument(TemplateFile()); });
        FActive = true;
        Fire(AfterOpen);
    } catch (...) {
        DiscardDocument();
        throw;
    }
}

void TDocuReport::DiscardDocument() {
    TWordDocument *document = std::exchange(FDocument, nullptr);
    FActive = false;
    DeactivateObjects();
    if (!document)
        return;
    try {
        FWordApp->CloseDocument(document, wdDoNotSaveChanges);
    } catch (...) {
        ReportError(std::current_exception());
    }
}

void TDocuReport::Close() {
    Fire(BeforeClose);
    if (!FActive)
        return;
    const auto finish = [this] {
        FCurrentPage = 0;
        FFormFieldBase = 0;
        FTableBase = 0;
        DocumentClosed();
    };
    try {
        if (FOptions & AutoCloseDocument) {
            TWordDocument *document = FDocument;
            OfficeCall([&] { FWordApp->CloseDocument(document, FSaveAction); });
            // The application has freed the document even if it said nothing about it.
            if (FDocument == document)
                FDocument = nullptr;
        }
        if (FOptions & AutoCloseWord)
            OfficeCall([&] { FWordApp->Quit(FSaveAction); });
    } catch (...) {
        try {
            finish();
        } catch (...) {
            ReportError(std::current_exception());
        }
        throw;
    }
    finish();
}

void TDocuReport::DocumentClosed() {
    if (!FActive)
        return;
    FActive = false;
    FDocument = nullptr;
    DeactivateObjects();
    Fire(AfterClose);
}

void TDocuReport::WordDocumentClose(TWordDocument *document) {
    if (FActive && document == FDocument)
        DocumentClosed();
}

void TDocuReport::WordQuit() {
    DocumentClosed();
    Fire(OnWordQuit);
}

void TDocuReport::DeactivateObjects() {
    const QList<TWRObject *> objects = FObjects;
    for (TWRObject *object : objects)
        object->SetActive(false);
}

void TDocuReport::SendToWord() {
    Open();
    const bool sentBefore = FCurrentPage != 0;
    FCurrentPage = 0;
    try {
        Fire(BeforeToWord);
        for (int page = 1; page <= FPages; ++page) {
            FCurrentPage = page;
            Fire(BeforeNewPage);
            if (page > 1 || sentBefore)
                AddNewTemplate();
            // A handler may take objects away while the page is sent.
            const QList<TWRObject *> objects = FObjects;
            for (TWRObject *object : objects)
                if (FObjects.contains(object))
                    object->Sending();
            Fire(AfterNewPage);
        }
        Fire(AfterToWord);
    } catch (...) {
        try {
            Close();
        } catch (...) {
            ReportError(std::current_exception());
        }
        throw;
    }
    if (FVisible && FActive)
        OfficeCall([&] { FWordApp->ShowDocument(FDocument); });
}

void TDocuReport::AddNewTemplate() {
    if (!FActive)
        return;
    Office([&] {
        FTableBase = FDocument->TableCount();
        // The bookmarks of the copy about to come bear the template's names; the objects'
        // references to the current ones go with them.
        DeactivateObjects();
        for (int i = FDocument->BookmarkCount(); i >= 1; --i)
            FDocument->Bookmark(i).Delete();
        FFormFieldBase = FDocument->FormFieldCount();
        TWordRange range = FDocument->Content();
        range.Collapse(wdCollapseEnd);
        if (FOptions & InsertPageBreak)
            range.InsertBreak(wdPageBreak);
        range.InsertFile(TemplateFile());
    });
}

void TDocuReport::SaveAs(const QString &fileName, int fileFormat) {
    if (FActive)
        OfficeCall([&] { FDocument->SaveAs(fileName, fileFormat); });
}

void TDocuReport::PrintOut() {
    if (FActive)
        OfficeCall([&] { FWordApp->PrintOut(FDocument); });
}

void TDocuReport::PrintPreview() {
    if (FActive)
        OfficeCall([&] { FWordApp->PrintPreview(FDocument); });
}

void TDocuReport::ClosePrintPreview() {
    if (FActive)
        OfficeCall([&] { FWordApp->ClosePrintPreview(); });
}

TWordDocument *TDocuReport::BookMarks() {
    Open();
    return FDocument;
}

TWordDocument *TDocuReport::FormFields() {
    Open();
    return FDocument;
}

TWordDocument *TDocuReport::Tables() {
    Open();
    return FDocument;
}

TWordRange TDocuReport::Range() {
    Open();
    return Office([&] { return FDocument->Content(); });
}

TWordSentences TDocuReport::Sentences() {
    Open();
    return TWordSentences{FDocument};
}

void TDocuReport::GetBookMarkNames(TStringList *list) {
    if (!list)
        return;
    list->Clear();
    TWordDocument *document = BookMarks();
    Office([&] {
        for (int i = 1; i <= document->BookmarkCount(); ++i)
            list->Add(document->Bookmark(i).Name());
    });
}

int TDocuReport::IndexOfFormField(const QString &name) {
    TWordDocument *document = FormFields();
    return Office([&] {
        for (int i = 1; i <= document->FormFieldCount(); ++i)
            if (document->FormField(i).Name() == name)
                return i;
        return -1;
    });
}

int TDocuReport::IndexOfPageFormField(const QString &name) {
    TWordDocument *document = FormFields();
    return Office([&] {
        for (int i = FFormFieldBase + 1; i <= document->FormFieldCount(); ++i)
            if (document->FormField(i).Name() == name)
                return i;
        return -1;
    });
}

void TDocuReport::AddWRObj(TWRObject *object) {
    if (object && !FObjects.contains(object))
        FObjects.append(object);
}

void TDocuReport::DelWRObj(TWRObject *object) {
    FObjects.removeAll(object);
}

void TDocuReport::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove)
        FObjects.removeIf([component](TWRObject *object) { return component == object; });
}

// ---------------------------------------------------------------------------------------------
// TWRObject

TWRObject::TWRObject(QObject *owner) : TComponent(owner) {}

TWRObject::~TWRObject() {
    // Tells the report, which takes the object off its list.
    Destroying();
    FBookmark = {};
    FFormField = {};
}

void TWRObject::SetDocuReport(TDocuReport *report) {
    if (report == FDocuReport)
        return;
    SetActive(false);
    if (FDocuReport) {
        FDocuReport->DelWRObj(this);
        RemoveFreeNotification(FDocuReport);
    }
    FDocuReport = report;
    if (report) {
        report->AddWRObj(this);
        FreeNotification(report);
    }
}

void TWRObject::SetBookMarkName(const QString &name) {
    if (name == FBookMarkName)
        return;
    SetActive(false);
    FBookMarkName = name;
}

void TWRObject::SetEnabled(bool enabled) {
    FEnabled = enabled;
    if (!enabled)
        SetActive(false);
}

void TWRObject::SetActive(bool active) {
    if (!active) {
        ReleaseReferences();
        return;
    }
    if (IsLoading())
        return;
    if (FindBookMark(true) && (FOptions & AutoSend))
        Sending();
}

void TWRObject::ReleaseReferences() {
    FBookmark = {};
    FFormField = {};
}

void TWRObject::PropertyError(const QString &property) const {
    throw EDocuReport(Format(kPropertyError, {Name(), property}));
}

void TWRObject::Sending() {
    if (!FEnabled)
        return;
    if (BeforeToWord)
        BeforeToWord(this);
    SendData();
    if (AfterToWord)
        AfterToWord(this);
}

bool TWRObject::FindBookMark(bool refresh) {
    if (refresh || FBookmark.IsNull()) {
        FBookmark = {};
        FFormField = {};
        if (!FDocuReport)
            PropertyError(QStringLiteral("DocuReport"));
        FDocuReport->SetActive(true);
        TWordDocument *document = FDocuReport->Document();
        if (document && !FBookMarkName.isEmpty() &&
            Office([&] { return document->BookmarkExists(FBookMarkName); })) {
            FBookmark = Office([&] { return document->Bookmark(FBookMarkName); });
            // The form field of the current copy of the template that bears the name.
            const int index = FDocuReport->IndexOfPageFormField(FBookMarkName);
            if (index > 0)
                FFormField = Office([&] { return document->FormField(index); });
        }
    }
    return !FBookmark.IsNull() || (FOptions & IgnoreNotFind);
}

TBookMarkType TWRObject::GetBookMarkType() const {
    if (FFormField.IsNull())
        return bmNone;
    switch (Office([&] { return FFormField.Type(); })) {
    case wdFieldFormTextInput:
        return bmFFInputText;
    case wdFieldFormCheckBox:
        return bmFFCheckBox;
    case wdFieldFormDropDown:
        return bmFFDropDown;
    default:
        return bmNone;
    }
}

TWordRange TWRObject::GetActiveRange() {
    if (!FBookmark.IsNull())
        return Office([&] { return FBookmark.Range(); });
    // No bookmark: an insertion point after the last sentence, so that the output goes to the
    // end of the document without replacing what is there.
    if (!FDocuReport)
        PropertyError(QStringLiteral("DocuReport"));
    const TWordSentences sentences = FDocuReport->Sentences();
    return Office([&] {
        TWordRange range = sentences.Last();
        range.Collapse(wdCollapseEnd);
        return range;
    });
}

void TWRObject::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && FDocuReport && component == FDocuReport) {
        ReleaseReferences();
        FDocuReport = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Text objects

void TWRTextCust::SendData() {
    if (FindBookMark(false))
        OutData(GetText());
}

void TWRTextCust::OutData(const QString &text) {
    const TBookMarkType type = GetBookMarkType();
    if (type == bmNone) {
        TWordRange range = GetActiveRange();
        Office([&] {
            switch (ReplaceType()) {
            case rtInsertAfter:
                range.InsertAfter(text);
                break;
            case rtInsertBefore:
                range.InsertBefore(text);
                break;
            case rtRangeReplace:
                range.SetText(text);
                break;
            }
        });
        return;
    }
    TWordFormField field = FormField();
    Office([&] {
        if (type == bmFFCheckBox)
            field.SetCheckBoxValue(text.toUpper() == QStringLiteral("TRUE"));
        else
            field.SetResult(text);
    });
}

QString TWRTextCust::LoadData() {
    if (!FindBookMark(false))
        return {};
    const TBookMarkType type = GetBookMarkType();
    if (type == bmNone) {
        const TWordRange range = GetActiveRange();
        return Office([&] { return range.Text(); });
    }
    const TWordFormField field = FormField();
    return Office([&] {
        if (type == bmFFCheckBox)
            return field.CheckBoxValue() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return field.Result();
    });
}

QString TWRMemo::GetText() {
    QString text;
    for (int i = 0; i < FLines.Count(); ++i)
        text += FLines[i] + QStringLiteral("\r\n");
    return text;
}

void TWRMultiLabel::SetItemIndex(int index) {
    SetBookMarkName(index >= 0 && index < FLabels.Count() ? FLabels.Names(index) : QString());
}

void TWRMultiLabel::SetLabelText(const QString &name, const QString &value) {
    FLabels.SetValues(name, value);
    SetBookMarkName(value.isEmpty() ? QString() : name);
}

void TWRMultiLabel::SendData() {
    for (int i = 0; i < FLabels.Count(); ++i) {
        SetItemIndex(i);
        TWRTextCust::SendData();
    }
}

// ---------------------------------------------------------------------------------------------
// Data objects

void TDBWRObject::SetDataSource(TDataSource *source) {
    SetLink(FDataSource, source);
}

TDataSet *TDBWRObject::DataSet() const {
    TDataSet *dataSet = DataSetOf(FDataSource);
    if (!dataSet)
        PropertyError(QStringLiteral("DataSource,DataSet"));
    return dataSet;
}

TDataSet *TDBWRObject::OpenDataSet() const {
    TDataSet *dataSet = DataSet();
    if (!dataSet->Active())
        dataSet->Open();
    return dataSet;
}

QString TDBWRObject::GetText() {
    TField *field = ActiveField();
    if (!field || !field->DataSet() || !field->DataSet()->Active())
        return {};
    return field->DisplayText();
}

void TDBWRObject::SendData() {
    OpenDataSet();
    if (BookMarkName().isEmpty())
        if (TField *field = ActiveField())
            SetBookMarkName(field->DisplayLabel());
    TWRTextCust::SendData();
}

void TDBWRObject::Notification(TComponentBase *component, TOperation operation) {
    TWRTextCust::Notification(component, operation);
    if (operation == TOperation::opRemove && FDataSource && component == FDataSource)
        FDataSource = nullptr;
}

TField *TDBWRFields::ActiveField() {
    TDataSet *dataSet = DataSetOf(DataSource());
    if (!dataSet || FFieldIndex < 0 || FFieldIndex >= dataSet->FieldCount())
        return nullptr;
    return dataSet->Fields()[FFieldIndex];
}

void TDBWRFields::SendData() {
    // Each field goes only where a bookmark bears its label.
    SetOptions(Options() & ~TWDOptions(IgnoreNotFind));
    TDataSet *dataSet = OpenDataSet();
    if (dataSet->IsEmpty())
        return;
    struct TReset {
        int &Index;
        ~TReset() { Index = -1; }
    } reset{FFieldIndex};
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields()[i];
        if (!field->Visible())
            continue;
        FFieldIndex = i;
        SetBookMarkName(field->DisplayLabel());
        TWRTextCust::SendData();
    }
}

TField *TDBWRLabel::ActiveField() {
    TDataSet *dataSet = DataSetOf(DataSource());
    return dataSet ? dataSet->FindField(FDataField) : nullptr;
}

QString TDBWRLabel::GetText() {
    if (!FAllRows)
        return TDBWRObject::GetText();
    TDataSet *dataSet = DataSetOf(DataSource());
    if (!dataSet || !dataSet->Active())
        return {};
    TField *field = dataSet->FindField(FDataField);
    if (!field)
        return {};
    QString text;
    TCursorGuard guard(dataSet, true);
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        text += field->DisplayText() + QStringLiteral("\r\n");
    return text;
}

// ---------------------------------------------------------------------------------------------
// Tables

QList<TField *> TDBWRTableCust::ColumnFields(const TDataSet *dataSet) const {
    if (FColumns.isEmpty())
        return VisibleFields(dataSet);
    QList<TField *> fields;
    for (const QString &name : FColumns)
        if (TField *field = dataSet->FindField(name))
            fields.append(field);
    return fields;
}

int TDBWRTableCust::ColCount() const {
    return static_cast<int>(ColumnFields(DataSet()).size());
}

int TDBWRTableCust::RowCount() const {
    const int records = DataSet()->RecordCount();
    const int rows = FPageRows >= 0 ? std::min(FPageRows, records) : records;
    return rows + (FIncludeTitle ? 1 : 0);
}

void TDBWRTableCust::ReleaseReferences() {
    TDBWRObject::ReleaseReferences();
    FTable = {};
}

void TDBWRTableCust::SendData() {
    // Opened first: the size of the table follows the records.
    TDataSet *dataSet = OpenDataSet();
    if (!GetWordTable())
        PropertyError(QStringLiteral("TableIndex"));
    const QList<TField *> fields = ColumnFields(dataSet);
    TCursorGuard guard(dataSet, !FKeepDataTrack);
    int row = FStartRow;
    int rows = FPageRows;
    if (rows < 0) {
        dataSet->First();
        rows = dataSet->RecordCount();
    }
    Office([&] {
        if (FIncludeTitle) {
            ++row;
            int col = FStartCol;
            for (TField *field : fields)
                FTable.Cell(row, ++col).SetText(field->DisplayLabel());
        }
        for (; !dataSet->Eof() && rows > 0; --rows) {
            ++row;
            int col = FStartCol;
            for (TField *field : fields)
                FTable.Cell(row, ++col).SetText(field->DisplayText());
            dataSet->Next();
        }
    });
}

bool TDBWRTableIndex::GetWordTable() {
    TDocuReport *report = DocuReport();
    if (!report)
        PropertyError(QStringLiteral("DocuReport"));
    TWordDocument *document = report->Tables();
    const int cols = ColCount() + StartCol();
    const int rows = RowCount() + StartRow();
    return Office([&] {
        // The tables of the current copy of the template start after TableBase.
        const int position = report->TableBase() + FTableIndex + 1;
        if (FTableIndex < 0 || position > document->TableCount())
            return false;
        FTable = document->Table(position);
        while (FTable.ColumnCount() < cols)
            FTable.AddColumn();
        while (FTable.RowCount() < rows)
            FTable.AddRow();
        return true;
    });
}

bool TDBWRTable::GetWordTable() {
    if (!FindBookMark(false))
        return false;
    const int rows = RowCount();
    const int cols = ColCount();
    SetStartRow(0);
    SetStartCol(0);
    // Nothing to show (no record and no title, or no visible field): no table.
    if (rows == 0 || cols == 0) {
        FTable = {};
        return true;
    }
    const TWordRange range = GetActiveRange();
    TWordDocument *document = DocuReport()->Document();
    FTable = Office([&] { return document->AddTable(range, rows, cols); });
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pictures

void TDBWRImage::SetDataSource(TDataSource *source) {
    SetLink(FDataSource, source);
}

void TWRImageFile::SendData() {
    if (FFileName.isEmpty() || !QFileInfo(FFileName).isFile() || !FindBookMark(false))
        return;
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (!IsPicture(bytes))
        throw EDocuReport(QStringLiteral("檔案[%1]不是圖片").arg(FFileName));
    TWordRange range = GetActiveRange();
    Office([&] { range.InsertPicture(bytes); });
}

void TDBWRImage::SendData() {
    if (!FindBookMark(false))
        return;
    TDataSet *dataSet = DataSetOf(FDataSource);
    if (!dataSet)
        PropertyError(QStringLiteral("DataSource,DataSet"));
    if (!dataSet->Active())
        dataSet->Open();
    TField *field = dataSet->FindField(FDataField);
    if (!field)
        PropertyError(QStringLiteral("DataField"));
    const QByteArray bytes = field->AsBytes();
    if (bytes.isEmpty())
        return;
    if (!IsPicture(bytes))
        throw EDocuReport(Format(kNotPicture, {field->FieldName()}));
    TWordRange range = GetActiveRange();
    Office([&] { range.InsertPicture(bytes); });
}

void TDBWRImage::Notification(TComponentBase *component, TOperation operation) {
    TWRObject::Notification(component, operation);
    if (operation == TOperation::opRemove && FDataSource && component == FDataSource)
        FDataSource = nullptr;
}

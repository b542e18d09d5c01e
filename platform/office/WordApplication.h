#pragma once
// The word processor as the report engine sees it: the application that holds the open
// documents, makes new ones from templates, shows them, prints them and tells its users when
// a document is closed or the application quits. It is part of the program, so it is always
// there; what it cannot do without the desktop (opening a document in the desktop's word
// processor, the print preview, printing) goes through a TOfficeViewer.
//
// Showing a document (Visible true while a document is open) saves it under the user's
// documents folder with the template's base name and a time stamp and hands the file to the
// viewer, which opens it with the desktop's application.

#include "WordDocument.h"

#include <QObject>
#include <functional>
#include <vector>

class TOfficeViewer;

// Save options of Close and Quit, with Word's values.
enum TWdSaveOptions {
    wdDoNotSaveChanges = 0,
    wdSaveChanges = -1,
    wdPromptToSaveChanges = -2,
};

class TWordApplication : public QObject {
    Q_OBJECT
public:
    explicit TWordApplication(QObject *parent = nullptr);
    ~TWordApplication() override;

    // The viewer that shows, previews and prints; not owned. Without one, those operations
    // raise EOfficeError.
    TOfficeViewer *Viewer() const { return FViewer; }
    void SetViewer(TOfficeViewer *viewer) { FViewer = viewer; }

    // The folder documents are saved in when shown (default: the user's documents folder).
    QString DocumentsFolder() const;
    void SetDocumentsFolder(const QString &folder) { FDocumentsFolder = folder; }

    bool Visible() const { return FVisible; }
    // Turning visibility on while a document is open shows the active document.
    void SetVisible(bool visible);

    // Application-wide editing options that never change a document's content.
    bool CheckSpellingAsYouType = true;
    bool CheckGrammarAsYouType = true;

    // Documents.Add(Template, NewTemplate = false): a new document based on the template,
    // which becomes the active document. Raises EOfficeError as TWordDocument::FromTemplate.
    TWordDocument *AddDocument(const QString &templateFile);
    TWordDocument *ActiveDocument() const;
    int DocumentCount() const { return static_cast<int>(FDocuments.size()); }

    // Saves the document in the documents folder (when it has not been saved yet, under the
    // template's base name and a time stamp), and returns the file.
    QString SaveForShowing(TWordDocument *document);
    // Saves (as above) and hands the file to the viewer.
    void ShowDocument(TWordDocument *document);
    // The preview window and printing of a document, through the viewer.
    void PrintPreview(TWordDocument *document);
    void ClosePrintPreview();
    void PrintOut(TWordDocument *document);

    // Closes a document: saves it first with wdSaveChanges (to its file, or in the documents
    // folder when it has none), asks the viewer's user with wdPromptToSaveChanges when it is
    // not saved. Emits DocumentClose before the document is freed.
    void CloseDocument(TWordDocument *document, int saveChanges = wdDoNotSaveChanges);
    // Closes every document as CloseDocument does, then emits Quit.
    void Quit(int saveChanges = wdDoNotSaveChanges);

    // Asked on wdPromptToSaveChanges; answers whether to save. Default: save.
    std::function<bool(TWordDocument *)> OnPromptToSave;

Q_SIGNALS:
    void DocumentClose(TWordDocument *document);
    void QuitApplication();

private:
    TOfficeViewer *FViewer = nullptr;
    QString FDocumentsFolder;
    bool FVisible = false;
    std::vector<std::unique_ptr<TWordDocument>> FDocuments;
    TOfficeViewer &CheckedViewer() const;
};

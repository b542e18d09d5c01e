#pragma once
// The spreadsheet application as the export window sees it: it holds the open workbooks, makes
// new ones from templates, and shows them. It is part of the program and stays for the
// program's life, so workbooks outlive the window that made them, as the user expects of a
// spreadsheet program. Showing a workbook (Visible true while one is open) saves it under the
// user's documents folder with the template's base name and a time stamp and hands the file to
// the viewer, which opens it with the desktop's spreadsheet application.

#include "Workbook.h"

#include <QObject>
#include <memory>
#include <vector>

class TOfficeViewer;

class TExcelApplication : public QObject {
    Q_OBJECT
public:
    explicit TExcelApplication(QObject *parent = nullptr);
    ~TExcelApplication() override;

    // The viewer that shows workbooks; not owned. Without one, showing raises EOfficeError.
    TOfficeViewer *Viewer() const { return FViewer; }
    void SetViewer(TOfficeViewer *viewer) { FViewer = viewer; }
    QString DocumentsFolder() const;
    void SetDocumentsFolder(const QString &folder) { FDocumentsFolder = folder; }

    bool Visible() const { return FVisible; }
    // Turning visibility on shows the active workbook; while visible, a workbook that is
    // shown again (ShowWorkbook) is saved again first.
    void SetVisible(bool visible);

    // Workbooks.Add(Template): a new workbook based on the template, which becomes the active
    // workbook. Raises EOfficeError as TExcelWorkbook::FromTemplate does.
    TExcelWorkbook *AddWorkbook(const QString &templateFile);
    TExcelWorkbook *ActiveWorkbook() const;
    int WorkbookCount() const { return static_cast<int>(FBooks.size()); }
    bool Contains(const TExcelWorkbook *book) const;

    // Saves the workbook (the first time in the documents folder under a new name) when it
    // has changes or its file is gone, and returns the file.
    QString SaveForShowing(TExcelWorkbook *book);
    // Saves (as above) and hands the file to the viewer; the application is visible from then.
    void ShowWorkbook(TExcelWorkbook *book);

    // Closes the workbook through TExcelWorkbook::Close (its before-close handler runs, and it
    // is saved when asked to) and lets it go. When saving fails the workbook stays open and
    // the error reaches the caller.
    void CloseWorkbook(TExcelWorkbook *book, bool saveChanges, const QString &fileName = {});

Q_SIGNALS:
    void WorkbookClosed(TExcelWorkbook *book);

private:
    TOfficeViewer *FViewer = nullptr;
    QString FDocumentsFolder;
    bool FVisible = false;
    std::vector<std::unique_ptr<TExcelWorkbook>> FBooks;
};

#include "ExcelApplication.h"

#include "OfficeFiles.h"
#include "OfficeViewer.h"

#include <QFileInfo>
#include <algorithm>

TExcelApplication::TExcelApplication(QObject *parent) : QObject(parent) {}

TExcelApplication::~TExcelApplication() = default;

QString TExcelApplication::DocumentsFolder() const {
    return FDocumentsFolder.isEmpty() ? DefaultDocumentsFolder() : FDocumentsFolder;
}

void TExcelApplication::SetVisible(bool visible) {
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (visible && ActiveWorkbook())
        ShowWorkbook(ActiveWorkbook());
}

TExcelWorkbook *TExcelApplication::AddWorkbook(const QString &templateFile) {
    FBooks.push_back(TExcelWorkbook::FromTemplate(templateFile));
    return FBooks.back().get();
}

TExcelWorkbook *TExcelApplication::ActiveWorkbook() const {
    return FBooks.empty() ? nullptr : FBooks.back().get();
}

bool TExcelApplication::Contains(const TExcelWorkbook *book) const {
    return std::any_of(FBooks.begin(), FBooks.end(),
                       [book](const auto &b) { return b.get() == book; });
}

QString TExcelApplication::SaveForShowing(TExcelWorkbook *book) {
    QString file = book->FullName();
    if (file.isEmpty())
        file = NewShowingFile(DocumentsFolder(), book->TemplateName(), QStringLiteral("xlsx"),
                              QStringLiteral("活頁簿"));
    else if (book->Saved() && QFileInfo::exists(file))
        return file;
    book->SaveAs(file, xlOpenXMLWorkbook);
    return file;
}

void TExcelApplication::ShowWorkbook(TExcelWorkbook *book) {
    if (!FViewer)
        throw EOfficeError(QStringLiteral("這個程式不能顯示活頁簿"));
    FVisible = true;
    FViewer->ShowFile(SaveForShowing(book));
}

void TExcelApplication::CloseWorkbook(TExcelWorkbook *book, bool saveChanges,
                                      const QString &fileName) {
    const auto it = std::find_if(FBooks.begin(), FBooks.end(),
                                 [book](const auto &b) { return b.get() == book; });
    if (it == FBooks.end())
        return;
    book->Close(saveChanges, fileName);
    std::unique_ptr<TExcelWorkbook> closing = std::move(*it);
    FBooks.erase(it);
    Q_EMIT WorkbookClosed(closing.get());
}

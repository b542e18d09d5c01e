#include "WordApplication.h"

#include "OfficeFiles.h"
#include "OfficeViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

TWordApplication::TWordApplication(QObject *parent) : QObject(parent) {}

TWordApplication::~TWordApplication() = default;

QString TWordApplication::DocumentsFolder() const {
    return FDocumentsFolder.isEmpty() ? DefaultDocumentsFolder() : FDocumentsFolder;
}

void TWordApplication::SetVisible(bool visible) {
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (visible && ActiveDocument())
        ShowDocument(ActiveDocument());
}

TWordDocument *TWordApplication::AddDocument(const QString &templateFile) {
    FDocuments.push_back(TWordDocument::FromTemplate(templateFile));
    return FDocuments.back().get();
}

TWordDocument *TWordApplication::ActiveDocument() const {
    return FDocuments.empty() ? nullptr : FDocuments.back().get();
}

TOfficeViewer &TWordApplication::CheckedViewer() const {
    if (!FViewer)
        throw EOfficeError(QStringLiteral("這個程式不能顯示或列印文件"));
    return *FViewer;
}

QString TWordApplication::SaveForShowing(TWordDocument *document) {
    QString file = document->FullName();
    if (file.isEmpty()) {
        // Each shown document gets a file of its own: the template's name and the time.
        file = NewShowingFile(DocumentsFolder(), document->TemplateName(), QStringLiteral("docx"),
                              QStringLiteral("文件"));
    } else if (document->Saved() && QFileInfo::exists(file)) {
        return file;
    }
    document->SaveAs(file, wdFormatDocument);
    return file;
}

void TWordApplication::ShowDocument(TWordDocument *document) {
    TOfficeViewer &viewer = CheckedViewer();
    viewer.ShowFile(SaveForShowing(document));
}

namespace {

// The document as it stands, in a temporary file that lives while `use` runs.
template <class F> void WithTemporaryCopy(TWordDocument *document, F &&use) {
    QTemporaryDir folder;
    if (!folder.isValid())
        throw EOfficeError(QStringLiteral("無法建立暫存資料夾"));
    QString base = QFileInfo(document->TemplateName()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("文件");
    const QString file = folder.filePath(base + QStringLiteral(".docx"));
    document->SaveCopyAs(file);
    use(file, base);
}

} // namespace

void TWordApplication::PrintPreview(TWordDocument *document) {
    TOfficeViewer &viewer = CheckedViewer();
    WithTemporaryCopy(document, [&](const QString &file, const QString &title) {
        viewer.PrintPreviewFile(file, title);
    });
}

void TWordApplication::ClosePrintPreview() {
    if (FViewer)
        FViewer->ClosePrintPreview();
}

void TWordApplication::PrintOut(TWordDocument *document) {
    TOfficeViewer &viewer = CheckedViewer();
    WithTemporaryCopy(document,
                      [&](const QString &file, const QString &) { viewer.PrintOutFile(file); });
}

void TWordApplication::CloseDocument(TWordDocument *document, int saveChanges) {
    const auto it = std::find_if(FDocuments.begin(), FDocuments.end(),
                                 [document](const auto &d) { return d.get() == document; });
    if (it == FDocuments.end())
        return;
    if (!document->Saved()) {
        bool save = saveChanges == wdSaveChanges;
        if (saveChanges == wdPromptToSaveChanges)
            save = OnPromptToSave ? OnPromptToSave(document) : true;
        if (save)
            SaveForShowing(document);
    }
    std::unique_ptr<TWordDocument> closing = std::move(*it);
    FDocuments.erase(it);
    Q_EMIT DocumentClose(closing.get());
}

void TWordApplication::Quit(int saveChanges) {
    while (!FDocuments.empty())
        CloseDocument(FDocuments.back().get(), saveChanges);
    Q_EMIT QuitApplication();
}

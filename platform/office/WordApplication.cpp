#include "WordApplication.h"

#include "OfficeViewer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

TWordApplication::TWordApplication(QObject *parent) : QObject(parent) {}

TWordApplication::~TWordApplication() = default;

QString TWordApplication::DocumentsFolder() const {
    if (!FDocumentsFolder.isEmpty())
        return FDocumentsFolder;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
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
        const QDir folder(DocumentsFolder());
        if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
            throw EOfficeError(QStringLiteral("無法建立資料夾%1").arg(folder.absolutePath()));
        QString base = QFileInfo(document->TemplateName()).completeBaseName();
        if (base.isEmpty())
            base = QStringLiteral("文件");
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        file = folder.filePath(QStringLiteral("%1-%2.docx").arg(base, stamp));
        for (int n = 2; QFileInfo::exists(file); ++n)
            file = folder.filePath(QStringLiteral("%1-%2-%3.docx").arg(base, stamp).arg(n));
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

#pragma once
// What the print tests of the jobs share: the preview window a print opened, and its text.

#include "PdfPreviewForm.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>

inline bool HasOfficeSuite() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

// The preview window that is open, or nullptr.
inline TPdfPreviewForm *OpenPreview() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<TPdfPreviewForm *>(w); preview && preview->isVisible())
            return preview;
    return nullptr;
}

inline QString PdfText(const QString &pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

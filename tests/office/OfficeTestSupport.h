#pragma once
// What the office tests share: the documents written by other software, files read and
// written whole, PDF text through pdftotext, and scripts that stand in for other programs.

#include "OfficeErrors.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <functional>

inline QString OutsideWritten(const QString &name) {
    return QStringLiteral(LUM_SOURCE_DIR "/tests/office/data/outside-written/") + name;
}

inline QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// An executable shell script.
inline bool WriteScript(const QString &path, const QByteArray &body) {
    return WriteAll(path, "#!/bin/sh\n" + body) &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
}

// The text of a PDF as pdftotext reads it; empty when it cannot.
inline QString PdfText(const QString &pdfPath) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The message of the EOfficeError that work raises ("" when it raises none).
inline QString ErrorOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const EOfficeError &e) {
        return e.Message();
    }
    return {};
}

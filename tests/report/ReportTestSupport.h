#pragma once
// What the report tests share: client datasets made in memory, and PDFs read back through
// poppler's tools (their text with pdftotext -layout, their page count with pdfinfo).

#include "ClientDataSet.h"
#include "DataSource.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <memory>

// A client dataset with the given fields ("Name:type[:size]", type one of s i f d t; t is a date
// and time) and rows.
inline std::unique_ptr<TClientDataSet> MakeDataSet(const QString &name, const QStringList &fields,
                                                   const QList<QVariantList> &rows,
                                                   QObject *owner = nullptr) {
    auto ds = std::make_unique<TClientDataSet>(owner);
    ds->SetName(name);
    for (const QString &field : fields) {
        const QStringList parts = field.split(QLatin1Char(':'));
        const QString type = parts.value(1, QStringLiteral("s"));
        if (type == QLatin1String("i"))
            ds->FieldDefs().Add(parts[0], ftInteger);
        else if (type == QLatin1String("f"))
            ds->FieldDefs().Add(parts[0], ftFloat);
        else if (type == QLatin1String("d"))
            ds->FieldDefs().Add(parts[0], ftDate);
        else if (type == QLatin1String("t"))
            ds->FieldDefs().Add(parts[0], ftDateTime);
        else
            ds->FieldDefs().Add(parts[0], ftString, parts.value(2, QStringLiteral("40")).toInt());
    }
    ds->CreateDataSet();
    for (const QVariantList &row : rows) {
        ds->Append();
        for (int i = 0; i < row.size() && i < ds->FieldCount(); ++i) {
            TField *f = ds->Fields()[i];
            const QVariant &v = row[i];
            if (!v.isValid() || v.isNull())
                f->Clear();
            else if (f->DataType() == ftInteger)
                f->SetAsInteger(v.toInt());
            else if (f->DataType() == ftFloat)
                f->SetAsFloat(v.toDouble());
            else if (f->DataType() == ftDate)
                f->SetAsDateTime(TDateTime::FromDate(v.toDate()));
            else if (f->DataType() == ftDateTime)
                f->SetAsDateTime(TDateTime::FromQDateTime(v.toDateTime()));
            else
                f->SetAsString(v.toString());
        }
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

inline QString RunTool(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF laid out as on the page, pages apart by form feeds.
inline QString PdfLayoutText(const QString &pdf) {
    return RunTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                    QStringLiteral("-")});
}

// The text of each page of a PDF.
inline QStringList PdfPageTexts(const QString &pdf) {
    QStringList pages = PdfLayoutText(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The page count pdfinfo reads; -1 when it cannot.
inline int PdfPageCount(const QString &pdf) {
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A text with its runs of blanks made one blank (pdftotext's layout spaces vary).
inline QString Squeezed(const QString &text) {
    return QString(text).replace(QRegularExpression(QStringLiteral("[ \\t]+")),
                                 QStringLiteral(" "));
}

// How often needle occurs in text.
inline int Occurrences(const QString &text, const QString &needle) {
    return static_cast<int>(text.count(needle));
}

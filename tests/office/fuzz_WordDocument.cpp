// libFuzzer target: arbitrary bytes as a .docx package, and (when they start with "<") as the
// main part of an otherwise sound package, read and filled the way a report fills a template.
// Every input must either be read or raise EOfficeError, and what was read must take text,
// rows and a saved copy that reads back as well-formed XML; anything else (a crash, a
// sanitizer report, another exception) is a finding.

#include "OfficePackage.h"
#include "WordDocument.h"

#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>

namespace {

const char *const kShell =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
    "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";

QByteArray PackageAround(const QByteArray &documentXml) {
    TOfficePackage package = TOfficePackage::Create(QStringLiteral("shell"));
    package.SetPart(QStringLiteral("[Content_Types].xml"), kShell);
    package.SetPart(QStringLiteral("word/document.xml"), documentXml);
    return package.WriteBytes();
}

void Exercise(TWordDocument &doc) {
    for (int i = 1; i <= doc.BookmarkCount() && i <= 8; ++i) {
        TWordRange range = doc.Bookmark(i).Range();
        (void)range.Text();
        range.InsertAfter(QStringLiteral("值\r\n二"));
    }
    for (int i = 1; i <= doc.FormFieldCount() && i <= 8; ++i) {
        TWordFormField field = doc.FormField(i);
        (void)field.Result();
        if (field.Type() == wdFieldFormCheckBox)
            field.SetCheckBoxValue(true);
        else
            field.SetResult(QStringLiteral("結果"));
    }
    for (int i = 1; i <= doc.TableCount() && i <= 4; ++i) {
        TWordTable table = doc.Table(i);
        if (table.RowCount() > 0) {
            table.AddRow();
            if (table.ColumnCount() > 0 && table.RowCount() > 0)
                try {
                    table.Cell(1, 1).SetText(QStringLiteral("格"));
                } catch (const EOfficeError &) {
                    // a first row without cells
                }
        }
    }
    doc.LastSentence().InsertAfter(QStringLiteral("end"));
    TWordRange end = doc.Content();
    end.Collapse(wdCollapseEnd);
    end.InsertBreak(wdPageBreak);
    const QByteArray xml = doc.DocumentXml();
    pugi::xml_document check;
    if (!check.load_buffer(xml.constData(), static_cast<size_t>(xml.size())))
        abort(); // the document would not open again
    auto again = TWordDocument::FromBytes(doc.SaveToBytes(), QStringLiteral("again"));
    (void)again->BookmarkCount();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const QByteArray package = bytes.startsWith('<') ? PackageAround(bytes) : bytes;
        auto doc = TWordDocument::FromBytes(package, QStringLiteral("fuzz"));
        Exercise(*doc);
    } catch (const EOfficeError &) {
        // refused with a message: fine
    }
    return 0;
}

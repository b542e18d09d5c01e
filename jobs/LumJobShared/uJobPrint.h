#pragma once
// Printing from a job form through a template: the report and its labels, and a print that
// fills a fresh copy of the template (closing the report throws the previous copy away; the
// preview window keeps its own) and shows it in the preview window. Header-only, so that only
// the packages that print link the report engine.

#include "Packages.h"
#include "uDocuReport.h"
#include "uOrganization.h"
#include "uRocDate.h"

struct TJobPrint {
    TDocuReport *DocuReport;
    TWRMultiLabel *WRMultiLabel;

    explicit TJobPrint(QObject *owner)
        : DocuReport(new TDocuReport(owner)), WRMultiLabel(new TWRMultiLabel(owner)) {
        DocuReport->SetName(QStringLiteral("DocuReport"));
        DocuReport->SetVisible(false);
        DocuReport->SetOptions(InsertPageBreak | AutoCloseDocument);
        DocuReport->SetSaveAction(saDoNotSaveChanges);
        WRMultiLabel->SetName(QStringLiteral("WRMultiLabel"));
        WRMultiLabel->SetDocuReport(DocuReport);
    }

    // Fills the template of TemplateDocs (by file name) with the labels, and the school's name
    // and today's date at "OrganizationName" and "PrintDate", then previews it.
    void Preview(const QString &templateFile, const QList<std::pair<QString, QString>> &labels) {
        DocuReport->Close();
        DocuReport->SetTemplateName(ProgramFolder() + QStringLiteral("TemplateDocs/") +
                                    templateFile);
        WRMultiLabel->Labels().Clear();
        WRMultiLabel->SetLabelText(QStringLiteral("OrganizationName"),
                                   Organization ? Organization->FullName : QString());
        for (const auto &[name, value] : labels)
            WRMultiLabel->SetLabelText(name, value);
        WRMultiLabel->SetLabelText(QStringLiteral("PrintDate"), RocDateText(Date()));
        DocuReport->SendToWord();
        DocuReport->PrintPreview();
    }
};

#include "uAcadWordJobForm.h"

#include "Exceptions.h"
#include "uAcadReportJobForm.h"
#include "uDocuReport.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

TAcadWordJobForm::TAcadWordJobForm(const QString &caption) : FCaption(caption) {
    SetCaption(caption);
    auto *layout = new QVBoxLayout(ClientPanel);
    gbCriteria = new QGroupBox(QStringLiteral("列印條件"), ClientPanel);
    gbCriteria->setObjectName(QStringLiteral("gbCriteria"));
    CriteriaLayout = new QFormLayout(gbCriteria);
    layout->addWidget(gbCriteria);
    lbStatus = new QLabel(ClientPanel);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    layout->addWidget(lbStatus);
    layout->addStretch(1);

    const auto action = [this](const char *name, const QString &text, const QString &hint,
                               const char *themeIcon, QStyle::StandardPixmap icon) {
        auto *a = new TAction(this, QLatin1String(name), QStringLiteral("Report"), text);
        a->SetHint(hint);
        a->setIcon(QIcon::fromTheme(QLatin1String(themeIcon), style()->standardIcon(icon)));
        ToolBar1->addAction(a);
        return a;
    };
    ActPreview =
        action("ActPreview", QStringLiteral("預覽列印"), QStringLiteral("依列印條件產生文件並預覽"),
               "document-print-preview", QStyle::SP_FileDialogContentsView);
    ActPreview->OnExecute = [this] { PreviewExecute(); };
    ActPrint = action("ActPrint", QStringLiteral("列印"), QStringLiteral("依列印條件列印文件"),
                      "document-print", QStyle::SP_ComputerIcon);
    ActPrint->OnExecute = [this] { PrintExecute(); };
    ActSavePdf =
        action("ActSavePdf", QStringLiteral("另存PDF"), QStringLiteral("將文件存成 PDF 檔"),
               "document-save-as", QStyle::SP_DialogSaveButton);
    ActSavePdf->OnExecute = [this] { SavePdfExecute(); };
    resize(560, 360);
}

void TAcadWordJobForm::AddCriterion(const QString &label, QWidget *field) {
    field->setParent(gbCriteria);
    CriteriaLayout->addRow(label, field);
    if (auto *caption = qobject_cast<QLabel *>(CriteriaLayout->labelForField(field)))
        caption->setBuddy(field);
}

QString TAcadWordJobForm::NumberOf(const QLineEdit *edit, const QString &what) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        throw Exception(QStringLiteral("請輸入") + what);
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9-]{1,20}$"));
    if (!valid.match(text).hasMatch())
        throw Exception(QStringLiteral("%1 %2 不正確").arg(what, text));
    return text;
}

TDocuReport *TAcadWordJobForm::Make(const QString &done) {
    bool found = true;
    TDocuReport *report = nullptr;
    {
        TProgressWindow progress;
        progress.Show(FCaption + QStringLiteral(" 產生中..."), 10);
        report = MakeDocument(found);
    }
    lbStatus->setText(found ? done : QStringLiteral("查無符合的資料,文件的欄位空白"));
    return report;
}

TDocuReport *TAcadWordJobForm::PreviewExecute() {
    TDocuReport *report = Make(QStringLiteral("已預覽"));
    report->PrintPreview();
    return report;
}

TDocuReport *TAcadWordJobForm::PrintExecute() {
    TDocuReport *report = Make(QStringLiteral("已列印"));
    report->PrintOut();
    return report;
}

QString TAcadWordJobForm::SavePdfExecute(const QString &path) {
    TDocuReport *report = Make(QStringLiteral("已存檔"));
    QString file = path;
    if (file.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        file =
            QFileDialog::getSaveFileName(this, QStringLiteral("另存PDF"),
                                         QDir(folder).filePath(FCaption + QStringLiteral(".pdf")),
                                         QStringLiteral("PDF (*.pdf)"));
        if (file.isEmpty())
            return {};
    }
    report->SaveAs(file, wdFormatPDF);
    lbStatus->setText(QStringLiteral("已存檔：") + file);
    return file;
}

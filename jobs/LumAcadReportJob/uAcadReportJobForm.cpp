#include "uAcadReportJobForm.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "QRPreviewForm.h"
#include "QuickRep.h"
#include "ReportErrors.h"
#include "ReportUi.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uJxProgressDialog.h"

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The progress window for one layout: shown at the first record, moved when the share done
// changes (each move lets the window paint), closed on every way out.
class TLayoutProgress {
public:
    TLayoutProgress(TQuickRep &report, const QString &title) : FReport(report) {
        FReport.OnProgress = [this, title](TQuickRep *, int record, int count) {
            const int share = count > 0 ? record * 100 / count : 0;
            if (share == FShown)
                return;
            FShown = share;
            FWindow.Show(QStringLiteral("%1 產生中... (%2/%3)").arg(title).arg(record).arg(count),
                         share);
        };
    }
    ~TLayoutProgress() { FReport.OnProgress = nullptr; }
    TLayoutProgress(const TLayoutProgress &) = delete;
    TLayoutProgress &operator=(const TLayoutProgress &) = delete;

private:
    TQuickRep &FReport;
    TProgressWindow FWindow;
    int FShown = -1;
};

QDateEdit *DateEdit(QWidget *parent, const char *name) {
    auto *edit = new QDateEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    return edit;
}

// A file name from a report title: characters that file systems refuse become "_".
QString FileNameOf(const QString &title) {
    QString name = title.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    return name.isEmpty() ? QStringLiteral("報表") : name;
}

} // namespace

TAcadReportJobForm::TAcadReportJobForm(const QString &caption) : FCaption(caption) {
    SetCaption(caption);
    CodeTableMain = new TCodeTableCDS(this);
    CodeTableMain->SetName(QStringLiteral("CodeTableMain"));
    CodeTableMainSource = new TDataSource(this);
    CodeTableMainSource->SetName(QStringLiteral("CodeTableMainSource"));
    CodeTableMainSource->SetAutoEdit(false);
    CodeTableMainSource->SetDataSet(CodeTableMain);

    auto *layout = new QVBoxLayout(ClientPanel);
    gbCriteria = new QGroupBox(QStringLiteral("列印條件"), ClientPanel);
    gbCriteria->setObjectName(QStringLiteral("gbCriteria"));
    CriteriaLayout = new QFormLayout(gbCriteria);
    cbSemester = DataCodeList(gbCriteria, "cbSemester", CodeTableMainSource,
                              QStringLiteral("Main_Code='YSemester'"), "Code", "Descript");
    AddCriterion(QStringLiteral("學期:"), cbSemester);
    layout->addWidget(gbCriteria);
    lbStatus = new QLabel(ClientPanel);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    layout->addWidget(lbStatus);
    layout->addStretch(1);

    // The desktop theme's icons where it has them.
    auto action = [this](const char *name, const QString &caption, const QString &hint,
                         const char *themeIcon, QStyle::StandardPixmap icon) {
        auto *a = new TAction(this, QLatin1String(name), QStringLiteral("Report"), caption);
        a->SetHint(hint);
        a->setIcon(QIcon::fromTheme(QLatin1String(themeIcon), style()->standardIcon(icon)));
        ToolBar1->addAction(a);
        return a;
    };
    ActPreview =
        action("ActPreview", QStringLiteral("預覽列印"), QStringLiteral("依列印條件產生報表並預覽"),
               "document-print-preview", QStyle::SP_FileDialogContentsView);
    ActPreview->OnExecute = [this] { PreviewExecute(); };
    ActPrint = action("ActPrint", QStringLiteral("列印"), QStringLiteral("依列印條件列印報表"),
                      "document-print", QStyle::SP_ComputerIcon);
    ActPrint->OnExecute = [this] { PrintExecute(); };
    ActSavePdf =
        action("ActSavePdf", QStringLiteral("另存PDF"), QStringLiteral("將報表存成 PDF 檔"),
               "document-save-as", QStyle::SP_DialogSaveButton);
    ActSavePdf->OnExecute = [this] { SavePdfExecute(); };
    resize(560, 420);
}

TAcadReportJobForm::~TAcadReportJobForm() = default;

QString TAcadReportJobForm::Semester() const {
    return cbSemester->GetCode();
}

QString TAcadReportJobForm::CodeName(const QString &category, const QString &code) const {
    const Variant name = CodeTableMain->Lookup(QStringLiteral("Main_Code;Code"),
                                               Variant::ArrayOf({Variant(category), Variant(code)}),
                                               QStringLiteral("Descript"));
    return name.IsEmptyOrNull() ? code : name.ToString().trimmed();
}

void TAcadReportJobForm::DoFormInitial() {
    TRadBaseForm::DoFormInitial();
    ChooseCurrentSemester(cbSemester, CodeTableMain);
}

void TAcadReportJobForm::AddCriterion(const QString &label, QWidget *field) {
    field->setParent(gbCriteria);
    CriteriaLayout->addRow(label, field);
    if (auto *caption = qobject_cast<QLabel *>(CriteriaLayout->labelForField(field)))
        caption->setBuddy(field);
}

std::pair<QDateEdit *, QDateEdit *> TAcadReportJobForm::AddPeriodCriterion() {
    auto *period = new QWidget;
    period->setObjectName(QStringLiteral("plPeriod"));
    QDateEdit *from = DateEdit(period, "deFromDate");
    QDateEdit *to = DateEdit(period, "deToDate");
    auto *layout = new QHBoxLayout(period);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(from);
    layout->addWidget(new QLabel(QStringLiteral("至"), period));
    layout->addWidget(to);
    layout->addStretch(1);
    AddCriterion(QStringLiteral("期間:"), period);
    const QDate today = Date().ToDate();
    const QDate first = QDate(today.year(), today.month(), 1).addMonths(-1);
    from->setDate(first);
    to->setDate(first.addDays(first.daysInMonth() - 1));
    return {from, to};
}

std::pair<TDateTime, TDateTime> TAcadReportJobForm::PeriodOf(const QDateEdit *from,
                                                             const QDateEdit *to) {
    if (from->date() > to->date())
        throw Exception(QStringLiteral("期間的起日不可晚於迄日"));
    return {TDateTime::FromDate(from->date()), TDateTime::FromDate(to->date())};
}

void TAcadReportJobForm::Prepare(TQuickRep &report) {
    {
        TLayoutProgress progress(report, report.ReportTitle());
        report.Prepare();
    }
    if (report.PageCount() == 0)
        throw Exception(QStringLiteral("沒有符合條件的資料"));
}

void TAcadReportJobForm::ShowPages(int pages, const QString &what) {
    lbStatus->setText(QStringLiteral("%1：共 %2 頁").arg(what).arg(pages));
}

TQRPreviewForm *TAcadReportJobForm::PreviewExecute() {
    const std::unique_ptr<TQuickRep> report = MakeReport();
    Prepare(*report);
    auto *preview = new TQRPreviewForm(report->Prepared());
    preview->show();
    ShowPages(report->PageCount(), QStringLiteral("已預覽"));
    return preview;
}

void TAcadReportJobForm::PrintExecute() {
    CheckReportPrinter();
    const std::unique_ptr<TQuickRep> report = MakeReport();
    Prepare(*report);
    if (PrintPreparedPages(*report->Prepared(), true, this))
        ShowPages(report->PageCount(), QStringLiteral("已列印"));
}

QString TAcadReportJobForm::SavePdfExecute(const QString &path) {
    const std::unique_ptr<TQuickRep> report = MakeReport();
    Prepare(*report);
    QString file = path;
    if (file.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QFileDialog dialog(this, QStringLiteral("另存PDF"),
                           QDir(folder).filePath(FileNameOf(FCaption) + QStringLiteral(".pdf")),
                           QStringLiteral("PDF 文件 (*.pdf)"));
        dialog.setObjectName(QStringLiteral("SavePdfDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        file = dialog.selectedFiles().constFirst();
    }
    report->Prepared()->SaveToPdf(file);
    ShowPages(report->PageCount(), QStringLiteral("已存成 %1").arg(QDir::toNativeSeparators(file)));
    return file;
}

TProgressWindow::~TProgressWindow() {
    CloseProgressDialog();
}

void TProgressWindow::Show(const QString &text, int percent) const {
    ShowProgressDialog(text, percent);
}

QString SqlText(const QString &text) {
    return QString(text).replace(u'\'', QStringLiteral("''"));
}

QStringList StudentNumbers(const QString &text) {
    QStringList numbers;
    static const QRegularExpression separators(QStringLiteral("[,，、;\\s]+"));
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9]+$"));
    for (const QString &part : text.split(separators, Qt::SkipEmptyParts)) {
        if (!valid.match(part).hasMatch())
            throw Exception(QStringLiteral("學號 %1 不正確").arg(part));
        if (!numbers.contains(part))
            numbers << part;
    }
    return numbers;
}

QString StudentsCondition(const QStringList &numbers) {
    QStringList quoted;
    for (const QString &n : numbers)
        quoted << u'\'' + SqlText(n) + u'\'';
    return QStringLiteral("StudentID In (%1)").arg(quoted.join(u','));
}

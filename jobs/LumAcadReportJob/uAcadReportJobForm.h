#pragma once
// TAcadReportJobForm: a job form of the academic office that prints one kind of report. The
// user chooses the term and what the descendant asks for ("列印條件"), then previews the
// report ("預覽列印"), prints it through the print dialog ("列印") or saves it as a PDF file
// ("另存PDF"). Each run makes a fresh report from the criteria, reads its data from the
// application servers and lays it out under the progress window; the preview window keeps the
// pages it shows, so the report is gone once it is open.

#include "DateTime.h"
#include "uRadBaseForm.h"

#include <memory>

class QDateEdit;
class QFormLayout;
class QGroupBox;
class QLabel;
class TCodeTableCDS;
class TDataSource;
class TLUMDBCodeComboBox;
class TQRPreviewForm;
class TQuickRep;

class TAcadReportJobForm : public TRadBaseForm {
    Q_OBJECT
public:
    // The report's kind names the form (caption, file name of the saved PDF).
    explicit TAcadReportJobForm(const QString &caption);
    ~TAcadReportJobForm() override;

    TCodeTableCDS *CodeTableMain;
    TDataSource *CodeTableMainSource;
    QGroupBox *gbCriteria;
    QFormLayout *CriteriaLayout;
    TLUMDBCodeComboBox *cbSemester;
    QLabel *lbStatus; // what the last run printed
    TAction *ActPreview, *ActPrint, *ActSavePdf;

    QString Semester() const;
    // The name of a code of the code table's category; the code itself when it has none.
    QString CodeName(const QString &category, const QString &code) const;

    // The report of the criteria as they stand, its data read; raises a clear error for
    // criteria that select nothing or are not valid.
    virtual std::unique_ptr<TQuickRep> MakeReport() = 0;

    // The actions' work, also reached through the tool bar. Preview returns the window.
    TQRPreviewForm *PreviewExecute();
    void PrintExecute();
    // Saves to the file given, or asks for one (a save dialog) when `path` is empty; returns
    // the file written, empty when the user cancelled.
    QString SavePdfExecute(const QString &path = QString());

    void DoFormInitial() override;

protected:
    // Adds a row to the criteria.
    void AddCriterion(const QString &label, QWidget *field);
    // Adds the period "期間:" (deFromDate 至 deToDate), last month to begin with.
    std::pair<QDateEdit *, QDateEdit *> AddPeriodCriterion();
    // The period of the two dates; raises "期間的起日不可晚於迄日" when it runs backwards.
    static std::pair<TDateTime, TDateTime> PeriodOf(const QDateEdit *from, const QDateEdit *to);
    // Lays the report out under the progress window, which closes whatever happens; a report
    // without a single page raises "沒有符合條件的資料".
    void Prepare(TQuickRep &report);

private:
    void ShowPages(int pages, const QString &what);
    QString FCaption;
};

// The progress window for a piece of long work: shown with each step, closed when the work
// ends, however it ends.
class TProgressWindow {
public:
    TProgressWindow() = default;
    ~TProgressWindow();
    TProgressWindow(const TProgressWindow &) = delete;
    TProgressWindow &operator=(const TProgressWindow &) = delete;
    void Show(const QString &text, int percent) const;
};

// A text for a SQL literal: quotes doubled.
QString SqlText(const QString &text);
// The student numbers typed in a criterion (separated by commas, spaces or new lines), in the
// order typed and without repeats; raises "學號 %1 不正確" for one that is not letters and
// digits only.
QStringList StudentNumbers(const QString &text);
// "StudentID In ('a','b')" for those numbers.
QString StudentsCondition(const QStringList &numbers);

#pragma once
// TAcadWordJobForm: a job form of the academic office that fills a Word document of its kind
// from what the user chooses ("列印條件"), then previews it ("預覽列印", from which it is
// printed or saved), prints it ("列印") or saves it as a PDF file ("另存PDF"). Each run makes
// the document anew under the progress window; when the number typed matches nothing the
// document's labels stay empty and the form says so.

#include "uRadBaseForm.h"

class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class TDocuReport;

class TAcadWordJobForm : public TRadBaseForm {
    Q_OBJECT
public:
    explicit TAcadWordJobForm(const QString &caption);

    QGroupBox *gbCriteria;
    QFormLayout *CriteriaLayout;
    QLabel *lbStatus; // what the last run made
    TAction *ActPreview, *ActPrint, *ActSavePdf;

    // Fills the document of the criteria as they stand and returns its report; `found` is
    // false when what was asked for matched no row (the document is made all the same).
    virtual TDocuReport *MakeDocument(bool &found) = 0;

    // The actions' work. Each returns the report of the document made.
    TDocuReport *PreviewExecute();
    TDocuReport *PrintExecute();
    // Saves to the file given, or asks for one when `path` is empty; returns the file written,
    // empty when the user cancelled.
    QString SavePdfExecute(const QString &path = QString());

protected:
    void AddCriterion(const QString &label, QWidget *field);
    // The number typed in the field: letters, digits and "-" only; raises "請輸入<what>" when
    // empty and "<what> <text> 不正確" otherwise, so that nothing else reaches a statement.
    static QString NumberOf(const QLineEdit *edit, const QString &what);

private:
    TDocuReport *Make(const QString &done);
    QString FCaption;
};

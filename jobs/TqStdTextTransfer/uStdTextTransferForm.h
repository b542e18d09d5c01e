#pragma once
// The student list of "SrvAcademic.AcadStudentINTF" ("dspStdBasic") in a grid, written to a
// text file ("匯出文字檔") and read back from one ("匯入文字檔"). A file holds one student a
// line, one column per field shown in the grid, delimited or fixed-width Big5 text as the
// options above the grid say. Imported lines go into the grid's change log, found by student
// number: a new number is appended, a student already listed takes the line's values. They go
// to the server when the user confirms; a file that cannot be read as a whole changes nothing.

#include "uSingalTBForm.h"

class QComboBox;
class QFileDialog;
class QLineEdit;
class TLumDataSetConverter;

class TStdTextTransferForm : public TSingalTBMultiRecForm {
    Q_OBJECT
public:
    TStdTextTransferForm();
    ~TStdTextTransferForm() override;
    void DoFormInitial() override;
    void OpCtrl() override;

    // The options: the format ("分隔字元" or "固定寬度"), the separator (one character, or
    // "Tab") and the quote (one character; none when empty).
    QComboBox *cbFormat = nullptr;
    QComboBox *cbDelimiter = nullptr;
    QLineEdit *edQuote = nullptr;
    TAction *DataExportText = nullptr, *DataImportText = nullptr;
    TLumDataSetConverter *Converter = nullptr;

    // The students of the grid, as it filters and orders them, into a file the user picks.
    void DataExportTextExecute();
    // The students of a file the user picks, appended to the grid.
    void DataImportTextExecute();

private:
    // Sets the converter from the options; raises when they do not make a format.
    void ApplyOptions();
    // The file the user picks, or empty when the dialog is cancelled.
    QString ChooseFile(bool forSaving);
    void ImportFile(const QString &fileName);
    QString FLastFolder;
};

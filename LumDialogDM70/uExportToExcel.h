#pragma once
// The export of a dataset into a workbook: the user picks a workbook file (.xlsx) as the
// template of a new workbook, one of its worksheets and the first cell, and exports. Columns
// are the dataset's visible fields in field order, headed by their display labels; each
// record becomes one row of edit texts, written in one call per row. Text and date fields get
// the text format ("@") first, so codes with leading zeros and dates stay as written.
//
// The workbooks live in the program's spreadsheet application (RunningExcel), which outlives
// the window: a workbook made here stays open after the window closes or another file is
// opened. After an export the workbook is shown: saved under the user's documents folder
// (template base name and a time stamp) and opened with the desktop's spreadsheet program, or
// its file is named when there is none. "關閉工作簿" saves it where the user chooses.

#include <QDialog>
#include <QString>

#include "Workbook.h"

class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QToolBar;
class TDataSet;
class TDataSource;
class TDBCheckListBox;
class TDBGridModel;
class TDataSetAction;
class TExcelApplication;
class TField;
class TOfficeViewerUi;

class TLumExportToExcel : public QDialog {
    Q_OBJECT
public:
    explicit TLumExportToExcel(QWidget *parent = nullptr);
    ~TLumExportToExcel() override;

    // Bottom panel.
    QComboBox *cbbSheetName;
    // "新增工作表..." on the sheet list's context menu: a new worksheet in the workbook.
    QAction *ActNewSheet;
    QSpinBox *seRow, *seCol;
    QPushButton *BtnOpen, *btnClose, *btnExportData;
    QProgressBar *ProgressBar;
    // Client area: the field check list, its splitter, the read-only grid and its navigator.
    TDBCheckListBox *clbFields;
    QSplitter *SpFields;
    QTableView *DBGrid;
    TDBGridModel *DBGridModel;
    QToolBar *Navigator;
    TDataSetAction *NavFirst, *NavPrior, *NavNext, *NavLast;
    TDataSource *ExcelDataSource;

    // The spreadsheet application, workbook and worksheet the window is connected to.
    TExcelApplication *ExcelApp = nullptr;
    TExcelWorkbook *ExcelBook = nullptr;
    TExcelWorksheet ExcelSheet;
    bool AppConnected = false;
    bool BookConnected = false;
    bool SheetConnected = false;
    // The user-default locale, passed on as spreadsheet calls that take one expect it.
    int LocaleID = 1024;
    int StartRow = 1;
    int StartCol = 1;
    // The open dialog's file: where it starts, and the file last chosen in it.
    QString OpenFileName;

    void Execute(TDataSet *dataSet);
    TDataSet *DataSet() const;
    void SetDataSet(TDataSet *dataSet);

    void OpCtrl();
    void SetSheetNames();
    void DisconnectAll();

    // A1-style names. ExcelColumnIndex raises Exception "ExcelColumnIndex(%d) XIdx value error"
    // outside 1..676.
    static QString ExcelColumnIndex(int index);
    static QString ExcelRowIndex(int index);
    static QString ExcelCellName(int column, int row);

    // The program's spreadsheet application, made on first use and kept until the program
    // ends, and the viewer it shows workbooks with.
    static TExcelApplication *RunningExcel();
    static TOfficeViewerUi *RunningExcelViewer();

    void BtnOpenClick();
    void btnCloseClick();
    void btnExportDataClick();
    void cbbSheetNameChange();
    // Asks for the new sheet's name (blank: the workbook's next default name) and adds it.
    void ActNewSheetExecute();
    // Opens the chosen file as the template of a new workbook (the button's work after the
    // open dialog).
    void OpenWorkbook(const QString &fileName);
    // Writes the dataset into ExcelSheet from (StartCol, StartRow); raises on errors after
    // restoring the dataset's position and controls and the sheet's visibility.
    void ExportData();

protected:
    void done(int result) override;

private:
    void ConnectBook(TExcelWorkbook *book);
    void ClearSheetConnection();
    void ClearBookConnection();
    void ShowError(const QString &message);
    QString OpenStartFile() const;
    QString SaveFileFor(TExcelWorkbook *book);
};

// Shows the export window for the dataset, with or without the field check list.
void HandleExportToExcel(TDataSet *dataSet, bool showFields);
// As HandleExportToExcel; the open dialog starts at fileName, which afterwards holds the file
// last chosen in it.
void RunExportToExcel(TDataSet *dataSet, QString &fileName, bool showFields);

// The export window driven as a user would: a workbook LibreOffice wrote opened as the template
// through the open dialog, a sheet chosen, the start cell typed, the export clicked, and the
// workbook the desktop would open read back; the enabling rules, the many-rows warning, the
// column limit and errors in the middle of an export (the dataset's place, its controls and the
// sheet's visibility come back), reopening, closing with a save dialog, a file that is no
// workbook, sheets added to the workbook, the field check list, and the data-to-workbook
// component.

#include "ClientDataSet.h"
#include "DBCheckListBox.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "ExcelApplication.h"
#include "Exceptions.h"
#include "ModalAnswer.h"
#include "OfficeSuite.h"
#include "OfficeTestSupport.h"
#include "OfficeViewerUi.h"
#include "PdfTestSupport.h"
#include "TestMain.h"
#include "Variant.h"
#include "uExportToExcel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

// Code (text with leading zeros), name, birthday, score, seat, and a hidden note.
std::unique_ptr<TClientDataSet> MakeStudents(int rows) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("StudentID"), ftString, 10).DisplayLabel =
        QStringLiteral("學號");
    ds->FieldDefs().Add(QStringLiteral("Cht_Name"), ftString, 20).DisplayLabel =
        QStringLiteral("姓名");
    ds->FieldDefs().Add(QStringLiteral("Birthday"), ftDate).DisplayLabel = QStringLiteral("生日");
    ds->FieldDefs().Add(QStringLiteral("Score"), ftFloat).DisplayLabel = QStringLiteral("成績");
    ds->FieldDefs().Add(QStringLiteral("SeatNo"), ftInteger).DisplayLabel = QStringLiteral("座號");
    ds->FieldDefs().Add(QStringLiteral("Note"), ftString, 20).Visible = false;
    ds->CreateDataSet();
    for (int i = 0; i < rows; ++i) {
        ds->Append();
        ds->Fields()[0]->SetAsString(QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0')));
        ds->Fields()[1]->SetAsString(QStringLiteral("學生%1").arg(i + 1));
        ds->Fields()[2]->SetAsDateTime(TDateTime::EncodeDate(2009, 1 + i % 12, 1 + i % 28));
        ds->Fields()[3]->SetAsFloat(60 + i % 40 + 0.5);
        ds->Fields()[4]->SetAsInteger(i % 40 + 1);
        ds->Fields()[5]->SetAsString(QStringLiteral("不匯出"));
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

QString Cell(TExcelWorksheet &sheet, int col, int row) {
    return sheet.Cell(col, row).ValueAsQVariant().toString();
}

// Answers the next file dialog with `file` (typed as the user would pick it).
std::unique_ptr<TDialogAnswer<QFileDialog>> ChooseFile(const QString &file) {
    return std::make_unique<TDialogAnswer<QFileDialog>>([file](QFileDialog *d) {
        d->selectFile(file);
        static_cast<QDialog *>(d)->accept();
    });
}

} // namespace

class TstExportToExcel : public QObject {
    Q_OBJECT
private:
    QTemporaryDir FDir;
    QStringList FOpened;
    QStringList FErrors;

    QString Template() const { return OutsideWritten(QStringLiteral("workbook.xlsx")); }

    void Open(TLumExportToExcel &form, const QString &file) {
        auto answer = ChooseFile(file);
        form.BtnOpen->click();
        QVERIFY(!answer->Title.isEmpty());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        TLumExportToExcel::RunningExcel()->SetDocumentsFolder(
            FDir.filePath(QStringLiteral("文件")));
        TLumExportToExcel::RunningExcelViewer()->SetLauncher(
            std::make_unique<TRecordingLauncher>(FOpened));
        Application()->OnException = [this](const QString &message) { FErrors << message; };
    }

    void init() {
        FOpened.clear();
        FErrors.clear();
    }

    void exportsIntoTheChosenSheetAndCell() {
        auto ds = MakeStudents(4);
        ds->Next(); // the user stands on the second student
        TLumExportToExcel form;
        form.Execute(ds.get());
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("匯出作業(筆數:4)"));
        QCOMPARE(form.ProgressBar->maximum(), 6);
        QVERIFY(!form.btnClose->isEnabled());
        QVERIFY(!form.cbbSheetName->isEnabled());
        QVERIFY(!form.btnExportData->isEnabled());

        const int before = TLumExportToExcel::RunningExcel()->WorkbookCount();
        Open(form, Template());
        QCOMPARE(TLumExportToExcel::RunningExcel()->WorkbookCount(), before + 1);
        QVERIFY(form.BookConnected && form.SheetConnected);
        QVERIFY(form.windowTitle().startsWith(QStringLiteral("匯出作業(筆數:4):To File=")));
        QStringList names;
        for (int i = 0; i < form.cbbSheetName->count(); ++i)
            names << form.cbbSheetName->itemText(i);
        QCOMPARE(names, (QStringList{QStringLiteral("學生名冊"), QStringLiteral("統計"),
                                     QStringLiteral("空白")}));
        QVERIFY(form.btnExportData->isEnabled());

        form.cbbSheetName->setCurrentIndex(1);
        QCOMPARE(form.ExcelSheet.Name(), QStringLiteral("統計"));
        form.seRow->selectAll();
        QTest::keyClicks(form.seRow, QStringLiteral("3"));
        form.seCol->selectAll();
        QTest::keyClicks(form.seCol, QStringLiteral("2"));
        form.btnExportData->click();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(form.ProgressBar->value(), 0);
        QCOMPARE(ds->Fields()[0]->AsString(), QStringLiteral("00002")); // place kept
        QVERIFY(!ds->ControlsDisabled());
        QVERIFY(form.BtnOpen->isEnabled() && form.btnExportData->isEnabled());

        // The desktop was handed the saved workbook; read it back.
        QCOMPARE(FOpened.size(), 1);
        const QString file = FOpened.first();
        QVERIFY(file.startsWith(FDir.filePath(QStringLiteral("文件/workbook-"))));
        auto book = TExcelWorkbook::FromTemplate(file);
        TExcelWorksheet first = book->Worksheet(1);
        QCOMPARE(Cell(first, 1, 1), QStringLiteral("示範高級中學 學生名冊")); // the heading stays
        TExcelWorksheet sheet = book->Worksheet(QStringLiteral("統計"));
        QCOMPARE(book->ActiveSheet(), sheet);
        QCOMPARE(sheet.Visible(), int(xlSheetVisible));
        QCOMPARE(Cell(sheet, 2, 3), QStringLiteral("學號"));
        QCOMPARE(Cell(sheet, 6, 3), QStringLiteral("座號"));
        QVERIFY(Cell(sheet, 7, 3).isEmpty()); // the hidden note is left out
        QCOMPARE(Cell(sheet, 2, 4), QStringLiteral("00001"));
        QCOMPARE(sheet.Cell(2, 4).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(Cell(sheet, 3, 7), QStringLiteral("學生4"));
        ds->First();
        QCOMPARE(Cell(sheet, 4, 4), ds->Fields()[2]->Text());           // the edit text, as written
        QCOMPARE(sheet.Cell(4, 4).NumberFormat(), QStringLiteral("@")); // dates stay as written
        QCOMPARE(sheet.Cell(6, 7).ValueAsQVariant().toDouble(), 4.0);   // numbers are numbers
        QCOMPARE(sheet.Cell(5, 4).NumberFormat(), sheet.Cell(5, 9).NumberFormat());
        QVERIFY(Cell(sheet, 2, 8).isEmpty());

        // Another reader of the file: the office suite sees the codes with their zeros.
        if (TOfficeSuite::Program().isEmpty())
            QSKIP(
                "The office suite is not installed; the workbook was read back by the model only");
        // The sheet 統計 as comma-separated UTF-8 text.
        const QString csv = FDir.filePath(QStringLiteral("統計.csv"));
        TOfficeSuite::ConvertTo(
            file,
            QStringLiteral(
                "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,2"),
            csv);
        const QStringList lines = QString::fromUtf8(ReadAll(csv)).split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 6, qPrintable(lines.join('\n')));
        QCOMPARE(lines[0].trimmed(), QStringLiteral("班級,人數,,,,")); // the template's rows stay
        QCOMPARE(lines[2].trimmed(), QStringLiteral(",學號,姓名,生日,成績,座號"));
        QVERIFY2(lines[3].startsWith(QStringLiteral(",00001,學生1,2009/01/01,60.5,1")),
                 qPrintable(lines[3]));
    }

    void warnsAboveThreeThousandRows() {
        for (const int rows : {3000, 3001}) {
            auto ds = MakeStudents(rows);
            TAnswer answer(QMessageBox::Ok);
            TLumExportToExcel form;
            form.Execute(ds.get());
            QCoreApplication::processEvents();
            if (rows == 3000)
                QVERIFY(answer.Texts.isEmpty());
            else
                QCOMPARE(answer.Texts,
                         QStringList{QStringLiteral(
                             "匯出資料超過3000筆,可能需等待較久時間,最好分批匯出!!")});
        }
    }

    void columnNames() {
        QCOMPARE(TLumExportToExcel::ExcelColumnIndex(1), QStringLiteral("A"));
        QCOMPARE(TLumExportToExcel::ExcelColumnIndex(26), QStringLiteral("Z"));
        QCOMPARE(TLumExportToExcel::ExcelColumnIndex(27), QStringLiteral("AA"));
        QCOMPARE(TLumExportToExcel::ExcelColumnIndex(676), QStringLiteral("YZ"));
        QCOMPARE(TLumExportToExcel::ExcelCellName(3, 12), QStringLiteral("C12"));
        for (const int bad : {0, 677}) {
            try {
                TLumExportToExcel::ExcelColumnIndex(bad);
                QFAIL("no error");
            } catch (const Exception &e) {
                QCOMPARE(e.Message(),
                         QStringLiteral("ExcelColumnIndex(%1) XIdx value error").arg(bad));
            }
        }
    }

    void failedExportsRestoreEverything() {
        // Past the last column: the error names column 677, nothing is left hidden.
        auto ds = MakeStudents(3);
        for (int i = 2; i < ds->FieldCount(); ++i)
            ds->Fields()[i]->SetVisible(false);
        TLumExportToExcel form;
        form.Execute(ds.get());
        Open(form, Template());
        form.cbbSheetName->setCurrentIndex(1);
        form.seCol->setValue(676);
        form.btnExportData->click();
        QCOMPARE(FErrors, QStringList{QStringLiteral("ExcelColumnIndex(677) XIdx value error")});
        QCOMPARE(form.ExcelSheet.Visible(), int(xlSheetVisible));
        QVERIFY(FOpened.isEmpty());

        // A field that fails on the third row: place, controls, bar and sheet come back.
        FErrors.clear();
        ds->Fields()[1]->OnGetText = [](TField *field, QString &text, bool) {
            if (field->DataSet()->RecNo() == 3)
                throw Exception(QStringLiteral("讀取失敗"));
            text = field->AsString();
        };
        ds->Next();
        form.seCol->setValue(1);
        form.btnExportData->click();
        QCOMPARE(FErrors, QStringList{QStringLiteral("讀取失敗")});
        QCOMPARE(ds->RecNo(), 2);
        QVERIFY(!ds->ControlsDisabled());
        QCOMPARE(form.ProgressBar->value(), 0);
        QCOMPARE(form.ExcelSheet.Visible(), int(xlSheetVisible));
        QVERIFY(form.btnExportData->isEnabled() && form.BtnOpen->isEnabled());
    }

    void emptyDataSetWritesTheTitleRow() {
        auto ds = MakeStudents(0);
        TLumExportToExcel form;
        form.Execute(ds.get());
        Open(form, Template());
        form.cbbSheetName->setCurrentIndex(2);
        form.btnExportData->click();
        QCOMPARE(FOpened.size(), 1);
        auto book = TExcelWorkbook::FromTemplate(FOpened.first());
        TExcelWorksheet sheet = book->Worksheet(3);
        QCOMPARE(Cell(sheet, 1, 1), QStringLiteral("學號"));
        QVERIFY(Cell(sheet, 1, 2).isEmpty());
    }

    void reopenCloseAndBadFiles() {
        auto ds = MakeStudents(2);
        TLumExportToExcel form;
        form.Execute(ds.get());
        TExcelApplication *excel = TLumExportToExcel::RunningExcel();
        Open(form, Template());
        TExcelWorkbook *old = form.ExcelBook;
        Open(form, Template());
        QVERIFY(form.ExcelBook != old);
        QVERIFY(excel->Contains(old)); // the old workbook stays open
        // It no longer speaks to the window: closing it leaves the window connected.
        excel->CloseWorkbook(old, false);
        QVERIFY(form.BookConnected && form.SheetConnected);

        // Closing through the window asks where to save and lets the workbook go.
        TExcelWorkbook *book = form.ExcelBook;
        const QString saved = FDir.filePath(QStringLiteral("關閉.xlsx"));
        {
            auto answer = ChooseFile(saved);
            form.btnClose->click();
            QCOMPARE(answer->Title, QStringLiteral("儲存工作簿"));
        }
        QVERIFY(QFileInfo::exists(saved));
        QVERIFY(!excel->Contains(book));
        QVERIFY(!form.BookConnected && !form.SheetConnected);
        QVERIFY(!form.btnClose->isEnabled() && !form.btnExportData->isEnabled());
        QCOMPARE(TExcelWorkbook::FromTemplate(saved)->WorksheetCount(), 3);

        // A file that is no workbook: the message, and the window stays usable.
        const QString bad = FDir.filePath(QStringLiteral("壞.xlsx"));
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a workbook");
        }
        {
            TAnswer answer(QMessageBox::Ok);
            Open(form, bad);
            QCOMPARE(answer.Texts, QStringList{QStringLiteral(" Can Not Open File=") + bad});
        }
        QVERIFY(!form.BookConnected);
        QVERIFY(form.BtnOpen->isEnabled());
        QCOMPARE(form.OpenFileName, bad);
    }

    // Sheets added to the workbook join the list: through the list's context menu (named as
    // the user types) or by a job working on the workbook; a bad name is told and changes
    // nothing; a workbook the window has let go no longer speaks to it.
    void newSheetsJoinTheList() {
        auto ds = MakeStudents(2);
        TLumExportToExcel form;
        form.Execute(ds.get());
        QVERIFY(!form.ActNewSheet->isEnabled());
        Open(form, Template());
        QVERIFY(form.ActNewSheet->isEnabled());
        QVERIFY(form.cbbSheetName->actions().contains(form.ActNewSheet));
        auto names = [&] {
            QStringList out;
            for (int i = 0; i < form.cbbSheetName->count(); ++i)
                out << form.cbbSheetName->itemText(i);
            return out;
        };
        auto addNamed = [&](const QString &name) {
            TDialogAnswer<QInputDialog> answer([name](QInputDialog *d) {
                d->setTextValue(name);
                d->accept();
            });
            form.ActNewSheet->trigger();
            QCOMPARE(answer.Title, QStringLiteral("新增工作表"));
        };
        addNamed(QStringLiteral("成績"));
        form.ExcelBook->AddWorksheet(); // a job adding a sheet of its own
        QCOMPARE(names(), (QStringList{QStringLiteral("學生名冊"), QStringLiteral("統計"),
                                       QStringLiteral("空白"), QStringLiteral("成績"),
                                       QStringLiteral("工作表1")}));
        QCOMPARE(form.ExcelSheet.Name(), QStringLiteral("學生名冊")); // the chosen sheet stays
        {
            TAnswer answer(QMessageBox::Ok);
            addNamed(QStringLiteral("成績"));
            QCOMPARE(answer.Texts.size(), 1);
            QVERIFY(answer.Texts.first().contains(QStringLiteral("成績")));
        }
        QCOMPARE(form.cbbSheetName->count(), 5);

        form.cbbSheetName->setCurrentIndex(3);
        form.btnExportData->click();
        QCOMPARE(Cell(form.ExcelSheet, 1, 1), QStringLiteral("學號"));
        QCOMPARE(Cell(form.ExcelSheet, 1, 3), QStringLiteral("00002"));

        TExcelWorkbook *old = form.ExcelBook;
        Open(form, Template());
        old->AddWorksheet();
        QCOMPARE(form.cbbSheetName->count(), 3);
        TLumExportToExcel::RunningExcel()->CloseWorkbook(old, false);
    }

    void fieldListAndTheDialogComponent() {
        auto ds = MakeStudents(2);
        TDataSource source;
        source.SetDataSet(ds.get());
        TDataToExcelDialog dialog;
        try {
            dialog.Execute();
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Data Set Is Nil"));
        }
        dialog.SetDataSource(&source);
        dialog.SetFileName(Template());
        bool listShown = true;
        QString startedAt;
        QTimer::singleShot(0, [&] {
            auto *form = qobject_cast<TLumExportToExcel *>(QApplication::activeModalWidget());
            QVERIFY(form);
            listShown = form->clbFields->isVisible();
            auto answer = std::make_unique<TDialogAnswer<QFileDialog>>([&](QFileDialog *d) {
                startedAt = d->selectedFiles().value(0);
                d->selectFile(FDir.filePath(QStringLiteral("文件")));
                static_cast<QDialog *>(d)->reject();
            });
            form->BtnOpen->click();
            form->OpenFileName =
                OutsideWritten(QStringLiteral("workbook.xlsx")) + QStringLiteral("2");
            form->reject();
        });
        dialog.Execute();
        QVERIFY(!listShown);
        QCOMPARE(QFileInfo(startedAt).fileName(), QStringLiteral("workbook.xlsx"));
        QCOMPARE(dialog.FileName(), Template() + QStringLiteral("2"));
        // The data source going away clears the link.
        {
            TDataSource gone;
            dialog.SetDataSource(&gone);
        }
        QVERIFY(!dialog.DataSource());

        // With the field list: unchecking a field leaves it out of the export.
        QTimer::singleShot(0, [&] {
            auto *form = qobject_cast<TLumExportToExcel *>(QApplication::activeModalWidget());
            QVERIFY(form);
            QVERIFY(form->clbFields->isVisible());
            QCOMPARE(form->clbFields->count(), 6);
            form->clbFields->setCurrentRow(1);
            form->clbFields->item(1)->setCheckState(Qt::Unchecked);
            Open(*form, Template());
            form->btnExportData->click();
            form->reject();
        });
        HandleExportToExcel(ds.get(), true);
        QVERIFY(!ds->Fields()[1]->Visible());
        QCOMPARE(FOpened.size(), 1);
        auto book = TExcelWorkbook::FromTemplate(FOpened.first());
        TExcelWorksheet sheet = book->Worksheet(1);
        QCOMPARE(Cell(sheet, 2, 1), QStringLiteral("生日"));
    }
};

LUM_TEST_MAIN(TstExportToExcel)
#include "tst_exporttoexcel.moc"

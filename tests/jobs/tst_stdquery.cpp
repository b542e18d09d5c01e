// The student query against a real server, as a user runs it: criteria picked and typed, an
// advanced condition composed in the filter form, the order ticked on the sort page, the rows
// printed into the student-list template, and a condition the server refuses.

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DialogSets.h"
#include "ExcelApplication.h"
#include "Fields.h"
#include "FilterFormDriver.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "OfficeViewerUi.h"
#include "Packages.h"
#include "PdfTestSupport.h"
#include "PrintTestSupport.h"
#include "uBaseTBQueryFormCDS.h"
#include "uCodeComboBox.h"
#include "uDocuReport.h"
#include "uExportToExcel.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

namespace {

template <class T> T *Find(const QWidget *form, const char *name) {
    T *control = form->findChild<T *>(QLatin1String(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

void Retype(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    TypeText(edit, text);
}

QStringList Column(TDataSet *d, const char *field) {
    QStringList values;
    d->DisableControls();
    for (d->First(); !d->Eof(); d->Next())
        values << d->FieldByName(QLatin1String(field))->AsString();
    d->EnableControls();
    return values;
}

// The grid's texts in the column headed `label`.
QStringList GridColumn(const TDBGrid *grid, const QString &label) {
    const QAbstractItemModel *m = grid->model();
    int column = -1;
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == label)
            column = c;
    QStringList texts;
    for (int r = 0; column >= 0 && r < m->rowCount(); ++r)
        texts << m->data(m->index(r, column)).toString();
    return texts;
}

void Tick(QListWidget *list, const QString &label, bool checked) {
    const auto items = list->findItems(label, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(label));
    items.first()->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

} // namespace

class TstStdQuery : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    TBaseTBQueryFormCDS *Open() {
        auto *form = qobject_cast<TBaseTBQueryFormCDS *>(FBench->Run("TqStdQuery.bpl"));
        if (form) {
            form->show();
            if (!QTest::qWaitForWindowExposed(form))
                qWarning("the query form did not show");
        }
        return form;
    }
    int Count(const QString &where) {
        return FBench->Query(QStringLiteral("SELECT COUNT(*) FROM StdOnSchool WHERE ") + where)
            .toInt();
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
        CurrentUserInfo->GetUserInfo();
    }
    void cleanupTestCase() { FBench.reset(); }
    void init() { FBench->Errors.clear(); }

    void studentsByClassSexNameAndBirthday() {
        TBaseTBQueryFormCDS *form = Open();
        QVERIFY(form);
        QCOMPARE(form->Tag(), 1);
        auto *cbClass = Find<TLumCodeComboBox>(form, "cbClass");
        auto *cbSex = Find<TLumCodeComboBox>(form, "cbSex");
        auto *edName = Find<QLineEdit>(form, "edName");
        auto *edFrom = Find<QLineEdit>(form, "edBirthFrom");
        auto *edTo = Find<QLineEdit>(form, "edBirthTo");
        TClientDataSet *d = form->QueryDataSet;
        QCOMPARE(cbSex->count(), 3); // (全部), 男, 女
        const QString classId =
            FBench->Query(QStringLiteral("SELECT MIN(ClassID) FROM StdOnSchool")).toString();
        // Everyone first.
        QTest::mouseClick(form->ToolBar1->widgetForAction(form->DataQuery), Qt::LeftButton);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->RecordCount(), Count(QStringLiteral("1=1")));
        QCOMPARE(form->edCount->text(), QString::number(d->RecordCount()));
        QVERIFY(!form->DataQuery->isEnabled());
        // The girls of one class: a pick closes the rows and offers the query again.
        PickCode(cbClass, classId);
        QVERIFY(!d->Active());
        QCOMPARE(form->edCount->text(), QStringLiteral("0"));
        PickCode(cbSex, QStringLiteral("2"));
        form->DataQuery->trigger();
        const int girls = Count(QStringLiteral("ClassID = '%1' AND Sex = '2'").arg(classId));
        QVERIFY(girls > 0);
        QCOMPARE(d->RecordCount(), girls);
        // The grid shows the names of the codes, not the codes.
        const QStringList sexes = GridColumn(form->DBGrid, QStringLiteral("性別"));
        QCOMPARE(QSet<QString>(sexes.cbegin(), sexes.cend()), QSet<QString>{"女"});
        QVERIFY(!GridColumn(form->DBGrid, QStringLiteral("班級")).first().isEmpty());
        QVERIFY(GridColumn(form->DBGrid, QStringLiteral("班級")).first() != classId);
        // Part of a name and a birthday range, over the whole school.
        PickCode(cbClass, QString());
        PickCode(cbSex, QString());
        Retype(edName, QStringLiteral("王"));
        Retype(edFrom, QStringLiteral("2007/01/01"));
        Retype(edTo, QStringLiteral("2008/12/31"));
        form->DataQuery->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        const int wangs = Count(QStringLiteral("Cht_Name LIKE '%王%' AND Birthday BETWEEN "
                                               "'2007-01-01' AND '2008-12-31'"));
        QCOMPARE(d->RecordCount(), wangs);
        for (const QString &name : Column(d, "Cht_Name"))
            QVERIFY2(name.contains(u'王'), qPrintable(name));
        for (const QString &day : Column(d, "Birthday"))
            QVERIFY2(day >= QStringLiteral("2007/01/01") && day <= QStringLiteral("2008/12/31"),
                     qPrintable(day));
        // A date that is none: the user is told, the rows stay closed.
        Retype(edTo, QStringLiteral("2008/13/45"));
        form->DataQuery->trigger();
        QCOMPARE(FBench->Errors.size(), 1);
        QVERIFY(!d->Active());
        FBench->Errors.clear();
        FBench->CloseJobs();
    }

    void advancedConditionSortPrint() {
        TBaseTBQueryFormCDS *form = Open();
        QVERIFY(form);
        TClientDataSet *d = form->QueryDataSet;
        // Seat 3 and above, composed in the filter form.
        WhenFilterShown([](TDynamicFilter *filter) {
            ClickField(filter, QStringLiteral("座號"));
            ChooseByKeys(filter->cbbRelation, 3); // 大於等於
            TypeValue(filter->NumValue, QStringLiteral("3"));
            Click(filter->btnCondition);
            Click(filter->btnOK);
        });
        QTest::mouseClick(form->btnAdvanceSelect, Qt::LeftButton);
        QCOMPARE(form->Memo->toPlainText().trimmed(), QStringLiteral("座號 大於等於 [3]"));
        form->DataQuery->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(d->RecordCount(), Count(QStringLiteral("SeatNo >= 3")));
        QVERIFY(d->RecordCount() > 1);
        // The preset order (class, seat), then by name and number as ticked.
        QCOMPARE(d->IndexFields(), (QStringList{"ClassID", "SeatNo"}));
        Tick(form->clbSortFields, QStringLiteral("班級"), false);
        Tick(form->clbSortFields, QStringLiteral("座號"), false);
        Tick(form->clbSortFields, QStringLiteral("姓名"), true);
        Tick(form->clbSortFields, QStringLiteral("學號"), true);
        QCOMPARE(d->IndexFields(), (QStringList{"Cht_Name", "StudentID"}));
        const QStringList names = Column(d, "Cht_Name");
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(names, sorted);
        // Hide the address; the print lists what the grid shows.
        const auto address = form->dbclbFields->findItems(QStringLiteral("地址"), Qt::MatchExactly);
        QVERIFY(!address.isEmpty());
        address.first()->setCheckState(Qt::Unchecked);
        form->dbclbFields->setCurrentItem(address.first());
        form->dbclbFieldsClickCheck(form->dbclbFields);
        QVERIFY(!d->FieldByName(QStringLiteral("Address"))->Visible());
        // "Xcel": the rows as the grid shows them, into the blank workbook, read back.
        QCOMPARE(form->ToExcelDialog->DataSource(), form->ActiveSource);
        QVERIFY(form->ExportToExcel->isEnabled());
        QTemporaryDir folder;
        TLumExportToExcel::RunningExcel()->SetDocumentsFolder(folder.path());
        QStringList opened;
        TLumExportToExcel::RunningExcelViewer()->SetLauncher(
            std::make_unique<TRecordingLauncher>(opened));
        const QString blank = ProgramFolder() + QStringLiteral("TemplateDocs/空白活頁簿.xlsx");
        QVERIFY2(QFileInfo::exists(blank), qPrintable(blank));
        QTimer::singleShot(0, [&] {
            auto *window = qobject_cast<TLumExportToExcel *>(QApplication::activeModalWidget());
            QVERIFY(window);
            TDialogAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
                dialog->selectFile(blank);
                static_cast<QDialog *>(dialog)->accept();
            });
            window->BtnOpen->click();
            window->btnExportData->click();
            window->reject();
        });
        form->ExportToExcel->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(opened.size(), 1);
        auto book = TExcelWorkbook::FromTemplate(opened.first());
        TExcelWorksheet sheet = book->Worksheet(1);
        QStringList exported;
        for (int row = 1; row <= 2 * d->RecordCount() + 4; ++row)
            for (int column = 1; column <= 12; ++column)
                exported << sheet.Cell(row, column).ValueAsQVariant().toString();
        d->First();
        QVERIFY(exported.contains(d->FieldByName("StudentID")->AsString()));
        QVERIFY(exported.contains(d->FieldByName("Cht_Name")->AsString()));
        if (!HasOfficeSuite())
            QSKIP("the office suite (soffice) is not installed");
        form->DataPrint->trigger();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        TWordDocument *doc = form->DocuReport->Document();
        QVERIFY(doc);
        TWordTable table = doc->Table(1);
        QCOMPARE(table.RowCount(), d->RecordCount() + 1);
        QStringList titles;
        for (int c = 1; c <= table.ColumnCount(); ++c)
            titles << table.Cell(1, c).Text();
        QVERIFY2(titles.contains(QStringLiteral("性別")), qPrintable(titles.join(u',')));
        QVERIFY(!titles.contains(QStringLiteral("地址")));
        d->First();
        QCOMPARE(table.Cell(2, 2).Text(), d->FieldByName("Cht_Name")->DisplayText());
        TPdfPreviewForm *preview = OpenPreview();
        QVERIFY(preview);
        QVERIFY(PdfText(preview->PdfPath()).contains(QStringLiteral("學生基本資料名冊")));
        preview->close();
        FBench->CloseJobs();
    }

    void aConditionTheServerRefusesLeavesTheRowsClosed() {
        TBaseTBQueryFormCDS *form = Open();
        QVERIFY(form);
        TClientDataSet *d = form->QueryDataSet;
        form->SetWhereFilter(QStringLiteral("SeatNo >= 'x' AND NoSuchColumn = 1"));
        form->DataQuery->trigger();
        QCOMPARE(FBench->Errors.size(), 1);
        QVERIFY2(
            FBench->Errors.first().contains(QStringLiteral("NoSuchColumn"), Qt::CaseInsensitive),
            qPrintable(FBench->Errors.first()));
        QVERIFY(!d->Active());
        QCOMPARE(d->IndexFields(), (QStringList{"ClassID", "SeatNo"}));
        QVERIFY(form->DataQuery->isEnabled());
        FBench->Errors.clear();
        form->SetWhereFilter(QString());
        form->DataQuery->trigger();
        QVERIFY(d->Active());
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        FBench->CloseJobs();
    }
};

LUM_TEST_MAIN(TstStdQuery)
#include "tst_stdquery.moc"

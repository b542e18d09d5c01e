#include "uExportToExcel.h"

#include "Application.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "DBGridModel.h"
#include "DataSet.h"
#include "DataSource.h"
#include "ExcelApplication.h"
#include "Exceptions.h"
#include "Fields.h"
#include "OfficeViewerUi.h"
#include "Packages.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <vector>

namespace {

const QString kCaption = QStringLiteral("匯出作業");
const QString kCaptionCount = QStringLiteral("匯出作業(筆數:%1)");
const QString kCaptionFile = QStringLiteral("匯出作業(筆數:%1):To File=%2");
const QString kCannotOpen = QStringLiteral(" Can Not Open File=");
const QString kManyRows = QStringLiteral("匯出資料超過3000筆,可能需等待較久時間,最好分批匯出!!");
const QString kFilter = QStringLiteral("Excel Files (*.xlsx)");
constexpr int kWarnRows = 3000;

// The program's spreadsheet application and the viewer that shows its workbooks. It belongs to
// the QApplication, so it lives as long as the program's windows can.
class TRunningExcel : public QObject {
public:
    explicit TRunningExcel(QObject *parent) : QObject(parent), App(this) { App.SetViewer(&Viewer); }
    ~TRunningExcel() override { App.SetViewer(nullptr); }
    TOfficeViewerUi Viewer;
    TExcelApplication App;
};

TRunningExcel *RunningExcelHolder() {
    static QPointer<TRunningExcel> holder;
    if (!holder)
        holder = new TRunningExcel(QCoreApplication::instance());
    return holder;
}

bool IsTextColumn(const TField *field) {
    switch (field->DataType()) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return true;
    default:
        return false;
    }
}

// The records of an open dataset; none for a closed or missing one.
int RecordsOf(const TDataSet *dataSet) {
    return dataSet && dataSet->Active() ? dataSet->RecordCount() : 0;
}

// Whether the workbook shows a worksheet other than `sheet`, so that `sheet` may be hidden.
bool AnotherSheetVisible(const TExcelWorkbook &book, const TExcelWorksheet &sheet) {
    for (int i = 1; i <= book.WorksheetCount(); ++i) {
        const TExcelWorksheet other = book.Worksheet(i);
        if (!(other == sheet) && other.Visible() == xlSheetVisible)
            return true;
    }
    return false;
}

} // namespace

TLumExportToExcel::TLumExportToExcel(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LumExportToExcel"));
    setWindowTitle(kCaption);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(760, 520);

    ExcelDataSource = new TDataSource(this);
    ExcelDataSource->setObjectName(QStringLiteral("ExcelDataSource"));
    ExcelDataSource->SetAutoEdit(false);
    ExcelDataSource->OnStateChange = [this](TDataSource *) { OpCtrl(); };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    SpFields = new QSplitter(Qt::Horizontal, this);
    SpFields->setObjectName(QStringLiteral("SpFields"));
    clbFields = new TDBCheckListBox(SpFields);
    clbFields->setObjectName(QStringLiteral("clbFields"));
    clbFields->SetOptionsTagValue({N_0, N_1, N_2, N_3, N_4, N_5, N_6, N_7, N_8, N_9});
    clbFields->SetDataSource(ExcelDataSource);
    clbFields->OnClickCheck = [this](TDBCheckListBox *list) {
        const int row = list->currentRow();
        if (TField *field = list->Field(row))
            field->SetVisible(list->Checked(row));
    };

    auto *gridPanel = new QWidget(SpFields);
    auto *gridLayout = new QVBoxLayout(gridPanel);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    Navigator = new QToolBar(gridPanel);
    Navigator->setObjectName(QStringLiteral("DBNavigator"));
    const auto nav = [this](TDataSetAction *action) {
        action->SetDataSource(ExcelDataSource);
        Navigator->addAction(action);
        return action;
    };
    NavFirst = nav(new TDataSetFirst(this, QStringLiteral("NavFirst"), QStringLiteral("Dataset"),
                                     QStringLiteral("最前")));
    NavPrior = nav(new TDataSetPrior(this, QStringLiteral("NavPrior"), QStringLiteral("Dataset"),
                                     QStringLiteral("往前")));
    NavNext = nav(new TDataSetNext(this, QStringLiteral("NavNext"), QStringLiteral("Dataset"),
                                   QStringLiteral("往後")));
    NavLast = nav(new TDataSetLast(this, QStringLiteral("NavLast"), QStringLiteral("Dataset"),
                                   QStringLiteral("最後")));
    DBGrid = new QTableView(gridPanel);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGridModel = new TDBGridModel(DBGrid);
    DBGridModel->SetReadOnly(true);
    DBGridModel->SetDataSource(ExcelDataSource);
    DBGrid->setModel(DBGridModel);
    DBGridModel->AttachView(DBGrid);
    DBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid->verticalHeader()->setDefaultSectionSize(22);
    gridLayout->addWidget(Navigator);
    gridLayout->addWidget(DBGrid, 1);
    SpFields->addWidget(clbFields);
    SpFields->addWidget(gridPanel);
    SpFields->setStretchFactor(1, 1);
    SpFields->setSizes({160, 600});
    layout->addWidget(SpFields, 1);

    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("plBottom"));
    auto *row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 4, 0, 4);
    row->addWidget(new QLabel(QStringLiteral("工作表名稱:"), bottom));
    cbbSheetName = new QComboBox(bottom);
    cbbSheetName->setObjectName(QStringLiteral("cbbSheetName"));
    cbbSheetName->setMinimumWidth(140);
    row->addWidget(cbbSheetName);
    ActNewSheet = new QAction(QStringLiteral("新增工作表..."), cbbSheetName);
    ActNewSheet->setObjectName(QStringLiteral("ActNewSheet"));
    cbbSheetName->addAction(ActNewSheet);
    cbbSheetName->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(ActNewSheet, &QAction::triggered, this, [this] { ActNewSheetExecute(); });
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("開始位置:"), bottom));
    seRow = new QSpinBox(bottom);
    seRow->setObjectName(QStringLiteral("seRow"));
    seRow->setRange(1, 9999);
    seRow->setValue(1);
    row->addWidget(seRow);
    row->addWidget(new QLabel(QStringLiteral("列(R)"), bottom));
    seCol = new QSpinBox(bottom);
    seCol->setObjectName(QStringLiteral("seCol"));
    seCol->setRange(1, 676);
    seCol->setValue(1);
    row->addWidget(seCol);
    row->addWidget(new QLabel(QStringLiteral("行(C)"), bottom));
    row->addStretch(1);
    BtnOpen = new QPushButton(QStringLiteral("開啟工作簿(Excel)"), bottom);
    BtnOpen->setObjectName(QStringLiteral("BtnOpen"));
    btnClose = new QPushButton(QStringLiteral("關閉工作簿"), bottom);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnExportData = new QPushButton(QStringLiteral("資料匯至Excel"), bottom);
    btnExportData->setObjectName(QStringLiteral("btnExportData"));
    for (QPushButton *b : {BtnOpen, btnClose, btnExportData}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    layout->addWidget(bottom);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setMaximumHeight(14);
    ProgressBar->setRange(0, 2);
    ProgressBar->setValue(0);
    layout->addWidget(ProgressBar);

    connect(BtnOpen, &QPushButton::clicked, this, [this] { BtnOpenClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    connect(btnExportData, &QPushButton::clicked, this, [this] { btnExportDataClick(); });
    connect(cbbSheetName, &QComboBox::currentIndexChanged, this, [this] { cbbSheetNameChange(); });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    OpCtrl();
}

TLumExportToExcel::~TLumExportToExcel() {
    DisconnectAll();
    clbFields->OnClickCheck = nullptr;
    ExcelDataSource->OnStateChange = nullptr;
}

TExcelApplication *TLumExportToExcel::RunningExcel() {
    return &RunningExcelHolder()->App;
}

TOfficeViewerUi *TLumExportToExcel::RunningExcelViewer() {
    return &RunningExcelHolder()->Viewer;
}

TDataSet *TLumExportToExcel::DataSet() const {
    return ExcelDataSource->DataSet();
}

void TLumExportToExcel::SetDataSet(TDataSet *dataSet) {
    ExcelDataSource->SetDataSet(dataSet);
}

void TLumExportToExcel::Execute(TDataSet *dataSet) {
    SetDataSet(dataSet);
    const int count = RecordsOf(dataSet);
    setWindowTitle(kCaptionCount.arg(count));
    ProgressBar->setMaximum(count + 2);
    if (!clbFields->isHidden())
        clbFields->ResetFields();
    OpCtrl();
    if (count > kWarnRows)
        QMessageBox::information(this, kCaption, kManyRows);
}

void TLumExportToExcel::OpCtrl() {
    btnClose->setEnabled(BookConnected);
    cbbSheetName->setEnabled(BookConnected);
    ActNewSheet->setEnabled(BookConnected);
    const TDataSet *dataSet = DataSet();
    btnExportData->setEnabled(SheetConnected && dataSet && dataSet->Active());
}

QString TLumExportToExcel::OpenStartFile() const {
    if (!OpenFileName.isEmpty())
        return OpenFileName;
    return ProgramFolder() + QStringLiteral("TemplateDocs/");
}

void TLumExportToExcel::BtnOpenClick() {
    QFileDialog dialog(this, QStringLiteral("開啟工作簿"), OpenStartFile(), kFilter);
    dialog.setObjectName(QStringLiteral("OpenDlg"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenFileName = dialog.selectedFiles().constFirst();
    OpenWorkbook(OpenFileName);
}

void TLumExportToExcel::OpenWorkbook(const QString &fileName) {
    if (!AppConnected) {
        ExcelApp = RunningExcel();
        AppConnected = true;
    }
    try {
        ClearSheetConnection();
        ClearBookConnection();
        TExcelWorkbook *book = ExcelApp->AddWorkbook(fileName);
        ConnectBook(book);
        const int count = RecordsOf(DataSet());
        const QString name = book->FullName().isEmpty() ? book->Name() : book->FullName();
        setWindowTitle(kCaptionFile.arg(count).arg(name));
        SetSheetNames();
    } catch (const Exception &) {
        BookConnected = false;
        ExcelBook = nullptr;
        ShowError(kCannotOpen + fileName);
    }
    OpCtrl();
}

void TLumExportToExcel::ConnectBook(TExcelWorkbook *book) {
    ExcelBook = book;
    BookConnected = true;
    // The workbook tells the window when it closes, however it is closed.
    book->OnBeforeClose = [this](TExcelWorkbook *) { DisconnectAll(); };
    // A sheet added to the workbook (here or by a job working on it) joins the list.
    book->OnNewSheet = [this](TExcelWorkbook *, const TExcelWorksheet &sheet) {
        cbbSheetName->addItem(sheet.Name());
    };
}

void TLumExportToExcel::ClearSheetConnection() {
    ExcelSheet = TExcelWorksheet();
    SheetConnected = false;
}

void TLumExportToExcel::ClearBookConnection() {
    // The workbook stays open in the application; it only stops telling this window.
    if (ExcelBook && ExcelApp && ExcelApp->Contains(ExcelBook)) {
        ExcelBook->OnBeforeClose = nullptr;
        ExcelBook->OnNewSheet = nullptr;
    }
    ExcelBook = nullptr;
    BookConnected = false;
}

void TLumExportToExcel::SetSheetNames() {
    {
        // Filled and set to the first sheet quietly; the sheet change then runs once.
        const QSignalBlocker block(cbbSheetName);
        cbbSheetName->clear();
        if (BookConnected)
            cbbSheetName->addItems(ExcelBook->WorksheetNames());
    }
    if (cbbSheetName->count() > 0)
        cbbSheetNameChange();
}

void TLumExportToExcel::ActNewSheetExecute() {
    if (!BookConnected)
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("新增工作表"), QStringLiteral("工作表名稱:"),
                              QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    try {
        ExcelBook->AddWorksheet(name);
    } catch (const Exception &e) {
        ShowError(e.Message());
    }
}

void TLumExportToExcel::cbbSheetNameChange() {
    ClearSheetConnection();
    if (BookConnected && cbbSheetName->currentIndex() >= 0) {
        try {
            TExcelWorksheet sheet = ExcelBook->Worksheet(cbbSheetName->currentText());
            if (!sheet.IsNull()) {
                // A hidden sheet is shown by the export; until then it cannot be the active tab.
                if (sheet.Visible() == xlSheetVisible)
                    sheet.Activate();
                ExcelSheet = sheet;
                SheetConnected = true;
            }
        } catch (const Exception &e) {
            ShowError(e.Message());
        }
    }
    OpCtrl();
}

QString TLumExportToExcel::SaveFileFor(TExcelWorkbook *book) {
    QString start = book->FullName();
    if (start.isEmpty()) {
        const QString folder = ExcelApp ? ExcelApp->DocumentsFolder() : QDir::homePath();
        start = QDir(folder).filePath(book->Name() + QStringLiteral(".xlsx"));
    }
    QFileDialog dialog(this, QStringLiteral("儲存工作簿"), start, kFilter);
    dialog.setObjectName(QStringLiteral("SaveDlg"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TLumExportToExcel::btnCloseClick() {
    if (!BookConnected)
        return;
    const QString file = SaveFileFor(ExcelBook);
    if (file.isEmpty())
        return; // the user kept the workbook open
    try {
        // Saved first, so that a failing save leaves the workbook open and connected.
        ExcelBook->SaveAs(file, xlOpenXMLWorkbook);
        ExcelApp->CloseWorkbook(ExcelBook, false);
    } catch (const Exception &e) {
        ShowError(e.Message());
    }
    OpCtrl();
}

void TLumExportToExcel::btnExportDataClick() {
    try {
        ExportData();
    } catch (...) {
        Application()->HandleException(std::current_exception());
    }
}

void TLumExportToExcel::ExportData() {
    TDataSet *dataSet = DataSet();
    if (!SheetConnected || !dataSet || !dataSet->Active())
        return;
    StartRow = seRow->value();
    StartCol = seCol->value();
    int row = StartRow;
    const int count = dataSet->RecordCount();
    TExcelWorksheet sheet = ExcelSheet;

    // The sheet is hidden while it is written; a workbook must show one sheet, so the only
    // visible sheet stays shown.
    const int visibility = sheet.Visible();
    const bool hide = visibility == xlSheetVisible && AnotherSheetVisible(*ExcelBook, sheet);
    if (hide)
        sheet.SetVisible(xlSheetHidden);
    struct TRestoreVisibility {
        TExcelWorksheet &Sheet;
        int Visibility;
        bool Active = true;
        ~TRestoreVisibility() {
            if (Active && !Sheet.IsNull() && Sheet.Visible() != Visibility) {
                try {
                    Sheet.SetVisible(Visibility);
                } catch (const Exception &) {
                }
            }
        }
    } restoreVisibility{sheet, visibility};

    std::vector<TField *> columns;
    for (const auto &owned : dataSet->Fields()) {
        TField *field = owned.get();
        if (!field->Visible())
            continue;
        const int col = StartCol + static_cast<int>(columns.size());
        columns.push_back(field);
        if (IsTextColumn(field)) {
            ExcelCellName(col, StartRow); // raises past the last column an export may use
            sheet.Range(col, StartRow, col, StartRow + count + 2)
                .SetNumberFormat(QStringLiteral("@"));
        }
    }
    const int columnCount = static_cast<int>(columns.size());
    const int lastCol = StartCol + columnCount - 1;

    if (columnCount > 0) {
        ExcelCellName(lastCol, row); // the column-index check, before anything is written
        QVariantList titles;
        titles.reserve(columnCount);
        for (TField *field : columns)
            titles.append(field->DisplayLabel());
        sheet.Range(StartCol, row, lastCol, row).SetValue(QVariant(titles));
    }
    ++row;

    const TBookmark place = dataSet->GetBookmark();
    dataSet->DisableControls();
    btnExportData->setEnabled(false);
    BtnOpen->setEnabled(false);
    btnClose->setEnabled(false);
    struct TRestorePlace {
        TLumExportToExcel *Form;
        TDataSet *DataSet;
        TBookmark Place;
        ~TRestorePlace() {
            Form->ProgressBar->setValue(0);
            try {
                if (DataSet->Active() && DataSet->BookmarkValid(Place))
                    DataSet->GotoBookmark(Place);
            } catch (const Exception &) {
            }
            DataSet->EnableControls();
            Form->BtnOpen->setEnabled(true);
            Form->OpCtrl();
        }
    };
    {
        TRestorePlace restorePlace{this, dataSet, place};
        QVariantList values;
        values.reserve(columnCount);
        dataSet->First();
        int written = 0;
        while (!dataSet->Eof()) {
            if (columnCount > 0) {
                values.clear();
                for (TField *field : columns)
                    values.append(field->Text());
                sheet.Range(StartCol, row, lastCol, row).SetValue(QVariant(values));
            }
            ++row;
            ProgressBar->setValue(std::min(row, ProgressBar->maximum()));
            // The bar is painted now and then; events are not run, so nothing else can start.
            if (++written % 256 == 0)
                ProgressBar->repaint();
            dataSet->Next();
        }
    }

    restoreVisibility.Active = false;
    sheet.SetVisible(xlSheetVisible);
    sheet.Activate();
    ExcelApp->ShowWorkbook(ExcelBook);
}

void TLumExportToExcel::DisconnectAll() {
    ClearSheetConnection();
    ClearBookConnection();
    ExcelApp = nullptr;
    AppConnected = false;
    OpCtrl();
}

void TLumExportToExcel::done(int result) {
    DisconnectAll();
    QDialog::done(result);
}

void TLumExportToExcel::ShowError(const QString &message) {
    QMessageBox::warning(this, kCaption, message);
}

QString TLumExportToExcel::ExcelColumnIndex(int index) {
    if (index < 1 || index > 676)
        throw Exception(QStringLiteral("ExcelColumnIndex(%1) XIdx value error").arg(index));
    const int q = (index - 1) / 26;
    const int r = (index - 1) % 26;
    QString name;
    if (q > 0)
        name += QLatin1Char(static_cast<char>('A' + q - 1));
    name += QLatin1Char(static_cast<char>('A' + r));
    return name;
}

QString TLumExportToExcel::ExcelRowIndex(int index) {
    return QString::number(index);
}

QString TLumExportToExcel::ExcelCellName(int column, int row) {
    return ExcelColumnIndex(column) + ExcelRowIndex(row);
}

namespace {

void RunExport(TDataSet *dataSet, QString *fileName, bool showFields) {
    TLumExportToExcel form(QApplication::activeWindow());
    form.clbFields->setVisible(showFields);
    if (!showFields)
        form.SpFields->handle(1)->setVisible(false);
    if (fileName)
        form.OpenFileName = *fileName;
    form.Execute(dataSet);
    form.exec();
    if (fileName)
        *fileName = form.OpenFileName;
}

} // namespace

void HandleExportToExcel(TDataSet *dataSet, bool showFields) {
    RunExport(dataSet, nullptr, showFields);
}

void RunExportToExcel(TDataSet *dataSet, QString &fileName, bool showFields) {
    RunExport(dataSet, &fileName, showFields);
}

// The export of a dataset into a workbook against libxlsxwriter in the same run:
//   Export   the export window's routine writing 100,000 students × 10 mixed fields from a
//            client dataset into the blank workbook template, saved as .xlsx
//   Peer     libxlsxwriter in constant-memory mode writing the same cells (the title row, text
//            as text, numbers as numbers) into an .xlsx
//   Memory   the peak growth of each, the export's against the peer's plus the template's size

#include "BenchMemory.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "DesktopLauncher.h"
#include "ExcelApplication.h"
#include "Fields.h"
#include "OfficeViewerUi.h"
#include "ProgramAllocator.h"
#include "uExportToExcel.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <xlsxwriter.h>

namespace {

constexpr int kRows = 100000;

QString TemplateFile() {
    return QStringLiteral(LUM_BIN_DIR "/TemplateDocs/空白活頁簿.xlsx");
}

QTemporaryDir &Folder() {
    static QTemporaryDir dir;
    return dir;
}

// Shown workbooks are only saved: nothing is opened on the desktop.
class TNoDesktop : public TDesktopLauncher {
public:
    bool OpenFile(const QString &) override { return true; }
};

std::unique_ptr<TClientDataSet> &Students() {
    static std::unique_ptr<TClientDataSet> ds;
    if (ds)
        return ds;
    ds = std::make_unique<TClientDataSet>();
    auto &defs = ds->FieldDefs();
    defs.Add(QStringLiteral("StudentID"), ftString, 10);
    defs.Add(QStringLiteral("Cht_Name"), ftString, 20);
    defs.Add(QStringLiteral("Sex"), ftString, 1);
    defs.Add(QStringLiteral("ClassID"), ftString, 10);
    defs.Add(QStringLiteral("SeatNo"), ftInteger);
    defs.Add(QStringLiteral("Birthday"), ftDate);
    defs.Add(QStringLiteral("Score"), ftFloat);
    defs.Add(QStringLiteral("Credits"), ftInteger);
    defs.Add(QStringLiteral("Address"), ftString, 60);
    defs.Add(QStringLiteral("Phone"), ftString, 12);
    ds->CreateDataSet();
    const QString surnames = QStringLiteral("陳林黃張李王吳劉蔡楊");
    for (int i = 0; i < kRows; ++i) {
        ds->Append();
        ds->Fields()[0]->SetAsString(QStringLiteral("%1").arg(i + 1, 8, 10, QLatin1Char('0')));
        ds->Fields()[1]->SetAsString(surnames[i % 10] + QStringLiteral("同學%1").arg(i % 997));
        ds->Fields()[2]->SetAsString(i % 2 ? QStringLiteral("1") : QStringLiteral("2"));
        ds->Fields()[3]->SetAsString(QStringLiteral("%1").arg(101 + i % 30));
        ds->Fields()[4]->SetAsInteger(1 + i % 40);
        ds->Fields()[5]->SetAsDateTime(TDateTime::EncodeDate(2008 + i % 3, 1 + i % 12, 1 + i % 28));
        ds->Fields()[6]->SetAsFloat(50 + (i % 500) / 10.0);
        ds->Fields()[7]->SetAsInteger(i % 30);
        ds->Fields()[8]->SetAsString(QStringLiteral("臺北市中正區重慶南路一段%1號").arg(i % 300));
        ds->Fields()[9]->SetAsString(
            QStringLiteral("02-2%1").arg(i % 10000000, 7, 10, QLatin1Char('0')));
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

// One export as the user makes it in an open export window: the template opened, the first
// sheet, the export, and the workbook saved for showing.
void ExportFrom(TLumExportToExcel &form) {
    form.OpenWorkbook(TemplateFile());
    form.ExportData();
    TExcelApplication *excel = TLumExportToExcel::RunningExcel();
    excel->CloseWorkbook(excel->ActiveWorkbook(), false);
}

// The window made for the students and the export.
void RunExport() {
    TLumExportToExcel form;
    form.SetDataSet(Students().get());
    ExportFrom(form);
}

// The same cells through libxlsxwriter: the title row, then each record's edit texts, the
// numeric fields as numbers (as the export's cells hold them).
void RunPeer(const QString &file) {
    TClientDataSet *ds = Students().get();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(file);
    lxw_workbook *book = workbook_new_opt(name.constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    const int columns = ds->FieldCount();
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c),
                               ds->Fields()[c]->DisplayLabel().toUtf8().constData(), nullptr);
    int row = 1;
    for (ds->First(); !ds->Eof(); ds->Next(), ++row) {
        for (int c = 0; c < columns; ++c) {
            TField *field = ds->Fields()[c];
            const QString text = field->Text();
            switch (field->DataType()) {
            case ftInteger:
            case ftFloat:
                worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(c), text.toDouble(),
                                       nullptr);
                break;
            default:
                worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(c),
                                       text.toUtf8().constData(), nullptr);
            }
        }
    }
    workbook_close(book);
}

void Export(benchmark::State &state) {
    Students();
    for (auto _ : state)
        RunExport();
}

void Peer(benchmark::State &state) {
    Students();
    const QString file = Folder().filePath(QStringLiteral("peer.xlsx"));
    for (auto _ : state)
        RunPeer(file);
}

struct TMemory {
    double Export = 0, Peer = 0;
};
TMemory &Memory() {
    static TMemory memory;
    return memory;
}

template <class F> qint64 PeakGrowth(F &&run) {
    malloc_trim(0);
    ResetPeakRss();
    const qint64 before = CurrentRss();
    run();
    return PeakRss() - before;
}

void MemoryGrowth(benchmark::State &state) {
    // The window is open on the students before the export is measured: what it holds for
    // showing them (its grid's rows) is the window's, whatever is exported.
    TLumExportToExcel form;
    form.SetDataSet(Students().get());
    form.grab(); // every control painted once, the progress bar included
    const QString file = Folder().filePath(QStringLiteral("peer-memory.xlsx"));
    // Each routine once before it is measured: the code it runs is paged in and the heap is
    // laid out, as in a program that has exported before; what is measured is what one more
    // export needs.
    RunPeer(file);
    ExportFrom(form);
    // The median of five runs of each, taken in turns: a single reading moves by a few tens
    // of kilobytes with the heap's layout.
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    for (auto _ : state) {
        std::vector<double> peer, ours;
        for (int i = 0; i < 5; ++i) {
            peer.push_back(double(PeakGrowth([&] { RunPeer(file); })));
            ours.push_back(double(PeakGrowth([&] { ExportFrom(form); })));
        }
        Memory().Peer = median(peer);
        Memory().Export = median(ours);
        state.counters["export_MB"] = Memory().Export / 1e6;
        state.counters["peer_MB"] = Memory().Peer / 1e6;
    }
}

// Memory first, before the other runs have grown the process.
BENCHMARK(MemoryGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Export)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Peer)->Unit(benchmark::kMillisecond)->Iterations(3);

class TRatioReporter : public TTimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double ours = FTimes["Export/iterations:3"], peer = FTimes["Peer/iterations:3"];
        const double templateSize = double(QFileInfo(TemplateFile()).size());
        std::printf("\n%-36s %12s %12s %8s %12s\n", "work", "export", "peer", "ratio", "target");
        std::printf("%-36s %10.1fms %10.1fms %8.2f %12s\n", "100,000 rows x 10 fields to .xlsx",
                    ours, peer, peer > 0 ? ours / peer : 0.0, "<= 1.5");
        std::printf("%-36s %10.2fMB %10.2fMB %8s %12s\n", "peak memory growth",
                    Memory().Export / 1e6, Memory().Peer / 1e6,
                    Memory().Export <= Memory().Peer + templateSize ? "ok" : "OVER",
                    "<= peer+tmpl");
    }
};

} // namespace

int main(int argc, char **argv) {
    // The allocator settings of the client program, for both sides.
    UseProgramAllocator();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TLumExportToExcel::RunningExcel()->SetDocumentsFolder(
        Folder().filePath(QStringLiteral("文件")));
    TLumExportToExcel::RunningExcelViewer()->SetLauncher(std::make_unique<TNoDesktop>());
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

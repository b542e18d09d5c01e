// The Word report engine against the floor of its work, in the same run: a 1,000-page report
// (Pages = 1000; each page a 12-label TWRMultiLabel and a TDBWRTableIndex of 10 rows × 8
// columns with KeepDataTrack) sent and saved as .docx, against writing the same final
// document.xml bytes and zipping them with libzip.
//
//   Report   SendToWord of the report, then SaveAs of the document
//   Floor    the same document.xml bytes (and the template's other parts) zipped with libzip
//   Memory   the report's peak memory against the size of its document.xml
//
// After the runs a table prints the pair, the ratio of their CPU times and the memory ratio.

#include "BenchMemory.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "DataSource.h"
#include "DocxBuilder.h"
#include "uDocuReport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zip.h>

#include <cstdio>
#include <map>

namespace {

constexpr int kPages = 1000;
constexpr int kRows = 10;
constexpr int kColumns = 8;
constexpr int kLabels = 12;

QTemporaryDir &Folder() {
    static QTemporaryDir folder;
    return folder;
}

// The template: twelve bookmarked labels and a table of a title row and ten rows.
const QString &TemplateFile() {
    static const QString file = [] {
        TDocxBuilder builder;
        for (int i = 0; i < kLabels; ++i)
            builder.Body +=
                BookmarkParagraph(QByteArray("項目" + QByteArray::number(i) + "：").constData(),
                                  QByteArray("Label" + QByteArray::number(i)).constData(), i);
        builder.Body += TableXml(kRows + 1, kColumns);
        builder.Body += "<w:p/>";
        const QString path = Folder().filePath(QStringLiteral("頁面.docx"));
        builder.Write(path);
        return path;
    }();
    return file;
}

std::unique_ptr<TClientDataSet> Rows() {
    auto ds = std::make_unique<TClientDataSet>();
    for (int c = 0; c < kColumns; ++c)
        ds->FieldDefs().Add(QStringLiteral("F%1").arg(c), ftString, 20);
    ds->CreateDataSet();
    for (int r = 0; r < kPages * kRows; ++r) {
        ds->Append();
        for (int c = 0; c < kColumns; ++c)
            ds->Fields()[c]->SetAsString(QStringLiteral("學生%1-%2").arg(r).arg(c));
        ds->Post();
    }
    ds->MergeChangeLog();
    ds->First();
    return ds;
}

struct TReportRun {
    std::unique_ptr<TClientDataSet> Data = Rows();
    TDataSource Source;
    TDocuReport Report;
    TWRMultiLabel Labels;
    TDBWRTableIndex Table;
    TReportRun() {
        Source.SetDataSet(Data.get());
        Report.SetTemplateName(TemplateFile());
        Report.SetVisible(false);
        Report.SetPages(kPages);
        Labels.SetDocuReport(&Report);
        for (int i = 0; i < kLabels; ++i)
            Labels.Labels().Add(QStringLiteral("Label%1=第%1項的內容").arg(i));
        Table.SetDocuReport(&Report);
        Table.SetDataSource(&Source);
        Table.SetTableIndex(0);
        Table.SetPageRows(kRows);
        Table.SetKeepDataTrack(true);
    }
    void Send(const QString &out) {
        Data->First();
        Report.SendToWord();
        Report.SaveAs(out, wdFormatDocument);
    }
};

QByteArray &FinalXml() {
    static QByteArray xml;
    return xml;
}

void Report(benchmark::State &state) {
    const QString out = Folder().filePath(QStringLiteral("report.docx"));
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<TReportRun>();
        state.ResumeTiming();
        run->Send(out);
        state.PauseTiming();
        if (FinalXml().isEmpty())
            FinalXml() = run->Report.Document()->DocumentXml();
        run.reset();
        state.ResumeTiming();
    }
    state.counters["document_xml_MB"] = FinalXml().size() / 1e6;
}

void Floor(benchmark::State &state) {
    if (FinalXml().isEmpty()) {
        TReportRun run;
        run.Send(Folder().filePath(QStringLiteral("report.docx")));
        FinalXml() = run.Report.Document()->DocumentXml();
    }
    TDocxBuilder builder;
    std::map<QString, QByteArray> parts = builder.Parts();
    parts["word/document.xml"] = FinalXml();
    const QByteArray path = QFile::encodeName(Folder().filePath(QStringLiteral("floor.docx")));
    for (auto _ : state) {
        int error = 0;
        zip_t *zip = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const auto &[name, bytes] : parts)
            zip_file_add(zip, name.toUtf8().constData(),
                         zip_source_buffer(zip, bytes.constData(),
                                           static_cast<zip_uint64_t>(bytes.size()), 0),
                         ZIP_FL_ENC_UTF_8);
        zip_close(zip);
    }
}

double &MemoryRatio() {
    static double ratio = 0;
    return ratio;
}

void Memory(benchmark::State &state) {
    const QString out = Folder().filePath(QStringLiteral("memory.docx"));
    for (auto _ : state) {
        auto run = std::make_unique<TReportRun>();
        malloc_trim(0);
        ResetPeakRss();
        const qint64 before = CurrentRss();
        run->Send(out);
        const qint64 peak = PeakRss() - before;
        const QByteArray xml = run->Report.Document()->DocumentXml();
        MemoryRatio() = double(peak) / xml.size();
        state.counters["peak_MB"] = peak / 1e6;
        state.counters["document_xml_MB"] = xml.size() / 1e6;
        state.counters["peak_over_xml"] = MemoryRatio();
    }
}

// Memory first, while the process has not yet grown for the other runs.
BENCHMARK(Memory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Report)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Floor)->Unit(benchmark::kMillisecond)->Iterations(3);

class TRatioReporter : public TTimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double report = FTimes["Report/iterations:3"], floor = FTimes["Floor/iterations:3"];
        std::printf("\n%-28s %12s %12s %8s %8s\n", "work", "report ms", "floor ms", "ratio",
                    "target");
        std::printf("%-28s %12.1f %12.1f %8.2f %8s\n", "1,000-page report as .docx", report, floor,
                    floor > 0 ? report / floor : 0.0, "<= 2");
        std::printf("%-28s %12s %12s %8.2f %8s\n", "peak memory / document.xml", "", "",
                    MemoryRatio(), "<= 3");
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Text export and import of a dataset against std::fstream writing and reading the same bytes
// in the same run: 100,000 rows of ten mixed fields (integers, Big5 text, a float, currency,
// a date, a boolean), tab-delimited and quoted.
//
//   Export   the dataset to Lines, saved as a Big5 file   | the file's lines written by ofstream
//   Import   the file loaded and every line decomposed,   | the file's lines read by getline
//            each value taken by the line event           |
//
// Each side runs in turns with the other, fifteen pairs; after the runs a table prints the
// median CPU time of each side and the median ratio converter / fstream of the pairs. Both run
// with the client program's allocator settings. One more row, for information, shows an import
// whose event also appends every line to an empty client dataset (Append, SetText per field, Post):
// the converter's part is the Import row, the rest is the dataset's editing, which bench_dataset
// measures on its own.

#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "ProgramAllocator.h"
#include "uLumDataTransfer.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int kRows = 100000;

std::unique_ptr<TClientDataSet> MakeDataSet(bool withRows) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("Code"), ftString, 10);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 30);
    ds->FieldDefs().Add(QStringLiteral("Grade"), ftSmallint);
    ds->FieldDefs().Add(QStringLiteral("Score"), ftFloat);
    ds->FieldDefs().Add(QStringLiteral("Fee"), ftCurrency);
    ds->FieldDefs().Add(QStringLiteral("Born"), ftDate);
    ds->FieldDefs().Add(QStringLiteral("Active"), ftBoolean);
    ds->FieldDefs().Add(QStringLiteral("ClassNo"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("Note"), ftString, 40);
    ds->CreateDataSet();
    ds->SetLogChanges(false);
    for (int i = 0; withRows && i < kRows; ++i) {
        ds->Append();
        const std::vector<Variant> v = {
            Variant(i + 1),
            Variant(QStringLiteral("C%1").arg(i % 50000, 5, 10, QLatin1Char('0'))),
            Variant(QStringLiteral("學生%1").arg(i)),
            Variant::SmallInt(1 + i % 6),
            Variant((i * 37 % 10000) / 100.0),
            Variant(Currency::FromDouble((i % 1000) * 12.5)),
            Variant(TDateTime(38000 + i % 4000)),
            Variant(i % 3 != 0),
            Variant(i % 40),
            i % 4 == 0 ? Variant::Null() : Variant(QStringLiteral("備註 %1").arg(i % 997))};
        for (int c = 0; c < 10; ++c)
            ds->Fields()[c]->SetValue(v[static_cast<size_t>(c)]);
        ds->Post();
    }
    ds->First();
    return ds;
}

struct TFixture {
    QTemporaryDir Dir;
    std::unique_ptr<TClientDataSet> Source = MakeDataSet(true);
    QString File = Dir.filePath(QStringLiteral("rows.txt"));
    std::vector<std::string> Lines; // the file's lines with their line ends
    TFixture() {
        TLumDataSetConverterCust conv;
        conv.SetDataSet(Source.get());
        conv.DataExportConvert();
        conv.SaveToFile(File);
        std::ifstream in(File.toStdString(), std::ios::binary);
        for (std::string line; std::getline(in, line);)
            Lines.push_back(line + "\n");
    }
};

TFixture &Fixture() {
    static TFixture fixture;
    return fixture;
}

// The pairs' results by work, printed after the runs.
std::map<std::string, TPairTimes> &Results() {
    static std::map<std::string, TPairTimes> results;
    return results;
}

void ExportConverter(TFixture &f, const QString &out) {
    TLumDataSetConverterCust conv;
    conv.SetDataSet(f.Source.get());
    conv.DataExportConvert();
    conv.SaveToFile(out);
}

void ExportFstream(TFixture &f, const std::string &out) {
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    for (const std::string &line : f.Lines)
        file << line;
    file.close();
}

// The converter reading the file into an empty dataset's fields; `event` takes each line.
template <class Event> void ImportConverter(TFixture &f, TClientDataSet *target, Event &&event) {
    TLumDataSetConverter conv;
    conv.SetDelimiter(QChar(9));
    conv.SetQuoteChar(QChar(u'"'));
    conv.SetDataSet(target);
    conv.OnLineAfterDeComposed = event;
    conv.LoadFromFile(f.File);
    conv.DataImportConvert();
}

bool ImportFstream(TFixture &f) {
    std::ifstream in(f.File.toStdString(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(std::move(line));
    benchmark::DoNotOptimize(lines.data());
    return lines.size() == size_t(kRows);
}

void Export(benchmark::State &state) {
    TFixture &f = Fixture();
    const QString out = f.Dir.filePath(QStringLiteral("export.txt"));
    const std::string raw = f.Dir.filePath(QStringLiteral("export.raw")).toStdString();
    for (auto _ : state)
        Results()["Export"].Run(
            15, [] {}, [&] { ExportConverter(f, out); }, [&] { ExportFstream(f, raw); });
}

void Import(benchmark::State &state) {
    TFixture &f = Fixture();
    std::unique_ptr<TClientDataSet> target;
    bool complete = true;
    for (auto _ : state) {
        Results()["Import"].Run(
            15, [&] { target = MakeDataSet(false); },
            [&] {
                qint64 units = 0, lines = 0;
                ImportConverter(f, target.get(), [&](QObject *, TLumRowList &col, QString &) {
                    for (int i = 0; i < col.Count(); ++i)
                        units += col[i].size();
                    ++lines;
                });
                benchmark::DoNotOptimize(units);
                complete = complete && lines == kRows;
            },
            [&] { complete = ImportFstream(f) && complete; });
    }
    if (!complete)
        state.SkipWithError("rows missing");
}

void ImportIntoDataSet(benchmark::State &state) {
    TFixture &f = Fixture();
    std::unique_ptr<TClientDataSet> target;
    bool complete = true;
    for (auto _ : state) {
        Results()["Import+ds"].Run(
            5, [&] { target = MakeDataSet(false); },
            [&] {
                ImportConverter(f, target.get(), [](QObject *, TLumRowList &col, QString &) {
                    TDataSet *ds = col.Fields(0)->DataSet();
                    ds->Append();
                    for (int i = 0; i < col.Count(); ++i)
                        col.Fields(i)->SetText(col[i]);
                    ds->Post();
                });
                complete = complete && target->RecordCount() == kRows;
            },
            [&] { complete = ImportFstream(f) && complete; });
    }
    if (!complete)
        state.SkipWithError("rows missing");
}

// Prints each converter/fstream pair after the runs, with the ratio of their times.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %14s %14s %8s %8s   (CPU time, medians of pairs run in turns)\n",
                    "work", "converter", "fstream", "ratio", "target");
        for (const auto &[work, target] : std::vector<std::pair<std::string, const char *>>{
                 {"Export", "3.0"}, {"Import", "3.0"}, {"Import+ds", "-"}}) {
            const auto found = Results().find(work);
            if (found == Results().end())
                continue;
            const TPairTimes &t = found->second;
            std::printf("%-10s %11.3f ms %11.3f ms %8.2f %8s%s\n", work.c_str(), t.Mine(), t.Peer(),
                        t.Ratio(), target,
                        work == "Import+ds" ? "   (with the dataset's Append, SetText, Post)" : "");
        }
    }
};

} // namespace

BENCHMARK(Export)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Import)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ImportIntoDataSet)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv) {
    // The allocator settings of the client program, for both sides.
    UseProgramAllocator();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

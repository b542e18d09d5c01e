// Text export and import of a dataset against std::fstream writing and reading the same bytes
// in the same run: 100,000 rows of ten mixed fields (integers, Big5 text, a float, currency,
// a date, a boolean), tab-delimited and quoted.
//
//   Export   the dataset to Lines, saved as a Big5 file   | the file's lines written by ofstream
//   Import   the file loaded and every line decomposed,   | the file's lines read by getline
//            each value taken by the line event           |
//
// After the runs a table prints each pair and the ratio converter / fstream of their CPU times.
// One more row, for information, shows an import whose event also appends every line to an
// empty client dataset (Append, SetText per field, Post): the converter's part is the Import
// row, the rest is the dataset's editing, which bench_dataset measures on its own.

#include "BenchRatio.h"
#include "ClientDataSet.h"
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

void Export_Converter(benchmark::State &state) {
    TFixture &f = Fixture();
    const QString out = f.Dir.filePath(QStringLiteral("export.txt"));
    for (auto _ : state) {
        TLumDataSetConverterCust conv;
        conv.SetDataSet(f.Source.get());
        conv.DataExportConvert();
        conv.SaveToFile(out);
    }
}

void Export_Fstream(benchmark::State &state) {
    TFixture &f = Fixture();
    const std::string out = f.Dir.filePath(QStringLiteral("export.raw")).toStdString();
    for (auto _ : state) {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        for (const std::string &line : f.Lines)
            file << line;
        file.close();
    }
}

void Import_Converter(benchmark::State &state) {
    TFixture &f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        auto target = MakeDataSet(false);
        state.ResumeTiming();
        TLumDataSetConverter conv;
        conv.SetDelimiter(QChar(9));
        conv.SetQuoteChar(QChar(u'"'));
        conv.SetDataSet(target.get());
        qint64 units = 0, lines = 0;
        conv.OnLineAfterDeComposed = [&](QObject *, TLumRowList &col, QString &) {
            for (int i = 0; i < col.Count(); ++i)
                units += col[i].size();
            ++lines;
        };
        conv.LoadFromFile(f.File);
        conv.DataImportConvert();
        benchmark::DoNotOptimize(units);
        if (lines != kRows)
            state.SkipWithError("rows missing");
    }
}

void Import_IntoDataSet(benchmark::State &state) {
    TFixture &f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        auto target = MakeDataSet(false);
        state.ResumeTiming();
        TLumDataSetConverter conv;
        conv.SetDelimiter(QChar(9));
        conv.SetQuoteChar(QChar(u'"'));
        conv.SetDataSet(target.get());
        conv.OnLineAfterDeComposed = [](QObject *, TLumRowList &col, QString &) {
            TDataSet *ds = col.Fields(0)->DataSet();
            ds->Append();
            for (int i = 0; i < col.Count(); ++i)
                col.Fields(i)->SetText(col[i]);
            ds->Post();
        };
        conv.LoadFromFile(f.File);
        conv.DataImportConvert();
        if (target->RecordCount() != kRows)
            state.SkipWithError("rows missing");
    }
}

void Import_Fstream(benchmark::State &state) {
    TFixture &f = Fixture();
    for (auto _ : state) {
        std::ifstream in(f.File.toStdString(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::move(line));
        benchmark::DoNotOptimize(lines.data());
        if (lines.size() != size_t(kRows))
            state.SkipWithError("rows missing");
    }
}

// Prints each converter/fstream pair after the runs, with the ratio of their times.
class TRatioReporter : public TTimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %14s %14s %8s %8s\n", "work", "converter", "fstream", "ratio",
                    "target");
        for (const char *work : {"Export", "Import"}) {
            const auto mine = FTimes.find(std::string(work) + "_Converter/iterations:3");
            const auto peer = FTimes.find(std::string(work) + "_Fstream/iterations:3");
            if (mine == FTimes.end() || peer == FTimes.end())
                continue;
            std::printf("%-10s %11.3f ms %11.3f ms %8.2f %8.1f\n", work, mine->second, peer->second,
                        mine->second / peer->second, 3.0);
        }
        const auto all = FTimes.find("Import_IntoDataSet/iterations:3");
        const auto peer = FTimes.find("Import_Fstream/iterations:3");
        if (all != FTimes.end() && peer != FTimes.end())
            std::printf("%-10s %11.3f ms %11.3f ms %8.2f %8s  (with the dataset's Append, SetText, "
                        "Post)\n",
                        "Import+ds", all->second, peer->second, all->second / peer->second, "-");
    }
};

} // namespace

BENCHMARK(Export_Converter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Export_Fstream)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Import_Converter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Import_Fstream)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Import_IntoDataSet)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The demo school made at the first start of the server on a new SQLite file, against the floor
// of the same writing in the same run:
//
//   DemoSchool_FirstStart  TServerDatabase on a new file: the schema, the views and every row of
//                          the full-size school (students, staff, courses, enrolments, roll
//                          calls, rewards ...), made and written in one transaction
//   DemoSchool_SameRows    the same rows, read beforehand into memory, written by SQLite itself
//                          into a new file with the same tables and settings in one transaction:
//                          one prepared INSERT per table, bound and stepped row by row
//
// The difference is what making the school costs beyond storing it: the names, numbers,
// timetables and roll calls drawn, the Qt SQL layer, the batches, the password hashes (at the
// lowest cost). Times are wall times; items per second are rows per second. A table of the pair
// and its ratio prints after the runs.

#include "BenchRatio.h"
#include "ServerDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TTable {
    std::string Create;
    std::string Insert;
    std::vector<std::vector<sqlite3_value *>> Rows;
};

void Check(int rc, sqlite3 *db, const char *what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::abort();
    }
}

// The school's tables as a first start writes them: their statements and rows.
class TSchoolRows {
public:
    TSchoolRows() {
        const QString file = FDir.filePath(QStringLiteral("source.sqlite"));
        {
            TDatabaseConfig config;
            config.Name = file;
            config.HashCost = THashCost::Minimal;
            TServerDatabase made(config);
        }
        sqlite3 *db = nullptr;
        Check(sqlite3_open(QFile::encodeName(file).constData(), &db), db, "open");
        sqlite3_stmt *tables = nullptr;
        Check(sqlite3_prepare_v2(db,
                                 "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND "
                                 "name NOT LIKE 'sqlite_%'",
                                 -1, &tables, nullptr),
              db, "tables");
        while (sqlite3_step(tables) == SQLITE_ROW) {
            const std::string name = reinterpret_cast<const char *>(sqlite3_column_text(tables, 0));
            TTable t;
            t.Create = reinterpret_cast<const char *>(sqlite3_column_text(tables, 1));
            sqlite3_stmt *rows = nullptr;
            Check(sqlite3_prepare_v2(db, ("SELECT * FROM " + name).c_str(), -1, &rows, nullptr), db,
                  "rows");
            const int columns = sqlite3_column_count(rows);
            t.Insert = "INSERT INTO " + name + " VALUES (?";
            for (int i = 1; i < columns; ++i)
                t.Insert += ",?";
            t.Insert += ")";
            while (sqlite3_step(rows) == SQLITE_ROW) {
                std::vector<sqlite3_value *> row;
                for (int i = 0; i < columns; ++i)
                    row.push_back(sqlite3_value_dup(sqlite3_column_value(rows, i)));
                t.Rows.push_back(std::move(row));
                ++FCount;
            }
            sqlite3_finalize(rows);
            FTables.push_back(std::move(t));
        }
        sqlite3_finalize(tables);
        sqlite3_close(db);
    }
    ~TSchoolRows() {
        for (TTable &t : FTables)
            for (auto &row : t.Rows)
                for (sqlite3_value *v : row)
                    sqlite3_value_free(v);
    }
    TSchoolRows(const TSchoolRows &) = delete;
    TSchoolRows &operator=(const TSchoolRows &) = delete;

    long long Count() const { return FCount; }

    // Writes the tables and their rows into a new file as the server's settings have it.
    void Write(const QString &file) const {
        sqlite3 *db = nullptr;
        Check(sqlite3_open(QFile::encodeName(file).constData(), &db), db, "open");
        for (const char *pragma : {"PRAGMA foreign_keys = ON", "PRAGMA journal_mode = WAL",
                                   "PRAGMA synchronous = FULL", "BEGIN"})
            Check(sqlite3_exec(db, pragma, nullptr, nullptr, nullptr), db, pragma);
        for (const TTable &t : FTables) {
            Check(sqlite3_exec(db, t.Create.c_str(), nullptr, nullptr, nullptr), db, "create");
            sqlite3_stmt *insert = nullptr;
            Check(sqlite3_prepare_v2(db, t.Insert.c_str(), -1, &insert, nullptr), db, "insert");
            for (const auto &row : t.Rows) {
                for (size_t i = 0; i < row.size(); ++i)
                    sqlite3_bind_value(insert, int(i + 1), row[i]);
                Check(sqlite3_step(insert), db, "step");
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
        }
        Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
        sqlite3_close(db);
    }

private:
    QTemporaryDir FDir;
    std::vector<TTable> FTables;
    long long FCount = 0;
};

class TRatioReporter : public TTimesReporter {
public:
    TRatioReporter() : TTimesReporter(true) {}
    void Finalize() override {
        TTimesReporter::Finalize();
        const double ours = Time("DemoSchool_FirstStart"), floor = Time("DemoSchool_SameRows");
        if (ours > 0 && floor > 0)
            std::printf("\n%-22s %10.1f ms\n%-22s %10.1f ms\n%-22s %10.2f\n", "first start", ours,
                        "same rows by SQLite", floor, "ratio", ours / floor);
    }

private:
    // The time of a benchmark by its name (runs carry "/real_time" after it).
    double Time(const std::string &name) const {
        for (const auto &[run, time] : FTimes)
            if (run == name || run.rfind(name + "/", 0) == 0)
                return time;
        return 0;
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const TSchoolRows rows;
    std::printf("%lld rows in the demo school\n", rows.Count());
    benchmark::RegisterBenchmark("DemoSchool_FirstStart",
                                 [&rows](benchmark::State &state) {
                                     for (auto _ : state) {
                                         QTemporaryDir dir;
                                         TDatabaseConfig config;
                                         config.Name =
                                             dir.filePath(QStringLiteral("school.sqlite"));
                                         config.HashCost = THashCost::Minimal;
                                         TServerDatabase db(config);
                                     }
                                     state.SetItemsProcessed(state.iterations() * rows.Count());
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("DemoSchool_SameRows",
                                 [&rows](benchmark::State &state) {
                                     for (auto _ : state) {
                                         QTemporaryDir dir;
                                         rows.Write(dir.filePath(QStringLiteral("school.sqlite")));
                                     }
                                     state.SetItemsProcessed(state.iterations() * rows.Count());
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

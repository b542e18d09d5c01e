// The dataset engine against SQLite doing the same work in the same run, on generated rows of
// ten mixed fields (100k and 1M rows):
//
//   Open     open a client dataset from a data packet   | read every row of an in-memory table
//   Filter   filter expression, count the records       | SELECT count(*) ... WHERE
//   Sort     order by two fields                        | CREATE INDEX on the same two columns
//   Locate   10,000 locates by the indexed key          | 10,000 lookups by the primary key
//   Apply    10,000 changed rows through the provider   | the same UPDATEs, prepared, in one
//            (where-all, one transaction)               | transaction
//   Memory   peak and held bytes per row of an opened dataset against the raw field bytes
//
// After the runs a table prints each pair and the ratio dataset / SQLite of their CPU times
// (steadier than wall time on a busy machine).

#include "BenchMemory.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "Packet.h"
#include "ProgramAllocator.h"
#include "Provider.h"
#include "SqlQuery.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <malloc.h>
#include <map>

namespace {

// ---- generated rows ------------------------------------------------------------------------

struct TColumn {
    const char *Name;
    TFieldType Type;
    int Size;
    const char *Sql;
};
const TColumn Columns[] = {
    {"ID", ftInteger, 0, "INTEGER PRIMARY KEY"},
    {"Code", ftString, 10, "TEXT"},
    {"Name", ftString, 30, "TEXT"},
    {"Grade", ftSmallint, 0, "INTEGER"},
    {"Score", ftFloat, 0, "REAL"},
    {"Fee", ftCurrency, 0, "REAL"},
    {"Born", ftDate, 0, "TEXT"},
    {"Active", ftBoolean, 0, "INTEGER"},
    {"ClassNo", ftInteger, 0, "INTEGER"},
    {"Note", ftString, 40, "TEXT"},
};
constexpr int ColumnCount = 10;

std::vector<Variant> RowValues(int i) {
    return {Variant(i + 1),
            Variant(QStringLiteral("C%1").arg(i % 50000, 5, 10, QLatin1Char('0'))),
            Variant(QStringLiteral("學生%1").arg(i)),
            Variant::SmallInt(1 + i % 6),
            Variant((i * 37 % 10000) / 100.0),
            Variant(Currency::FromDouble((i % 1000) * 12.5)),
            Variant(TDateTime(38000 + i % 4000)),
            Variant(i % 3 != 0),
            Variant(i % 40),
            i % 4 == 0 ? Variant::Null() : Variant(QStringLiteral("備註 %1").arg(i % 997))};
}

// Bytes the values take at their natural size: integers and floats at their width, text as
// UTF-8, nothing for a null.
double RawBytesPerRow(int rows) {
    double total = 0;
    for (int i = 0; i < rows; i += 97) {
        const std::vector<Variant> v = RowValues(i);
        for (int c = 0; c < ColumnCount; ++c) {
            if (v[c].IsEmptyOrNull())
                continue;
            switch (Columns[c].Type) {
            case ftString:
                total += v[c].ToString().toUtf8().size();
                break;
            case ftSmallint:
                total += 2;
                break;
            case ftInteger:
                total += 4;
                break;
            case ftBoolean:
                total += 1;
                break;
            default:
                total += 8;
            }
        }
    }
    return total / ((rows + 96) / 97);
}

std::vector<TFieldDef> Defs() {
    std::vector<TFieldDef> defs;
    for (const TColumn &c : Columns)
        defs.push_back(TFieldDef::Make(QString::fromLatin1(c.Name), c.Type, c.Size));
    defs[0].ProviderFlags = pfInKey | pfInWhere | pfInUpdate;
    return defs;
}

const QByteArray &Packet(int rows) {
    static std::map<int, QByteArray> cache;
    auto it = cache.find(rows);
    if (it == cache.end()) {
        TPacketWriter w(pkData, Defs(), true);
        for (int i = 0; i < rows; ++i)
            w.WriteRow(usUnmodified, RowValues(i));
        it = cache.emplace(rows, w.Finish()).first;
    }
    return it->second;
}

// An opened dataset over the rows, shared by the benchmarks that only read.
TClientDataSet &Loaded(int rows) {
    static std::map<int, std::unique_ptr<TClientDataSet>> cache;
    auto &ds = cache[rows];
    if (!ds) {
        ds = std::make_unique<TClientDataSet>();
        ds->SetData(Variant(Packet(rows)));
    }
    return *ds;
}

void BindRow(sqlite3_stmt *st, int i) {
    const std::vector<Variant> v = RowValues(i);
    for (int c = 0; c < ColumnCount; ++c) {
        const int p = c + 1;
        if (v[c].IsEmptyOrNull()) {
            sqlite3_bind_null(st, p);
            continue;
        }
        const QVariant q = VariantToSql(v[c], Columns[c].Type);
        if (q.typeId() == QMetaType::QString) {
            const QByteArray text = q.toString().toUtf8();
            sqlite3_bind_text(st, p, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else if (q.typeId() == QMetaType::Double) {
            sqlite3_bind_double(st, p, q.toDouble());
        } else {
            sqlite3_bind_int64(st, p, q.toLongLong());
        }
    }
}

struct TSqlite {
    sqlite3 *Db = nullptr;
    explicit TSqlite(int rows) {
        sqlite3_open(":memory:", &Db);
        QByteArray create = "CREATE TABLE t(";
        for (int c = 0; c < ColumnCount; ++c)
            create += QByteArray(c ? ", " : "") + Columns[c].Name + ' ' + Columns[c].Sql;
        create += ')';
        Exec(create.constData());
        Exec("BEGIN");
        sqlite3_stmt *insert = Prepare("INSERT INTO t VALUES(?,?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < rows; ++i) {
            BindRow(insert, i);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        Exec("COMMIT");
    }
    ~TSqlite() { sqlite3_close(Db); }
    TSqlite(const TSqlite &) = delete;
    TSqlite &operator=(const TSqlite &) = delete;
    void Exec(const char *sql) {
        if (sqlite3_exec(Db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(Db));
    }
    sqlite3_stmt *Prepare(const char *sql) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(Db, sql, -1, &st, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(Db));
        return st;
    }
};

TSqlite &Table(int rows) {
    static std::map<int, std::unique_ptr<TSqlite>> cache;
    auto &db = cache[rows];
    if (!db)
        db = std::make_unique<TSqlite>(rows);
    return *db;
}

// ---- open ----------------------------------------------------------------------------------

void Open_DataSet(benchmark::State &state) {
    const QByteArray &packet = Packet(int(state.range(0)));
    for (auto _ : state) {
        auto ds = std::make_unique<TClientDataSet>();
        ds->SetData(Variant(packet));
        benchmark::DoNotOptimize(ds->RecordCount());
        state.PauseTiming();
        ds.reset();
        state.ResumeTiming();
    }
}

void Open_Sqlite(benchmark::State &state) {
    TSqlite &db = Table(int(state.range(0)));
    sqlite3_stmt *st = db.Prepare("SELECT * FROM t");
    for (auto _ : state) {
        qint64 sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < ColumnCount; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    sum += sqlite3_column_int64(st, c);
                    break;
                case SQLITE_FLOAT:
                    sum += qint64(sqlite3_column_double(st, c));
                    break;
                case SQLITE_TEXT:
                    sum += sqlite3_column_bytes(st, c) + *sqlite3_column_text(st, c);
                    break;
                default:
                    break;
                }
            }
        }
        sqlite3_reset(st);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_finalize(st);
}

// ---- filter --------------------------------------------------------------------------------

void Filter_DataSet(benchmark::State &state) {
    TClientDataSet &ds = Loaded(int(state.range(0)));
    ds.SetFilter(QStringLiteral("Grade = 3 and Score > 50"));
    for (auto _ : state) {
        ds.SetFiltered(true);
        benchmark::DoNotOptimize(ds.RecordCount());
        state.PauseTiming();
        ds.SetFiltered(false);
        state.ResumeTiming();
    }
    ds.SetFilter(QString());
}

void Filter_Sqlite(benchmark::State &state) {
    TSqlite &db = Table(int(state.range(0)));
    sqlite3_stmt *st = db.Prepare("SELECT count(*) FROM t WHERE Grade = 3 AND Score > 50");
    for (auto _ : state) {
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_int(st, 0));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

// ---- sort ----------------------------------------------------------------------------------

void Sort_DataSet(benchmark::State &state) {
    TClientDataSet &ds = Loaded(int(state.range(0)));
    for (auto _ : state) {
        ds.SetIndexFieldNames(QStringLiteral("Grade;Name"));
        benchmark::DoNotOptimize(ds.RecordCount());
        state.PauseTiming();
        ds.SetIndexFieldNames(QString());
        state.ResumeTiming();
    }
}

void Sort_Sqlite(benchmark::State &state) {
    TSqlite &db = Table(int(state.range(0)));
    for (auto _ : state) {
        db.Exec("CREATE INDEX ix_grade_name ON t(Grade, Name)");
        state.PauseTiming();
        db.Exec("DROP INDEX ix_grade_name");
        state.ResumeTiming();
    }
}

// ---- locate --------------------------------------------------------------------------------

constexpr int Lookups = 10000;

void Locate_DataSet(benchmark::State &state) {
    const int rows = int(state.range(0));
    TClientDataSet &ds = Loaded(rows);
    ds.SetIndexFieldNames(QStringLiteral("ID"));
    TField *score = ds.FieldByName(QStringLiteral("Score"));
    for (auto _ : state) {
        double sum = 0;
        for (int k = 0, key = 1; k < Lookups; ++k, key = int((key + 7919LL) % rows) + 1)
            if (ds.Locate(QStringLiteral("ID"), Variant(key)))
                sum += score->AsFloat();
        benchmark::DoNotOptimize(sum);
    }
    ds.SetIndexFieldNames(QString());
}

void Locate_Sqlite(benchmark::State &state) {
    const int rows = int(state.range(0));
    TSqlite &db = Table(rows);
    sqlite3_stmt *st = db.Prepare("SELECT Score FROM t WHERE ID = ?");
    for (auto _ : state) {
        double sum = 0;
        for (int k = 0, key = 1; k < Lookups; ++k, key = int((key + 7919LL) % rows) + 1) {
            sqlite3_bind_int(st, 1, key);
            if (sqlite3_step(st) == SQLITE_ROW)
                sum += sqlite3_column_double(st, 0);
            sqlite3_reset(st);
        }
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_finalize(st);
}

// ---- apply ---------------------------------------------------------------------------------

constexpr int Changes = 10000;

// Every ninth row gets a new score, 10,000 rows in all.
int ChangedRow(int k, int rows) {
    return int((qint64(k) * 9) % rows);
}

// Deltas are applied by providers on the application server: both sides run with the server
// program's allocator settings (ProgramAllocator.h).
void Apply_DataSet(benchmark::State &state) {
    UseProgramAllocator();
    const int rows = int(state.range(0));
    const QString conn = QStringLiteral("bench");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(QStringLiteral(":memory:"));
        db.open();
        QSqlQuery q(db);
        QString create = QStringLiteral("CREATE TABLE t(");
        for (int c = 0; c < ColumnCount; ++c)
            create += QString::fromLatin1(c ? ", " : "") + QString::fromLatin1(Columns[c].Name) +
                      QLatin1Char(' ') + QString::fromLatin1(Columns[c].Sql);
        q.exec(create + QLatin1Char(')'));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO t VALUES(?,?,?,?,?,?,?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            const std::vector<Variant> v = RowValues(i);
            for (int c = 0; c < ColumnCount; ++c)
                q.bindValue(c, VariantToSql(v[c], Columns[c].Type));
            q.exec();
        }
        db.commit();
    }
    {
        TComponent owner;
        auto *query = new TSqlQuery(&owner);
        query->SetConnectionName(conn);
        query->SetSQL(QStringLiteral("SELECT * FROM t"));
        query->FieldDefs().Assign(Defs());
        auto *provider = new TDataSetProvider(&owner);
        provider->SetName(QStringLiteral("prvT"));
        provider->SetDataSet(query);
        provider->SetUpdateMode(upWhereAll);
        auto *client = new TClientDataSet(&owner);
        client->SetProviderName(QStringLiteral("prvT"));
        int round = 0;
        for (auto _ : state) {
            state.PauseTiming();
            client->Close();
            client->Open();
            client->SetIndexFieldNames(QStringLiteral("ID"));
            TField *score = client->FieldByName(QStringLiteral("Score"));
            ++round;
            for (int k = 0; k < Changes; ++k) {
                client->Locate(QStringLiteral("ID"), Variant(ChangedRow(k, rows) + 1));
                client->Edit();
                score->SetAsFloat(1000.0 * round + k);
                client->Post();
            }
            state.ResumeTiming();
            const int errors = client->ApplyUpdates(-1);
            if (errors != 0)
                state.SkipWithError("rows failed to apply");
        }
    }
    QSqlDatabase::removeDatabase(conn);
}

void Apply_Sqlite(benchmark::State &state) {
    UseProgramAllocator();
    const int rows = int(state.range(0));
    TSqlite db(rows);
    // The statement the provider sends for a changed score, where-all.
    sqlite3_stmt *update = db.Prepare(
        "UPDATE t SET Score = ? WHERE ID = ? AND Code = ? AND Name = ? AND Grade = ? AND "
        "Score = ? AND Fee = ? AND Born = ? AND Active = ? AND ClassNo = ? AND Note IS ?");
    std::vector<double> scores(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i)
        scores[size_t(i)] = RowValues(i)[4].ToDouble();
    int round = 0;
    for (auto _ : state) {
        ++round;
        db.Exec("BEGIN");
        for (int k = 0; k < Changes; ++k) {
            const int i = ChangedRow(k, rows);
            // Parameters: new score, then the where-all values in column order.
            sqlite3_stmt *st = update;
            const std::vector<Variant> v = RowValues(i);
            sqlite3_bind_double(st, 1, 1000.0 * round + k);
            for (int c = 0; c < ColumnCount; ++c) {
                const int p = c + 2;
                const QVariant q =
                    c == 4 ? QVariant(scores[size_t(i)]) : VariantToSql(v[c], Columns[c].Type);
                if (v[c].IsEmptyOrNull())
                    sqlite3_bind_null(st, p);
                else if (q.typeId() == QMetaType::QString) {
                    const QByteArray text = q.toString().toUtf8();
                    sqlite3_bind_text(st, p, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                } else if (q.typeId() == QMetaType::Double)
                    sqlite3_bind_double(st, p, q.toDouble());
                else
                    sqlite3_bind_int64(st, p, q.toLongLong());
            }
            if (sqlite3_step(st) != SQLITE_DONE || sqlite3_changes(db.Db) != 1)
                state.SkipWithError("row failed to apply");
            sqlite3_reset(st);
            scores[size_t(i)] = 1000.0 * round + k;
        }
        db.Exec("COMMIT");
    }
    sqlite3_finalize(update);
}

// ---- memory --------------------------------------------------------------------------------

// Peak resident memory since the last reset, in bytes.
void Memory_DataSet(benchmark::State &state) {
    const int rows = int(state.range(0));
    const QByteArray &packet = Packet(rows);
    for (auto _ : state) {
        malloc_trim(0);
        const size_t heldBefore = mallinfo2().uordblks;
        ResetPeakRss();
        const qint64 peakBefore = PeakRss();
        auto ds = std::make_unique<TClientDataSet>();
        ds->SetData(Variant(packet));
        benchmark::DoNotOptimize(ds->RecordCount());
        const qint64 peak = PeakRss() - peakBefore;
        const size_t held = mallinfo2().uordblks - heldBefore;
        const double raw = RawBytesPerRow(rows);
        state.counters["raw_B_per_row"] = raw;
        state.counters["held_B_per_row"] = double(held) / rows;
        state.counters["peak_B_per_row"] = double(peak) / rows;
        state.counters["held_over_raw"] = double(held) / rows / raw;
        state.counters["peak_over_raw"] = double(peak) / rows / raw;
    }
}

// ---- ratios --------------------------------------------------------------------------------

// Prints each dataset/SQLite pair after the runs, with the ratio of their times.
class TRatioReporter : public TTimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %14s %14s %8s %8s\n", "work", "dataset", "sqlite", "ratio", "target");
        for (const auto &[name, time] : FTimes) {
            const size_t at = name.find("DataSet");
            if (at == std::string::npos)
                continue;
            std::string peer = name;
            peer.replace(at, 7, "Sqlite");
            const auto it = FTimes.find(peer);
            if (it == FTimes.end())
                continue;
            std::string work = name;
            work.erase(at - 1, 8);
            work = work.substr(0, work.find("/iterations"));
            const double target = name.rfind("Apply", 0) == 0 ? 1.5 : 1.0;
            std::printf("%-22s %11.3f ms %11.3f ms %8.2f %8.1f\n", work.c_str(), time, it->second,
                        time / it->second, target);
        }
    }
};

} // namespace

BENCHMARK(Open_DataSet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Open_Sqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Filter_DataSet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Filter_Sqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Sort_DataSet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Sort_Sqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Locate_DataSet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Locate_Sqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Memory_DataSet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
// Last: they change the allocator's settings for the rest of the run.
BENCHMARK(Apply_DataSet)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Apply_Sqlite)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The client dataset against SQLite in memory: filling a table, finding rows by key and by a
// non-key column, and walking the rows in key order.

#include "ClientDataSet.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QString NameOf(int i) {
    return QStringLiteral("學生%1").arg(i);
}

std::unique_ptr<TClientDataSet> FillDataSet(int rows) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("ID"), ftInteger, 0, true);
    ds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
    ds->CreateDataSet();
    ds->SetLogChanges(false);
    TField *id = ds->FieldByName(QStringLiteral("ID"));
    TField *name = ds->FieldByName(QStringLiteral("Name"));
    TField *amount = ds->FieldByName(QStringLiteral("Amount"));
    for (int i = 0; i < rows; ++i) {
        ds->Append();
        id->SetAsInteger(i);
        name->SetAsString(NameOf(i));
        amount->SetAsFloat(i * 1.5);
        ds->Post();
    }
    return ds;
}

struct Sqlite {
    sqlite3 *Db = nullptr;
    explicit Sqlite(int rows) {
        sqlite3_open(":memory:", &Db);
        sqlite3_exec(Db, "CREATE TABLE t(ID INTEGER PRIMARY KEY, Name TEXT, Amount REAL)", nullptr,
                     nullptr, nullptr);
        sqlite3_exec(Db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(Db, "INSERT INTO t VALUES(?,?,?)", -1, &insert, nullptr);
        for (int i = 0; i < rows; ++i) {
            const QByteArray name = NameOf(i).toUtf8();
            sqlite3_bind_int(insert, 1, i);
            sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, i * 1.5);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ~Sqlite() { sqlite3_close(Db); }
    Sqlite(const Sqlite &) = delete;
    Sqlite &operator=(const Sqlite &) = delete;
};

void BM_Fill_DataSet(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(FillDataSet(int(state.range(0))));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Fill_Sqlite(benchmark::State &state) {
    for (auto _ : state)
        Sqlite db(int(state.range(0)));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LocateByName_DataSet(benchmark::State &state) {
    const int rows = int(state.range(0));
    auto ds = FillDataSet(rows);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ds->Locate(QStringLiteral("Name"), Variant(NameOf(i))));
        i = (i + 7919) % rows;
    }
}

void BM_LocateByName_Sqlite(benchmark::State &state) {
    const int rows = int(state.range(0));
    Sqlite db(rows);
    sqlite3_stmt *find = nullptr;
    sqlite3_prepare_v2(db.Db, "SELECT ID FROM t WHERE Name=?", -1, &find, nullptr);
    int i = 0;
    for (auto _ : state) {
        const QByteArray name = NameOf(i).toUtf8();
        sqlite3_bind_text(find, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        benchmark::DoNotOptimize(sqlite3_step(find));
        sqlite3_reset(find);
        i = (i + 7919) % rows;
    }
    sqlite3_finalize(find);
}

void BM_WalkSum_DataSet(benchmark::State &state) {
    auto ds = FillDataSet(int(state.range(0)));
    TField *amount = ds->FieldByName(QStringLiteral("Amount"));
    for (auto _ : state) {
        double sum = 0;
        for (ds->First(); !ds->Eof(); ds->Next())
            sum += amount->AsFloat();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WalkSum_Sqlite(benchmark::State &state) {
    Sqlite db(int(state.range(0)));
    sqlite3_stmt *walk = nullptr;
    sqlite3_prepare_v2(db.Db, "SELECT Amount FROM t ORDER BY ID", -1, &walk, nullptr);
    for (auto _ : state) {
        double sum = 0;
        while (sqlite3_step(walk) == SQLITE_ROW)
            sum += sqlite3_column_double(walk, 0);
        sqlite3_reset(walk);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_finalize(walk);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_Fill_DataSet)->Arg(1000)->Arg(10000);
BENCHMARK(BM_Fill_Sqlite)->Arg(1000)->Arg(10000);
BENCHMARK(BM_LocateByName_DataSet)->Arg(1000)->Arg(10000);
BENCHMARK(BM_LocateByName_Sqlite)->Arg(1000)->Arg(10000);
BENCHMARK(BM_WalkSum_DataSet)->Arg(10000);
BENCHMARK(BM_WalkSum_Sqlite)->Arg(10000);
BENCHMARK_MAIN();

// Start-up and search figures of the embedded database: creating the demo database, opening
// the connection, and the record search (patient mode with out-patients, as the search
// window sends it), translated afresh and from the translation cache.
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "records/RetrievalStatements.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The search window's statement: patient mode, last name "garcia", out-patients included.
const QString& recordSearch() {
    static const QString s = [] {
        records::RecordSearchCriteria c;
        c.lastName = "garcia";
        c.includeOutPatients = true;
        return records::recordSearch(c);
    }();
    return s;
}

struct DemoFolder {
    QTemporaryDir dir;
    DemoFolder() { db::EmbeddedDatabase::ensure(dir.path()); }
};

DemoFolder& demo() {
    static DemoFolder folder;
    return folder;
}

void BM_CreateDemoDatabase(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir dir;
        db::EmbeddedDatabase::ensure(dir.path()); // full password iterations
    }
}
BENCHMARK(BM_CreateDemoDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenConnection(benchmark::State& state) {
    const QString folder = demo().dir.path();
    for (auto _ : state) {
        db::SqliteConnection conn(folder);
        benchmark::DoNotOptimize(conn.isOpen());
    }
}
BENCHMARK(BM_OpenConnection)->Unit(benchmark::kMicrosecond);

void BM_RecordSearch(benchmark::State& state) {
    db::SqliteConnection conn(demo().dir.path());
    for (auto _ : state) {
        auto rs = conn.execute(recordSearch());
        if (rs->recordCount() != 5) state.SkipWithError("unexpected row count");
    }
}
BENCHMARK(BM_RecordSearch)->Unit(benchmark::kMicrosecond);

// Each statement text differs (a trailing comment), so every call translates afresh.
void BM_RecordSearchUncached(benchmark::State& state) {
    db::SqliteConnection conn(demo().dir.path());
    long n = 0;
    for (auto _ : state) {
        auto rs = conn.execute(recordSearch() + QString(" -- %1").arg(++n));
        if (rs->recordCount() != 5) state.SkipWithError("unexpected row count");
    }
}
BENCHMARK(BM_RecordSearchUncached)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

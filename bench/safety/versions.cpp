// A page deletion on the 1000-page scanned record (300 dpi Letter text pages, G4;
// bench/support/DocGenerator.h) through the record's document model, with the previous
// version kept before each write (a hard link on this file system; the last 10 kept, so
// each keep also drops the oldest) against the same deletion without versions, same run.
// The version kept with a copy instead of a link is measured beside them for comparison.
// Run:
//   build/bin/bench_safety_versions --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "app/Clock.h"
#include "imaging/documents/DocumentModel.h"
#include "safety/Versions.h"
#include "support/DocGenerator.h"
#include "support/QtBenchmarkMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <stdexcept>

namespace {

constexpr int kPages = 1000;

// No versions; versions kept by the record's history; a plain copy of the file before each
// deletion (what a keep costs where the file system cannot link).
enum class Keep { None, Versions, CopyOnly };

void deletePage(benchmark::State& state, Keep keep) {
    QTemporaryDir scratch;
    const QString path = scratch.filePath("record.tif");
    if (!QFile::copy(benchsupport::bitonalDocument(kPages), path))
        throw std::runtime_error("cannot copy the record");
    app::SystemClock clock;
    auto store = std::make_shared<safety::VersionStore>(
        safety::versionFolder(scratch.path(), "record"), clock, safety::VersionLimits{});
    auto model = imaging::DocumentModel::acquire(path);
    if (keep == Keep::Versions) model->addWriteObserver(std::make_shared<safety::RecordHistory>(store));
    int copies = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (keep == Keep::CopyOnly) {
            // What a keep costs where the file system cannot link: a whole copy.
            const QString copy = scratch.filePath(QStringLiteral("copy-%1.tif").arg(copies++ % 10));
            QFile::remove(copy);
            if (!QFile::copy(path, copy)) throw std::runtime_error("cannot copy");
        }
        model->deletePages(2, 1);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
    if (keep == Keep::Versions) {
        state.counters["kept"] = double(store->versions().size());
        state.counters["linked"] = store->lastKeepLinked() ? 1 : 0;
    }
}

void BM_DeletePage_WithoutVersions(benchmark::State& state) { deletePage(state, Keep::None); }
void BM_DeletePage_VersionKept(benchmark::State& state) { deletePage(state, Keep::Versions); }
void BM_DeletePage_CopyBeforeEach(benchmark::State& state) { deletePage(state, Keep::CopyOnly); }

BENCHMARK(BM_DeletePage_WithoutVersions)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DeletePage_VersionKept)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DeletePage_CopyBeforeEach)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }

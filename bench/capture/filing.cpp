// Filing a 10-page scan: ScanStart in the program started as a user starts it (embedded demo
// database, demo user 1001, medical records) with SANE's test scanner of the demo
// (scripts/sane-demo: a document feeder of ten line-art pages, here at 100 dpi, 1 bit).
// Measured per filing, from the end of the scan (the scan job's end, when the last page is in
// the file) until page 1 of the new document has been rendered and painted: the row written,
// its id read back, the document opened and the record panel filled. The scan itself (from
// ScanStart until the scan job's end) is reported in the same iterations as the counter
// scan_ms. Reference: opening the same 10-page file with PerformFileOpen until page 1 is painted
// (what the opening alone costs), in the same run. Each filing uses a new ID, so nothing is
// replaced. Run:
//   build/bin/bench_capture_filing --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "doubles/RenderWait.h"
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "capture/Filing.h"
#include "imaging/controls/ImageEdit.h"
#include "main/Program.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

QString benchFolder() { return QDir::tempPath() + "/docuvane-bench-filing-v1"; }

void runUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) throw std::runtime_error("timed out");
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

// The demo's SANE configuration unless the caller chose one; set before the program looks for
// scanners.
bool useDemoScanner() {
    if (qEnvironmentVariableIsEmpty("SANE_CONFIG_DIR"))
        qputenv("SANE_CONFIG_DIR", QByteArray(DOCUVANE_BENCH_SOURCE_DIR "/scripts/sane-demo"));
    // A fresh demo database and share each run.
    QDir(benchFolder() + "/data").removeRecursively();
    return true;
}

struct RunningProgram {
    bool scanner = useDemoScanner();
    benchsupport::SignedInProgram program{benchFolder(), "MEDICAL RECORDS",
                                          benchsupport::writeDemoScannerSettings};
    int next = 0;
    QString lastFiled;

    RunningProgram() {
        viewer::MainWindow& w = window();
        w.ui().Picture1->hide();
        // The scanners are looked for in the background at start; scanning waits for that.
        runUntil([&] { return w.ui().mnuFileScanNew->isEnabled(); }, 60000);
    }
    viewer::MainWindow& window() { return program.window(); }

    // Untimed: the last document's prefetching finished and the document closed.
    void closeDocument() {
        viewer::MainWindow& w = window();
        doubles::waitForIdle(*w.docImgEdit1, 10000);
        w.files().mnuFileClose_Click();
        QApplication::processEvents();
    }
};

RunningProgram& running() {
    static RunningProgram p;
    return p;
}

using benchsupport::waitPainted;

void BM_FileTenPageScan(benchmark::State& state) {
    RunningProgram& p = running();
    viewer::MainWindow& w = p.window();
    double scanSeconds = 0;
    for (auto _ : state) {
        p.closeDocument();
        const QString id = QString::number(810000 + ++p.next);
        QElapsedTimer clock;
        qint64 scanEnded = -1;
        auto ended = QObject::connect(&w.jobs(), &viewer::JobHost::documentBusyChanged, &w,
                                      [&](bool busy) {
                                          if (!busy && scanEnded < 0) scanEnded = clock.nsecsElapsed();
                                      });
        clock.start();
        capture::ScanStart(w, id, 3, "03/02/2026", 0);
        runUntil([&] { return scanEnded >= 0 && !w.jobs().anyRunning(); }, 120000);
        waitPainted(*w.docImgEdit1);
        const qint64 shown = clock.nsecsElapsed();
        QObject::disconnect(ended);
        if (w.docImgEdit1->pageCount() != 10) {
            state.SkipWithError("the filed document does not have 10 pages");
            break;
        }
        p.lastFiled = w.doc().FullPathFileName;
        scanSeconds += scanEnded / 1e9;
        state.SetIterationTime((shown - scanEnded) / 1e9);
    }
    state.counters["scan_ms"] = benchmark::Counter(scanSeconds * 1000 / double(state.iterations()));
}
BENCHMARK(BM_FileTenPageScan)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_ReferenceOpenTenPageFile(benchmark::State& state) {
    RunningProgram& p = running();
    viewer::MainWindow& w = p.window();
    if (p.lastFiled.isEmpty()) {
        state.SkipWithError("run BM_FileTenPageScan first");
        return;
    }
    for (auto _ : state) {
        p.closeDocument();
        QElapsedTimer clock;
        clock.start();
        w.PerformFileOpen(false, p.lastFiled, 1);
        waitPainted(*w.docImgEdit1);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_ReferenceOpenTenPageFile)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }

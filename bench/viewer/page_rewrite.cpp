// Commands of the main window that rewrite the 1000-page scanned record (300 dpi Letter text
// pages, G4; bench/support/DocGenerator.h), page and thumbnails shown:
//  - Delete Pages with page 2 selected, from the command until the page shown after the
//    deletion is painted, against the engine's page deletion alone on the same file;
//  - Save after page 1 was rotated (untimed), from the command until the document is saved
//    and the page painted, against the engine's save alone after the same rotation.
// Each measurement also counts the longest time the window's event loop did not run while
// the command went on (`stall_ms`): timers, painting and scrolling wait that long.
// Run:
//   build/bin/bench_viewer_page_rewrite --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "doubles/RenderWait.h"
#include "doubles/ScriptedCredentials.h"
#include "support/QtBenchmarkMain.h"
#include "app/Prompter.h"
#include "app/SignIn.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/PageEdits.h"
#include "main/Program.h"
#include "support/BenchProgram.h"
#include "support/DocGenerator.h"
#include "viewer/EditCommands.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kPages = 1000;

// The signed-in program, "Yes" to its questions, the start picture gone.
struct RunningProgram {
    QTemporaryDir scratch;
    benchsupport::SignedInProgram signedIn{scratch.path(), "MEDICAL RECORDS"};

    RunningProgram() {
        signedIn.prompter.questions = app::mb::Yes;
        window().ui().Picture1->hide();
        QApplication::processEvents();
    }
    viewer::MainWindow& window() { return signedIn.window(); }
    // A fresh copy of the record (the commands change it).
    QString copy() {
        const QString path = scratch.filePath("record.tif");
        QFile::remove(path);
        if (!QFile::copy(benchsupport::bitonalDocument(kPages), path))
            throw std::runtime_error("cannot copy the record");
        return path;
    }
};

RunningProgram& running() {
    static RunningProgram p;
    return p;
}

using benchsupport::closeRecord;
using benchsupport::waitJobs;
using benchsupport::waitPainted;

// The longest gap between turns of the event loop while it is watched.
class StallMeter {
public:
    StallMeter() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void start() {
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    // Milliseconds, counting the time up to now as well.
    double stop() {
        timer_.stop();
        longest_ = std::max(longest_, clock_.nsecsElapsed() - last_);
        const double ms = longest_ / 1e6;
        longest_ = 0;
        return ms;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// The record open in view mode 2 (page and thumbnails), page 1 painted.
viewer::MainWindow& openCopy() {
    viewer::MainWindow& w = running().window();
    const QString path = running().copy();
    w.doc().gblnNewDocument = false;
    w.PerformFileOpen(false, path, 1);
    w.ui().mnuViewModeItem[2]->trigger();
    waitPainted(*w.docImgEdit1);
    return w;
}


void BM_Engine_DeletePage(benchmark::State& state) {
    viewer::MainWindow& w = openCopy();
    const imaging::DocumentModelPtr model = w.docImgEdit1->model();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        model->deletePages(2, 1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        QApplication::processEvents();
    }
    closeRecord(w);
}

void BM_MainWindow_DeletePage(benchmark::State& state) {
    viewer::MainWindow& w = openCopy();
    imaging::ImageThumbnail& strip = *w.docImgThumbnail1;
    StallMeter stalls;
    double stallSum = 0;
    for (auto _ : state) {
        strip.clearThumbSelection();
        strip.setThumbSelected(2, true);
        doubles::waitForIdle(*w.docImgEdit1, 10000);
        QElapsedTimer t;
        t.start();
        stalls.start();
        w.editing().mnuEditActionItem_Click(5);
        waitJobs(w);
        waitPainted(*w.docImgEdit1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        stallSum += stalls.stop();
    }
    state.counters["stall_ms"] = stallSum / double(state.iterations());
    closeRecord(w);
}

void rotatePage1(viewer::MainWindow& w) {
    w.docImgEdit1->model()->apply(imaging::rotatePage(0, 1));
    waitPainted(*w.docImgEdit1);
}

void BM_Engine_SaveAfterRotation(benchmark::State& state) {
    viewer::MainWindow& w = openCopy();
    const imaging::DocumentModelPtr model = w.docImgEdit1->model();
    for (auto _ : state) {
        rotatePage1(w);
        QElapsedTimer t;
        t.start();
        model->save();
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        QApplication::processEvents();
    }
    closeRecord(w);
}

void BM_MainWindow_SaveAfterRotation(benchmark::State& state) {
    viewer::MainWindow& w = openCopy();
    StallMeter stalls;
    double stallSum = 0;
    for (auto _ : state) {
        rotatePage1(w);
        QElapsedTimer t;
        t.start();
        stalls.start();
        w.files().mnuFileSave_Click();
        waitJobs(w);
        waitPainted(*w.docImgEdit1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        stallSum += stalls.stop();
        if (w.docImgEdit1->imageModified()) throw std::runtime_error("not saved");
    }
    state.counters["stall_ms"] = stallSum / double(state.iterations());
    closeRecord(w);
}

BENCHMARK(BM_Engine_DeletePage)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_DeletePage)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_SaveAfterRotation)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_SaveAfterRotation)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }

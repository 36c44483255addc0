// The main window on the 1000-page scanned record of the engine benchmarks (300 dpi Letter
// text pages, G4; bench/support/DocGenerator.h):
//  - open it the way "Open Image" does after its file dialog (PerformFileOpen) and wait until
//    page 1 is painted, against the page display alone opening and showing page 1 with the
//    same size, zoom and gray scaling;
//  - the Next page command with the cache warm, until the page is painted, against the page
//    display alone turning the page.
// The argument is the view mode: 0 the page alone, 2 page and thumbnails. The program is
// started on its embedded demo backend, as a user would start it. Run:
//   build/bin/bench_viewer_open_next --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "doubles/RenderWait.h"
#include "doubles/ScriptedCredentials.h"
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "app/Prompter.h"
#include "app/SignIn.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "main/Program.h"
#include "support/DocGenerator.h"
#include "viewer/FileCommands.h"
#include "viewer/MainWindow.h"
#include "viewer/NavigationCommands.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kPages = 1000;
constexpr int kTurnedPages = 50; // Next runs through the first 50 pages, then starts again

const QString& document() {
    static const QString path = benchsupport::bitonalDocument(kPages);
    return path;
}

using benchsupport::closeRecord;
using benchsupport::openImage;
using benchsupport::running;
using benchsupport::waitPainted;

// The window in view mode `mode` with Fit to Width chosen once, as a reader would set it.
viewer::MainWindow& prepareWindow(int mode) {
    viewer::MainWindow& w = running().window();
    openImage(w, document());
    waitPainted(*w.docImgEdit1);
    w.ui().mnuViewModeItem[mode]->trigger();
    w.ui().mnuZoomFactorItem[1]->trigger();
    waitPainted(*w.docImgEdit1);
    closeRecord(w);
    return w;
}

// A page display alone with the size, zoom, scroll bars and gray scaling the window's display
// has when it shows the document in view mode `mode` (bitonal pages are gray-scaled).
std::unique_ptr<imaging::ImageEdit> displayLikeWindow(int mode) {
    viewer::MainWindow& w = prepareWindow(mode);
    openImage(w, document());
    waitPainted(*w.docImgEdit1);
    const imaging::ImageEdit& shown = *w.docImgEdit1;
    auto edit = std::make_unique<imaging::ImageEdit>();
    edit->setScrollBars(shown.scrollBars());
    edit->resize(shown.size());
    edit->setZoom(shown.zoom());
    edit->setDisplayScaleAlgorithm(shown.displayScaleAlgorithm());
    closeRecord(w);
    edit->show();
    return edit;
}

void BM_Engine_OpenAndShowPage1(benchmark::State& state) {
    auto edit = displayLikeWindow(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        edit->setImage(document());
        edit->setPage(1);
        edit->display();
        waitPainted(*edit);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        doubles::waitForIdle(*edit, 10000);
        edit->setImage(QString());
    }
}

void BM_MainWindow_OpenImageAndShowPage1(benchmark::State& state) {
    viewer::MainWindow& w = prepareWindow(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        openImage(w, document());
        waitPainted(*w.docImgEdit1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        closeRecord(w);
    }
}

void BM_Engine_NextPageWarm(benchmark::State& state) {
    auto edit = displayLikeWindow(int(state.range(0)));
    edit->setImage(document());
    edit->display();
    waitPainted(*edit);
    for (auto _ : state) {
        if (edit->page() == kTurnedPages) {
            edit->setPage(1);
            edit->display();
            waitPainted(*edit);
        }
        doubles::waitForIdle(*edit, 10000); // the next page is rendered ahead
        QElapsedTimer t;
        t.start();
        edit->setPage(edit->page() + 1);
        edit->display();
        waitPainted(*edit);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
    edit->setImage(QString());
}

void BM_MainWindow_NextPageWarm(benchmark::State& state) {
    viewer::MainWindow& w = prepareWindow(int(state.range(0)));
    imaging::ImageEdit& edit = *w.docImgEdit1;
    openImage(w, document());
    waitPainted(edit);
    for (auto _ : state) {
        if (edit.page() == kTurnedPages) {
            w.navigation().mnuPageDirectionItem_Click(2);
            waitPainted(edit);
        }
        doubles::waitForIdle(edit, 10000);
        state.SetIterationTime(benchsupport::timeNextPage(w));
    }
    closeRecord(w);
}

BENCHMARK(BM_Engine_OpenAndShowPage1)
    ->ArgName("viewMode")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_OpenImageAndShowPage1)
    ->ArgName("viewMode")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_NextPageWarm)
    ->ArgName("viewMode")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_NextPageWarm)
    ->ArgName("viewMode")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }

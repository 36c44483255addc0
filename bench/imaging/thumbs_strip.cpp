// Thumbnails of the 100-page scanned document: the first one on screen after the strip is
// given the file, all of them in the background, against decoding each page once on one
// thread (the baseline the strip is measured against). Run:
//   build/bin/bench_imaging_thumbs_strip
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageThumbnail.h"
#include "support/DocGenerator.h"
#include "thumbs_common.h"

#include <QElapsedTimer>

using namespace imaging;

namespace {

constexpr int kPages = 100;

// Baseline: open the document and decode every page at full size, one after the other.
void BM_DecodeEachPageOnce(benchmark::State& state) {
    const QString path = benchsupport::bitonalDocument(kPages);
    for (auto _ : state) {
        DocumentPtr doc = Document::open(path);
        for (int i = 0; i < doc->pageCount(); ++i)
            benchmark::DoNotOptimize(doc->decodePage(i));
    }
    state.counters["pages"] = kPages;
}

// For comparison: every page decoded straight to thumbnail size, one thread.
void BM_DecodeEachPageScaled(benchmark::State& state) {
    const QString path = benchsupport::bitonalDocument(kPages);
    for (auto _ : state) {
        DocumentPtr doc = Document::open(path);
        for (int i = 0; i < doc->pageCount(); ++i)
            benchmark::DoNotOptimize(doc->decodePageScaled(i, QSize(96, 124), true));
    }
}

// A strip as the main window shows it beside the page: one column, about six rows.
struct Strip {
    ImageThumbnail widget;
    Strip() {
        widget.resize(150, 900);
        widget.show();
        QCoreApplication::processEvents();
    }
};

// From giving the strip the file to the first thumbnail painted.
void BM_StripFirstThumbnail(benchmark::State& state) {
    const QString path = benchsupport::bitonalDocument(kPages);
    Strip strip;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        strip.widget.setImage(path);
        if (!thumbsbench::waitFor(&strip.widget, &ImageThumbnail::thumbReady)) {
            state.SkipWithError("no thumbnail came");
            break;
        }
        strip.widget.viewport()->repaint();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        strip.widget.setImage(""); // the next round opens the file afresh
    }
}

// From giving the strip the file and asking for every thumbnail to the last one made.
void BM_StripAllThumbnails(benchmark::State& state) {
    const QString path = benchsupport::bitonalDocument(kPages);
    Strip strip;
    strip.widget.setMaxThreads(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        strip.widget.setImage(path);
        strip.widget.generateThumb(kThumbGenerateAll);
        if (!thumbsbench::waitFor(&strip.widget, &ImageThumbnail::allThumbsReady) ||
            strip.widget.generatedMissing() != 0) {
            state.SkipWithError("thumbnails missing");
            break;
        }
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        strip.widget.setImage("");
    }
    state.counters["threads"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_DecodeEachPageOnce)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_DecodeEachPageScaled)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_StripFirstThumbnail)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1);
BENCHMARK(BM_StripAllThumbnails)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2);

int main(int argc, char** argv) {
    return thumbsbench::run(argc, argv);
}

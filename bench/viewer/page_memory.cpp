// What a 300-dpi record costs in the main window, as the user runs it (embedded demo backend,
// signed in, README command 1's window): resident memory with the window empty, with the
// 1000-page bitonal G4 record (bench/support/DocGenerator.h) open at page 1, after Next
// through all 1000 pages, and with one 2550 x 3300 24-bit colour page open; then the time of a
// page turn (pressed at once, and after the page has been read) against decoding that page
// alone, and of a scroll step at 100%. Run:
//   build/bin/bench_viewer_page_memory --benchmark_repetitions=3
#include "support/BenchProgram.h"
#include "support/DocGenerator.h"
#include "support/QtBenchmarkMain.h"
#include "../imaging/thumbs_common.h"
#include "doubles/RenderWait.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/documents/DocumentModel.h"
#include "main/Program.h"
#include "viewer/MainWindow.h"
#include "viewer/NavigationCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <tiffio.h>

namespace {

constexpr int kPages = 1000;

const QString& record() {
    static const QString path = benchsupport::bitonalDocument(kPages);
    return path;
}

// One 2550 x 3300 RGB page (8 bits a sample, LZW), a smooth colour photograph-like field.
const QString& colourPage() {
    static const QString path = [] {
        const QString p = benchsupport::cacheDir() + "/colour-letter-300dpi.tif";
        if (QFile::exists(p)) return p;
        TIFF* tif = TIFFOpen(p.toLocal8Bit().constData(), "w");
        if (!tif) throw std::runtime_error("cannot write the colour page");
        const int w = 2550, h = 3300;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0f);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        std::vector<uint8_t> row(size_t(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                row[size_t(x) * 3] = uint8_t(x * 255 / w);
                row[size_t(x) * 3 + 1] = uint8_t(y * 255 / h);
                row[size_t(x) * 3 + 2] = uint8_t((x + y) % 256);
            }
            TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
        }
        TIFFClose(tif);
        return p;
    }();
    return path;
}

using benchsupport::closeRecord;
using benchsupport::openImage;
using benchsupport::running;
using benchsupport::waitPainted;
using thumbsbench::residentMiB;

// Resident memory, in counters (MiB): the empty window, page 1 of the record, after Next
// through every page, the colour page; and each one's growth over the empty window.
void BM_MainWindow_ResidentMemory(benchmark::State& state) {
    record();
    colourPage();
    viewer::MainWindow& w = running().window();
    imaging::ImageEdit& edit = *w.docImgEdit1;
    double empty = 0, page1 = 0, paged = 0, colour = 0;
    for (auto _ : state) {
        closeRecord(w);
        // The window as it settles after start-up: the look for scanners (which loads every
        // installed scanner backend) has finished.
        QElapsedTimer settling;
        settling.start();
        while (w.docImgScan1->probingScanners() && settling.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        QApplication::processEvents();
        empty = residentMiB();
        openImage(w, record());
        waitPainted(edit);
        doubles::waitForIdle(edit, 10000);
        page1 = residentMiB();
        for (int i = 1; i < kPages; ++i) {
            w.navigation().mnuPageDirectionItem_Click(1);
            waitPainted(edit);
        }
        doubles::waitForIdle(edit, 10000);
        paged = residentMiB();
        closeRecord(w);
        openImage(w, colourPage());
        waitPainted(edit);
        doubles::waitForIdle(edit, 10000);
        colour = residentMiB();
        closeRecord(w);
    }
    state.counters["empty_MiB"] = empty;
    state.counters["page1_MiB"] = page1;
    state.counters["page1_over_empty"] = page1 - empty;
    state.counters["all1000_MiB"] = paged;
    state.counters["all1000_over_empty"] = paged - empty;
    state.counters["colour_MiB"] = colour;
    state.counters["colour_over_empty"] = colour - empty;
}

// The reference of the page turn: decoding one page of the record alone.
void BM_DecodePageAlone(benchmark::State& state) {
    auto model = imaging::DocumentModel::acquire(record());
    int page = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model->pageImage(page));
        page = (page + 1) % kPages;
    }
}

// Next in the window, measured until the page is painted, pages turned in order. Pressed at
// once (`afterReading` false), the page ahead may still be in preparation; after the page has
// been read, whatever the display prepares in the background meanwhile (the neighbours) is
// done, untimed, before Next is pressed.
void turnPages(benchmark::State& state, bool afterReading) {
    viewer::MainWindow& w = running().window();
    imaging::ImageEdit& edit = *w.docImgEdit1;
    openImage(w, record());
    waitPainted(edit);
    for (auto _ : state) {
        if (edit.page() >= kPages - 1) {
            w.navigation().mnuPageDirectionItem_Click(2);
            waitPainted(edit);
        }
        if (afterReading) doubles::waitForIdle(edit, 10000);
        state.SetIterationTime(benchsupport::timeNextPage(w));
    }
    closeRecord(w);
}

void BM_MainWindow_NextPage(benchmark::State& state) { turnPages(state, false); }
void BM_MainWindow_NextPageAfterReading(benchmark::State& state) { turnPages(state, true); }

// One scroll step (a wheel notch, 3 lines of 20 pixels) at 100%, until repainted.
void BM_MainWindow_ScrollStepAt100(benchmark::State& state) {
    viewer::MainWindow& w = running().window();
    imaging::ImageEdit& edit = *w.docImgEdit1;
    openImage(w, record());
    waitPainted(edit);
    edit.setZoom(100);
    waitPainted(edit);
    doubles::waitForIdle(edit, 10000);
    QScrollBar* bar = edit.verticalScrollBar();
    for (auto _ : state) {
        if (bar->value() + 60 > bar->maximum()) {
            bar->setValue(0);
            waitPainted(edit);
        }
        QElapsedTimer t;
        t.start();
        bar->setValue(bar->value() + 60);
        waitPainted(edit);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
    closeRecord(w);
}

BENCHMARK(BM_MainWindow_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePageAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_NextPage)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_NextPageAfterReading)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindow_ScrollStepAt100)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
